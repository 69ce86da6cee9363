#include <gtest/gtest.h>

#include <fstream>

#include "loaders/tests/LoaderTestSupport.h"
#include "monitor/Inputs.h"
#include "monitor/LoaderLibraries.h"
#include "testing/TestEnvironment.h"

using namespace loadertest;

namespace {

// The built module, found in the Loaders folder beside the test program,
// loads, registers its four loaders, and its Varnex loader reads a log.
TEST(LoaderModule, LoadsRegistersAndReads) {
  auto libraries = AdvNew<TLoaderLibraries>();
  std::vector<std::string> problems;
  libraries->LoadFolder(LoaderFolder(), problems);
  ASSERT_TRUE(problems.empty()) << problems[0];
  ASSERT_GE(libraries->Count(), 1);

  auto registry = AdvNew<TLoaderClasses>();
  libraries->RegisterClasses(*registry);
  for (const char* name : {"Varnex", "Squid", "NCSA", "W3C"}) {
    EXPECT_GE(registry->IndexOfName(name), 0) << name;
  }
  // The "Loader" setting keeps a registered name and falls back to Varnex.
  EXPECT_EQ(ResolveLoaderSetting(*registry, "Squid"), "Squid");
  EXPECT_EQ(ResolveLoaderSetting(*registry, "Unheard Of"), "Varnex");
  TAdvRef<TLoader> loader(static_cast<TLoader*>(registry->GetByName("Varnex")->Create()));
  EXPECT_EQ(loader->Name(), "Varnex");

  const std::string path = vexatest::MakeTempFolder("module") + "/access.log";
  std::ofstream(path, std::ios::binary) << ReadData("squid-5.7-native.log");
  auto file = AdvNew<TFile>(path);
  file->OpenInput();
  TFormat* format = loader->FormatFor(*file);
  ASSERT_NE(format, nullptr);
  format->Begin();
  int hits = 0;
  while (format->HasMore()) {
    if (format->Read(*file->ScratchHit())) ++hits;
  }
  format->End();
  file->CloseInput();
  EXPECT_EQ(hits, 33);
  EXPECT_EQ(file->Index(), file->Count());

  loader.Reset(nullptr);
  registry.Reset(nullptr);
  libraries->UnloadAll(problems);
  EXPECT_TRUE(problems.empty());
}

}  // namespace
