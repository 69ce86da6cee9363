// The command line of the headless monitor: configuring inputs, settings
// and triggers without windows, and running the monitor.
//
//   input add FOLDER [--mask M] [--loader NAME] [--no-recurse] [--resolve]
//                    [--timer MS] [--ignore-errors] [--from-end]
//   input list | input remove FOLDER
//   setting list | setting get NAME | setting set NAME VALUE
//   trigger list | trigger enable NAME | trigger disable NAME
//   trigger notify NAME --to ADDR[;ADDR...] | trigger notify NAME --off
//   run [--until-idle]
//
// Exit status: 0 done, 1 the command failed (the reason on standard error),
// 2 the arguments were wrong (a usage message on standard error).
//
// A configuration command loads the program's files as a start-up would,
// holds the same lock as a running monitor for its whole duration (so it
// refuses to change files under a running monitor, and a monitor cannot
// start meanwhile), and saves only the file it changed.
//
// Thread safety: call from the process's main thread, once at a time.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// `arguments` excludes the program name; `program` is argv[0].
int RunMonitorCommand(const std::string& program, const std::vector<std::string>& arguments,
                      std::ostream& out, std::ostream& err);

// The usage text.
std::string MonitorUsage();
