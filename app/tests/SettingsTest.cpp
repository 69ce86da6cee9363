#include "app/Settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvPaths.h"
#include "core/AdvTexts.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

// Stands in for the mail unit's settings, registered under its class name.
class TTestMailSettings : public TAdvPersistent {
  ADV_CLASS(TTestMailSettings)
  std::string Server = "smtp.example.com";
  void Define(TAdvFiler& filer) override { filer.Field("Server").DefineString(Server); }
  void Assign(const TAdvObject& source) override {
    TAdvPersistent::Assign(source);
    Server = static_cast<const TTestMailSettings&>(source).Server;
  }
};
ADV_CLASS_IMPL(TTestMailSettings, TAdvPersistent)

class SettingsFile : public testing::Test {
 protected:
  void SetUp() override {
    RegisterCoreClasses();
    AdvFactory().RegisterAll(AppSettingsClasses());
    AdvFactory().Register(&TTestMailSettings::ClassInfo, "TEmailSettings");
    AdvFactory().Register(&TTestMailSettings::ClassInfo);
    AppPalette() = TVexaPalette{};
    SetDesktopArea({0, 0, 1920, 1080});
    m_file = vexatest::MakeTempFolder("settings") + "/" + kSettingsFileName;
  }
  void TearDown() override { AppPalette() = TVexaPalette{}; }

  static std::string XmlOf(TSettings& settings) {
    const std::string file = vexatest::MakeTempFolder("xml") + "/s.xml";
    SaveSettingsFile(settings, file);
    return vexatest::ReadFileText(file);
  }

  // Every field away from its default.
  static TAdvRef<TSettings> Changed() {
    auto s = AdvNew<TSettings>();
    s->SetFlash(false);
    s->SetShowStatus(false);
    s->SetShowActive(false);
    s->SetShowIdle(false);
    s->SetSortRecent(false);
    s->SetStatusOnTop(true);
    s->SetStatusVisible(false);
    s->SetAutoHide(4000000000u);
    s->SetSizeUnit(kSizeGigabytes);
    s->SetDurationUnit(kDurationMilliseconds);
    s->SetThreshold(900);
    TVexaPosition* options = s->PositionByName("Options");
    options->Left = -5;
    options->Width = 640;
    options->Maximised = true;
    s->SetLoader("Other <Loader> & Co");
    s->SetSidebar(false);
    s->SetOption(3);
    s->SetPlaySound(false);
    s->Sounds().SetMatch(kSoundKeyHigh, "/usr/share/sounds/alarm.wav");
    TVexaColumns& columns = s->GridByName("Summary.Users")->Columns();
    columns.ByName("Size (KB)")->Width = 77;
    columns.Sorted = "Size (KB)";
    columns.Direction = -1;
    s->SetPurgeAge(3600000);
    s->SetSyncData(true);
    static_cast<TTestMailSettings*>(s->Emails())->Server = "mail.local";
    s->SetFont("Verdana");
    s->Docks().ByName("Configuration.Inputs")->GuideHidden = true;
    s->StoreGroupCollapsed("Gaming", false);
    s->SetCheckUpdatesOnStart(false);
    s->SetShowBars(true);
    s->SetShowAlertIP(true);
    s->SetPurgeMode(kPurgeBeforeToday);
    s->SetTrackingLogFilterMode(kTrackListedDepartments);
    s->TrackingLogFilterCriteria().Add("Sales");
    s->SetTrackingLogActivity(true);
    s->SetTrackingLogAlerts(true);
    s->SetTrackingLogLocation("/var/log/vexa");
    s->SetTrackingLogPerUser(true);
    s->SetFailedInputRetryTime(5);
    return s;
  }

  std::string m_file;
};

