#include "monitor/LoaderLibraries.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "core/AdvFactories.h"
#include "monitor/tests/PluginFixture.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

using vexatest::Plugins;

TEST(LoaderLibraries, LoadsModulesOfItsCategoryAndSkipsTheOthers) {
  auto& set = Plugins();
  // Line, two twins; the other category is never loaded; the broken module
  // is reported and skipped without stopping the rest.
  ASSERT_EQ(set.Libraries->Count(), 3);
  EXPECT_EQ(std::getenv("VEXA_OTHER_CATEGORY_LOADED"), nullptr);
  ASSERT_EQ(set.Problems.size(), 1u);
  EXPECT_NE(set.Problems[0].find("test_broken.so"), std::string::npos) << set.Problems[0];
  EXPECT_NE(set.Problems[0].find("Unable to open library"), std::string::npos);
  EXPECT_NE(std::getenv("VEXA_TWIN_OPEN_1"), nullptr);
  EXPECT_NE(std::getenv("VEXA_TWIN_OPEN_2"), nullptr);
  for (int i = 1; i < set.Libraries->Count(); ++i)
    EXPECT_LE(set.Libraries->Library(i - 1)->Version(), set.Libraries->Library(i)->Version());
}

TEST(LoaderLibraries, SameClassInTwoModulesFollowsTheHigherVersion) {
  auto& set = Plugins();
  TLoaderClasses& registry = *set.Registry;
  // "Unknown" (the base) first, then by name; both twins are listed.
  ASSERT_EQ(registry.Count(), 4);
  EXPECT_EQ(registry.NameAt(0), "Unknown");
  EXPECT_EQ(registry.NameAt(1), "Line");
  EXPECT_EQ(registry.NameAt(2), "Twin");
  EXPECT_EQ(registry.NameAt(3), "Twin");
  TAdvRef<TLoader> byName = AdvCreate<TLoader>(registry.GetByName("twin"));
  EXPECT_EQ(byName->Description(), "Twin 2");
  TAdvRef<TLoader> stored = AdvCreate<TLoader>(AdvFactory().Lookup("TTwinLoader"));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->Description(), "Twin 2");
  EXPECT_EQ(registry.IndexOfName("Nothing"), -1);
  try {
    registry.GetByName("Nothing");
    FAIL();
  } catch (const ELoader& error) {
    EXPECT_STREQ(error.what(),
                 "(TLoaderClasses.Get): Format 'Nothing' not registered in loader library.");
  }
}

TEST(LoaderLibraries, UnloadCallsClose) {
  Plugins();
  auto libraries = AdvNew<TLoaderLibraries>();
  std::vector<std::string> problems;
  libraries->LoadFolder(vexatest::TestLoaderFolder(), problems);
  libraries->UnloadAll(problems);
  EXPECT_NE(std::getenv("VEXA_TWIN_CLOSE_1"), nullptr);
  EXPECT_NE(std::getenv("VEXA_TWIN_CLOSE_2"), nullptr);
}

TEST(LoaderDeclaration, RefusesDamagedFilesWithoutLoadingThem) {
  std::string folder = vexatest::MakeTempFolder("elf");
  std::array<uint32_t, 4> version{};
  std::string error;
  // Not ELF, an empty file, and a real module cut short at several points.
  vexatest::WriteFileText(folder + "/text.so", "hello");
  EXPECT_FALSE(ReadLoaderDeclaration(folder + "/text.so", kLoaderCategory, version, error));
  vexatest::WriteFileText(folder + "/empty.so", "");
  EXPECT_FALSE(ReadLoaderDeclaration(folder + "/empty.so", kLoaderCategory, version, error));
  std::string good = vexatest::ReadFileText(vexatest::TestLoaderFolder() + "/test_twin_new.so");
  ASSERT_TRUE(ReadLoaderDeclaration(vexatest::TestLoaderFolder() + "/test_twin_new.so",
                                    kLoaderCategory, version, error))
      << error;
  EXPECT_EQ(version, (std::array<uint32_t, 4>{1, 0, 0, 2}));
  for (size_t cut : {size_t(16), size_t(64), good.size() / 2, good.size() - 1}) {
    vexatest::WriteFileText(folder + "/cut.so", good.substr(0, cut));
    EXPECT_FALSE(ReadLoaderDeclaration(folder + "/cut.so", kLoaderCategory, version, error))
        << cut;
  }
  EXPECT_FALSE(ReadLoaderDeclaration(vexatest::TestLoaderFolder() + "/test_other_category.so",
                                     kLoaderCategory, version, error));
}

TEST(Loader, TimezoneShiftsFormatTimes) {
  auto loader = AdvNew<TLoader>();
  auto format = AdvNew<TFormat>();
  struct {
    const char* Zone;
    double Hours;
  } cases[] = {{"+10:00", 10}, {"-05:30", -5.5}, {"GMT", 0}, {"", 0}, {"+8", 8}};
  for (const auto& c : cases) {
    loader->SetTimezone(c.Zone);
    loader->ApplyTimezone(*format);
    EXPECT_NEAR(format->AdjustTime(1.0), 1.0 + c.Hours / 24.0, 1e-9) << c.Zone;
  }
  loader->SetTimezone("+xx");
  EXPECT_THROW(loader->ApplyTimezone(*format), EAdvDateTime);
  EXPECT_EQ(format->DisplayName(), "Format");
  EXPECT_EQ(format->Unspecified(), "<Unspecified>");
}

}  // namespace
