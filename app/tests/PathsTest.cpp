#include "app/Paths.h"

#include <gtest/gtest.h>

#include "core/AdvFactories.h"
#include "core/AdvPaths.h"
#include "core/AdvXMLFilers.h"
#include "testing/TestEnvironment.h"

namespace {

class AppPathsTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterCoreClasses();
    AdvFactory().Register(&TPaths::ClassInfo);
  }
};

TEST_F(AppPathsTest, KeepsFoldersWithOneTrailingDelimiterAndFindsNamesIgnoringCase) {
  TAdvRef<TPaths> paths = AdvNew<TPaths>();
  paths->SetPath("State", "/tmp/state");
  paths->SetPath("Temp", "/tmp/temp/");
  EXPECT_EQ(paths->Path("state"), "/tmp/state/");
  EXPECT_EQ(paths->Path("TEMP"), "/tmp/temp/");
  EXPECT_EQ(paths->FileIn("State", "Default.Users"), "/tmp/state/Default.Users");
  EXPECT_EQ(paths->Path("Help"), "");
}

TEST_F(AppPathsTest, ForceMakesTheFolderAndRefusesAnUnnamedOne) {
  TAdvRef<TPaths> paths = AdvNew<TPaths>();
  const std::string folder = vexatest::MakeTempFolder("paths") + "/a/b/c";
  paths->SetPath("Triggers", folder);
  EXPECT_TRUE(paths->Force("Triggers"));
  EXPECT_TRUE(FolderExists(folder));
  try {
    paths->Force("Sounds");
    FAIL() << "no error";
  } catch (const EPaths& e) {
    EXPECT_EQ(e.Message(), "(TPaths.Force): Path for 'Sounds' is ''");
  }
}

TEST_F(AppPathsTest, LoadingKeepsTheNamesTheFileLacks) {
  const std::string file = vexatest::MakeTempFolder("paths") + "/paths.xml";
  TAdvRef<TPaths> stored = AdvNew<TPaths>();
  stored->SetPath("Triggers", "/stored/triggers");
  stored->SaveToFile(file, &TAdvXMLWriter::ClassInfo);

  TAdvRef<TPaths> live = AdvNew<TPaths>();
  live->SetPath("Triggers", "/live/triggers");
  live->SetPath("Sounds", "/live/sounds");
  live->LoadFromFile(file, &TAdvXMLReader::ClassInfo);
  EXPECT_EQ(live->Path("Triggers"), "/stored/triggers/");
  EXPECT_EQ(live->Path("Sounds"), "/live/sounds/");
  EXPECT_EQ(live->Count(), 2);
}

}  // namespace
