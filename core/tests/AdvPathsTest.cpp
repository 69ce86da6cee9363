#include "core/AdvPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/AdvDates.h"
#include "platform/Clock.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Tree(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    names.insert(fs::relative(entry.path(), folder).string() + (entry.is_directory() ? "/" : ""));
  return names;
}

TEST(AdvPaths, PathsComeApart) {
  const struct {
    const char *Path, *Folder, *Name, *NameWithoutExtension, *WithoutExtension;
  } cases[] = {
      {"/var/log/access.log", "/var/log/", "access.log", "access", "/var/log/access"},
      {"/var/log.d/access", "/var/log.d/", "access", "access", "/var/log.d/access"},
      {"archive.tar.gz", "", "archive.tar.gz", "archive.tar", "archive.tar"},
      {"/home/u/.profile", "/home/u/", ".profile", ".profile", "/home/u/.profile"},
      {"C:\\Logs\\ex.log", "", "ex.log", "ex", "C:\\Logs\\ex"},
      {"C:ex.log", "", "ex.log", "ex", "C:ex"},
      {"/folder/", "/folder/", "", "", "/folder/"},
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderPart(c.Path), c.Folder) << c.Path;
    EXPECT_EQ(FileNamePart(c.Path), c.Name) << c.Path;
    EXPECT_EQ(FileNameWithoutExtension(c.Path), c.NameWithoutExtension) << c.Path;
    EXPECT_EQ(WithoutExtension(c.Path), c.WithoutExtension) << c.Path;
  }
  EXPECT_EQ(FolderPart("C:\\Logs\\ex.log", '\\'), "C:\\Logs\\");
  EXPECT_EQ(IncludeTrailingDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingDelimiter("/a/"), "/a/");
  EXPECT_EQ(ExcludeTrailingDelimiter("/a/"), "/a");
  EXPECT_EQ(ExcludeTrailingDelimiter("/a"), "/a");
  EXPECT_EQ(ExcludeTrailingDelimiter("/"), "/");
}

TEST(AdvPaths, RelativeToCutsOnlyALeadingBase) {
  EXPECT_EQ(RelativeTo("/Logs/", "/logs/proxy/a.log"), "proxy/a.log");
  EXPECT_EQ(RelativeTo("/logs/", "/logs/"), "");
  // The base somewhere else in the path is no base.
  EXPECT_EQ(RelativeTo("/logs/", "/old/logs/a.log"), "/old/logs/a.log");
  EXPECT_EQ(RelativeTo("/logs/longer/", "/logs/"), "/logs/");
  EXPECT_EQ(RelativeTo("", "/a"), "/a");
}

