// vexa-monitor: the monitor without windows. Everything it does lives in
// the shared library (app/MonitorCommands.h), so tests reach the same code.
#include <iostream>
#include <string>
#include <vector>

#include "app/MonitorCommands.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return RunMonitorCommand(argc > 0 ? argv[0] : "vexa-monitor", arguments, std::cout, std::cerr);
}
