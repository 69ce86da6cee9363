#include "platform/TimeZones.h"

#include <gtest/gtest.h>

#include "testing/TestEnvironment.h"

namespace {

// 2023-01-15 12:00 UTC and 2023-07-15 12:00 UTC.
constexpr int64_t kWinter = 1673784000;
constexpr int64_t kSummer = 1689422400;
// Berlin's clocks: forward at 2023-03-26 01:00 UTC, back at 2023-10-29 01:00 UTC.
constexpr int64_t kSpringChange = 1679792400;
constexpr int64_t kAutumnChange = 1698541200;

TEST(TimeZones, OffsetInForceFollowsDaylightSaving) {
  vexatest::ScopedTimeZone zone("Europe/Berlin");
  platform::TZoneInfo info;
  ASSERT_TRUE(platform::ZoneAt(kWinter, info));
  EXPECT_EQ(info.OffsetSeconds, 3600);
  EXPECT_FALSE(info.Daylight);
  EXPECT_EQ(info.Name, "CET");
  ASSERT_TRUE(platform::ZoneAt(kSummer, info));
  EXPECT_EQ(info.OffsetSeconds, 7200);
  EXPECT_TRUE(info.Daylight);
  EXPECT_EQ(info.Name, "CEST");
  ASSERT_TRUE(platform::ZoneAt(kSpringChange - 1, info));
  EXPECT_EQ(info.OffsetSeconds, 3600);
  ASSERT_TRUE(platform::ZoneAt(kSpringChange, info));
  EXPECT_EQ(info.OffsetSeconds, 7200);
}

TEST(TimeZones, StandardZoneIgnoresDaylightSaving) {
  struct {
    const char* Tz;
    int32_t Offset;
    const char* Name;
  } const cases[] = {
      {"Europe/Berlin", 3600, "CET"},
      {"America/New_York", -18000, "EST"},
      {"Australia/Sydney", 36000, "AEST"},  // daylight saving in the southern summer
      {"UTC", 0, "UTC"},
  };
  for (const auto& c : cases) {
    vexatest::ScopedTimeZone zone(c.Tz);
    for (const int64_t at : {kWinter, kSummer}) {
      platform::TZoneInfo info;
      ASSERT_TRUE(platform::StandardZoneAt(at, info)) << c.Tz;
      EXPECT_EQ(info.OffsetSeconds, c.Offset) << c.Tz;
      EXPECT_EQ(info.Name, c.Name) << c.Tz;
      EXPECT_FALSE(info.Daylight);
    }
  }
}

TEST(TimeZones, LocalTimesAroundAChangeMapToOneInstant) {
  vexatest::ScopedTimeZone zone("Europe/Berlin");
  int64_t utc = 0;
  // 2023-10-29 02:30 happens twice; the earlier (summer time) instant wins.
  const int64_t twiceLocal = kAutumnChange + 1800 + 3600;  // 02:30 as if UTC
  ASSERT_TRUE(platform::LocalToUtc(twiceLocal, utc));
  EXPECT_EQ(utc, kAutumnChange - 1800);
  // 2023-03-26 02:30 never happens; it is read with winter time, i.e. 03:30 summer time.
  const int64_t skippedLocal = kSpringChange + 3600 + 1800;
  ASSERT_TRUE(platform::LocalToUtc(skippedLocal, utc));
  EXPECT_EQ(utc, kSpringChange + 1800);
  // Ordinary times on either side.
  ASSERT_TRUE(platform::LocalToUtc(kWinter + 3600, utc));
  EXPECT_EQ(utc, kWinter);
  ASSERT_TRUE(platform::LocalToUtc(kSummer + 7200, utc));
  EXPECT_EQ(utc, kSummer);
}

TEST(TimeZones, UnconvertibleInstantReportsTheSystemError) {
  platform::TZoneInfo info;
  std::string error;
  EXPECT_FALSE(platform::ZoneAt(INT64_MAX, info, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
