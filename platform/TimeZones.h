// The machine's time zone: the offset from UTC in force at an instant, the
// standard (non-daylight) offset around it, and the zone's names.
//
// Every call asks the C library afresh (localtime_r, tm_gmtoff, tm_zone), so
// a changed TZ is seen after tzset(). Offsets are seconds east of UTC (Berlin
// in winter is +3600, New York -18000).
//
// Thread safety: localtime_r and the returned tm_zone names are safe to use
// from any thread; only changing TZ itself (tests) must not race with calls.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct TZoneInfo {
  int32_t OffsetSeconds = 0;  // east of UTC
  bool Daylight = false;      // daylight saving time in force
  std::string Name;           // abbreviation, e.g. "CET", "CEST", "UTC"; may be empty
};

// The zone in force at `utcSeconds` (since 1970-01-01 UTC). False when the
// system cannot convert the instant; `error` then receives the system's text.
bool ZoneAt(int64_t utcSeconds, TZoneInfo& info, std::string* error = nullptr);

// The standard-time zone around `utcSeconds`: the instant itself when no
// daylight saving is in force then, otherwise the nearest of half a year
// earlier or later that is on standard time; the instant's own zone when the
// zone keeps daylight saving all year.
bool StandardZoneAt(int64_t utcSeconds, TZoneInfo& info, std::string* error = nullptr);

// The UTC instant of a local wall-clock time, given as seconds since
// 1970-01-01 as if the local time were UTC. A time that occurs twice (when
// clocks go back) gives the earlier instant; a time skipped when clocks go
// forward is read with the offset in force before the change.
bool LocalToUtc(int64_t localSeconds, int64_t& utcSeconds, std::string* error = nullptr);

// The system's text for an errno value (thread-safe strerror).
std::string SystemErrorText(int code);

}  // namespace platform
