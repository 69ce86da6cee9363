#include "app/MonitorCommands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/tests/VexaTestSupport.h"
#include "core/AdvPaths.h"

namespace {

using apptest::TPrivateHome;

struct TResult {
  int Status = -1;
  std::string Out, Err;
};

class MonitorCommandsTest : public testing::Test {
 protected:
  TResult Run(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    TResult result;
    result.Status = RunMonitorCommand("vexa-monitor", arguments, out, err);
    result.Out = out.str();
    result.Err = err.str();
    return result;
  }
  TPrivateHome m_home;
};

TEST_F(MonitorCommandsTest, WrongArgumentsGiveTheUsageAndStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"input"},
      {"input", "add"},
      {"input", "add", "a", "b"},
      {"input", "add", "a", "--timer"},
      {"input", "add", "a", "--timer", "0"},
      {"input", "add", "a", "--timer", "ten"},
      {"input", "add", "a", "--bogus"},
      {"input", "list", "extra"},
      {"setting", "set", "Threshold"},
      {"trigger", "notify", "X"},
      {"trigger", "notify", "X", "--to", "a@b", "--off"},
      {"trigger", "notify", "X", "--to", "no-at-sign"},
      {"trigger", "notify", "X", "--to", "a@b;<c@d>"},
      {"run", "--until"},
  };
  for (const auto& arguments : cases) {
    const TResult result = Run(arguments);
    std::string line;
    for (const auto& a : arguments) line += a + " ";
    EXPECT_EQ(result.Status, 2) << line;
    EXPECT_NE(result.Err.find("usage: vexa-monitor"), std::string::npos) << line;
    EXPECT_EQ(result.Out, "") << line;
  }
}

TEST_F(MonitorCommandsTest, InputsAreAddedListedAndRemoved) {
  const std::string logs = m_home.Root + "/logs";
  ForceFolders(logs);
  vexatest::WriteFileText(logs + "/access.log",
                          "1700000000.000 10 10.0.0.1 TCP_MISS/200 100 GET http://a.example/ - "
                          "DIRECT/192.0.2.1 text/html\n");
  TResult added = Run({"input", "add", logs, "--mask", "*.log", "--loader", "squid", "--no-recurse",
                       "--timer", "250", "--from-end"});
  ASSERT_EQ(added.Status, 0) << added.Err;
  EXPECT_EQ(Run({"input", "add", logs}).Status, 1);  // exists already
  TResult missing = Run({"input", "add", m_home.Root + "/none"});
  EXPECT_EQ(missing.Status, 1);
  EXPECT_NE(missing.Err.find("does not exist"), std::string::npos);
  TResult badLoader = Run({"input", "add", m_home.Root, "--loader", "Nope"});
  EXPECT_EQ(badLoader.Status, 1);
  EXPECT_NE(badLoader.Err.find("No loader named 'Nope' (loaders: "), std::string::npos);

  const TResult listed = Run({"input", "list"});
  ASSERT_EQ(listed.Status, 0);
  EXPECT_EQ(listed.Out, logs +
                            "/\tenabled=yes loader=Squid mask=*.log recurse=no resolve=no "
                            "timer=250 ignore-errors=no\n");
  // --from-end: the line already there is not read.
  const TResult run = Run({"run", "--until-idle"});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_NE(run.Out.find("hits: 0 accepted, 0 filtered; alerts: 0; issues: 0"), std::string::npos)
      << run.Out;

  EXPECT_EQ(Run({"input", "remove", logs + "/"}).Status, 0);
  EXPECT_EQ(Run({"input", "remove", logs}).Status, 1);
  EXPECT_EQ(Run({"input", "list"}).Out, "");
}

TEST_F(MonitorCommandsTest, ANewInputReadsWhatItsFolderHoldsAlready) {
  const std::string logs = m_home.Root + "/logs";
  ForceFolders(logs);
  std::string lines;
  for (int i = 0; i < 3; ++i)
    lines += "1700000000.00" + std::to_string(i) +
             " 10 10.0.0.1 TCP_MISS/200 100 GET http://a.example/ - DIRECT/192.0.2.1 text/html\n";
  vexatest::WriteFileText(logs + "/access.log", lines);
  ASSERT_EQ(Run({"input", "add", logs, "--loader", "Squid", "--timer", "50"}).Status, 0);
  ASSERT_EQ(Run({"setting", "set", "PurgeMode", "2"}).Status, 0);  // keep everything
  const TResult run = Run({"run", "--until-idle"});
  EXPECT_NE(run.Out.find("hits: 3 accepted, 0 filtered"), std::string::npos) << run.Out << run.Err;
}

TEST_F(MonitorCommandsTest, SettingsAreReadAndWrittenByName) {
  EXPECT_EQ(Run({"setting", "get", "Emails.Port"}).Out, "25\n");
  EXPECT_EQ(Run({"setting", "set", "Emails.Port", "2525"}).Status, 0);
  EXPECT_EQ(Run({"setting", "get", "emails.port"}).Out, "2525\n");
  const TResult refused = Run({"setting", "set", "Emails.Port", "x"});
  EXPECT_EQ(refused.Status, 1);
  EXPECT_NE(refused.Err.find("takes a port number"), std::string::npos);
  EXPECT_EQ(Run({"setting", "get", "Emails.Port"}).Out, "2525\n");
  EXPECT_EQ(Run({"setting", "get", "Nonsense"}).Status, 1);
  EXPECT_NE(Run({"setting", "list"}).Out.find("Emails.Sender="), std::string::npos);
}

TEST_F(MonitorCommandsTest, TriggersAreListedEnabledAndNotified) {
  TResult listed = Run({"trigger", "list"});
  ASSERT_EQ(listed.Status, 0);
  EXPECT_NE(listed.Out.find("Large Downloads\tkind=Single priority=medium enabled=yes notify=no"),
            std::string::npos)
      << listed.Out;
  EXPECT_EQ(Run({"trigger", "disable", "large downloads"}).Status, 0);
  EXPECT_EQ(
      Run({"trigger", "notify", "Large Downloads", "--to", "a@example.com; b@example.com"}).Status,
      0);
  listed = Run({"trigger", "list"});
  EXPECT_NE(listed.Out.find("Large Downloads\tkind=Single priority=medium enabled=no "
                            "notify=a@example.com;b@example.com"),
            std::string::npos)
      << listed.Out;
  EXPECT_EQ(Run({"trigger", "notify", "Large Downloads", "--off"}).Status, 0);
  EXPECT_NE(Run({"trigger", "list"}).Out.find("enabled=no notify=no"), std::string::npos);
  EXPECT_EQ(Run({"trigger", "enable", "Nope"}).Status, 1);
}

}  // namespace