TEST_F(SettingsFile, DefaultsAreTheDocumentedOnes) {
  auto s = AdvNew<TSettings>();
  EXPECT_TRUE(s->Flash() && s->ShowStatus() && s->ShowActive() && s->ShowIdle());
  EXPECT_TRUE(s->SortRecent() && s->StatusVisible() && s->Sidebar() && s->PlaySound());
  EXPECT_FALSE(s->StatusOnTop() || s->SyncData() || s->ShowBars() || s->ShowAlertIP());
  EXPECT_TRUE(s->CheckUpdatesOnStart());
  EXPECT_EQ(s->AutoHide(), 0u);
  EXPECT_EQ(s->SizeUnit(), kSizeKilobytes);
  EXPECT_EQ(s->DurationUnit(), kDurationClock);
  EXPECT_EQ(s->Threshold(), 300);
  EXPECT_EQ(s->PurgeAge(), 86400000);
  EXPECT_EQ(s->PurgeMode(), kPurgeByAge);
  EXPECT_EQ(s->Loader(), "Varnex");
  EXPECT_EQ(s->Font(), "Tahoma");
  EXPECT_EQ(s->Option(), 0);
  EXPECT_EQ(s->FailedInputRetryTime(), 60u);
  EXPECT_EQ(s->TrackingLogFilterMode(), kTrackAll);
  EXPECT_EQ(s->TrackingLogFilterCriteria().Count(), 0);
  EXPECT_EQ(s->TrackingLogLocation(), "");
  EXPECT_EQ(s->Grids().Count(), 0);
  EXPECT_EQ(s->Docks().Count(), 0);
  EXPECT_EQ(s->Alerts().Count(), 0);
  ASSERT_NE(s->Emails(), nullptr);

  ASSERT_EQ(s->Sounds().Count(), 4);
  EXPECT_EQ(s->SoundForPriority(0), "Sounds\\Low.wav");
  EXPECT_EQ(s->SoundForPriority(1), "Sounds\\Medium.wav");
  EXPECT_EQ(s->SoundForPriority(2), "Sounds\\High.wav");
  EXPECT_EQ(s->SoundForPriority(3), "");
  EXPECT_EQ(s->InputIssueSound(), "Sounds\\High.wav");
  EXPECT_EQ(ResolveSoundFile(s->SoundForPriority(1), "/opt/vexa"), "/opt/vexa/Sounds/Medium.wav");
  EXPECT_EQ(ResolveSoundFile("/home/a/b.wav", "/opt/vexa"), "/home/a/b.wav");

  // The status window first opens in the top right corner of the desktop.
  ASSERT_EQ(s->Positions().Count(), 1);
  const TVexaPosition* popup = s->Positions().Find("popup");
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->Left, 1920 - 180);
  EXPECT_EQ(popup->Top, 0);
  EXPECT_EQ(popup->Width, 180);
  EXPECT_EQ(popup->Height, 280);

  // SetDefaults puts back what was changed, and leaves the palette alone.
  auto changed = Changed();
  AppPalette().Dark = 0x123456;
  changed->SetDefaults();
  EXPECT_EQ(XmlOf(*changed), XmlOf(*s));
  EXPECT_EQ(AppPalette().Dark, 0x123456u);
}

TEST_F(SettingsFile, RoundTripKeepsEveryFieldAndThePalette) {
  auto original = Changed();
  AppPalette() = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F};
  SaveSettingsFile(*original, m_file);
  const std::string written = vexatest::ReadFileText(m_file);
  EXPECT_NE(written.find("<integer name=\"AutoHide\">4000000000</integer>"), std::string::npos);

  AppPalette() = TVexaPalette{};
  auto loaded = AdvNew<TSettings>();
  EXPECT_EQ(LoadSettingsFile(*loaded, m_file), "");
  EXPECT_EQ(AppPalette(), (TVexaPalette{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F}));
  EXPECT_EQ(XmlOf(*loaded), written);
  EXPECT_EQ(static_cast<TTestMailSettings*>(loaded->Emails())->Server, "mail.local");
  EXPECT_TRUE(loaded->Alerts().Find("gaming")->GuideHidden);
  EXPECT_EQ(loaded->SoundForPriority(2), "/usr/share/sounds/alarm.wav");
}

// The optional fields in their stored order, each with a test of whether it
// holds the changed value; a file cut before one of them loads the fields
// before it and leaves the rest at their defaults.
struct TOptionalField {
  const char* Name;
  std::function<bool(const TSettings&)> HoldsChangedValue;
};

const std::vector<TOptionalField>& OptionalFields() {
  static const std::vector<TOptionalField> fields = {
      {"Font", [](const TSettings& s) { return s.Font() == "Verdana"; }},
      {"ColourDark", [](const TSettings&) { return AppPalette().Dark == 0x010203; }},
      {"Docks", [](const TSettings& s) { return s.Docks().Count() == 1; }},
      {"Alerts", [](const TSettings& s) { return s.Alerts().Count() == 1; }},
      {"CheckUpdatesOnStart", [](const TSettings& s) { return !s.CheckUpdatesOnStart(); }},
      {"ShowBars", [](const TSettings& s) { return s.ShowBars(); }},
      {"ShowAlertIP", [](const TSettings& s) { return s.ShowAlertIP(); }},
      {"PurgeMode", [](const TSettings& s) { return s.PurgeMode() == kPurgeBeforeToday; }},
      {"TrackingLogFilterMode",
       [](const TSettings& s) {
         return s.TrackingLogFilterMode() == kTrackListedDepartments &&
                s.TrackingLogFilterCriteria().Count() == 1 && s.TrackingLogActivity() &&
                s.TrackingLogAlerts() && s.TrackingLogLocation() == "/var/log/vexa" &&
                s.TrackingLogPerUser();
       }},
      {"FailedInputRetryTime", [](const TSettings& s) { return s.FailedInputRetryTime() == 5; }},
  };
  return fields;
}