TEST(AdvPaths, FileMasksMatchLikeDesktopWildcards) {
  const struct {
    const char *Name, *Mask;
    bool Matches;
  } cases[] = {
      {"access.log", "*", true},
      {"access.log", "*.log", true},
      {"ACCESS.LOG", "*.log", true},
      {"access.log1", "*.log", false},
      {"access", "*.*", true},
      {"a.log", "?.log", true},
      {"ab.log", "?.log", false},
      {"ex0101.log", "ex*.log", true},
      {"x", "", false},
      {"aXbXc", "a*b*c", true},
      {"abc", "a*b*c*d", false},
      {"", "*", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FileMaskMatches(c.Name, c.Mask), c.Matches) << c.Name << " " << c.Mask;
}

TEST(AdvPaths, QueriesAnswerWithoutRaising) {
  const std::string folder = vexatest::MakeTempFolder("paths");
  const std::string file = folder + "/data.bin";
  vexatest::WriteFileText(file, "abcdef");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_EQ(FileSize(file), 6);
  EXPECT_EQ(FileSize(folder + "/missing"), 0);
  EXPECT_EQ(FileAttributes(folder), platform::kFileAttributeDirectory);
  EXPECT_EQ(FileAttributes(folder + "/missing"), 0u);
  EXPECT_EQ(LastWriteTime(folder + "/missing"), 0);
  EXPECT_EQ(CreationTime(folder + "/missing"), 0);
  EXPECT_GT(CreationTime(folder), 0);

  vexatest::ScopedTimeZone zone("Europe/Berlin");
  ASSERT_TRUE(platform::SetLastWriteTime(file, 1689422400000));  // 2023-07-15 12:00 UTC
  EXPECT_EQ(LastWriteTime(file), 1689422400000);
  EXPECT_EQ(ModifiedDate(file), EncodeDateTime(2023, 7, 15, 14, 0, 0));
  platform::TManualClock clock(1262304000000);  // 2010-01-01 00:00 UTC
  platform::SetCurrentClock(&clock);
  EXPECT_EQ(ModifiedDate(folder + "/missing"), EncodeDateTime(2010, 1, 1, 1, 0, 0));
  platform::SetCurrentClock(nullptr);
}

TEST(AdvPaths, CopyFolderCopiesMatchingFilesWithTheirTimes) {
  const std::string source = vexatest::MakeTempFolder("source");
  fs::create_directories(source + "/sub/deeper");
  vexatest::WriteFileText(source + "/a.Triggers", "triggers");
  vexatest::WriteFileText(source + "/b.txt", "text");
  vexatest::WriteFileText(source + "/.hidden.Triggers", "h");
  vexatest::WriteFileText(source + "/sub/c.txt", "c");
  vexatest::WriteFileText(source + "/sub/deeper/d.bin", "d");
  ASSERT_TRUE(platform::SetLastWriteTime(source + "/a.Triggers", 1262304000000));
  const std::string destination = vexatest::MakeTempFolder("dest") + "/new/folder";

  EXPECT_TRUE(CopyFolder(source, destination, "*.triggers", false, 0));
  EXPECT_EQ(Tree(destination), std::set<std::string>({"a.Triggers"}));
  EXPECT_EQ(vexatest::ReadFileText(destination + "/a.Triggers"), "triggers");
  EXPECT_EQ(LastWriteTime(destination + "/a.Triggers"), 1262304000000);

  vexatest::WriteFileText(source + "/a.Triggers", "changed");
  EXPECT_TRUE(CopyFolder(source, destination, "*", true));
  EXPECT_EQ(Tree(destination),
            std::set<std::string>({"a.Triggers", "b.txt", ".hidden.Triggers", "sub/", "sub/c.txt",
                                   "sub/deeper/", "sub/deeper/d.bin"}));
  EXPECT_EQ(vexatest::ReadFileText(destination + "/a.Triggers"), "changed");  // overwritten

  EXPECT_FALSE(CopyFolder(source + "/missing", destination + "2", "*", true));
  EXPECT_FALSE(FolderExists(destination + "2"));

  // A destination inside the source is not copied into itself, this run or the next.
  for (int run = 0; run < 2; ++run) EXPECT_TRUE(CopyFolder(source, source + "/backup", "*", true));
  EXPECT_TRUE(FileExists(source + "/backup/sub/deeper/d.bin"));
  EXPECT_FALSE(FolderExists(source + "/backup/backup"));
}

TEST(AdvPaths, ForceAndDeleteFolderTrees) {
  const std::string root = vexatest::MakeTempFolder("trees");
  EXPECT_TRUE(ForceFolders(root + "/a/b/c"));
  vexatest::WriteFileText(root + "/a/b/c/file", "x");
  EXPECT_TRUE(DeleteFolderTree(root + "/a"));
  EXPECT_FALSE(FolderExists(root + "/a"));
  EXPECT_TRUE(FolderExists(root));
}

TEST(AdvPaths, SystemAndTempFolders) {
  EXPECT_EQ(SystemFolder(), "/usr/bin/");
  const std::string temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '/');
  EXPECT_TRUE(FolderExists(temp));
  EXPECT_EQ(fs::status(temp).permissions(), fs::perms::owner_all);
}

}  // namespace
