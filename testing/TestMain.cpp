// Shared main of every test executable: pins the time zone, the locale and
// every per-user folder before any test runs, so that no test reads or writes
// the real home folder and results do not depend on the machine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "testing/TestEnvironment.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  vexatest::IsolateEnvironment();
  const int result = RUN_ALL_TESTS();
  vexatest::RemoveIsolatedHome();
  return result;
}
