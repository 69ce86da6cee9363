#include "platform/TimeZones.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {

std::string SystemErrorText(int code) {
  char buffer[256];
  // The GNU strerror_r returns the text, which may or may not be the buffer.
  return strerror_r(code, buffer, sizeof buffer);
}

bool ZoneAt(int64_t utcSeconds, TZoneInfo& info, std::string* error) {
  const time_t t = static_cast<time_t>(utcSeconds);
  tm local{};
  errno = 0;
  if (!localtime_r(&t, &local)) {
    if (error) *error = SystemErrorText(errno ? errno : EOVERFLOW);
    return false;
  }
  info.OffsetSeconds = static_cast<int32_t>(local.tm_gmtoff);
  info.Daylight = local.tm_isdst > 0;
  info.Name = local.tm_zone ? local.tm_zone : "";
  return true;
}

bool StandardZoneAt(int64_t utcSeconds, TZoneInfo& info, std::string* error) {
  if (!ZoneAt(utcSeconds, info, error)) return false;
  if (!info.Daylight) return true;
  constexpr int64_t kHalfYear = 182 * 86400;
  TZoneInfo other;
  for (const int64_t candidate : {utcSeconds - kHalfYear, utcSeconds + kHalfYear}) {
    if (ZoneAt(candidate, other) && !other.Daylight) {
      info = other;
      return true;
    }
  }
  return true;
}

bool LocalToUtc(int64_t localSeconds, int64_t& utcSeconds, std::string* error) {
  // The offset of a local time is the offset in force at its UTC instant,
  // which depends on the offset: try the offsets in force a day either side
  // (those around any change), earlier one first, and keep the first that
  // reproduces the local time.
  TZoneInfo before, after;
  if (!ZoneAt(localSeconds - 86400, before, error) || !ZoneAt(localSeconds + 86400, after, error))
    return false;
  for (const int32_t offset : {before.OffsetSeconds, after.OffsetSeconds}) {
    TZoneInfo check;
    const int64_t candidate = localSeconds - offset;
    if (!ZoneAt(candidate, check, error)) return false;
    if (check.OffsetSeconds == offset) {
      utcSeconds = candidate;
      return true;
    }
  }
  // A skipped wall-clock time: read it with the offset before the change.
  utcSeconds = localSeconds - before.OffsetSeconds;
  return true;
}

}  // namespace platform