TEST_F(SettingsFile, OlderFilesLackingLaterFieldsStillLoad) {
  auto original = Changed();
  AppPalette() = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F};
  const std::string full = XmlOf(*original);
  const size_t end = full.rfind("</object>");
  ASSERT_NE(end, std::string::npos);

  const auto& fields = OptionalFields();
  for (size_t cut = 0; cut < fields.size(); ++cut) {
    SCOPED_TRACE(fields[cut].Name);
    // An older version wrote everything up to this field and nothing after.
    const size_t at = full.find(std::string("name=\"") + fields[cut].Name + "\"");
    ASSERT_NE(at, std::string::npos);
    const size_t lineStart = full.rfind('\n', at) + 1;
    vexatest::WriteFileText(m_file, full.substr(0, lineStart) + full.substr(end));

    AppPalette() = TVexaPalette{};
    auto loaded = AdvNew<TSettings>();
    ASSERT_EQ(LoadSettingsFile(*loaded, m_file), "");
    EXPECT_EQ(loaded->Threshold(), 900);  // the fields every version wrote
    EXPECT_EQ(loaded->Grids().Count(), 1);
    for (size_t i = 0; i < fields.size(); ++i)
      EXPECT_EQ(fields[i].HoldsChangedValue(*loaded), i < cut) << fields[i].Name;
  }
}

TEST_F(SettingsFile, ColoursWrittenAsNarrowIntegersLoad) {
  auto original = AdvNew<TSettings>();
  std::string text = XmlOf(*original);
  const char* const kNames[] = {"ColourDark", "ColourPale", "ColourNormal", "ColourTaskpadBack",
                                "ColourTaskpadHeader"};
  const char* const kValues[] = {"4660", "255", "65535", "7", "200"};
  for (int i = 0; i < 5; ++i) {
    const std::string open = std::string("<integer name=\"") + kNames[i] + "\">";
    const size_t at = text.find(open);
    ASSERT_NE(at, std::string::npos);
    const size_t close = text.find("</integer>", at) + std::string("</integer>").size();
    const char* kind = i == 1 || i == 4 ? "integer8" : "integer16";
    text.replace(
        at, close - at,
        std::string("<") + kind + " name=\"" + kNames[i] + "\">" + kValues[i] + "</" + kind + ">");
  }
  vexatest::WriteFileText(m_file, text);
  auto loaded = AdvNew<TSettings>();
  ASSERT_EQ(LoadSettingsFile(*loaded, m_file), "");
  EXPECT_EQ(AppPalette(), (TVexaPalette{4660, 255, 65535, 7, 200}));
}

TEST_F(SettingsFile, DamagedFileChangesNothingAndIsKeptAside) {
  auto original = Changed();
  AppPalette() = {1, 2, 3, 4, 5};
  std::string text = XmlOf(*original);
  // The colours come before the damage: they must not reach the palette.
  text = ReplaceAll(text, "<integer name=\"FailedInputRetryTime\">5</integer>",
                    "<integer name=\"FailedInputRetryTime\">five</integer>");
  vexatest::WriteFileText(m_file, text);
  AppPalette() = TVexaPalette{};

  auto live = AdvNew<TSettings>();
  live->SetThreshold(42);
  const std::string error = LoadSettingsFile(*live, m_file);
  EXPECT_NE(error.find("'five' is not a valid integer value"), std::string::npos) << error;
  EXPECT_EQ(live->Threshold(), 42);
  EXPECT_EQ(live->Font(), "Tahoma");
  EXPECT_EQ(AppPalette(), TVexaPalette{});
  EXPECT_FALSE(FileExists(m_file));
  EXPECT_EQ(vexatest::ReadFileText(m_file + ".bad"), text);

  // A missing file is no error.
  EXPECT_EQ(LoadSettingsFile(*live, m_file), "");
  EXPECT_EQ(live->Threshold(), 42);
}

TEST_F(SettingsFile, UnitsOutOfRangeAndNilPartsReadAsDefaults) {
  auto original = AdvNew<TSettings>();
  std::string text = XmlOf(*original);
  text = ReplaceAll(text, "<enumerated name=\"Size\">1</enumerated>",
                    "<enumerated name=\"Size\">9</enumerated>");
  text = ReplaceAll(text, "<enumerated name=\"Duration\">0</enumerated>",
                    "<enumerated name=\"Duration\">200</enumerated>");
  const size_t open = text.find("<object name=\"Grids\"");
  const size_t close = text.find("</object>", open) + std::string("</object>").size();
  text.replace(open, close - open, "<nil name=\"Grids\"></nil>");
  vexatest::WriteFileText(m_file, text);

  auto loaded = AdvNew<TSettings>();
  loaded->SetSizeUnit(kSizeBytes);
  ASSERT_EQ(LoadSettingsFile(*loaded, m_file), "");
  EXPECT_EQ(loaded->SizeUnit(), kSizeKilobytes);
  EXPECT_EQ(loaded->DurationUnit(), kDurationClock);
  EXPECT_EQ(loaded->Grids().Count(), 0);
  EXPECT_NE(loaded->GridByName("Summary.Sites"), nullptr);
}

}  // namespace
