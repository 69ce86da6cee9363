#include "monitor/Inputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/AdvMemories.h"
#include "monitor/MonitorFolders.h"
#include "platform/Files.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

TEST(InputLists, HoldOnlyTheirKindAndSurviveSaving) {
  RegisterMonitorFolderClasses();
  auto files = AdvNew<TFiles>();
  files->Add(new TFile("/logs/b.log"));
  files->Add(new TFile("/logs/a.log"));
  files->File(0)->SetIndex(42);
  auto folder = AdvNew<TFolder>("/logs");
  EXPECT_THROW(files->Validate(folder.Get()), EAdvanced);
  EXPECT_NO_THROW(AdvNew<TFolders>()->Validate(folder.Get()));
  EXPECT_THROW(AdvNew<TStreamInputs>()->Validate(folder.Get()), EAdvanced);

  auto memory = AdvNew<TAdvMemory>(4096);
  files->SaveToStream(*memory);
  memory->SetPosition(0);
  auto loaded = AdvNew<TFiles>();
  loaded->LoadFromStream(*memory);
  ASSERT_EQ(loaded->Count(), 2);
  EXPECT_EQ(loaded->File(0)->Name(), "/logs/b.log");
  EXPECT_EQ(loaded->File(0)->Index(), 42);
}

// The program never writes a nil input or child; one read back (a damaged
// state file) refuses the file instead of crashing the first walk over it.
TEST(InputLists, NilEntriesRefuseTheStateFile) {
  RegisterMonitorFolderClasses();
  auto expectRefused = [](TMonitorFolders& inputs, const char* message) {
    auto memory = AdvNew<TAdvMemory>(8192);
    inputs.SaveToStream(*memory);
    memory->SetPosition(0);
    auto loaded = AdvNew<TMonitorFolders>();
    try {
      loaded->LoadFromStream(*memory);
      ADD_FAILURE() << "loaded: " << message;
    } catch (const EAdvFiler& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  };
  auto inputs = AdvNew<TMonitorFolders>();
  auto input = AdvNew<TMonitorFolder>();
  input->SetFolder(new TFolder("/logs"));
  input->Folder().Inputs().Insert(0, nullptr);
  inputs->Add(input.Detach());
  expectRefused(*inputs, "Entry 0 of Inputs is nil where TInput is required");
  inputs->Input(0)->Folder().Inputs().Clear();
  inputs->Insert(1, nullptr);
  expectRefused(*inputs, "Entry 1 of the inputs is nil where TMonitorFolder is required");
  inputs->DeleteByIndex(1);
}

TEST(InputTree, RewindReadsEverythingAgain) {
  auto root = AdvNew<TFolder>("/logs");
  auto* file = static_cast<TFile*>(root->AddChild(new TFile("/logs/a.log")));
  file->SetCount(100);
  file->SetIndex(80);
  file->SetUsedSize(70);
  file->AddHits(5);
  file->Issues().AddIssue("Bad record", kIssueFormat, 10, 20);
  root->Rewind();
  EXPECT_EQ(file->Index(), 0);
  EXPECT_EQ(file->UsedSize(), 0);
  EXPECT_EQ(file->HitCount(), 0u);
  EXPECT_EQ(file->Issues().Count(), 0);
  EXPECT_EQ(root->Progress(), 0.0);
}

// A file listed but not read yet is copied away, truncated and written again,
// longer than before, before its first open: the open leaves it to the next
// listing (which finds the copy) instead of reading the new lines first.
TEST(InputTree, ContentReplacedBeforeItsFirstReadWaitsForTheListing) {
  const std::string path = vexatest::MakeTempFolder("first");
  auto folder = AdvNew<TFolder>(path);
  folder->SetSearch(true);
  vexatest::WriteFileText(path + "/a.log", "one\ntwo\n");
  ASSERT_TRUE(folder->List());
  auto* file = AdvCast<TFile>(folder->Inputs().Input(0));
  ASSERT_TRUE(file);
  vexatest::WriteFileText(path + "/a.log", "three\nfour\n");
  file->OpenInput();
  EXPECT_TRUE(file->ChangedSinceListing());
  file->CloseInput();
}

// ---------------------------------------------------------------------------
// The stored layout of a folder. Its departed states (files that left the
// listing, kept so that the same content found again goes on from where it
// was read to) were added after the other fields; a folder without any is
// stored as before.

// "/logs/" searching "*.log", holding "/logs/a.log" (index 42, count 50,
// used 40, device 7, inode 99), as stored before departed states were.
constexpr char kStoredBefore[] =
    "\x07\x07TFolder\x08"                                           // object, begin
    "\x03\x06\0\0\0/logs/\x01\x01\x04\0\0\0\0\0\0\0\0\x02\0\0\0\0"  // name, enabled, checked, hits
    "\x07\x0cTInputIssues\x08\x09"                                  // no issues
    "\x07\x0aTContained\x08"                                        // children
    "\x08\x07\x05TFile\x08"                                         // item: a file
    "\x03\x0b\0\0\0/logs/a.log\x01\x01\x04\0\0\0\0\0\0\0\0\x02\0\0\0\0"
    "\x07\x0cTInputIssues\x08\x09"
    "\x0b\x2a\0\0\0\0\0\0\0\x0b\x32\0\0\0\0\0\0\0\x0b\x28\0\0\0\0\0\0\0"  // index, count, used
    "\x04\0\0\0\0\0\0\0\0"                                                // modified
    "\x0b\x07\0\0\0\0\0\0\0\x0b\x63\0\0\0\0\0\0\0"                        // device, inode
    "\x02\0\0\0\0\x0b\0\0\0\0\0\0\0\0"                                    // no fingerprint
    "\x09\x09\x09"              // file, item, children end
    "\x01\x00\x01\x01\x01\x01"  // collapsed, search, recurse
    "\x03\x05\0\0\0*.log\x09";  // mask, end

std::string Saved(TAdvPersistent& object) {
  auto memory = AdvNew<TAdvMemory>(4096);
  object.SaveToStream(*memory);
  std::string bytes(size_t(memory->GetSize()), '\0');
  memory->SetPosition(0);
  memory->Read(bytes.data(), uint32_t(bytes.size()));
  return bytes;
}

TAdvRef<TFolder> Loaded(const std::string& bytes) {
  auto memory = AdvNew<TAdvMemory>(4096);
  memory->Write(bytes.data(), uint32_t(bytes.size()));
  memory->SetPosition(0);
  auto folder = AdvNew<TFolder>();
  folder->LoadFromStream(*memory);
  return folder;
}

// Tagged values as the binary writer stores them.
std::string Tagged(uint8_t kind, uint64_t value, int bytes) {
  std::string text(1, char(kind));
  for (int i = 0; i < bytes; ++i) text += char(uint8_t(value >> (8 * i)));
  return text;
}
std::string Integer(int32_t value) {
  return Tagged(0x02, uint32_t(value), 4);
}
std::string Integer64(int64_t value) {
  return Tagged(0x0b, uint64_t(value), 8);
}

TEST(InputTreeLayout, AFolderStoredBeforeDepartedStatesLoadsAndSavesTheSame) {
  RegisterMonitorFolderClasses();
  const std::string stored(kStoredBefore, sizeof kStoredBefore - 1);
  ASSERT_EQ(stored.size(), 211u);
  TAdvRef<TFolder> folder = Loaded(stored);
  EXPECT_EQ(folder->Name(), "/logs/");
  EXPECT_TRUE(folder->Search());
  EXPECT_EQ(folder->Mask(), "*.log");
  ASSERT_EQ(folder->Inputs().Count(), 1);
  auto* file = AdvCast<TFile>(folder->Inputs().Input(0));
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Index(), 42);
  EXPECT_EQ(file->UsedSize(), 40);
  EXPECT_EQ(file->Inode(), 99u);
  EXPECT_EQ(Saved(*folder), stored);
}

