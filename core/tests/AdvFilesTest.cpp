#include "core/AdvFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "core/tests/StreamTestHelpers.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace fs = std::filesystem;

namespace {

class AdvFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return m_folder + "/" + name; }
  TAdvRef<TAdvFile> Open(const std::string& name, int mode, int share) {
    return AdvNew<TAdvFile>(name, TAdvFile::kNormalAttributes, share, mode);
  }
  // The message of the EAdvFile that `action` raises, or "" when it raises none.
  static std::string FileError(const std::function<void()>& action) {
    try {
      action();
    } catch (const EAdvFile& e) {
      return e.Message();
    }
    return "";
  }

  std::string m_folder = vexatest::MakeTempFolder("files");
};

struct TModeCase {
  int Mode;
  bool Exists;
  bool Opens;
  std::string ContentAfterOpen;  // for an existing file: what remains
  bool CanRead;
  bool CanWrite;
};

TEST_F(AdvFileTest, OpenModesFollowTheTable) {
  const TModeCase cases[] = {
      {0, true, true, "old", true, false},   {0, false, false, "", false, false},
      {1, true, true, "old", false, true},   {1, false, true, "", false, true},
      {2, true, true, "old", true, true},    {2, false, true, "", true, true},
      {3, true, true, "", true, true},       {3, false, true, "", true, true},
      {4, true, false, "old", false, false}, {4, false, true, "", true, true},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.Mode) + (c.Exists ? " existing" : " missing"));
    const std::string name = Path("mode" + std::to_string(n++));
    if (c.Exists) vexatest::WriteFileText(name, "old");
    auto file = AdvNew<TAdvFile>(name);
    const std::string error = FileError([&] { file->OpenFile(name, c.Mode, 3); });
    EXPECT_EQ(error.empty(), c.Opens) << error;
    EXPECT_EQ(file->IsOpen(), c.Opens);
    EXPECT_EQ(fs::exists(name), c.Exists || c.Opens);
    if (c.Exists) {
      EXPECT_EQ(vexatest::ReadFileText(name), c.ContentAfterOpen);
    }
    if (!c.Opens) continue;
    char byte;
    file->SetPosition(0);
    const std::string readError = FileError([&] { file->Read(&byte, 1); });
    EXPECT_EQ(readError.find("Unable to read") == std::string::npos, c.CanRead) << readError;
    const std::string writeError = FileError([&] { file->Write("x", 1); });
    EXPECT_EQ(writeError.empty(), c.CanWrite) << writeError;
  }
}

TEST_F(AdvFileTest, FailedOpenNamesTheFileAndTheSystemError) {
  const std::string name = Path("missing.txt");
  auto file = AdvNew<TAdvFile>();
  try {
    file->OpenFile(name, 0, 3);
    FAIL() << "opened a missing file";
  } catch (const EAdvFile& e) {
    EXPECT_EQ(
        e.Message(),
        "(TAdvFile.Open): Unable to open file [2: No such file or directory]: '" + name + "'");
    EXPECT_EQ(e.FileName(), name);
  }
  EXPECT_FALSE(file->IsOpen());
  EXPECT_NE(FileError([&] { file->OpenFile(m_folder, 0, 3); }), "") << "a folder is not a file";
}

TEST_F(AdvFileTest, ReadsExactCountsAndRefusesToReadPastTheEnd) {
  const std::string name = Path("ten.bin");
  vexatest::WriteFileText(name, "0123456789");
  auto file = Open(name, 0, 3);
  char buffer[16] = {};
  file->Read(buffer, 0);  // a read of nothing never raises, not even at the end
  file->Read(buffer, 10);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_EQ(file->Readable(), 0);
  file->Read(buffer, 0);
  EXPECT_EQ(FileError([&] { file->Read(buffer, 1); }),
            "(TAdvFile.Read): Attempted to read past end of file: '" + name + "'");

  // A read that meets the end part way hands over nothing and keeps the
  // position, so the rest can be read once the writer has added it.
  file->SetPosition(5);
  EXPECT_EQ(FileError([&] { file->Read(buffer, 10); }),
            "(TAdvFile.Read): Attempted to read past end of file (5 of 10 bytes available): '" +
                name + "'");
  EXPECT_EQ(file->GetPosition(), 5);
  file->Read(buffer, 5);
  EXPECT_EQ(std::string(buffer, 5), "56789");
}

