// The common face of the log-line parsers, and the conversion of logged
// instants into the program's local date-times.
//
// A parser turns the bytes of one complete log line (without its line end)
// into a hit. It is plain code: no stream, no host, no allocation per line,
// so the loader plug-ins stay thin and the parsers are tested and measured
// on their own. A parser may keep state between lines (the W3C field list);
// Reset forgets it, for a new file.
//
// Thread safety: a parser belongs to one reader at a time (one input's
// thread); different parser objects are independent.
#pragma once

#include <cstdint>
#include <string_view>

class THit;

// What a line gave.
enum class TParseResult : uint8_t {
  Hit,    // the hit is filled: every field the format knows set, the rest cleared
  Skip,   // a line without a hit (a comment, a header, a blank line)
  Error,  // the line is malformed; Message() says why
};

// Local date-times of UTC instants, remembering the zone offset of the last
// quarter hour asked for: logs are written in time order, so nearly every
// line lands in the remembered span and costs no call into the time zone
// database. A span that holds a change of offset is never remembered.
class TLocalTimes {
 public:
  // The local date-time of `utcMilliseconds` (since 1970-01-01 UTC), the
  // same value LocalDateTimeFromUtc gives. Raises EAdvDateTime when the
  // system cannot convert the instant.
  double FromUtc(int64_t utcMilliseconds);
  // Forgets the remembered span (after the machine's zone changed).
  void Reset() { m_spanStart = kNoSpan; }

 private:
  static constexpr int64_t kSpan = 15 * 60 * 1000;
  static constexpr int64_t kNoSpan = INT64_MIN;

  int64_t m_spanStart = kNoSpan;  // UTC ms; the span is [start, start + kSpan)
  int64_t m_offset = 0;           // ms east of UTC throughout the span
};

class TLogParser {
 public:
  virtual ~TLogParser() = default;

  // Fills `hit` from `line` (without CR or LF). `position` is the byte
  // offset of the line in its file; it becomes the hit's Position.
  virtual TParseResult Parse(std::string_view line, int64_t position, THit& hit) = 0;
  // Forgets what was learnt from earlier lines (a new file begins).
  virtual void Reset() {}
  // Why the last line was refused; a static text.
  const char* Message() const { return m_message; }

  // Shifts every time read by this amount of days (the loader's Timezone).
  void SetTimeOffset(double days) { m_timeOffset = days; }
  double TimeOffset() const { return m_timeOffset; }

 protected:
  TParseResult Fail(const char* message) {
    m_message = message;
    return TParseResult::Error;
  }
  double LocalTime(int64_t utcMilliseconds) {
    return m_times.FromUtc(utcMilliseconds) + m_timeOffset;
  }

 private:
  const char* m_message = "";
  double m_timeOffset = 0;
  TLocalTimes m_times;
};

// Days from 1970-01-01 of a Gregorian date (no range check).
int64_t DaysFromCivilDate(int32_t year, int32_t month, int32_t day);
