#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace fs = std::filesystem;

namespace {

TEST(FileSystem, QueryTellsFilesFromFolders) {
  const std::string folder = vexatest::MakeTempFolder("query");
  vexatest::WriteFileText(folder + "/data.log", "12345");
  vexatest::WriteFileText(folder + "/.hidden", "");
  fs::create_symlink(folder + "/data.log", folder + "/link.log");

  platform::TFileStatus status;
  ASSERT_TRUE(platform::QueryFile(folder + "/data.log", status));
  EXPECT_FALSE(status.IsFolder);
  EXPECT_EQ(status.Size, 5);
  EXPECT_EQ(status.Attributes, platform::kFileAttributeNormal);
  EXPECT_GT(status.LastWriteUtcMs, 0);
  EXPECT_GT(status.CreationUtcMs, 0);
  EXPECT_LE(status.CreationUtcMs, status.LastWriteUtcMs + 1000);

  ASSERT_TRUE(platform::QueryFile(folder, status));
  EXPECT_TRUE(status.IsFolder);
  EXPECT_EQ(status.Size, 0);
  EXPECT_EQ(status.Attributes, platform::kFileAttributeDirectory);

  ASSERT_TRUE(platform::QueryFile(folder + "/.hidden", status));
  EXPECT_EQ(status.Attributes, platform::kFileAttributeHidden);
  ASSERT_TRUE(platform::QueryFile(folder + "/link.log", status));
  EXPECT_EQ(status.Size, 5);
  EXPECT_EQ(status.Attributes, platform::kFileAttributeSymlink);

  EXPECT_FALSE(platform::QueryFile(folder + "/missing", status));
  EXPECT_EQ(status.Size, 0);
  EXPECT_FALSE(platform::QueryFile("", status));
}

TEST(FileSystem, ForceFoldersMakesEveryParent) {
  const std::string folder = vexatest::MakeTempFolder("force");
  EXPECT_TRUE(platform::ForceFolders(folder + "/a/b/c/"));
  EXPECT_TRUE(fs::is_directory(folder + "/a/b/c"));
  EXPECT_TRUE(platform::ForceFolders(folder + "/a/b"));  // already there
  vexatest::WriteFileText(folder + "/file", "x");
  EXPECT_FALSE(platform::ForceFolders(folder + "/file"));
  EXPECT_FALSE(platform::ForceFolders(folder + "/file/sub"));
}

TEST(FileSystem, DeleteFolderTreeRemovesEverythingButFollowsNoLink) {
  const std::string outside = vexatest::MakeTempFolder("outside");
  vexatest::WriteFileText(outside + "/keep.txt", "precious");
  const std::string tree = vexatest::MakeTempFolder("tree");
  fs::create_directories(tree + "/sub/deeper");
  vexatest::WriteFileText(tree + "/sub/deeper/file", "x");
  vexatest::WriteFileText(tree + "/top", "y");
  fs::create_directory_symlink(outside, tree + "/sub/link-to-outside");
  chmod((tree + "/sub/deeper").c_str(), 0500);  // a read-only folder
  chmod((tree + "/top").c_str(), 0400);

  EXPECT_TRUE(platform::DeleteFolderTree(tree));
  EXPECT_FALSE(fs::exists(tree));
  EXPECT_EQ(vexatest::ReadFileText(outside + "/keep.txt"), "precious");
  EXPECT_FALSE(platform::DeleteFolderTree(tree));
  EXPECT_FALSE(platform::DeleteFolderTree(outside + "/keep.txt"));  // a file, not a folder
}

TEST(FileSystem, CopyReplacesTheTargetAndKeepsPermissions) {
  const std::string folder = vexatest::MakeTempFolder("copy");
  vexatest::WriteFileText(folder + "/source", "new contents");
  chmod((folder + "/source").c_str(), 0640);
  vexatest::WriteFileText(folder + "/target", "old contents that are longer");
  std::string error;
  ASSERT_TRUE(platform::CopyFileReplacing(folder + "/source", folder + "/target", &error)) << error;
  EXPECT_EQ(vexatest::ReadFileText(folder + "/target"), "new contents");
  struct stat info {};
  ASSERT_EQ(stat((folder + "/target").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  EXPECT_FALSE(platform::CopyFileReplacing(folder + "/missing", folder + "/target", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(vexatest::ReadFileText(folder + "/target"), "new contents");
  EXPECT_FALSE(platform::CopyFileReplacing(folder, folder + "/target2"));  // a folder
  EXPECT_FALSE(fs::exists(folder + "/target2"));
  size_t entries = 0;  // no temporary copy left behind
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 2u);
}

TEST(FileSystem, LastWriteTimeCanBeSet) {
  const std::string folder = vexatest::MakeTempFolder("times");
  vexatest::WriteFileText(folder + "/f", "x");
  ASSERT_TRUE(platform::SetLastWriteTime(folder + "/f", 1262304000123));  // 2010-01-01 00:00:00.123
  platform::TFileStatus status;
  ASSERT_TRUE(platform::QueryFile(folder + "/f", status));
  EXPECT_EQ(status.LastWriteUtcMs, 1262304000123);
  std::string error;
  EXPECT_FALSE(platform::SetLastWriteTime(folder + "/missing", 0, &error));
  EXPECT_FALSE(error.empty());
}

TEST(FileSystem, ListFolderTellsFilesFromSubFolders) {
  const std::string folder = vexatest::MakeTempFolder("list");
  vexatest::WriteFileText(folder + "/a.log", "");
  fs::create_directory(folder + "/sub");
  fs::create_symlink(folder + "/a.log", folder + "/file-link");
  fs::create_directory_symlink(folder + "/sub", folder + "/folder-link");
  std::vector<platform::TFolderEntry> entries;
  ASSERT_TRUE(platform::ListFolder(folder, entries));
  ASSERT_EQ(entries.size(), 4u);
  for (const auto& entry : entries) {
    const bool file = entry.Name == "a.log" || entry.Name == "file-link";
    EXPECT_EQ(entry.IsFile, file) << entry.Name;
    EXPECT_EQ(entry.IsFolder, entry.Name == "sub") << entry.Name;
  }
  std::string error;
  EXPECT_FALSE(platform::ListFolder(folder + "/missing", entries, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
