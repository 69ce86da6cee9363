#include "app/SettingFields.h"

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "app/Vexas.h"
#include "mail/EmailSettings.h"

namespace {

class AppSettingFieldsTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterVexaClasses();
    m_settings = AdvNew<TSettings>();
  }
  TEmailSettings& Emails() { return *AdvCast<TEmailSettings>(m_settings->Emails()); }
  std::string Get(const char* name) {
    TSettingField field;
    EXPECT_TRUE(GetSettingField(*m_settings, name, field)) << name;
    return field.Value;
  }
  std::string SetError(const char* name, const char* value) {
    try {
      SetSettingField(*m_settings, name, value);
    } catch (const ESettingField& e) {
      return e.BareMessage();
    }
    return "";
  }
  TAdvRef<TSettings> m_settings;
};

TEST_F(AppSettingFieldsTest, ListsTheScalarSettingsUnderTheirStoredNamesWithTheMailSettings) {
  std::vector<std::string> names;
  for (const TSettingField& field : ListSettingFields(*m_settings)) names.push_back(field.Name);
  for (const char* name :
       {"Flash", "Threshold", "Loader", "PurgeAge", "TrackingLogActivity", "TrackingLogLocation",
        "FailedInputRetryTime", "Emails.Server", "Emails.Port", "Emails.Sender"})
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  // Lists and layouts are not scalars.
  EXPECT_EQ(std::find(names.begin(), names.end(), "Positions"), names.end());
}

TEST_F(AppSettingFieldsTest, SetsValuesOfEveryKindIgnoringTheNamesCase) {
  SetSettingField(*m_settings, "threshold", "900");
  SetSettingField(*m_settings, "TrackingLogActivity", "yes");
  SetSettingField(*m_settings, "Emails.Server", "127.0.0.1");
  SetSettingField(*m_settings, "emails.port", "2525");
  SetSettingField(*m_settings, "Size", "3");
  EXPECT_EQ(m_settings->Threshold(), 900);
  EXPECT_TRUE(m_settings->TrackingLogActivity());
  EXPECT_EQ(Emails().Server(), "127.0.0.1");
  EXPECT_EQ(Emails().Port(), 2525);
  EXPECT_EQ(m_settings->SizeUnit(), kSizeGigabytes);
  EXPECT_EQ(Get("TrackingLogActivity"), "true");
  EXPECT_EQ(Get("Emails.Port"), "2525");
}

TEST_F(AppSettingFieldsTest, RefusesValuesThatDoNotFitAndChangesNothing) {
  const struct {
    const char* Name;
    const char* Value;
    const char* Error;
  } cases[] = {
      {"Threshold", "12x", "Setting 'Threshold' takes a whole number"},
      {"AutoHide", "-1", "Setting 'AutoHide' takes a whole number"},
      {"Flash", "maybe", "Setting 'Flash' takes true or false, not 'maybe'"},
      {"Emails.Port", "70000", "Setting 'Emails.Port' takes a port number from 1 to 65535"},
      {"Emails.Port", "0", "Setting 'Emails.Port' takes a port number from 1 to 65535"},
      {"Size", "7", "Setting 'Size' takes a unit from 0 to 3"},
      {"NoSuchSetting", "1", "Unknown setting 'NoSuchSetting'"},
      {"ColourDark", "5", "Setting 'ColourDark' cannot be set here"},
  };
  for (const auto& c : cases) {
    const std::string before = Get("Threshold") + Get("Flash") + Get("Emails.Port");
    EXPECT_EQ(SetError(c.Name, c.Value).rfind(c.Error, 0), 0u)
        << c.Name << "=" << c.Value << ": " << SetError(c.Name, c.Value);
    EXPECT_EQ(Get("Threshold") + Get("Flash") + Get("Emails.Port"), before);
  }
}

}  // namespace
