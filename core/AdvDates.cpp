#include "core/AdvDates.h"

#include <cmath>

#include "core/AdvAscii.h"
#include "core/AdvNumbers.h"
#include "platform/Clock.h"
#include "platform/TimeZones.h"

namespace {

const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

// Date-times beyond this many days (about 270 000 years) are clamped before
// they are split, so that no conversion overflows.
constexpr double kDayLimit = 1e8;
// Day number of 1899-12-30 counted from 1970-01-01.
constexpr int64_t kEpochDay = -25569;

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int32_t& year, int32_t& month, int32_t& day) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = int32_t(doy - (153 * mp + 2) / 5 + 1);
  month = int32_t(mp < 10 ? mp + 3 : mp - 9);
  year = int32_t(yoe + era * 400 + (month <= 2));
}

// A date-time split into its day (1899-12-30 is 0) and the milliseconds of
// that day, following the sign convention in the header.
struct TDayTime {
  int64_t Day = 0;
  int64_t Ms = 0;
};

TDayTime Split(double value) {
  if (!std::isfinite(value)) value = 0;
  value = std::fmax(-kDayLimit, std::fmin(kDayLimit, value));
  const double whole = std::trunc(value);
  TDayTime result{int64_t(whole),
                  int64_t(std::nearbyint(std::fabs(value - whole) * kMillisecondsPerDay))};
  if (result.Ms >= kMillisecondsPerDay) {
    result.Ms -= kMillisecondsPerDay;
    result.Day += 1;
  }
  return result;
}

double Join(int64_t day, int64_t ms) {
  const double fraction = double(ms) / kMillisecondsPerDay;
  return day >= 0 ? double(day) + fraction : double(day) - fraction;
}

[[noreturn]] void ZoneError(const std::string& text) {
  throw EAdvDateTime(AdvFormat("Unable to get time zone information [%s]", {text}));
}

int32_t OffsetAtUtc(int64_t utcMilliseconds) {
  platform::TZoneInfo zone;
  std::string error;
  if (!platform::ZoneAt(FloorDiv(utcMilliseconds, 1000), zone, &error)) ZoneError(error);
  return zone.OffsetSeconds;
}

std::string OffsetText(int32_t offsetSeconds, std::string_view separator) {
  const int32_t minutes = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
  return AdvFormat("%s%.2d%s%.2d",
                   {offsetSeconds < 0 ? "-" : "+", minutes / 60, separator, minutes % 60});
}

bool Digit(char c) {
  return c >= '0' && c <= '9';
}

// Reads up to `maxDigits` digits at `pos`; false when there is none.
bool ReadNumber(std::string_view text, size_t& pos, int32_t& value, size_t maxDigits = 4) {
  const size_t start = pos;
  value = 0;
  while (pos < text.size() && Digit(text[pos]) && pos - start < maxDigits)
    value = value * 10 + (text[pos++] - '0');
  return pos > start && (pos >= text.size() || !Digit(text[pos]));
}

bool ReadSeparator(std::string_view text, size_t& pos, std::string_view separator) {
  if (!separator.empty() && text.substr(pos, separator.size()) == separator) {
    pos += separator.size();
    return true;
  }
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    return true;
  }
  return false;
}

}  // namespace

bool IsLeapYear(int32_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int32_t DaysInMonth(int32_t year, int32_t month) {
  static const int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && IsLeapYear(year));
}

bool TryEncodeDate(int32_t year, int32_t month, int32_t day, double& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  date = double(DaysFromCivil(year, month, day) - kEpochDay);
  return true;
}

double EncodeDateChecked(int32_t year, int32_t month, int32_t day,
                         const TAdvFormatSettings& settings) {
  double date = 0;
  if (!TryEncodeDate(year, month, day, date))
    throw EAdvDateTime(AdvFormat("Arguments to encode date are not valid (%0:d%3:s%1:d%3:s%2:d)",
                                 {year, month, day, settings.DateSeparator}));
  return date;
}

bool TryEncodeTime(int32_t hour, int32_t minute, int32_t second, int32_t millisecond,
                   double& time) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999)
    return false;
  time = double(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) / kMillisecondsPerDay;
  return true;
}