// A folder that saw one file go, after reading 6 of its 10 bytes.
class DepartedLayout : public testing::Test {
 protected:
  void SetUp() override {
    RegisterMonitorFolderClasses();
    const std::string path = vexatest::MakeTempFolder("layout");
    m_folder = AdvNew<TFolder>(path);
    m_folder->SetSearch(true);
    vexatest::WriteFileText(path + "/a.log", "one\ntwo\n3\n");
    ASSERT_TRUE(platform::PathIdentity(path + "/a.log", m_identity));
    ASSERT_TRUE(m_folder->List());
    auto* file = AdvCast<TFile>(m_folder->Inputs().Input(0));
    ASSERT_TRUE(file);
    file->OpenInput();
    file->SetIndex(6);
    file->SetUsedSize(5);
    file->CloseInput();
    std::filesystem::remove(path + "/a.log");
    ASSERT_TRUE(m_folder->List());
    ASSERT_EQ(m_folder->Inputs().Count(), 0);
  }
  // The departed states as stored, then the folder's end marker.
  std::string Tail(int32_t age) const {
    return Integer(1) + '\x08' + Integer(age) + Integer64(int64_t(m_identity.Device)) +
           Integer64(int64_t(m_identity.Inode)) + Integer64(6) + Integer64(10) + Integer64(5) +
           Integer(10) + Integer64(int64_t(FingerprintHash("one\ntwo\n3\n", 10))) + "\x09\x09";
  }
  TAdvRef<TFolder> m_folder;
  platform::TFileIdentity m_identity;
};

