#include "classify/SharedFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "classify/Aliases.h"
#include "classify/ClassifyClasses.h"
#include "classify/Profiles.h"
#include "core/AdvFactories.h"
#include "platform/Processes.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

namespace fs = std::filesystem;

// One program's side: its tables and its shared-files object.
struct TProgram {
  TAdvRef<TAliases> Users = AdvNew<TAliases>();
  TAdvRef<TSitenames> Sites = AdvNew<TSitenames>();
  TAdvRef<TFileTypes> Files = AdvNew<TFileTypes>();
  TAdvRef<TDepartments> Departments = AdvNew<TDepartments>();
  TAdvRef<TProfiles> Profiles = AdvNew<TProfiles>();
  TAdvRef<THosts> Hosts = AdvNew<THosts>();
  TAdvRef<TSharedFiles> Shared;
  bool Sync = true;
  int AliasSaves = 0;
  int Refreshes = 0;

  TProgram(const std::string& sharedFolder, const std::string& messageFolder) {
    Shared = AdvNew<TSharedFiles>(sharedFolder);
    Shared->SetMessageFolder(messageFolder);
    Hosts->SetSources(Users.Get(), Sites.Get());
    TSharedTables tables;
    tables.Users = Users.Get();
    tables.Sites = Sites.Get();
    tables.FileTypes = Files.Get();
    tables.Departments = Departments.Get();
    tables.Profiles = Profiles.Get();
    tables.Hosts = Hosts.Get();
    tables.Refresh = [this] { ++Refreshes; };
    Shared->ConnectTables(tables);
    Shared->SyncEnabled = [this] { return Sync; };
    auto save = Shared->SaveSharedAliases;
    Shared->SaveSharedAliases = [this, save] {
      ++AliasSaves;
      save();
    };
    Shared->CreateWindow();
  }

  // Dispatches messages until `done` holds or the time runs out.
  bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      Shared->DispatchMessages(50);
    }
    return true;
  }
};

class SharedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCoreClasses();
    RegisterClassifyClasses();
    m_shared = vexatest::MakeTempFolder("shared") + "/Varnex/Shared Files/";
    m_messages = vexatest::MakeTempFolder("run") + "/windows";
  }

  std::string m_shared;
  std::string m_messages;
};

TEST_F(SharedFilesTest, NamesItsFolderAndFiles) {
  TAdvRef<TSharedFiles> shared = AdvNew<TSharedFiles>();
  EXPECT_EQ(shared->Folder(), vexatest::IsolatedHome() + "/.config/Varnex/Shared Files/");
  EXPECT_TRUE(fs::is_directory(shared->Folder()));
  EXPECT_EQ(shared->WindowClassName(), "Varnex Shared Data Window");
  EXPECT_EQ(shared->MessageFolder(), vexatest::IsolatedHome() + "/run/Varnex-Shared-Data-Window");
  EXPECT_EQ(shared->FileOf("users"), shared->Folder() + "Shared.Usernames");
  EXPECT_EQ(shared->FileOf("Sites"), shared->Folder() + "Shared.Sitenames");
  EXPECT_EQ(shared->FileOf("Files"), shared->Folder() + "Shared.Filetypes");
  EXPECT_EQ(shared->FileOf("Departments"), shared->Folder() + "Shared.Departments");
  EXPECT_EQ(shared->FileOf("Profiles"), shared->Folder() + "Shared.Profiles");
  EXPECT_THROW(shared->FileOf("Triggers"), EAdvanced);
}

TEST_F(SharedFilesTest, SuspendCountNeverGoesBelowZero) {
  TAdvRef<TSharedFiles> shared = AdvNew<TSharedFiles>(m_shared);
  shared->Suspend(false);
  EXPECT_FALSE(shared->IsSuspended());
  shared->Suspend(true);
  shared->Suspend(true);
  shared->Suspend(false);
  EXPECT_TRUE(shared->IsSuspended());
  shared->Suspend(false);
  shared->Suspend(false);
  EXPECT_EQ(shared->SuspendCount(), 0);
}

TEST_F(SharedFilesTest, WithSyncOffNothingIsWrittenOrRead) {
  TProgram program(m_shared, m_messages);
  program.Sync = false;
  EXPECT_TRUE(fs::is_directory(m_shared));
  program.Users->AddAlias("Jane");
  program.Shared->ProfilesChanged();
  program.Shared->AliasesArrived();
  EXPECT_TRUE(fs::is_empty(m_shared));
  EXPECT_EQ(program.Refreshes, 0);
}

