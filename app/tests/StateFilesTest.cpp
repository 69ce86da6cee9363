#include "app/StateFiles.h"

#include <gtest/gtest.h>

#include "app/Vexas.h"
#include "core/AdvPaths.h"
#include "monitor/LoaderLibraries.h"
#include "monitor/MonitorFolders.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

TAdvRef<TMonitorFolder> MakeInput(TLoaderClasses& loaders, const std::string& folder,
                                  const char* loader, const std::string& timezone) {
  TAdvRef<TMonitorFolder> input = AdvNew<TMonitorFolder>();
  input->SetFolder(new TFolder(folder));
  TAdvRef<TLoader> made = AdvCreate<TLoader>(loaders.GetByName(loader));
  made->SetTimezone(timezone);
  input->SetLoader(made.Detach());
  return input;
}

class AppStateFilesTest : public testing::Test {
 protected:
  // The loader module beside the test program; everything made of its
  // classes goes before it is unloaded (the members below outlive the test
  // body's objects).
  void SetUp() override {
    RegisterVexaClasses();
    std::vector<std::string> problems;
    m_libraries->LoadFolder(LoaderFolder(), problems);
    m_libraries->RegisterClasses(*m_loaders);
    ASSERT_GE(m_loaders->IndexOfName("Squid"), 0)
        << "loader module not found in " << LoaderFolder();
    m_folder = vexatest::MakeTempFolder("state") + "/";
  }
  TAdvRef<TMonitorFolder> Input(const std::string& folder, const char* loader,
                                const std::string& timezone) {
    return MakeInput(*m_loaders, folder, loader, timezone);
  }
  TAdvRef<TLoaderLibraries> m_libraries = AdvNew<TLoaderLibraries>();
  TAdvRef<TLoaderClasses> m_loaders = AdvNew<TLoaderClasses>();
  TAdvRef<TMonitorFolders> Two(const char* secondLoader, const std::string& zone) {
    TAdvRef<TMonitorFolders> inputs = AdvNew<TMonitorFolders>();
    inputs->Add(Input(m_folder + "a", "Squid", zone).Detach());
    inputs->Add(Input(m_folder + "b", secondLoader, zone).Detach());
    return inputs;
  }
  std::string m_folder;
};

TEST_F(AppStateFilesTest, InputsAndTheirLoadersSettingsComeBackInOrder) {
  TAdvRef<TMonitorFolders> saved = Two("NCSA", "+0200");
  SaveInputsFile(*saved, m_folder + "Default.Inputs");
  SaveLoadersFile(*saved, m_folder + "Default.Loaders");

  TAdvRef<TMonitorFolders> restored = AdvNew<TMonitorFolders>();
  EXPECT_EQ(LoadInputsFile(*restored, m_folder + "Default.Inputs"), "");
  ASSERT_EQ(restored->Count(), 2);
  EXPECT_EQ(restored->Input(0)->Folder().Name(), m_folder + "a/");
  EXPECT_EQ(restored->Input(1)->Loader()->Name(), "NCSA");
  EXPECT_EQ(restored->Input(1)->Loader()->Timezone(), "");  // made fresh by the input
  EXPECT_EQ(LoadLoadersFile(*restored, m_folder + "Default.Loaders"), "");
  EXPECT_EQ(restored->Input(0)->Loader()->Timezone(), "+0200");
  EXPECT_EQ(restored->Input(1)->Loader()->Timezone(), "+0200");
}

TEST_F(AppStateFilesTest, ALoadersFileForAnotherListIsIgnored) {
  TAdvRef<TMonitorFolders> saved = Two("NCSA", "+0200");
  SaveLoadersFile(*saved, m_folder + "Default.Loaders");
  // Three inputs now: the counts differ, nothing is read.
  TAdvRef<TMonitorFolders> three = Two("NCSA", "");
  three->Add(Input(m_folder + "c", "Squid", "").Detach());
  EXPECT_EQ(LoadLoadersFile(*three, m_folder + "Default.Loaders"), "");
  EXPECT_EQ(three->Input(0)->Loader()->Timezone(), "");
  // Same count, but the second input's loader is of another class: the
  // first is read, the rest abandoned.
  TAdvRef<TMonitorFolders> other = Two("W3C", "");
  EXPECT_EQ(LoadLoadersFile(*other, m_folder + "Default.Loaders"), "");
  EXPECT_EQ(other->Input(0)->Loader()->Timezone(), "+0200");
  EXPECT_EQ(other->Input(1)->Loader()->Timezone(), "");
  EXPECT_TRUE(FileExists(m_folder + "Default.Loaders"));
}

TEST_F(AppStateFilesTest, DamagedFilesChangeNothingAndAreKeptAsBad) {
  TAdvRef<TMonitorFolders> live = Two("NCSA", "");
  vexatest::WriteFileText(m_folder + "Default.Inputs", "garbage");
  EXPECT_NE(LoadInputsFile(*live, m_folder + "Default.Inputs"), "");
  EXPECT_EQ(live->Count(), 2);
  EXPECT_EQ(vexatest::ReadFileText(m_folder + "Default.Inputs.bad"), "garbage");
  EXPECT_FALSE(FileExists(m_folder + "Default.Inputs"));

  vexatest::WriteFileText(m_folder + "Default.Loaders", std::string("\x02\0\0\0junk", 8));
  EXPECT_NE(LoadLoadersFile(*live, m_folder + "Default.Loaders"), "");
  EXPECT_TRUE(FileExists(m_folder + "Default.Loaders.bad"));
  // A missing file is no error.
  EXPECT_EQ(LoadInputsFile(*live, m_folder + "none"), "");
  EXPECT_EQ(LoadLoadersFile(*live, m_folder + "none"), "");
}

}  // namespace
