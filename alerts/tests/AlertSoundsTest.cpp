#include "alerts/AlertSounds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/Settings.h"
#include "platform/Folders.h"
#include "platform/Sounds.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class F>
bool WaitUntil(F&& condition, int seconds = 10) {
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(AlertSoundsTest, SoundNamesOfPriorities) {
  EXPECT_EQ(AlertSoundName(0), "Low Priority Alert");
  EXPECT_EQ(AlertSoundName(1), "Medium Priority Alert");
  EXPECT_EQ(AlertSoundName(2), "High Priority Alert");
  EXPECT_EQ(AlertSoundName(3), "");
}

TEST(AlertSoundsTest, StoredFileIsResolvedAgainstApplicationFolder) {
  auto settings = AdvNew<TSettings>();
  TAdvStringMatch& sounds = settings->Sounds();
  sounds.Add("A", "sounds\\sub\\x.wav");
  sounds.Add("B", "/usr/share/sounds/bell.wav");
  sounds.Add("C", "SoundsX.wav");
  sounds.Add("D", "Sounds/y.wav");
  EXPECT_EQ(AlertSoundFile(*settings, "High Priority Alert", "/opt/vexa"),
            "/opt/vexa/Sounds/High.wav");
  EXPECT_EQ(AlertSoundFile(*settings, "Input Issue Alert", "/opt/vexa/"),
            "/opt/vexa/Sounds/High.wav");
  EXPECT_EQ(AlertSoundFile(*settings, "A", "/app"), "/app/Sounds/sub/x.wav");
  EXPECT_EQ(AlertSoundFile(*settings, "B", "/app"), "/usr/share/sounds/bell.wav");
  EXPECT_EQ(AlertSoundFile(*settings, "C", "/app"), "SoundsX.wav");
  EXPECT_EQ(AlertSoundFile(*settings, "D", "/app"), "/app/Sounds/y.wav");
  EXPECT_EQ(AlertSoundFile(*settings, "No such sound", "/app"), "");
}

TEST(AlertSoundsTest, PlaySoundSettingGovernsAlertsButNotInputIssues) {
  auto settings = AdvNew<TSettings>();
  std::vector<std::string> played;
  TAlertSounds sounds(*settings, "/app", [&](const std::string& file) { played.push_back(file); });
  sounds.PlayPrioritySound(0);
  sounds.PlayPrioritySound(1);
  sounds.PlayPrioritySound(5);
  settings->SetPlaySound(false);
  sounds.PlayPrioritySound(2);
  sounds.PlayInputIssueSound();
  EXPECT_EQ(played, (std::vector<std::string>{"/app/Sounds/Low.wav", "/app/Sounds/Medium.wav",
                                              "/app/Sounds/High.wav"}));
}

TEST(AlertSoundsTest, ShippedSoundsLieInApplicationSoundsFolder) {
  auto settings = AdvNew<TSettings>();
  for (int priority = 0; priority < 3; ++priority) {
    const std::string file =
        AlertSoundFile(*settings, AlertSoundName(priority), platform::ExecutableFolder());
    SCOPED_TRACE(file);
    const std::string text = vexatest::ReadFileText(file);
    ASSERT_GT(text.size(), 44u);
    EXPECT_EQ(text.substr(0, 4), "RIFF");
    EXPECT_EQ(text.substr(8, 4), "WAVE");
  }
}

class SoundPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = vexatest::MakeTempFolder("snd");
    m_sound = m_folder + "/High.wav";
    vexatest::WriteFileText(m_sound, "RIFF....WAVE");
    m_log = m_folder + "/played";
  }
  // A player that notes its argument in the log, then acts as `rest` says.
  std::string Player(const std::string& name, const std::string& rest) {
    const std::string path = m_folder + "/" + name;
    vexatest::WriteScript(path,
                          "printf '%s %s\\n' " + name + " \"$1\" >> '" + m_log + "'\n" + rest);
    return path;
  }
  std::string Log() const { return vexatest::ReadFileText(m_log); }

  std::string m_folder, m_sound, m_log;
};

TEST_F(SoundPlayerTest, DefaultPlayerFoundOnPathGetsTheFile) {
  vexatest::ScopedFakeProgram paplay("paplay", "printf '%s\\n' \"$1\" >> '" + m_log + "'\n");
  paplay.HideSystemPath();
  auto settings = AdvNew<TSettings>();
  settings->Sounds().SetMatch("High Priority Alert", m_sound);
  platform::TSoundPlayer player;
  TAlertSounds sounds(*settings, "/app",
                      [&](const std::string& file) { player.PlaySoundFile(file); });
  sounds.PlayPrioritySound(2);
  ASSERT_TRUE(WaitUntil([&] { return player.Idle() && !Log().empty(); }));
  EXPECT_EQ(Log(), m_sound + "\n");
  EXPECT_EQ(player.SilentCount(), 0u);
}

TEST_F(SoundPlayerTest, FailingPlayerFallsBackToNext) {
  platform::TSoundPlayer player(
      {m_folder + "/missing-player", Player("broken", "exit 1\n"), Player("good", "exit 0\n")});
  player.PlaySoundFile(m_sound);
  ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
  EXPECT_EQ(Log(), "broken " + m_sound + "\ngood " + m_sound + "\n");
  EXPECT_EQ(player.StartedCount(), 2u);
  EXPECT_EQ(player.SilentCount(), 0u);
  // The player that worked is asked first next time.
  player.PlaySoundFile(m_sound);
  ASSERT_TRUE(WaitUntil([&] { return player.Idle() && player.StartedCount() == 3; }));
  EXPECT_EQ(Log(), "broken " + m_sound + "\ngood " + m_sound + "\ngood " + m_sound + "\n");
}

TEST_F(SoundPlayerTest, NewSoundCutsOffTheOnePlaying) {
  platform::TSoundPlayer player({Player("slow", "exec /bin/sleep 60\n")});
  const std::string second = m_folder + "/Low.wav";
  vexatest::WriteFileText(second, "RIFF....WAVE");
  const auto start = Clock::now();
  player.PlaySoundFile(m_sound);
  ASSERT_TRUE(WaitUntil([&] { return !Log().empty(); }));
  player.PlaySoundFile(second);
  ASSERT_TRUE(WaitUntil([&] { return Log().find(second) != std::string::npos; }));
  player.Stop();
  ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(player.StartedCount(), 2u);
}

TEST_F(SoundPlayerTest, BurstOfRequestsNeverWaitsAndCollapses) {
  platform::TSoundPlayer player({Player("slow", "exec /bin/sleep 60\n")});
  const auto start = Clock::now();
  for (int i = 0; i < 1000; ++i) player.PlaySoundFile(m_sound);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  ASSERT_TRUE(WaitUntil([&] { return !Log().empty(); }));
  player.Stop();
  ASSERT_TRUE(WaitUntil([&] { return player.Idle(); }));
  EXPECT_LT(player.StartedCount(), 1000u);
}

TEST_F(SoundPlayerTest, SilentWhenNoPlayerWorksOrFileIsMissing) {
  platform::TSoundPlayer player({m_folder + "/none", Player("broken", "exit 3\n")});
  player.PlaySoundFile(m_sound);
  ASSERT_TRUE(WaitUntil([&] { return player.Idle() && player.SilentCount() == 1; }));
  player.PlaySoundFile(m_folder + "/missing.wav");
  ASSERT_TRUE(WaitUntil([&] { return player.Idle() && player.SilentCount() == 2; }));
  EXPECT_EQ(player.StartedCount(), 1u);
}

}  // namespace