TEST_F(AdvFileTest, PositionSizeAndTheirErrors) {
  const std::string name = Path("sizes.bin");
  auto file = Open(name, 3, 0);
  file->Write("0123456789", 10);
  EXPECT_EQ(file->GetSize(), 10);
  EXPECT_EQ(file->GetPosition(), 10);
  EXPECT_EQ(file->Writeable(), 2147483647);
  file->SetPosition(2);
  file->Skip(3);
  EXPECT_EQ(file->GetPosition(), 5);
  EXPECT_EQ(file->Readable(), 5);
  file->SetSize(8);  // shorter than the file, beyond the position: position kept
  EXPECT_EQ(file->GetPosition(), 5);
  file->SetSize(4);  // before the position: position moves back to the new end
  EXPECT_EQ(file->GetPosition(), 4);
  EXPECT_EQ(vexatest::ReadFileText(name), "0123");
  file->SeekToEnd();
  EXPECT_EQ(file->GetPosition(), 4);
  file->SetSize(0);
  EXPECT_EQ(file->GetSize(), 0);
  EXPECT_EQ(file->GetPosition(), 0);

  EXPECT_EQ(FileError([&] { file->SetPosition(-1); }),
            "(TAdvFile.SetPosition): Unable to set the file position ffffffff/ffffffff [22: "
            "Invalid argument]: '" +
                name + "'");
  EXPECT_NE(FileError([&] { file->SetSize(-1); }).find("Unable to set the size of the file ["),
            std::string::npos);
  file->CloseFile();
  EXPECT_NE(FileError([&] { file->GetSize(); }).find("Unable to get the size of the file [9: "),
            std::string::npos);
}

TEST_F(AdvFileTest, ExistsDeleteAndFileName) {
  const std::string name = Path("doomed.txt");
  auto file = AdvNew<TAdvFile>(name);
  EXPECT_FALSE(file->Exists());
  file->OpenFile(name, 3, 0);
  EXPECT_TRUE(file->Exists());
  file->DeleteFile();
  EXPECT_FALSE(file->IsOpen());
  EXPECT_FALSE(fs::exists(name));
  file->DeleteFile();  // already gone: nothing to do

  auto folder = AdvNew<TAdvFile>(m_folder);
  EXPECT_FALSE(folder->Exists());

  file->OpenFile(name, 3, 0);
  file->SetFileName(Path("other.txt"));
  EXPECT_FALSE(file->IsOpen());
  EXPECT_EQ(file->FileName(), Path("other.txt"));
}

// Two handles of one process meet each other's sharing exactly as two
// processes do (the locks belong to the open file, not the process).
struct TShareCase {
  int FirstMode, FirstShare, SecondMode, SecondShare;
  bool SecondOpens;
};

TEST_F(AdvFileTest, SharingAdmitsOrRefusesASecondOpenAtOnce) {
  const TShareCase cases[] = {
      {0, 3, 1, 3, true},   // a log being read, its writer appends
      {1, 3, 0, 3, true},   // a log being written, the monitor reads it
      {0, 3, 3, 0, true},   // a reader holds nothing: a save is not blocked
      {3, 3, 0, 3, true},   // an export shared with readers
      {3, 0, 0, 3, false},  // a save refuses readers ...
      {3, 0, 3, 0, false},  // ... and a second save
      {0, 0, 0, 3, false},  // an exclusive reader refuses everyone
      {2, 1, 3, 0, false},  // a partly shared open keeps exclusive opens out
      {2, 1, 0, 3, true},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE("case " + std::to_string(n));
    const std::string name = Path("share" + std::to_string(n++));
    vexatest::WriteFileText(name, "keep");
    auto first = Open(name, c.FirstMode, c.FirstShare);
    auto second = AdvNew<TAdvFile>();
    const std::string error =
        FileError([&] { second->OpenFile(name, c.SecondMode, c.SecondShare); });
    if (c.SecondOpens) {
      EXPECT_EQ(error, "");
    } else {
      EXPECT_EQ(error,
                "(TAdvFile.Open): Unable to open file [11: The file is in use by another "
                "process]: '" +
                    name + "'");
      EXPECT_FALSE(second->IsOpen());
      if (c.FirstMode != 3) {
        EXPECT_EQ(vexatest::ReadFileText(name), "keep") << "a refused open emptied the file";
      }
    }
  }
}

