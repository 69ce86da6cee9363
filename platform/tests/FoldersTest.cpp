#include "platform/Folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace fs = std::filesystem;

namespace {

using vexatest::ScopedEnv;

TEST(Folders, FollowTheXdgVariables) {
  const std::string home = vexatest::IsolatedHome();
  EXPECT_EQ(platform::HomeFolder(), home);
  EXPECT_EQ(platform::ConfigFolder(), home + "/.config");
  EXPECT_EQ(platform::StateFolder(), home + "/.local/state");
  EXPECT_EQ(platform::DataFolder(), home + "/.local/share");
  EXPECT_EQ(platform::DocumentsFolder(), home + "/Documents");
  EXPECT_EQ(platform::RuntimeFolder(), home + "/run");

  ScopedEnv config("XDG_CONFIG_HOME", "/somewhere/else/");
  ScopedEnv state("XDG_STATE_HOME", "/state");
  ScopedEnv documents("XDG_DOCUMENTS_DIR", "/docs");
  EXPECT_EQ(platform::ConfigFolder(), "/somewhere/else");
  EXPECT_EQ(platform::StateFolder(), "/state");
  EXPECT_EQ(platform::DocumentsFolder(), "/docs");
}

TEST(Folders, FallBackToTheHomeFolderWithoutVariables) {
  const std::string home = vexatest::IsolatedHome();
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  ScopedEnv state("XDG_STATE_HOME", "relative/path");  // not absolute: ignored
  ScopedEnv data("XDG_DATA_HOME", "");
  ScopedEnv documents("XDG_DOCUMENTS_DIR", nullptr);
  ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
  EXPECT_EQ(platform::ConfigFolder(), home + "/.config");
  EXPECT_EQ(platform::StateFolder(), home + "/.local/state");
  EXPECT_EQ(platform::DataFolder(), home + "/.local/share");
  EXPECT_EQ(platform::DocumentsFolder(), home + "/Documents");
  EXPECT_EQ(platform::RuntimeFolder(), platform::PrivateTempFolder());
}

TEST(Folders, ReadTheUserDirsFile) {
  const std::string home = vexatest::IsolatedHome();
  ScopedEnv documents("XDG_DOCUMENTS_DIR", nullptr);
  const std::string file = platform::ConfigFolder() + "/user-dirs.dirs";
  vexatest::WriteFileText(file,
                          "# written by xdg-user-dirs-update\n"
                          "XDG_DESKTOP_DIR=\"/srv/desk\"\n"
                          "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n"
                          "XDG_TEMPLATES_DIR=\"relative\"\n");
  EXPECT_EQ(platform::DocumentsFolder(), home + "/Papers");
  EXPECT_EQ(platform::DesktopFolder(), "/srv/desk");
  EXPECT_EQ(platform::TemplatesFolder(), home + "/Templates");
  fs::remove(file);
}

TEST(Folders, PrivateTempFolderIsOursAlone) {
  const std::string folder = platform::PrivateTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.rfind(vexatest::IsolatedHome(), 0), 0u);  // under the test's TMPDIR
  struct stat info {};
  ASSERT_EQ(lstat(folder.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 07777, 0700u);

  chmod(folder.c_str(), 0755);  // widened by someone: narrowed again
  EXPECT_EQ(platform::PrivateTempFolder(), folder);
  ASSERT_EQ(lstat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);

  // A link planted in its place is refused, not followed.
  const std::string other = vexatest::MakeTempFolder("tmpbase");
  ScopedEnv tmp("TMPDIR", other.c_str());
  const std::string planted = other + "/vexa-" + std::to_string(getuid());
  fs::create_directory_symlink(vexatest::MakeTempFolder("target"), planted);
  EXPECT_EQ(platform::PrivateTempFolder(), "");
}

TEST(Folders, ExecutableFolderHoldsThisProgram) {
  const std::string folder = platform::ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(fs::exists(fs::path(folder) / "platform_tests"));
  EXPECT_EQ(folder, fs::read_symlink("/proc/self/exe").parent_path().string());
}

}  // namespace