TEST_F(SharedFilesTest, AChangeReachesTheOtherProgramWithoutEcho) {
  TProgram a(m_shared, m_messages);
  TProgram b(m_shared, m_messages);
  b.Shared->Suspend(true);  // b loads its own files
  b.Sites->FindOrAddAlias("Servers")->Add("10.1.*");
  b.Shared->Suspend(false);

  a.Users->BeginChanges();
  a.Users->FindOrAddAlias("Jane")->Add("jdoe");
  a.Users->EndChanges();
  EXPECT_EQ(a.AliasSaves, 1);
  for (const char* key : {"Users", "Sites", "Files", "Departments"})
    EXPECT_TRUE(fs::exists(a.Shared->FileOf(key))) << key;
  EXPECT_FALSE(fs::exists(a.Shared->FileOf("Profiles")));

  EXPECT_EQ(a.Shared->DispatchMessages(0), 0);  // a's own window hears nothing of it
  ASSERT_TRUE(b.WaitFor([&] { return b.Users->HasAlias("Jane"); }));
  EXPECT_EQ(b.Sites->Count(), 0);              // the shared copy replaced b's own
  EXPECT_EQ(b.Hosts->Lookup("jdoe"), "Jane");  // and the combined index was rebuilt
  EXPECT_EQ(b.AliasSaves, 0);                  // loading did not write back
  EXPECT_GE(b.Refreshes, 1);
  EXPECT_FALSE(b.Shared->IsSuspended());
  EXPECT_EQ(a.Shared->DispatchMessages(100), 0);  // and nothing came back

  a.Profiles->IncludeKeyword("Games", "chess");
  ASSERT_TRUE(b.WaitFor([&] { return b.Profiles->ProfileByName("Games") != nullptr; }));
  EXPECT_EQ(b.Profiles->Classify("chess.example"), "Games");
}

TEST_F(SharedFilesTest, ANotificationIsIgnoredWhileATableIsEdited) {
  TProgram a(m_shared, m_messages);
  TProgram b(m_shared, m_messages);
  b.Shared->Suspend(true);
  b.Users->FindOrAddAlias("Mine");
  b.Shared->Suspend(false);
  b.Departments->SetEditing(true);
  a.Users->AddAlias("Jane");
  EXPECT_EQ(b.Shared->DispatchMessages(2000), 1);
  EXPECT_FALSE(b.Users->HasAlias("Jane"));
  EXPECT_TRUE(b.Users->HasAlias("Mine"));
  b.Departments->SetEditing(false);
  b.Shared->AliasesArrived();  // the next notification, or start-up
  EXPECT_TRUE(b.Users->HasAlias("Jane"));
}

TEST_F(SharedFilesTest, StartingWithoutSharedFilesKeepsTheOwnTables) {
  TProgram program(m_shared, m_messages);
  program.Shared->Suspend(true);  // loading the program's own files
  program.Users->AddAlias("Own");
  program.Profiles->IncludeKeyword("Own", "own");
  program.Shared->Suspend(false);
  EXPECT_TRUE(fs::is_empty(m_shared));
  program.Shared->AliasesArrived();
  program.Shared->ProfilesArrived();
  EXPECT_TRUE(program.Users->HasAlias("Own"));
  EXPECT_EQ(program.Profiles->Count(), 1);
  EXPECT_EQ(program.Refreshes, 2);
}

TEST_F(SharedFilesTest, SavingTheConfigurationRewritesAllFiveFiles) {
  TProgram program(m_shared, m_messages);
  program.Shared->AliasesChanged();
  program.Shared->ProfilesChanged();
  for (const char* key : {"Users", "Sites", "Files", "Departments", "Profiles"})
    EXPECT_TRUE(fs::exists(program.Shared->FileOf(key))) << key;
  // Only complete files are ever there: no temporary file is left behind.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(m_shared)) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    ++files;
  }
  EXPECT_EQ(files, 5);
}

TEST_F(SharedFilesTest, WriteErrorsReachTheCallerAndTheCountIsRestored) {
  TProgram program(m_shared, m_messages);
  program.Shared->SaveSharedProfiles = [] { throw EAdvanced("disk full"); };
  EXPECT_THROW(program.Profiles->IncludeKeyword("Games", "chess"), EAdvanced);
  EXPECT_FALSE(program.Shared->IsSuspended());
}