double EncodeTime(int32_t hour, int32_t minute, int32_t second, int32_t millisecond) {
  double time = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, time))
    throw EAdvDateTime(AdvFormat("Arguments to encode time are not valid (%d:%d:%d.%d)",
                                 {hour, minute, second, millisecond}));
  return time;
}

double EncodeDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                      int32_t second, int32_t millisecond) {
  const double date = EncodeDate(year, month, day);
  const double time = EncodeTime(hour, minute, second, millisecond);
  return Join(int64_t(date), int64_t(std::nearbyint(time * kMillisecondsPerDay)));
}

void DecodeDate(double dateTime, int32_t& year, int32_t& month, int32_t& day) {
  CivilFromDays(Split(dateTime).Day + kEpochDay, year, month, day);
}

void DecodeTime(double dateTime, int32_t& hour, int32_t& minute, int32_t& second,
                int32_t& millisecond) {
  const int64_t ms = Split(dateTime).Ms;
  hour = int32_t(ms / 3600000);
  minute = int32_t(ms / 60000 % 60);
  second = int32_t(ms / 1000 % 60);
  millisecond = int32_t(ms % 1000);
}

int32_t DayOfWeekIndex(double dateTime) {
  // 1899-12-30, day 0, was a Saturday.
  return int32_t(((Split(dateTime).Day + 6) % 7 + 7) % 7);
}

int32_t WeekOfYear(double dateTime) {
  const int64_t day = Split(dateTime).Day;
  int32_t year, month, dayOfMonth;
  CivilFromDays(day + kEpochDay, year, month, dayOfMonth);
  const int64_t january1 = DaysFromCivil(year, 1, 1) - kEpochDay;
  const int64_t sunday = january1 - DayOfWeekIndex(double(january1));
  return int32_t((day - sunday) / 7);
}

int32_t HourOf(double dateTime) {
  return int32_t(Split(dateTime).Ms / 3600000);
}

int32_t MonthIndex(double dateTime) {
  int32_t year, month, day;
  DecodeDate(dateTime, year, month, day);
  return month - 1;
}

int32_t YearOf(double dateTime) {
  int32_t year, month, day;
  DecodeDate(dateTime, year, month, day);
  return year;
}

std::string FormatDateTimeText(std::string_view pattern, double dateTime,
                               const TAdvFormatSettings& settings) {
  int32_t year, month, day, hour, minute, second, ms;
  DecodeDate(dateTime, year, month, day);
  DecodeTime(dateTime, hour, minute, second, ms);
  const auto has = [&](std::string_view token) {
    for (size_t i = 0; i + token.size() <= pattern.size(); ++i)
      if (SameTextAscii(pattern.substr(i, token.size()), token)) return true;
    return false;
  };
  const bool twelveHour = has("am/pm") || has("a/p");
  const int32_t clockHour = twelveHour ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
  const auto two = [](int32_t v) { return AdvFormat("%.2d", {v}); };

  std::string out;
  bool afterHour = false;  // an "m" run right after an hour means minutes
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const char upper = AsciiUpper(c);
    size_t run = 1;
    while (i + run < pattern.size() && AsciiUpper(pattern[i + run]) == upper) ++run;
    if (c == '\'' || c == '"') {
      const size_t close = pattern.find(c, i + 1);
      out.append(pattern.substr(i + 1, close == std::string_view::npos ? close : close - i - 1));
      i = close == std::string_view::npos ? pattern.size() : close + 1;
      continue;
    }
    if (upper == 'A' && SameTextAscii(pattern.substr(i, 5), "am/pm")) {
      out += hour < 12 ? "AM" : "PM";
      i += 5;
      continue;
    }
    if (upper == 'A' && SameTextAscii(pattern.substr(i, 3), "a/p")) {
      out += hour < 12 ? "A" : "P";
      i += 3;
      continue;
    }
    bool hourToken = false;
    switch (upper) {
      case 'D':
        out += run == 1   ? std::to_string(day)
               : run == 2 ? two(day)
               : run == 3 ? kShortDays[DayOfWeekIndex(dateTime)]
                          : kLongDays[DayOfWeekIndex(dateTime)];
        break;
      case 'M':
        if (afterHour && run <= 2)
          out += run == 1 ? std::to_string(minute) : two(minute);
        else
          out += run == 1   ? std::to_string(month)
                 : run == 2 ? two(month)
                 : run == 3 ? kShortMonths[month - 1]
                            : kLongMonths[month - 1];
        break;
      case 'Y':
        out += run <= 2 ? two(year % 100) : AdvFormat("%.4d", {year});
        break;
      case 'H':
        out += run == 1 ? std::to_string(clockHour) : two(clockHour);
        hourToken = true;
        break;
      case 'N':
        out += run == 1 ? std::to_string(minute) : two(minute);
        break;
      case 'S':
        out += run == 1 ? std::to_string(second) : two(second);
        break;
      case 'Z':
        out += run >= 3 ? AdvFormat("%.3d", {ms}) : std::to_string(ms);
        break;
      case '/':
        for (size_t k = 0; k < run; ++k) out += settings.DateSeparator;
        break;
      case ':':
        for (size_t k = 0; k < run; ++k) out += settings.TimeSeparator;
        break;
      default:
        out.append(pattern.substr(i, run));
        break;
    }
    // Separators and blanks between an hour and its minutes keep the link.
    if (hourToken)
      afterHour = true;
    else if (upper != ':' && upper != ' ' && upper != '/')
      afterHour = false;
    i += run;
  }
  return out;
}

