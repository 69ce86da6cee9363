#include "monitor/Inputs.h"

#include <gtest/gtest.h>

#include <string>

#include "core/AdvMemories.h"
#include "monitor/MonitorFolders.h"

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

}  // namespace