TEST_F(DepartedLayout, StatesAreStoredAfterTheFolderAndComeBackWithTheirAge) {
  ASSERT_TRUE(m_folder->List());  // one listing old
  const std::string bytes = Saved(*m_folder);
  const std::string tail = Tail(1);
  ASSERT_GT(bytes.size(), tail.size());
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
  EXPECT_EQ(Saved(*Loaded(bytes)), bytes);
  EXPECT_EQ(Saved(*TAdvRef<TFolder>(static_cast<TFolder*>(m_folder->Clone()))), bytes);
  // The next listing after loading goes on counting.
  TAdvRef<TFolder> loaded = Loaded(bytes);
  ASSERT_TRUE(loaded->List());
  const std::string aged = Saved(*loaded);
  EXPECT_EQ(aged.substr(aged.size() - tail.size()), Tail(2));
}

TEST_F(DepartedLayout, ADamagedStateIsAnErrorOfTheReader) {
  const std::string bytes = Saved(*m_folder);
  const size_t tail = bytes.size() - Tail(0).size();
  struct Case {
    size_t at;  // in the tail
    std::string value;
    const char* error;
  } cases[] = {
      {1, Integer(-1).substr(1), "Departed count -1 is negative"},
      {1, Integer(2).substr(1), "Expected 'Begin', but found 'End'"},
      {7, Integer(65).substr(1), "Departed state's age 65 is out of bounds"},
      {7, Integer(-1).substr(1), "Departed state's age -1 is out of bounds"},
      {20, "\x02", "Expected 'Integer64', but found 'Integer'"},
      {30, Integer64(0).substr(1), "Departed state's index 0 is out of bounds"},
      {39, Integer64(-1).substr(1), "Departed state's size -1 is out of bounds"},
      {48, Integer64(-1).substr(1), "Departed state's used size -1 is out of bounds"},
      {57, Integer(257).substr(1), "Departed state's fingerprint length 257 is out of bounds"},
      {57, Integer(-1).substr(1), "Departed state's fingerprint length -1 is out of bounds"},
      {70, "\x02", "Expected 'End', but found 'Integer'"},
  };
  for (const Case& c : cases) {
    std::string damaged = bytes;
    damaged.replace(tail + c.at, c.value.size(), c.value);
    try {
      Loaded(damaged);
      ADD_FAILURE() << "loaded: " << c.error;
    } catch (const EAdvFiler& error) {
      EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
  }
  EXPECT_THROW(Loaded(bytes.substr(0, bytes.size() - 8)), EAdvanced) << "cut short";
  std::string oldest = bytes;
  oldest.replace(tail + 7, 4, Integer(64).substr(1));
  EXPECT_NO_THROW(Loaded(oldest)) << "age at the listings kept";
}

}  // namespace
