// The backlog the status and the headless run read from the main thread.
#include <gtest/gtest.h>

#include "core/AdvFactories.h"
#include "monitor/MonitorFolders.h"
#include "monitor/tests/MonitorFixture.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

// The format-detecting loader has to look inside a file to know whether it
// reads it; before the input's thread has opened the file that must not
// fail the caller, and the file's bytes count as waiting.
TEST(InputBacklog, CountsFilesWhoseFormatIsNotKnownYet) {
  monitortest::RegisterClassesOnce();
  const std::string folder = vexatest::MakeTempFolder();
  const std::string lines =
      "1700000000.000    100 10.0.0.1 TCP_MISS/200 1234 GET http://example.com/ - "
      "HIER_DIRECT/192.0.2.1 text/html\n"
      "1700000001.000    120 10.0.0.2 TCP_DENIED/403 0 GET http://casino.test/ - "
      "HIER_NONE/- text/html\n";
  vexatest::WriteFileText(folder + "/access.log", lines);

  auto input = AdvNew<TMonitorFolder>();
  input->SetFolder(new TFolder(folder));
  input->SetLoader(monitortest::ShippedLoader("Varnex").Detach());
  input->Rescan();
  EXPECT_EQ(input->Backlog(), int64_t(lines.size()));
}

}  // namespace
