#include "platform/Processes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace fs = std::filesystem;

namespace {

using vexatest::ReadFileText;
using vexatest::ScopedFakeProgram;

TEST(Processes, ArgumentsArriveLiterallyWithoutAShell) {
  const std::string folder = vexatest::MakeTempFolder("spawn");
  // Every character a shell would act on: none may be interpreted.
  const std::string name = folder + "/a b;touch hacked|x&y $HOME `id` *?'\"<>(){}";
  EXPECT_EQ(platform::RunProcessAndWait({"touch", name}), 0);
  EXPECT_TRUE(fs::exists(name));
  EXPECT_FALSE(fs::exists("hacked"));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(Processes, ReportsExitCodesSignalsAndFailureToStart) {
  EXPECT_EQ(platform::RunProcessAndWait({"true"}), 0);
  EXPECT_EQ(platform::RunProcessAndWait({"sh", "-c", "exit 7"}), 7);
  EXPECT_EQ(platform::RunProcessAndWait({"sh", "-c", "kill -TERM $$"}), 128 + 15);
  std::string error;
  EXPECT_EQ(platform::RunProcessAndWait({"no-such-program-anywhere"}, &error), -1);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(platform::RunProcessAndWait({}), -1);
  EXPECT_EQ(platform::WaitForProcess(-5), -1);
}

TEST(Processes, WaitingCanTimeOut) {
  const int32_t pid = platform::StartProcess({"sh", "-c", "sleep 0.3"});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(platform::WaitForProcess(pid, 10), platform::kProcessStillRunning);
  EXPECT_EQ(platform::WaitForProcess(pid, 10000), 0);
}

TEST(Processes, DefaultHandlerGetsTheTargetAsOneArgument) {
  const std::string out = vexatest::MakeTempFolder("out") + "/args";
  ScopedFakeProgram fake("xdg-open", "printf '%s\\n' \"$#\" \"$@\" > '" + out + "'");
  EXPECT_TRUE(platform::OpenWithDefaultHandler("/path/with space;and$(id)"));
  EXPECT_EQ(ReadFileText(out), "1\n/path/with space;and$(id)\n");
  EXPECT_TRUE(platform::OpenWithDefaultHandler("-looks-like-an-option"));
  EXPECT_EQ(ReadFileText(out), "1\n./-looks-like-an-option\n");
}

TEST(Processes, DefaultHandlerFailuresAreReported) {
  {
    ScopedFakeProgram missing("xdg-open", "");
    missing.Remove();
    missing.HideSystemPath();
    EXPECT_FALSE(platform::OpenWithDefaultHandler("file.txt"));
  }
  {
    ScopedFakeProgram failing("xdg-open", "exit 3");
    EXPECT_FALSE(platform::OpenWithDefaultHandler("file.txt"));
  }
  EXPECT_FALSE(platform::OpenWithDefaultHandler(""));
}

TEST(Processes, DefaultHandlerNeverBlocksTheCallerForLong) {
  ScopedFakeProgram slow("xdg-open", "sleep 3");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(platform::OpenWithDefaultHandler("file.txt", 200));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
