#include "core/AdvDates.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/Clock.h"
#include "testing/TestEnvironment.h"

namespace {

// Installs a manual clock for one test.
class ScopedClock {
 public:
  explicit ScopedClock(int64_t utcMilliseconds) : m_clock(utcMilliseconds) {
    platform::SetCurrentClock(&m_clock);
  }
  ~ScopedClock() { platform::SetCurrentClock(nullptr); }

 private:
  platform::TManualClock m_clock;
};

constexpr int64_t kSummerNoonUtc = 1689422400000;  // 2023-07-15 12:00 UTC

TEST(AdvDates, EncodeDateCheckedValidatesTheCalendar) {
  const struct {
    int32_t Year, Month, Day;
    bool Ok;
  } cases[] = {{2008, 2, 29, true},  {2000, 2, 29, true},  {1900, 2, 29, false},
               {2009, 2, 29, false}, {2009, 4, 31, false}, {2009, 13, 1, false},
               {2009, 0, 1, false},  {0, 1, 1, false},     {1, 1, 1, true},
               {9999, 12, 31, true}, {10000, 1, 1, false}, {2009, 1, 0, false}};
  for (const auto& c : cases) {
    double date = -1;
    EXPECT_EQ(TryEncodeDate(c.Year, c.Month, c.Day, date), c.Ok) << c.Year << "-" << c.Month;
  }
  try {
    EncodeDateChecked(2009, 2, 29);
    ADD_FAILURE() << "no error";
  } catch (const EAdvDateTime& e) {
    EXPECT_EQ(e.Message(), "Arguments to encode date are not valid (2009/2/29)");
  }
  TAdvFormatSettings dashed;
  dashed.DateSeparator = "-";
  EXPECT_THROW(
      {
        try {
          EncodeDateChecked(2009, 2, 29, dashed);
        } catch (const EAdvDateTime& e) {
          EXPECT_EQ(e.BareMessage(), "Arguments to encode date are not valid (2009-2-29)");
          throw;
        }
      },
      EAdvDateTime);
  EXPECT_THROW(EncodeTime(24, 0, 0), EAdvDateTime);
}

TEST(AdvDates, DayNumbersCountFrom1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1);
  EXPECT_EQ(EncodeDate(1970, 1, 1), kUnixEpochDateTime);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDateTime(2000, 1, 1, 18, 0, 0), 36526.75);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0), -1.25);  // whole days back, the hours forward

  const struct {
    double Value;
    int32_t Year, Month, Day, Hour, Minute, Second, Ms;
  } cases[] = {
      {36526.75, 2000, 1, 1, 18, 0, 0, 0},
      {-1.25, 1899, 12, 29, 6, 0, 0, 0},
      {36526.0 + 86399999.6 / 86400000, 2000, 1, 2, 0, 0, 0, 0},  // rounds into the next day
      {EncodeDateTime(2011, 3, 6, 9, 5, 1, 250), 2011, 3, 6, 9, 5, 1, 250},
      {EncodeDate(1, 1, 1), 1, 1, 1, 0, 0, 0, 0},
      {EncodeDate(9999, 12, 31), 9999, 12, 31, 0, 0, 0, 0},
      {NAN, 1899, 12, 30, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    int32_t y, m, d, h, n, s, ms;
    DecodeDate(c.Value, y, m, d);
    DecodeTime(c.Value, h, n, s, ms);
    EXPECT_EQ(std::vector<int32_t>({y, m, d, h, n, s, ms}),
              std::vector<int32_t>({c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second, c.Ms}))
        << c.Value;
  }
}

TEST(AdvDates, CalendarQueries) {
  EXPECT_EQ(DayOfWeekIndex(EncodeDate(2024, 1, 7)), 0);  // a Sunday
  EXPECT_EQ(DayOfWeekIndex(EncodeDate(2024, 1, 6)), 6);
  EXPECT_EQ(DayOfWeekIndex(EncodeDate(1899, 12, 29)), 5);
  // 2023 began on a Sunday, 2022 on a Saturday.
  EXPECT_EQ(WeekOfYear(EncodeDate(2023, 1, 1)), 0);
  EXPECT_EQ(WeekOfYear(EncodeDate(2023, 1, 7)), 0);
  EXPECT_EQ(WeekOfYear(EncodeDate(2023, 1, 8)), 1);
  EXPECT_EQ(WeekOfYear(EncodeDate(2022, 1, 1)), 0);
  EXPECT_EQ(WeekOfYear(EncodeDate(2022, 1, 2)), 1);
  EXPECT_EQ(WeekOfYear(EncodeDate(2022, 12, 31)), 52);
  const double at = EncodeDateTime(2011, 3, 6, 21, 5, 1);
  EXPECT_EQ(HourOf(at), 21);
  EXPECT_EQ(MonthIndex(at), 2);
  EXPECT_EQ(YearOf(at), 2011);
}

