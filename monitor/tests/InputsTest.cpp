#include "monitor/Inputs.h"

#include <gtest/gtest.h>

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