std::string ShortDateText(double dateTime, const TAdvFormatSettings& settings) {
  return FormatDateTimeText(settings.ShortDateFormat, dateTime, settings);
}

std::string DateTimeText(double dateTime, const TAdvFormatSettings& settings) {
  return ShortDateText(dateTime, settings) + " " +
         FormatDateTimeText(settings.LongTimeFormat, dateTime, settings);
}

std::string RfcDateText(double localDateTime) {
  int32_t year, month, day, hour, minute, second, ms;
  DecodeDate(localDateTime, year, month, day);
  DecodeTime(localDateTime, hour, minute, second, ms);
  return AdvFormat("%s, %d %s %d %.2d:%.2d:%.2d %s",
                   {kShortDays[DayOfWeekIndex(localDateTime)], day, kShortMonths[month - 1], year,
                    hour, minute, second, ZoneText(localDateTime)});
}

std::string ZoneText(double localDateTime) {
  return OffsetText(OffsetAtUtc(UtcFromLocalDateTime(localDateTime)), "");
}

std::string ZoneText() {
  return OffsetText(OffsetAtUtc(platform::UtcMilliseconds()), "");
}

std::string ZoneTextSeparated(double localDateTime, const TAdvFormatSettings& settings) {
  const int32_t offset = OffsetAtUtc(UtcFromLocalDateTime(localDateTime));
  return offset == 0 ? "GMT" : OffsetText(offset, settings.TimeSeparator);
}

std::string ZoneTextSeparated() {
  // From the UTC instant itself: going through the local time would be
  // ambiguous in the hour that clocks go back.
  const int32_t offset = OffsetAtUtc(platform::UtcMilliseconds());
  return offset == 0 ? "GMT" : OffsetText(offset, DefaultFormatSettings().TimeSeparator);
}

std::string ZoneName() {
  platform::TZoneInfo zone;
  std::string error;
  if (!platform::StandardZoneAt(FloorDiv(platform::UtcMilliseconds(), 1000), zone, &error))
    ZoneError(error);
  return zone.Name;
}

namespace {
double LocalAtOffset(int64_t utcMilliseconds, int32_t offsetSeconds) {
  const int64_t local = utcMilliseconds + int64_t(offsetSeconds) * 1000;
  const int64_t day = FloorDiv(local, kMillisecondsPerDay);
  return Join(day - kEpochDay, local - day * kMillisecondsPerDay);
}
}  // namespace

double LocalDateTimeFromUtc(int64_t utcMilliseconds) {
  return LocalAtOffset(utcMilliseconds, OffsetAtUtc(utcMilliseconds));
}

int64_t UtcFromLocalDateTime(double localDateTime) {
  const TDayTime split = Split(localDateTime);
  const int64_t local = (split.Day + kEpochDay) * kMillisecondsPerDay + split.Ms;
  const int64_t seconds = FloorDiv(local, 1000);
  int64_t utc = 0;
  std::string error;
  if (!platform::LocalToUtc(seconds, utc, &error)) ZoneError(error);
  return utc * 1000 + (local - seconds * 1000);
}

