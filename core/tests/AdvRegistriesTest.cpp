#include "core/AdvRegistries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Autostart.h"

namespace {

TEST(AdvRegistry, RunAtLogonValueBecomesAnAutostartEntry) {
  auto registry = AdvNew<TAdvRegistry>();
  registry->SetMode(TAdvRegistry::TMode::Write);
  registry->SetKey(TAdvRegistry::kRunKey);
  std::string command = "\"/opt/vexa/bin/vexa\" --minimised";
  registry->Field("Vexa22.exe").DefineString(command);

  const std::string file = platform::AutostartFile("Vexa22.exe");
  EXPECT_EQ(std::filesystem::path(file).filename(), "Vexa22.desktop");
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(text.find("\nExec=\"/opt/vexa/bin/vexa\" --minimised\n"), std::string::npos);

  auto reader = AdvNew<TAdvRegistry>();
  reader->SetKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_TRUE(reader->ValueExists("Vexa22.exe"));
  std::string back;
  reader->Field("Vexa22.exe").DefineString(back);
  EXPECT_EQ(back, command);

  reader->DeleteValue("Vexa22.exe");
  EXPECT_FALSE(reader->ValueExists("Vexa22.exe"));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_THROW(reader->Field("Vexa22.exe").DefineString(back), EAdvRegistry);
}

TEST(AdvRegistry, OtherKeysAndUnsafeValuesAreRefused) {
  auto registry = AdvNew<TAdvRegistry>();
  try {
    registry->SetKey("Software\\Other");
    FAIL();
  } catch (const EAdvRegistry& e) {
    EXPECT_STREQ(e.what(), "(TAdvRegistry.SetKey): Unable to change to key 'Software\\Other'");
  }
  registry->SetMode(TAdvRegistry::TMode::Write);
  registry->SetKey(TAdvRegistry::kRunKey);
  std::string forged = "vexa\nExec=rm -rf ~";
  EXPECT_THROW(registry->Field("Vexa22.exe").DefineString(forged), EAdvRegistry);
  // A value name cannot leave the autostart folder.
  EXPECT_EQ(std::filesystem::path(platform::AutostartFile("../../evil")).parent_path().filename(),
            "autostart");
}

}  // namespace
