// Dates and times. A date-time is a double counting days since 1899-12-30
// 00:00 local time, the fraction being the time of day. A negative value
// counts whole days back from that date while its fraction still moves
// forward into the day: -1.25 is 1899-12-29 06:00.
//
// Texts use TAdvFormatSettings for separators and patterns; names of days and
// months are English, which is what mail headers and logs need. Conversions
// between UTC instants and local date-times go through the platform's time
// zone, asked afresh each time.
//
// Errors: EncodeDateChecked, EncodeTime, ParseTimeStrict and every routine
// that needs the time zone raise EAdvDateTime; the others never raise.
//
// Thread safety: all functions may be called from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvFormats.h"

// The date-time of 1970-01-01 00:00.
constexpr double kUnixEpochDateTime = 25569.0;
constexpr int64_t kMillisecondsPerDay = 86400000;

bool IsLeapYear(int32_t year);
// 28..31; 0 for a month outside 1..12.
int32_t DaysInMonth(int32_t year, int32_t month);

// Year 1..9999, month 1..12, day 1..the month's length (Gregorian leap years).
bool TryEncodeDate(int32_t year, int32_t month, int32_t day, double& date);
// As TryEncodeDate, raising EAdvDateTime "Arguments to encode date are not
// valid (y/m/d)" with the settings' date separator for invalid arguments.
double EncodeDateChecked(int32_t year, int32_t month, int32_t day,
                         const TAdvFormatSettings& settings = DefaultFormatSettings());
inline double EncodeDate(int32_t year, int32_t month, int32_t day) {
  return EncodeDateChecked(year, month, day);
}
// Hours 0..23, minutes and seconds 0..59, milliseconds 0..999.
bool TryEncodeTime(int32_t hour, int32_t minute, int32_t second, int32_t millisecond, double& time);
// Raises EAdvDateTime for invalid arguments.
double EncodeTime(int32_t hour, int32_t minute, int32_t second, int32_t millisecond = 0);
// A date and a time of day together (raises like the two above).
double EncodeDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                      int32_t second, int32_t millisecond = 0);

// The parts of a date-time, rounded to the nearest millisecond (a time that
// rounds up to midnight belongs to the next day). Values that are no finite
// number count as 0.
void DecodeDate(double dateTime, int32_t& year, int32_t& month, int32_t& day);
void DecodeTime(double dateTime, int32_t& hour, int32_t& minute, int32_t& second,
                int32_t& millisecond);

// 0 for Sunday to 6 for Saturday.
int32_t DayOfWeekIndex(double dateTime);
// Whole weeks since the Sunday on or before 1 January of the date's year
// (0 for the first days of January).
int32_t WeekOfYear(double dateTime);
int32_t HourOf(double dateTime);
// 0 for January to 11 for December.
int32_t MonthIndex(double dateTime);
int32_t YearOf(double dateTime);

// A date-time as text by a pattern:
//   d dd ddd dddd   day, two-digit day, "Sun", "Sunday"
//   m mm mmm mmmm   month, two-digit month, "Jan", "January"; right after an
//                   hour, m and mm mean minutes
//   yy yyyy         two- and four-digit year
//   h hh  n nn  s ss  z zzz   hour, minute, second, millisecond
//   am/pm a/p       "AM"/"PM" ("A"/"P"), and hours on the 12-hour clock
//   /  :            the settings' date and time separators
//   'text' "text"   literal text; any other character stands for itself
std::string FormatDateTimeText(std::string_view pattern, double dateTime,
                               const TAdvFormatSettings& settings = DefaultFormatSettings());
// The settings' short date format.
std::string ShortDateText(double dateTime,
                          const TAdvFormatSettings& settings = DefaultFormatSettings());
// The short date format, a blank and the long time format.
std::string DateTimeText(double dateTime,
                         const TAdvFormatSettings& settings = DefaultFormatSettings());
// The mail date "Sun, 6 Mar 2011 09:05:01 +0100": English day and month
// abbreviations and ZoneText of the same instant.
std::string RfcDateText(double localDateTime);

// The UTC offset in force at a local date-time, "+hhmm" east of Greenwich,
// "-hhmm" west, "+0000" on UTC. Without an argument: now.
std::string ZoneText(double localDateTime);
std::string ZoneText();
// The same as "+hh:mm" with the settings' time separator, and "GMT" for UTC.
std::string ZoneTextSeparated(double localDateTime,
                              const TAdvFormatSettings& settings = DefaultFormatSettings());
std::string ZoneTextSeparated();
// The abbreviation of the current zone's standard time ("CET", "EST",
// "UTC"), or empty.
std::string ZoneName();

// Local date-time <-> UTC milliseconds since 1970-01-01. A local time that
// occurs twice when clocks go back is read as the earlier instant.
double LocalDateTimeFromUtc(int64_t utcMilliseconds);
int64_t UtcFromLocalDateTime(double localDateTime);
// The current local date-time from the program's clock (platform/Clock.h).
double AdvNow();

// AdvNow for a caller that asks many times a second (once per hit): the zone
// offset is looked up again only when the UTC second changes, since offsets
// change on whole seconds. (The C library itself reads a changed TZ setting
// only when told to, so a zone change shows from the next second on.)
class TAdvLocalClock {
 public:
  double Now();

 private:
  int64_t m_second = INT64_MIN;
  int32_t m_offset = 0;
};

// Hours (not limited to 99), minutes and seconds with two digits each, joined
// by the time separator: 90 061 000 ms is "25:01:01". Milliseconds are
// dropped; a negative duration is written with a leading "-".
std::string ElapsedText(int64_t milliseconds,
                        const TAdvFormatSettings& settings = DefaultFormatSettings());
// Up to four fields split at the time separator: hours, minutes, seconds,
// milliseconds. A field that is no number counts as 0; more fields are ignored.
int64_t ParseElapsed(std::string_view text,
                     const TAdvFormatSettings& settings = DefaultFormatSettings());

// A time of day as a fraction of a day: leading blanks, hours, then optionally
// separator and minutes, then optionally separator, seconds and a fraction
// (after the decimal separator), then optionally blanks and "A"/"P" (either
// case, "M" may follow) for the 12-hour clock. The separator is the settings'
// time separator or ":". Anything else, or a part out of range, fails.
bool ParseTime(std::string_view text, double& fraction,
               const TAdvFormatSettings& settings = DefaultFormatSettings());
// Raises EAdvDateTime "'<text>' is not a valid time" where ParseTime fails.
double ParseTimeStrict(std::string_view text,
                       const TAdvFormatSettings& settings = DefaultFormatSettings());
