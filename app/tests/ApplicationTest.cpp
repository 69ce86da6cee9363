#include "app/Vexas.h"

#include <gtest/gtest.h>

#include "activity/Users.h"
#include "app/Settings.h"
#include "app/tests/VexaTestSupport.h"
#include "core/AdvPaths.h"
#include "monitor/MonitorFolders.h"
#include "monitor/Monitors.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"

namespace {

using apptest::TPrivateHome;
using apptest::TRecordingWindows;
using vexatest::ReadFileText;
using vexatest::WriteFileText;

class ApplicationTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterVexaClasses();
    m_common = vexatest::MakeTempFolder("common") + "/";
  }

  TAdvRef<TVexa> MakeApp(TRecordingWindows& windows) {
    TAdvRef<TVexa> app = AdvNew<TVexa>();
    app->SetParameters({"/opt/vexa/bin/vexa-monitor"});
    app->SetWindows(&windows);
    app->SetCommonDataFolder(m_common);
    return app;
  }

  TPrivateHome m_home;
  std::string m_common;
};

TEST_F(ApplicationTest, FirstStartCopiesTheMachineDefaultsOnceAndLaysOutTheFolders) {
  const std::string profiles = ReadFileText(vexatest::SourceDir() + "/share/vexa/Default.Profiles");
  ASSERT_FALSE(profiles.empty());
  WriteFileText(m_common + "Default.Profiles", profiles);
  std::filesystem::create_directories(m_common + "Samples");
  WriteFileText(m_common + "Samples/access.log", "sample");
  {
    TRecordingWindows windows;
    TAdvRef<TVexa> app = MakeApp(windows);
    ASSERT_TRUE(app->Prepare());
    EXPECT_TRUE(app->FirstRun());
    EXPECT_EQ(app->SettingsFolder(), m_home.SettingsFolder());
    EXPECT_EQ(app->DataPaths().Path("State"), m_home.StateFolder());
    EXPECT_EQ(app->DataPaths().Path("Default Profiles"), m_home.SettingsFolder());
    EXPECT_EQ(app->Paths().Path("Triggers"), m_home.Root + "/Documents/Varnex/Vexa 2.2/Triggers/");
    EXPECT_TRUE(FolderExists(m_home.StateFolder()));
    EXPECT_EQ(ReadFileText(m_home.SettingsFolder() + "Default.Profiles"), profiles);
    EXPECT_EQ(ReadFileText(m_home.Root + "/Documents/Varnex/Vexa 2.2/access.log"), "sample");
    // The splash texts of the start-up steps, in order.
    const std::vector<std::string> expected = {
        "Starting Vexa 2.2...", "Loading settings...", "Preparing Loaders...",
        "Checking application folders...", "Restoring state..."};
    ASSERT_GE(windows.Texts.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(windows.Texts.begin(), windows.Texts.begin() + 5), expected);
    EXPECT_EQ(windows.Texts.back(), "Vexa 2.2 ready...");
    app->Finalise();
  }
  // The user's copy is the user's: a later start copies nothing over it.
  WriteFileText(m_common + "Default.Profiles", "changed");
  TRecordingWindows windows;
  TAdvRef<TVexa> app = MakeApp(windows);
  ASSERT_TRUE(app->Prepare());
  EXPECT_EQ(ReadFileText(m_home.SettingsFolder() + "Default.Profiles"), profiles);
  app->Finalise();
}

TEST_F(ApplicationTest, AStartThatFailsSavesNothing) {
  // A first run leaves settings and state behind.
  {
    TRecordingWindows windows;
    TAdvRef<TVexa> app = MakeApp(windows);
    app->Terminate();
    ASSERT_EQ(app->Execute(), 0);
  }
  const std::string settings = ReadFileText(m_home.SettingsFolder() + "Vexa22.Settings");
  const std::string users = ReadFileText(m_home.StateFolder() + "Default.Users");
  ASSERT_FALSE(settings.empty());
  ASSERT_FALSE(users.empty());

  // Another instance holds the hit file: the second start fails at the
  // engine and must write nothing.
  TRecordingWindows holderWindows;
  TAdvRef<TVexa> holder = MakeApp(holderWindows);
  ASSERT_TRUE(holder->Prepare());
  ASSERT_TRUE(holder->LockInstance());

  TRecordingWindows windows;
  TAdvRef<TVexa> second = MakeApp(windows);
  EXPECT_EQ(second->Execute(), 1);
  ASSERT_FALSE(windows.Errors.empty());
  EXPECT_EQ(windows.Errors.back(),
            "Error: Vexa 2.2 was unable to open the temporary data files used for monitoring log "
            "files\r\nThis may occur if Vexa 2.2 is already running.");
  EXPECT_FALSE(windows.StartedCalled);
  EXPECT_EQ(ReadFileText(m_home.SettingsFolder() + "Vexa22.Settings"), settings);
  EXPECT_EQ(ReadFileText(m_home.StateFolder() + "Default.Users"), users);
  holder->Finalise();
}

TEST_F(ApplicationTest, ADamagedStateFileIsKeptAsBadAndTheStartGoesOn) {
  std::filesystem::create_directories(m_home.StateFolder());
  WriteFileText(m_home.StateFolder() + "Default.Inputs", "not a state file");
  WriteFileText(m_home.StateFolder() + "Default.Users", "neither");
  TRecordingWindows windows;
  TAdvRef<TVexa> app = MakeApp(windows);
  app->Terminate();
  EXPECT_EQ(app->Execute(), 0);
  EXPECT_EQ(ReadFileText(m_home.StateFolder() + "Default.Inputs.bad"), "not a state file");
  EXPECT_EQ(ReadFileText(m_home.StateFolder() + "Default.Users.bad"), "neither");
  EXPECT_EQ(app->LoadProblems().size() >= 2, true);
}

