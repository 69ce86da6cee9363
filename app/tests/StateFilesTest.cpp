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

TEST_F(AppStateFilesTest, InputsComeBackInOrderWithTheirLoaders) {
  TAdvRef<TMonitorFolders> saved = Two("NCSA", "+0200");
  SaveInputsFile(*saved, m_folder + "Default.Inputs");
  TAdvRef<TMonitorFolders> restored = AdvNew<TMonitorFolders>();
  EXPECT_EQ(LoadInputsFile(*restored, m_folder + "Default.Inputs"), "");
  ASSERT_EQ(restored->Count(), 2);
  EXPECT_EQ(restored->Input(0)->Folder().Name(), m_folder + "a/");
  EXPECT_EQ(restored->Input(0)->Loader()->Name(), "Squid");
  EXPECT_EQ(restored->Input(1)->Loader()->Name(), "NCSA");
}

TEST_F(AppStateFilesTest, ADamagedInputsFileChangesNothingAndIsKeptAsBad) {
  TAdvRef<TMonitorFolders> live = Two("NCSA", "");
  vexatest::WriteFileText(m_folder + "Default.Inputs", "garbage");
  EXPECT_NE(LoadInputsFile(*live, m_folder + "Default.Inputs"), "");
  EXPECT_EQ(live->Count(), 2);
  EXPECT_EQ(vexatest::ReadFileText(m_folder + "Default.Inputs.bad"), "garbage");
  EXPECT_FALSE(FileExists(m_folder + "Default.Inputs"));
  // A missing file is no error.
  EXPECT_EQ(LoadInputsFile(*live, m_folder + "none"), "");
}

}  // namespace