// The same rules seen from another process, through the flock(1) utility.
TEST_F(AdvFileTest, OtherProcessesSeeTheSharingLocks) {
  if (std::system("flock --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no flock utility";
  const std::string name = Path("shared.log");
  vexatest::WriteFileText(name, "x");
  const auto otherProcessLocks = [&](const char* kind) {
    return std::system(
               ("flock --nonblock " + std::string(kind) + " '" + name + "' true").c_str()) == 0;
  };
  {
    auto reader = Open(name, 0, 3);
    EXPECT_TRUE(otherProcessLocks("--exclusive")) << "a log reader must never block its writer";
  }
  {
    auto saver = Open(name, 3, 0);
    EXPECT_FALSE(otherProcessLocks("--shared"));
  }
  {
    auto partly = Open(name, 2, 1);
    EXPECT_TRUE(otherProcessLocks("--shared"));
    EXPECT_FALSE(otherProcessLocks("--exclusive"));
  }
  EXPECT_TRUE(otherProcessLocks("--exclusive")) << "closing releases every lock";
}

TEST_F(AdvFileTest, RefusedSaveDoesNotEmptyTheFileBeingWritten) {
  const std::string name = Path("saving.txt");
  auto first = Open(name, 3, 0);
  first->Write("written", 7);
  EXPECT_NE(FileError([&] { Open(name, 3, 0); }), "");
  EXPECT_EQ(vexatest::ReadFileText(name), "written");
  first->CloseFile();
  EXPECT_EQ(FileError([&] { Open(name, 3, 0); }), "") << "closing releases the lock";
}

TEST_F(AdvFileTest, ReaderFollowsAConcurrentAppender) {
  const std::string name = Path("access.log");
  vexatest::WriteFileText(name, "line 1\n");
  auto reader = Open(name, 0, 3);
  auto writer = Open(name, 1, 3);
  writer->SeekToEnd();

  char buffer[32];
  reader->Read(buffer, 7);
  EXPECT_EQ(reader->Readable(), 0);
  for (int i = 2; i <= 4; ++i) {
    const std::string line = "line " + std::to_string(i) + "\n";
    writer->Write(line.data(), uint32_t(line.size()));
    ASSERT_EQ(reader->Readable(), 7);
    reader->Read(buffer, 7);
    EXPECT_EQ(std::string(buffer, 7), line);
  }
  // The log's writer may replace the file while the reader keeps the old one.
  const auto before = reader->Identity();
  EXPECT_EQ(before, writer->Identity());
  fs::rename(name, name + ".1");
  vexatest::WriteFileText(name, "new\n");
  auto reopened = Open(name, 0, 3);
  EXPECT_FALSE(reopened->Identity() == before);
}

TEST_F(AdvFileTest, LockedRegionsRefuseOtherHandles) {
  const std::string name = Path("locks.bin");
  vexatest::WriteFileText(name, std::string(100, 'x'));
  auto a = Open(name, 2, 3);
  auto b = Open(name, 2, 3);
  a->Lock(0, 10);
  EXPECT_EQ(FileError([&] { b->Lock(5, 10); }),
            "(TAdvFile.Lock): Unable to lock the specified region [11: The file is in use by "
            "another process]: '" +
                name + "'");
  b->Lock(20, 5);
  a->Unlock(0, 10);
  b->Lock(5, 10);
  EXPECT_NE(FileError([&] { b->Lock(-1, 10); }), "");
  b->CloseFile();
  a->Lock(5, 10);  // closing b released its regions
}

TEST_F(AdvFileTest, ModifiedTimeIsALocalDateTime) {
  const std::string name = Path("dated.txt");
  vexatest::WriteFileText(name, "x");
  // 2024-01-15 12:00:00 UTC is date-time 45306.5 in UTC.
  const auto stamp = std::chrono::sys_seconds(std::chrono::seconds(1705320000));
  fs::last_write_time(name, std::chrono::file_clock::from_sys(stamp));
  auto file = Open(name, 0, 3);
  {
    vexatest::ScopedTimeZone zone("UTC");
    EXPECT_DOUBLE_EQ(file->ModifiedTime(), 45306.5);
  }
  {
    vexatest::ScopedTimeZone zone("EST5");  // five hours behind UTC, no summer time
    EXPECT_NEAR(file->ModifiedTime(), 45306.5 - 5.0 / 24, 1e-9);
  }
}

// ---------------------------------------------------------------------------
// Atomic saves

TEST_F(AdvFileTest, AtomicSaveReplacesTheFileOnlyWhenComplete) {
  const std::string name = Path("Default.Users");
  vexatest::WriteFileText(name, "old contents");
  fs::permissions(name, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);

  const std::string big(200000, 'n');
  AdvSaveFileAtomically(name, [&](TAdvStream& stream) {
    EXPECT_EQ(vexatest::ReadFileText(name), "old contents")
        << "the old file is untouched while writing";
    stream.Write(big.data(), 5);
    stream.Write(big.data(), uint32_t(big.size()));
  });
  EXPECT_EQ(vexatest::ReadFileText(name), big.substr(0, 5) + big);
  EXPECT_FALSE(fs::exists(TAdvAtomicFile::TemporaryNameFor(name)));
  EXPECT_EQ(fs::status(name).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(AdvFileTest, AtomicSaveThatFailsMidwayLeavesTheOldFile) {
  const std::string name = Path("Default.Inputs");
  vexatest::WriteFileText(name, "old contents");
  const std::string chunk(10000, 'z');
  EXPECT_THROW(AdvSaveFileAtomically(name,
                                     [&](TAdvStream& stream) {
                                       // Enough to pass the cache into the file.
                                       for (int i = 0; i < 20; ++i)
                                         stream.Write(chunk.data(), uint32_t(chunk.size()));
                                       throw EAdvFiler("disk full");
                                     }),
               EAdvFiler);
  EXPECT_EQ(vexatest::ReadFileText(name), "old contents");
  EXPECT_FALSE(fs::exists(TAdvAtomicFile::TemporaryNameFor(name)));

  // A save to a folder that does not exist fails cleanly too.
  EXPECT_THROW(AdvSaveFileAtomically(Path("no/such/folder/x"), [](TAdvStream&) {}), EAdvFile);
}

TEST_F(AdvFileTest, SecondSaveOfTheSameFileIsRefusedWhileOneIsInProgress) {
  const std::string name = Path("Default.Loaders");
  vexatest::WriteFileText(name, "old");
  auto first = AdvNew<TAdvAtomicFile>(name);
  first->Write("first", 5);
  EXPECT_NE(FileError([&] {
              AdvSaveFileAtomically(name, [](TAdvStream& s) { s.Write("2", 1); });
            }).find("in use by another process"),
            std::string::npos);
  first->Commit();
  EXPECT_EQ(vexatest::ReadFileText(name), "first");
  EXPECT_EQ(first->FileName(), name);

  // Abandoning, explicitly or by letting go, deletes only the temporary file.
  first->Begin(name);
  first->Write("lost", 4);
  first->Abandon();
  {
    auto dropped = AdvNew<TAdvAtomicFile>(name);
    dropped->Write("lost", 4);
  }
  EXPECT_EQ(vexatest::ReadFileText(name), "first");
  EXPECT_FALSE(fs::exists(TAdvAtomicFile::TemporaryNameFor(name)));
  EXPECT_THROW(first->Commit(), EAdvFile);  // nothing in progress
}

TEST_F(AdvFileTest, FileThatFailedToLoadIsKeptAsBad) {
  const std::string name = Path("Default.Triggers");
  EXPECT_EQ(AdvKeepFileAsBad(name), "");
  vexatest::WriteFileText(name, "<broken");
  EXPECT_EQ(AdvKeepFileAsBad(name), name + ".bad");
  EXPECT_FALSE(fs::exists(name));
  EXPECT_EQ(vexatest::ReadFileText(name + ".bad"), "<broken");
  vexatest::WriteFileText(name, "<broken again");
  AdvKeepFileAsBad(name);
  EXPECT_EQ(vexatest::ReadFileText(name + ".bad"), "<broken again");
}

}  // namespace