double AdvNow() {
  return LocalDateTimeFromUtc(platform::UtcMilliseconds());
}

double TAdvLocalClock::Now() {
  const int64_t utc = platform::UtcMilliseconds();
  const int64_t second = FloorDiv(utc, 1000);
  if (second != m_second) {
    m_offset = OffsetAtUtc(utc);
    m_second = second;
  }
  return LocalAtOffset(utc, m_offset);
}

std::string ElapsedText(int64_t milliseconds, const TAdvFormatSettings& settings) {
  const uint64_t magnitude =
      milliseconds < 0 ? uint64_t(0) - uint64_t(milliseconds) : uint64_t(milliseconds);
  const uint64_t seconds = magnitude / 1000;
  return (milliseconds < 0 ? "-" : "") +
         AdvFormat("%1:.2d%0:s%2:.2d%0:s%3:.2d",
                   {settings.TimeSeparator, seconds / 3600, seconds / 60 % 60, seconds % 60});
}

int64_t ParseElapsed(std::string_view text, const TAdvFormatSettings& settings) {
  static const int64_t kScale[] = {3600000, 60000, 1000, 1};
  const std::string_view separator =
      settings.TimeSeparator.empty() ? std::string_view(":") : settings.TimeSeparator;
  int64_t total = 0;
  size_t start = 0;
  for (int field = 0; field < 4 && start <= text.size(); ++field) {
    const size_t cut = text.find(separator, start);
    const std::string_view piece =
        text.substr(start, cut == std::string_view::npos ? cut : cut - start);
    const int64_t value = ParseInteger64(piece, 0);
    int64_t part = 0;
    // Saturate instead of overflowing: a duration of 10^15 hours is nonsense
    // anyway, but must not wrap round into a small or negative one.
    if (__builtin_mul_overflow(value, kScale[field], &part) ||
        __builtin_add_overflow(total, part, &total))
      return value < 0 ? INT64_MIN : INT64_MAX;
    if (cut == std::string_view::npos) break;
    start = cut + separator.size();
  }
  return total;
}

bool ParseTime(std::string_view text, double& fraction, const TAdvFormatSettings& settings) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  int32_t hour = 0, minute = 0, second = 0;
  double secondFraction = 0;
  if (!ReadNumber(text, pos, hour)) return false;
  if (ReadSeparator(text, pos, settings.TimeSeparator)) {
    if (!ReadNumber(text, pos, minute)) return false;
    if (ReadSeparator(text, pos, settings.TimeSeparator)) {
      if (!ReadNumber(text, pos, second)) return false;
      const std::string_view decimal = settings.DecimalSeparator;
      if (!decimal.empty() && text.substr(pos, decimal.size()) == decimal) {
        pos += decimal.size();
        double scale = 0.1;
        if (pos >= text.size() || !Digit(text[pos])) return false;
        for (; pos < text.size() && Digit(text[pos]); ++pos, scale /= 10)
          secondFraction += (text[pos] - '0') * scale;
      }
    }
  }
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  int meridiem = 0;  // 1 for AM, 2 for PM
  if (pos < text.size() && (AsciiUpper(text[pos]) == 'A' || AsciiUpper(text[pos]) == 'P')) {
    meridiem = AsciiUpper(text[pos]) == 'A' ? 1 : 2;
    ++pos;
    if (pos < text.size() && AsciiUpper(text[pos]) == 'M') ++pos;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  }
  if (pos != text.size() || minute > 59 || second > 59) return false;
  if (meridiem != 0) {
    if (hour > 12) return false;
    hour = hour % 12 + (meridiem == 2 ? 12 : 0);
  } else if (hour > 23) {
    return false;
  }
  fraction = ((hour * 60.0 + minute) * 60.0 + second + secondFraction) / 86400.0;
  return true;
}

double ParseTimeStrict(std::string_view text, const TAdvFormatSettings& settings) {
  double fraction = 0;
  if (!ParseTime(text, fraction, settings))
    throw EAdvDateTime(AdvFormat("'%s' is not a valid time", {text}));
  return fraction;
}
