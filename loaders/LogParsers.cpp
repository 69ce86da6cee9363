#include "loaders/LogParsers.h"

#include "core/AdvDates.h"

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Milliseconds east of UTC in force at an instant, read back from the
// library's own conversion so both agree exactly.
int64_t OffsetAt(int64_t utcMilliseconds) {
  const double local = LocalDateTimeFromUtc(utcMilliseconds);
  const int64_t day = FloorDiv(utcMilliseconds, kMillisecondsPerDay);
  const double utc = double(day) + kUnixEpochDateTime +
                     double(utcMilliseconds - day * kMillisecondsPerDay) / kMillisecondsPerDay;
  const double seconds = (local - utc) * 86400.0;
  return int64_t(seconds < 0 ? seconds - 0.5 : seconds + 0.5) * 1000;
}

}  // namespace

double TLocalTimes::FromUtc(int64_t utcMilliseconds) {
  if (m_spanStart == kNoSpan || utcMilliseconds < m_spanStart ||
      utcMilliseconds >= m_spanStart + kSpan) {
    const int64_t start = FloorDiv(utcMilliseconds, kSpan) * kSpan;
    const int64_t offset = OffsetAt(start);
    if (offset != OffsetAt(start + kSpan - 1)) {
      m_spanStart = kNoSpan;
      return LocalDateTimeFromUtc(utcMilliseconds);
    }
    m_spanStart = start;
    m_offset = offset;
  }
  // As LocalDateTimeFromUtc: whole days plus the fraction of the day.
  const int64_t local = utcMilliseconds + m_offset;
  const int64_t day = FloorDiv(local, kMillisecondsPerDay);
  const int64_t ms = local - day * kMillisecondsPerDay;
  const double dayNumber = double(day) + kUnixEpochDateTime;
  const double fraction = double(ms) / kMillisecondsPerDay;
  return dayNumber >= 0 ? dayNumber + fraction : dayNumber - fraction;
}

int64_t DaysFromCivilDate(int32_t year, int32_t month, int32_t day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