TEST_F(ApplicationTest, ADamagedSettingsFileKeepsTheDefaultsAndIsKeptAside) {
  std::filesystem::create_directories(m_home.SettingsFolder());
  WriteFileText(m_home.SettingsFolder() + "Vexa22.Settings", "<object class=\"Vexa\"><broken");
  TRecordingWindows windows;
  TAdvRef<TVexa> app = MakeApp(windows);
  ASSERT_TRUE(app->Prepare());
  EXPECT_FALSE(app->FirstRun());
  EXPECT_EQ(app->Settings().Threshold(), AdvNew<TSettings>()->Threshold());
  EXPECT_EQ(ReadFileText(m_home.SettingsFolder() + "Vexa22.Settings.bad"),
            "<object class=\"Vexa\"><broken");
  app->Finalise();
}

TEST_F(ApplicationTest, SettingsAndFolderTableSurviveARestart) {
  {
    TRecordingWindows windows;
    TAdvRef<TVexa> app = MakeApp(windows);
    ASSERT_TRUE(app->Prepare());
    app->Settings().SetThreshold(4321);
    app->Paths().SetPath("Sounds", m_home.Root + "/my-sounds");
    app->SaveSettingsFile();
    app->Finalise();
  }
  TRecordingWindows windows;
  TAdvRef<TVexa> app = MakeApp(windows);
  ASSERT_TRUE(app->Prepare());
  EXPECT_EQ(app->Settings().Threshold(), 4321);
  EXPECT_EQ(app->Paths().Path("Sounds"), m_home.Root + "/my-sounds/");
  EXPECT_FALSE(app->FirstRun());
  app->Finalise();
}

TEST_F(ApplicationTest, TheTimerRefreshesEveryHalfSecondAndSavesEveryFiveMinutesEvenWhenSuspended) {
  platform::TManualClock clock(1'700'000'000'000, 0xFFFFFFFFu - 2000);
  platform::SetCurrentClock(&clock);
  TRecordingWindows windows;
  TAdvRef<TVexa> app = MakeApp(windows);
  ASSERT_TRUE(app->Initialise());
  app->ToggleSuspend();
  EXPECT_TRUE(app->Suspended());
  EXPECT_EQ(app->SuspendText(), "&Unsuspend");
  const std::string state = m_home.StateFolder() + "Default.Inputs";
  std::filesystem::remove(state);
  const auto tickAfter = [&](int64_t milliseconds) {
    clock.Advance(milliseconds);
    app->Tick();
    return windows.Refreshes;
  };

  EXPECT_EQ(tickAfter(0), 0);
  EXPECT_EQ(tickAfter(499), 0);
  EXPECT_EQ(tickAfter(1), 1);
  EXPECT_EQ(tickAfter(1000), 2);
  EXPECT_FALSE(FileExists(state));
  // The tick counter wraps: an immediate refresh and state save.
  EXPECT_EQ(tickAfter(1000), 3);
  EXPECT_TRUE(FileExists(state));
  std::filesystem::remove(state);
  // Then the normal intervals again.
  EXPECT_EQ(tickAfter(299'999), 4);
  EXPECT_FALSE(FileExists(state));
  EXPECT_EQ(tickAfter(1), 4);
  EXPECT_TRUE(FileExists(state));
  // A tick counter that went backwards refreshes at once.
  clock.SetTickCount(5);
  EXPECT_EQ(tickAfter(0), 5);

  app->ToggleSuspend();
  EXPECT_EQ(app->SuspendText(), "&Suspend");
  app->Terminate();
  app->Finalise();
  platform::SetCurrentClock(nullptr);
}

TEST_F(ApplicationTest, RunAtLogonWritesTheQuotedProgramPathAndRemovesIt) {
  TRecordingWindows windows;
  TAdvRef<TVexa> app = MakeApp(windows);
  app->SetApplicationFolder("/opt/my vexa/bin");
  app->SetLogonArguments("run");
  EXPECT_FALSE(app->IsRunAtLogon());
  app->SetRunAtLogon(true);
  EXPECT_TRUE(app->IsRunAtLogon());
  std::string command;
  ASSERT_TRUE(platform::ReadAutostart(TVexa::kExeName, command));
  EXPECT_EQ(command, "\"/opt/my vexa/bin/vexa-monitor\" run");
  app->SetRunAtLogon(false);
  EXPECT_FALSE(app->IsRunAtLogon());
}

TEST_F(ApplicationTest, SystemInfoNamesTheLoaderLast) {
  TRecordingWindows windows;
  TAdvRef<TVexa> app = MakeApp(windows);
  const std::string info = app->SystemInfo();
  EXPECT_EQ(info.rfind("OS: ", 0), 0u);
  EXPECT_NE(info.find("\rComputer: "), std::string::npos);
  EXPECT_NE(info.find("\rTimezone: "), std::string::npos);
  EXPECT_NE(info.find("\rLanguage: "), std::string::npos);
  EXPECT_EQ(info.substr(info.rfind("Loader: ")), "Loader: Varnex\r");
}

}  // namespace
