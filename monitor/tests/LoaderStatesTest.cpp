#include "monitor/LoaderStates.h"

#include <gtest/gtest.h>

#include "core/AdvFactories.h"
#include "monitor/LoaderLibraries.h"
#include "monitor/tests/PluginFixture.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

TAdvRef<TMonitorFolders> InputsWith(const std::vector<std::string>& zones,
                                    const char* loaderClass = "TLineLoader") {
  vexatest::Plugins();
  auto inputs = AdvNew<TMonitorFolders>();
  for (const std::string& zone : zones) {
    auto input = AdvNew<TMonitorFolder>();
    TAdvRef<TLoader> loader = AdvCreate<TLoader>(AdvFactory().Lookup(loaderClass));
    loader->SetTimezone(zone);
    input->SetLoader(loader.Detach());
    inputs->Add(input.Detach());
  }
  return inputs;
}

std::vector<std::string> Zones(const TMonitorFolders& inputs) {
  std::vector<std::string> zones;
  for (int i = 0; i < inputs.Count(); ++i) zones.push_back(inputs.Input(i)->Loader()->Timezone());
  return zones;
}

TEST(LoaderStates, RestoreTheLoadersSettingsInOrder) {
  std::string file = vexatest::MakeTempFolder("loaders") + "/Default.Loaders";
  SaveLoaderStates(*InputsWith({"+10:00", "", "-05:30"}), file);
  std::string bytes = vexatest::ReadFileText(file);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x03\x00\x00\x00", 4));
  EXPECT_NE(bytes.find("LineLoader"), std::string::npos);

  auto restored = InputsWith({"a", "b", "c"});
  EXPECT_EQ(LoadLoaderStates(*restored, file), 3);
  EXPECT_EQ(Zones(*restored), (std::vector<std::string>{"+10:00", "", "-05:30"}));
}

TEST(LoaderStates, AnythingThatDoesNotFitLeavesTheLoadersAsCreated) {
  std::string folder = vexatest::MakeTempFolder("loaders");
  std::string file = folder + "/Default.Loaders";
  SaveLoaderStates(*InputsWith({"+01:00", "+02:00", "+03:00"}), file);

  // Written for three inputs, four exist.
  auto four = InputsWith({"a", "b", "c", "d"});
  EXPECT_EQ(LoadLoaderStates(*four, file), 0);
  EXPECT_EQ(Zones(*four), (std::vector<std::string>{"a", "b", "c", "d"}));
  // No file.
  EXPECT_EQ(LoadLoaderStates(*four, folder + "/none"), 0);
  // Another loader class in the first input.
  auto other = InputsWith({"a", "b", "c"}, "TTwinLoader");
  EXPECT_EQ(LoadLoaderStates(*other, file), 0);
  EXPECT_EQ(Zones(*other), (std::vector<std::string>{"a", "b", "c"}));
  // Cut short inside the second loader: the first is restored, the rest
  // stay as they were.
  std::string bytes = vexatest::ReadFileText(file);
  size_t second = bytes.find("+02:00");
  ASSERT_NE(second, std::string::npos);
  vexatest::WriteFileText(file, bytes.substr(0, second + 3));
  auto cut = InputsWith({"a", "b", "c"});
  EXPECT_EQ(LoadLoaderStates(*cut, file), 1);
  EXPECT_EQ(Zones(*cut), (std::vector<std::string>{"+01:00", "b", "c"}));
}

TEST(LoaderStates, LoaderSettingFallsBackToTheFormatDetectingLoader) {
  TLoaderClasses& registry = *vexatest::Plugins().Registry;
  EXPECT_EQ(ResolveLoaderSetting(registry, "Line"), "Line");
  EXPECT_EQ(ResolveLoaderSetting(registry, "twin"), "twin");
  EXPECT_EQ(ResolveLoaderSetting(registry, "Gone"), "Varnex");
  EXPECT_EQ(ResolveLoaderSetting(registry, ""), "Varnex");
}

}  // namespace
