#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "core/AdvDates.h"
#include "platform/Clock.h"

namespace {

// Separators pinned both ways: the program's defaults and a continental set,
// so that a formatter that ignored the settings would show.
TAdvFormatSettings Pinned(bool continental) {
  TAdvFormatSettings format;
  if (continental) {
    format.DecimalSeparator = ",";
    format.ThousandSeparator = ".";
    format.TimeSeparator = ".";
  } else {
    format.DecimalSeparator = ".";
    format.ThousandSeparator = ",";
    format.TimeSeparator = ":";
  }
  return format;
}

struct TElapsedCase {
  uint8_t Unit;
  int64_t Milliseconds;
  const char* Plain;
  const char* Continental;
};

TEST(SettingsFormats, FormatElapsedInEveryUnit) {
  const TElapsedCase kCases[] = {
      {kDurationClock, 999, "< 00:00:01", "< 00.00.01"},
      {kDurationClock, 0, "< 00:00:01", "< 00.00.01"},
      {kDurationClock, -5000, "< 00:00:01", "< 00.00.01"},
      {kDurationClock, 1000, "00:00:01", "00.00.01"},
      {kDurationClock, 3600000, "01:00:00", "01.00.00"},
      {kDurationClock, 360000000, "100:00:00", "100.00.00"},
      {kDurationClock, 90061999, "25:01:01", "25.01.01"},
      {kDurationHours, 5400000, "1.500", "1,500"},
      {kDurationHours, 3600000000, "1,000.000", "1.000,000"},
      {kDurationMinutes, 90000, "1.50", "1,50"},
      {kDurationSeconds, 1234567, "1,234.6", "1.234,6"},
      {kDurationSeconds, 60, "0.1", "0,1"},
      {kDurationMilliseconds, 1234567, "1,234,567", "1.234.567"},
      {kDurationMilliseconds, -1234, "-1,234", "-1.234"},
  };
  auto settings = AdvNew<TSettings>();
  for (const TElapsedCase& c : kCases) {
    settings->SetDurationUnit(c.Unit);
    settings->SetFormatSettings(Pinned(false));
    EXPECT_EQ(settings->FormatElapsed(c.Milliseconds), c.Plain)
        << int(c.Unit) << " " << c.Milliseconds;
    settings->SetFormatSettings(Pinned(true));
    EXPECT_EQ(settings->FormatElapsed(c.Milliseconds), c.Continental)
        << int(c.Unit) << " " << c.Milliseconds;
  }
}

TEST(SettingsFormats, ElapsedSecondsWithAndWithoutUnit) {
  auto settings = AdvNew<TSettings>();
  settings->SetFormatSettings(Pinned(false));
  EXPECT_EQ(settings->FormatElapsedSeconds(90), "00:01:30");
  EXPECT_EQ(settings->FormatElapsedSecondsWithUnit(90), "00:01:30");
  EXPECT_EQ(settings->ElapsedCaption("Elapsed"), "Elapsed (H:M:S)");
  settings->SetDurationUnit(kDurationSeconds);
  EXPECT_EQ(settings->FormatElapsedSecondsWithUnit(90), "90.0 Sec");
  settings->SetDurationUnit(kDurationHours);
  EXPECT_EQ(settings->ElapsedCaption("Elapsed"), "Elapsed (Hrs)");
  // Far beyond any real duration: no overflow, a very large number.
  EXPECT_FALSE(settings->FormatElapsedSeconds(INT64_MAX).empty());
}

struct TSizeCase {
  uint8_t Unit;
  int64_t Bytes;
  const char* Plain;
  const char* Continental;
};

TEST(SettingsFormats, FormatSizeWithTheUnitsDecimals) {
  const TSizeCase kCases[] = {
      {kSizeBytes, 1234567, "1,234,567", "1.234.567"},
      {kSizeKilobytes, 1536, "1.5", "1,5"},
      {kSizeKilobytes, 0, "0.0", "0,0"},
      {kSizeMegabytes, 1572864, "1.50", "1,50"},
      {kSizeMegabytes, 2147483648, "2,048.00", "2.048,00"},
      {kSizeGigabytes, 2684354560, "2.500", "2,500"},
  };
  auto settings = AdvNew<TSettings>();
  for (const TSizeCase& c : kCases) {
    settings->SetSizeUnit(c.Unit);
    settings->SetFormatSettings(Pinned(false));
    EXPECT_EQ(settings->FormatSize(c.Bytes), c.Plain) << int(c.Unit) << " " << c.Bytes;
    settings->SetFormatSettings(Pinned(true));
    EXPECT_EQ(settings->FormatSize(c.Bytes), c.Continental) << int(c.Unit) << " " << c.Bytes;
  }
  settings->SetFormatSettings(Pinned(false));
  settings->SetSizeUnit(kSizeMegabytes);
  EXPECT_EQ(settings->FormatSizeWithUnit(1572864), "1.50 MB");
  EXPECT_EQ(settings->SizeCaption("Size"), "Size (MB)");
}

TEST(SettingsFormats, FormatCountAndUnitNames) {
  auto settings = AdvNew<TSettings>();
  settings->SetFormatSettings(Pinned(true));
  EXPECT_EQ(settings->FormatCount(1234567), "1.234.567");
  EXPECT_EQ(settings->FormatCount(0), "0");
  settings->SetFormatSettings(Pinned(false));
  EXPECT_EQ(settings->FormatCount(-9876543210), "-9,876,543,210");

  EXPECT_EQ(SizeUnitLongName(kSizeGigabytes), "Gigabytes");
  EXPECT_EQ(SizeUnitShortName(kSizeBytes), "B");
  EXPECT_EQ(SizeUnitDivisor(kSizeGigabytes), 1073741824);
  EXPECT_EQ(DurationUnitLongName(kDurationMilliseconds), "Milliseconds");
  EXPECT_EQ(DurationUnitShortName(kDurationMinutes), "Mns");
  EXPECT_EQ(DurationUnitDivisor(kDurationHours), 3600000);
  // Out of range: the default unit, never past the tables.
  EXPECT_EQ(SizeUnitShortName(200), "KB");
  EXPECT_EQ(DurationUnitShortName(200), "H:M:S");
  settings->SetSizeUnit(9);
  EXPECT_EQ(settings->SizeUnit(), kSizeKilobytes);
}

TEST(SettingsFonts, FontToUseFallsBackOnTheFirstInstalled) {
  auto settings = AdvNew<TSettings>();
  settings->SetFont("Fancy");
  std::vector<std::string> installed = {"Tahoma", "MS Sans Serif"};
  auto has = [&](const std::string& name) {
    return std::find(installed.begin(), installed.end(), name) != installed.end();
  };
  EXPECT_EQ(settings->FontToUse(has), "Tahoma");
  installed.push_back("Fancy");
  EXPECT_EQ(settings->FontToUse(has), "Fancy");
  installed.clear();
  EXPECT_EQ(settings->FontToUse(has), "Fancy");
}

class PurgeCutoff : public testing::Test {
 protected:
  void SetUp() override { platform::SetCurrentClock(&m_clock); }
  void TearDown() override { platform::SetCurrentClock(nullptr); }
  void SetNow(double localDateTime) {
    m_clock.SetUtcMilliseconds(UtcFromLocalDateTime(localDateTime));
  }
  platform::TManualClock m_clock;
};

TEST_F(PurgeCutoff, ByAgeBeforeTodayOrNothing) {
  auto settings = AdvNew<TSettings>();
  const double now = EncodeDateTime(2024, 3, 6, 0, 0, 30);
  const int64_t nowSeconds = int64_t(EncodeDate(2024, 3, 6)) * 86400 + 30;
  SetNow(now);

  settings->SetPurgeAge(3600000);
  EXPECT_NEAR(settings->PurgeCutoff(), now - 1.0 / 24, 1e-9);
  EXPECT_EQ(settings->PurgeCutoffSeconds(), nowSeconds - 3600);
  settings->SetPurgeAge(1999);  // whole seconds only
  EXPECT_EQ(settings->PurgeCutoffSeconds(), nowSeconds - 1);

  // Before today: the midnight just passed, whatever the age says.
  settings->SetPurgeMode(kPurgeBeforeToday);
  EXPECT_EQ(settings->PurgeCutoff(), EncodeDate(2024, 3, 6));
  EXPECT_EQ(settings->PurgeCutoffSeconds(), nowSeconds - 30);
  SetNow(EncodeDateTime(2024, 3, 5, 23, 59, 59));
  EXPECT_EQ(settings->PurgeCutoff(), EncodeDate(2024, 3, 5));

  settings->SetPurgeMode(7);
  EXPECT_EQ(settings->PurgeCutoff(), 0);
  EXPECT_EQ(settings->PurgeCutoffSeconds(), 0);
}

}  // namespace
