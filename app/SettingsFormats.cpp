// The display units and the formatters of TSettings, and the purge cut-off.
#include <cmath>

#include "app/Settings.h"
#include "core/AdvDates.h"

namespace {

struct TUnitNames {
  std::string_view Long;
  std::string_view Short;
  int64_t Divisor;
};

constexpr TUnitNames kSizeUnits[kSizeUnitCount] = {
    {"Bytes", "B", 1},
    {"Kilobytes", "KB", 1024},
    {"Megabytes", "MB", 1048576},
    {"Gigabytes", "GB", 1073741824},
};

constexpr TUnitNames kDurationUnits[kDurationUnitCount] = {
    {"H:M:S", "H:M:S", 0},    {"Hours", "Hrs", 3600000},   {"Minutes", "Mns", 60000},
    {"Seconds", "Sec", 1000}, {"Milliseconds", "Msec", 1},
};

const TUnitNames& SizeUnit(uint8_t unit) {
  return kSizeUnits[unit < kSizeUnitCount ? unit : kSizeKilobytes];
}
const TUnitNames& DurationUnit(uint8_t unit) {
  return kDurationUnits[unit < kDurationUnitCount ? unit : kDurationClock];
}

// Whole seconds of a date-time, rounded half to even; 0 for no finite number.
int64_t RoundedSeconds(double dateTime) {
  const double seconds = std::nearbyint(dateTime * 86400.0);
  if (!std::isfinite(seconds)) return 0;
  if (seconds >= 9.2e18) return INT64_MAX;
  if (seconds <= -9.2e18) return INT64_MIN;
  return int64_t(seconds);
}

}  // namespace

std::string_view SizeUnitLongName(uint8_t unit) {
  return SizeUnit(unit).Long;
}
std::string_view SizeUnitShortName(uint8_t unit) {
  return SizeUnit(unit).Short;
}
int64_t SizeUnitDivisor(uint8_t unit) {
  return SizeUnit(unit).Divisor;
}
std::string_view DurationUnitLongName(uint8_t unit) {
  return DurationUnit(unit).Long;
}
std::string_view DurationUnitShortName(uint8_t unit) {
  return DurationUnit(unit).Short;
}
int64_t DurationUnitDivisor(uint8_t unit) {
  return DurationUnit(unit).Divisor;
}

std::string TSettings::FormatCount(int64_t count) const {
  return AdvFormat(m_format, "%.0n", {count});
}

std::string TSettings::FormatElapsed(int64_t milliseconds) const {
  switch (m_duration) {
    case kDurationHours:
      return AdvFormat(m_format, "%.3n", {double(milliseconds) / 3600000.0});
    case kDurationMinutes:
      return AdvFormat(m_format, "%.2n", {double(milliseconds) / 60000.0});
    case kDurationSeconds:
      return AdvFormat(m_format, "%.1n", {double(milliseconds) / 1000.0});
    case kDurationMilliseconds:
      return AdvFormat(m_format, "%.0n", {milliseconds});
    default:
      // Under a second (a negative duration included) there is nothing to
      // show in whole seconds.
      if (milliseconds < 1000) return "< " + ElapsedText(1000, m_format);
      return ElapsedText(milliseconds, m_format);
  }
}

std::string TSettings::FormatElapsedSeconds(int64_t seconds) const {
  int64_t milliseconds;
  if (__builtin_mul_overflow(seconds, int64_t(1000), &milliseconds))
    milliseconds = seconds < 0 ? INT64_MIN : INT64_MAX;
  return FormatElapsed(milliseconds);
}

std::string TSettings::FormatElapsedSecondsWithUnit(int64_t seconds) const {
  std::string text = FormatElapsedSeconds(seconds);
  if (m_duration != kDurationClock) {
    text += ' ';
    text += DurationUnitShortName(m_duration);
  }
  return text;
}

std::string TSettings::FormatSize(int64_t bytes) const {
  const std::string format = AdvFormat("%%.%dn", {int32_t(m_size)});
  return AdvFormat(m_format, format, {double(bytes) / double(SizeUnitDivisor(m_size))});
}

std::string TSettings::FormatSizeWithUnit(int64_t bytes) const {
  std::string text = FormatSize(bytes);
  text += ' ';
  text += SizeUnitShortName(m_size);
  return text;
}

std::string TSettings::ElapsedCaption(std::string_view caption) const {
  std::string text(caption);
  text += " (";
  text += DurationUnitShortName(m_duration);
  text += ')';
  return text;
}

std::string TSettings::SizeCaption(std::string_view caption) const {
  std::string text(caption);
  text += " (";
  text += SizeUnitShortName(m_size);
  text += ')';
  return text;
}

// ---------------------------------------------------------------------------

double TSettings::PurgeCutoff() const {
  return PurgeCutoff(AdvNow());
}
int64_t TSettings::PurgeCutoffSeconds() const {
  return PurgeCutoffSeconds(AdvNow());
}

double TSettings::PurgeCutoff(double now) const {
  switch (m_purgeMode) {
    case kPurgeByAge:
      return now - double(m_purgeAge) / double(kMillisecondsPerDay);
    case kPurgeBeforeToday:
      return std::trunc(now);
    default:
      return 0;
  }
}

int64_t TSettings::PurgeCutoffSeconds(double now) const {
  switch (m_purgeMode) {
    case kPurgeByAge: {
      int64_t cutoff;
      if (__builtin_sub_overflow(RoundedSeconds(now), m_purgeAge / 1000, &cutoff))
        cutoff = m_purgeAge > 0 ? INT64_MIN : INT64_MAX;
      return cutoff;
    }
    case kPurgeBeforeToday:
      return RoundedSeconds(std::trunc(now));
    default:
      return 0;
  }
}