TEST_F(SharedFilesTest, ADamagedSharedFileEndsTheReloadQuietly) {
  TProgram a(m_shared, m_messages);
  a.Users->AddAlias("Jane");
  a.Sites->AddAlias("Servers");
  a.Files->AddAlias("Images");
  TProgram b(m_shared, m_messages);
  b.Shared->Suspend(true);  // b's own tables, not written to the shared files
  b.Files->AddAlias("Own files");
  b.Profiles->IncludeKeyword("Own", "own");
  b.Shared->Suspend(false);
  vexatest::WriteFileText(a.Shared->FileOf("Sites"), "<object classname=\"TSitenames\">");
  b.Shared->AliasesArrived();
  EXPECT_TRUE(b.Users->HasAlias("Jane"));       // read before the damaged file
  EXPECT_TRUE(b.Files->HasAlias("Own files"));  // after it: as it was
  vexatest::WriteFileText(a.Shared->FileOf("Profiles"), "garbage");
  b.Shared->ProfilesArrived();
  EXPECT_EQ(b.Profiles->Count(), 1);
}

// The other program of the two-process test: run as a child of the test
// binary itself (see below); skipped in a normal run.
TEST(SharedFilesChild, RunsAsTheOtherProgram) {
  const char* shared = std::getenv("VEXA_SHARED_CHILD_FILES");
  const char* messages = std::getenv("VEXA_SHARED_CHILD_WINDOWS");
  if (!shared || !messages) GTEST_SKIP() << "runs only as the child of TwoProcessesShareTables";
  RegisterCoreClasses();
  RegisterClassifyClasses();
  TProgram child(shared, messages);
  ASSERT_TRUE(child.WaitFor([&] { return child.Users->HasAlias("From parent"); }));
  EXPECT_EQ(child.AliasSaves, 0);  // receiving wrote nothing back
  child.Users->BeginChanges();
  child.Users->FindOrAddAlias("From child")->Add("child-pc");
  child.Users->EndChanges();
  child.Profiles->IncludeKeyword("Child category", "childish");
}

TEST_F(SharedFilesTest, TwoProcessesShareTables) {
  TProgram parent(m_shared, m_messages);
  parent.Users->FindOrAddAlias("Own")->Add("own-pc");
  EXPECT_FALSE(parent.Shared->FindExisting());

  const std::string self = fs::read_symlink("/proc/self/exe").string();
  vexatest::ScopedEnv files("VEXA_SHARED_CHILD_FILES", m_shared.c_str());
  vexatest::ScopedEnv windows("VEXA_SHARED_CHILD_WINDOWS", m_messages.c_str());
  std::string error;
  const int32_t pid = platform::StartProcess(
      {self, "--gtest_filter=SharedFilesChild.RunsAsTheOtherProgram"}, &error);
  ASSERT_GT(pid, 0) << error;

  // Up once its window is there; a child that ends early is collected.
  bool childUp = false;
  int code = platform::kProcessStillRunning;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!childUp && std::chrono::steady_clock::now() < end) {
    code = platform::WaitForProcess(pid, 10);
    if (code != platform::kProcessStillRunning) break;
    childUp = parent.Shared->FindExisting();
  }
  if (childUp) {
    parent.Users->BeginChanges();
    parent.Users->FindOrAddAlias("From parent")->Add("parent-pc");
    parent.Users->EndChanges();
    EXPECT_TRUE(parent.WaitFor([&] {
      return parent.Users->HasAlias("From child") &&
             parent.Profiles->ProfileByName("Child category") != nullptr;
    }));
  }
  if (code == platform::kProcessStillRunning) code = platform::WaitForProcess(pid, 30000);
  ASSERT_TRUE(childUp);
  EXPECT_EQ(code, 0);
  // The child's tables, which started empty, took the parent's and added
  // its own; the parent now has them all.
  EXPECT_TRUE(parent.Users->HasAlias("Own"));
  EXPECT_TRUE(parent.Users->HasAlias("From parent"));
  EXPECT_EQ(parent.Hosts->Lookup("child-pc"), "From child");
  EXPECT_EQ(parent.Profiles->Classify("www.childish.example"), "Child category");
  EXPECT_EQ(parent.AliasSaves, 2);  // its own two changes, nothing for what arrived
}

}  // namespace