TEST(AdvDates, TextsFollowPatternsAndSettings) {
  const double at = EncodeDateTime(2011, 3, 6, 21, 5, 1, 7);
  EXPECT_EQ(ShortDateText(at), "06/03/2011");
  EXPECT_EQ(DateTimeText(at), "06/03/2011 21:05:01");
  TAdvFormatSettings other;
  other.DateSeparator = ".";
  other.TimeSeparator = "h";
  other.ShortDateFormat = "yyyy/mm/dd";
  EXPECT_EQ(DateTimeText(at, other), "2011.03.06 21h05h01");
  const struct {
    const char* Pattern;
    const char* Expected;
  } cases[] = {
      {"d mmm yy", "6 Mar 11"},
      {"dddd, mmmm d", "Sunday, March 6"},
      {"ddd", "Sun"},
      {"h:mm am/pm", "9:05 PM"},
      {"hh:mm:ss.zzz a/p", "09:05:01.007 P"},
      {"hh:nn", "21:05"},
      {"'at' hh \"o'clock\"", "at 21 o'clock"},
      {"m/d", "3/6"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTimeText(c.Pattern, at), c.Expected) << c.Pattern;
}

TEST(AdvDates, ZoneTextUsesTheOffsetInForceAtTheInstant) {
  const double winter = EncodeDateTime(2023, 1, 15, 12, 0, 0);
  const double summer = EncodeDateTime(2023, 7, 15, 12, 0, 0);
  const struct {
    const char* Tz;
    const char *Winter, *Summer, *WinterSeparated;
  } cases[] = {
      {"Europe/Berlin", "+0100", "+0200", "+01:00"},
      {"America/New_York", "-0500", "-0400", "-05:00"},
      {"Etc/GMT+5", "-0500", "-0500", "-05:00"},  // five hours west, no daylight saving
      {"Asia/Kolkata", "+0530", "+0530", "+05:30"},
      {"UTC", "+0000", "+0000", "GMT"},
  };
  for (const auto& c : cases) {
    vexatest::ScopedTimeZone zone(c.Tz);
    EXPECT_EQ(ZoneText(winter), c.Winter) << c.Tz;
    EXPECT_EQ(ZoneText(summer), c.Summer) << c.Tz;
    EXPECT_EQ(ZoneTextSeparated(winter), c.WinterSeparated) << c.Tz;
  }
}

TEST(AdvDates, ZoneTextChangesWithTheClocksInBerlin) {
  vexatest::ScopedTimeZone zone("Europe/Berlin");
  // Clocks went forward at 2023-03-26 02:00 and back at 2023-10-29 03:00.
  EXPECT_EQ(ZoneText(EncodeDateTime(2023, 3, 26, 1, 59, 59)), "+0100");
  EXPECT_EQ(ZoneText(EncodeDateTime(2023, 3, 26, 3, 0, 0)), "+0200");
  EXPECT_EQ(ZoneText(EncodeDateTime(2023, 10, 29, 1, 59, 0)), "+0200");
  EXPECT_EQ(ZoneText(EncodeDateTime(2023, 10, 29, 3, 0, 0)), "+0100");
  EXPECT_EQ(RfcDateText(EncodeDateTime(2011, 3, 6, 9, 5, 1)), "Sun, 6 Mar 2011 09:05:01 +0100");
  EXPECT_EQ(RfcDateText(EncodeDateTime(2011, 7, 16, 23, 0, 0)), "Sat, 16 Jul 2011 23:00:00 +0200");

  ScopedClock clock(kSummerNoonUtc);
  EXPECT_EQ(ZoneText(), "+0200");
  EXPECT_EQ(ZoneTextSeparated(), "+02:00");
  EXPECT_EQ(ZoneName(), "CET");  // the standard name, even in summer
}

// The clock for callers that ask once per hit looks the offset up again
// when the clocks change.
TEST(AdvDates, LocalClockFollowsTheClocksAndTheZoneSetting) {
  constexpr int64_t kSpringForwardUtc = 1679792400000;  // 2023-03-26 01:00 UTC
  TAdvLocalClock local;
  {
    vexatest::ScopedTimeZone zone("Europe/Berlin");
    for (const int64_t at : {kSpringForwardUtc - 500, kSpringForwardUtc - 1, kSpringForwardUtc,
                             kSpringForwardUtc + 1000}) {
      ScopedClock clock(at);
      EXPECT_EQ(local.Now(), AdvNow()) << at;
    }
    ScopedClock clock(kSpringForwardUtc);
    EXPECT_EQ(local.Now(), EncodeDateTime(2023, 3, 26, 3, 0, 0));
  }
  // Another zone from the next second on.
  vexatest::ScopedTimeZone zone("UTC");
  ScopedClock clock(kSpringForwardUtc + 1000);
  EXPECT_EQ(local.Now(), EncodeDateTime(2023, 3, 26, 1, 0, 1));
}

TEST(AdvDates, LocalAndUtcConvertThroughTheTimeZone) {
  vexatest::ScopedTimeZone zone("Europe/Berlin");
  const double local = EncodeDateTime(2023, 7, 15, 14, 0, 0);
  EXPECT_EQ(LocalDateTimeFromUtc(kSummerNoonUtc), local);
  EXPECT_EQ(UtcFromLocalDateTime(local), kSummerNoonUtc);
  EXPECT_EQ(UtcFromLocalDateTime(EncodeDateTime(2023, 7, 15, 14, 0, 0, 999)), kSummerNoonUtc + 999);
  // 02:30 on 2023-10-29 happens twice: the earlier, summer-time instant.
  EXPECT_EQ(UtcFromLocalDateTime(EncodeDateTime(2023, 10, 29, 2, 30, 0)), 1698539400000);
  // Before 1970 and before 1899 as well.
  const double old = EncodeDateTime(1850, 6, 1, 12, 0, 0);
  EXPECT_EQ(LocalDateTimeFromUtc(UtcFromLocalDateTime(old)), old);

  ScopedClock clock(kSummerNoonUtc);
  EXPECT_EQ(AdvNow(), local);
}

TEST(AdvDates, ElapsedTextAndBack) {
  EXPECT_EQ(ElapsedText(90061000), "25:01:01");
  EXPECT_EQ(ElapsedText(360000000), "100:00:00");
  EXPECT_EQ(ElapsedText(999), "00:00:00");
  EXPECT_EQ(ElapsedText(-60000), "-00:01:00");
  EXPECT_EQ(ElapsedText(INT64_MIN), "-2562047788015:12:55");
  TAdvFormatSettings dotted;
  dotted.TimeSeparator = ".";
  EXPECT_EQ(ElapsedText(90061000, dotted), "25.01.01");

  const struct {
    const char* Text;
    int64_t Expected;
  } cases[] = {
      {"25:01:01", 90061000},
      {"1:2:3:4", 3723004},
      {"2", 7200000},
      {"x:5", 300000},
      {"0:0:0:5:9", 5},
      {"", 0},
      {"99999999999999999:0", INT64_MAX},
      {"-1:00", -3600000},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseElapsed(c.Text), c.Expected) << c.Text;
  EXPECT_EQ(ParseElapsed("1.30", dotted), 5400000);
}

TEST(AdvDates, ParseTimeReadsClockTimes) {
  const struct {
    const char* Text;
    bool Ok;
    double Seconds;  // of the day
  } cases[] = {
      {"12:30", true, 45000},       {"  9:05:30", true, 32730},
      {"9:05:30.5", true, 32730.5}, {"9", true, 32400},
      {"9 PM", true, 75600},        {"9pm", true, 75600},
      {"12 AM", true, 0},           {"12:15 p", true, 44100},
      {"0:00 am", true, 0},         {"23:59:59", true, 86399},
      {"13 PM", false, 0},          {"24:00", false, 0},
      {"9:60", false, 0},           {"9:", false, 0},
      {"9:05x", false, 0},          {"", false, 0},
      {"9.05", false, 0},           {"9:05 AMx", false, 0},
      {"-1:00", false, 0},          {"9:05:30.", false, 0},
      {"123456:00", false, 0},
  };
  for (const auto& c : cases) {
    double fraction = -1;
    EXPECT_EQ(ParseTime(c.Text, fraction), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_NEAR(fraction * 86400, c.Seconds, 1e-6) << c.Text;
    }
  }
  try {
    ParseTimeStrict("25:00");
    ADD_FAILURE() << "no error";
  } catch (const EAdvDateTime& e) {
    EXPECT_EQ(e.Message(), "'25:00' is not a valid time");
  }
  EXPECT_NEAR(ParseTimeStrict("18:00"), 0.75, 1e-12);
}

}  // namespace
