#include "alerts/TrackingLogs.h"

#include <charconv>
#include <cmath>

#include "alerts/Alerts.h"
#include "app/Settings.h"
#include "classify/Aliases.h"
#include "core/AdvAscii.h"
#include "core/AdvDates.h"
#include "core/AdvPaths.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"
#include "platform/Clock.h"

ADV_CLASS_IMPL(TTrackingLog, TAdvObject)

namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr std::string_view kNone = "-";
constexpr std::string_view kUnspecified = "<Unspecified>";
constexpr std::string_view kExtension = ".log";

// A local date-time as its day number and the milliseconds into that day,
// rounded to the millisecond as DecodeDate and DecodeTime read it: the whole
// part counts days (also before the epoch) and the fraction is the time of
// day; a time that rounds up to midnight belongs to the next day.
void SplitDateTime(double dateTime, int64_t& day, uint32_t& milliseconds) {
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3.0e6) dateTime = 0;
  const double whole = std::trunc(dateTime);
  int64_t ms = std::llround(std::fabs(dateTime - whole) * double(kMsPerDay));
  day = static_cast<int64_t>(whole);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    ++day;
  }
  milliseconds = static_cast<uint32_t>(ms);
}

bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 32 || c == 127;
}

}  // namespace

TTrackingLog::TTrackingLog() {
  m_buffer.reserve(kBlockSize + 4096);
}

TTrackingLog::~TTrackingLog() {
  try {
    Close();
  } catch (...) {
    // A log that cannot be written at shutdown loses its last lines only.
  }
}

// ---------------------------------------------------------------------------
// The two kinds of line and the filter

void TTrackingLog::WriteHit(const THit& hit) {
  if (!m_settings || !m_settings->TrackingLogActivity()) return;
  if (!PassesFilter(hit.Source())) return;
  const std::string user =
      m_userNames ? m_userNames->Lookup(hit.Source()) : std::string(hit.Source());
  WriteLine(user, hit.Data().SourceAddress, &hit, kNone, HitProtocolShortName(hit.Protocol()),
            hit.Initiated());
}

void TTrackingLog::WriteAlertLine(std::string_view user, uint32_t address,
                                  std::string_view alertName, const THit* hit) {
  if (!m_settings || !m_settings->TrackingLogAlerts()) return;
  if (!PassesFilter(user)) return;
  if (hit)
    WriteLine(user, address, hit, alertName, HitProtocolShortName(hit->Protocol()),
              hit->Initiated());
  else
    WriteLine(user, address, nullptr, alertName, kNone, AdvNow());
}

void TTrackingLog::WriteAlert(const TAlert& alert) {
  if (!m_settings || !m_settings->TrackingLogAlerts()) return;
  if (!PassesFilter(alert.User())) return;
  if (alert.Hits().Count() == 0 || !m_hitStore) {
    WriteLine(alert.User(), alert.IP(), nullptr, alert.Name(), kNone, AdvNow());
    return;
  }
  // The store's record stays valid until its next Get.
  const TVexaHit* hit = m_hitStore->GetHit(alert.Hits().Max());
  WriteLine(alert.User(), alert.IP(), hit, alert.Name(), HitProtocolShortName(hit->Protocol()),
            hit->Initiated());
}

bool TTrackingLog::PassesFilter(std::string_view name) {
  if (!m_settings) return true;
  const uint8_t mode = m_settings->TrackingLogFilterMode();
  if (mode != kTrackListedUsers && mode != kTrackListedDepartments) return true;
  std::string department;
  if (mode == kTrackListedDepartments) {
    department = m_departments ? m_departments->Lookup(name) : std::string(kMiscellaneous);
    name = department;
  }
  const TAdvStrings& criteria = m_settings->TrackingLogFilterCriteria();
  for (int i = 0; i < criteria.Count(); ++i)
    if (SameTextAscii(criteria.GetItem(i), name)) return true;
  return false;
}

// ---------------------------------------------------------------------------
// File names and files

std::string TTrackingLog::SafeFileNamePart(std::string_view user) {
  std::string safe(user);
  bool leading = true;
  for (char& c : safe) {
    if (leading && c == '.') {
      c = '_';
      continue;
    }
    leading = false;
    if (c == '/' || c == '\\' || IsControl(c)) c = '_';
  }
  return safe;
}

std::string TTrackingLog::FileNameFor(double dateTime, std::string_view user) const {
  int64_t day;
  uint32_t ms;
  SplitDateTime(dateTime, day, ms);
  std::string name;
  BuildFileName(name, FormatDateTimeText("yyyy-mm-dd", double(day)), user);
  return name;
}

void TTrackingLog::BuildFileName(std::string& name, std::string_view date,
                                 std::string_view user) const {
  name.assign(kFilePrefix);
  name += date;
  if (m_settings && m_settings->TrackingLogPerUser()) {
    const size_t fixed = name.size() + 1 + kExtension.size();
    name += ' ';
    name += SafeFileNamePart(user.substr(0, kMaxFileName - fixed));
  }
  name += kExtension;
}

bool TTrackingLog::UseFile(const std::string& name) {
  if (!m_name.empty() && name == m_name) return true;
  Close();
  if (name == m_failedName && platform::TicksSince(m_failedTick) < kRetryInterval) return false;
  try {
    OpenFile(name);
    m_failedName.clear();
    return true;
  } catch (const std::exception&) {
    // The line is lost; the next line for this name tries again (after the
    // retry interval).
    m_file = nullptr;
    m_name.clear();
    m_failedName = name;
    m_failedTick = platform::TickCount();
    return false;
  }
}

void TTrackingLog::OpenFile(const std::string& name) {
  std::string path = m_settings->TrackingLogLocation();
  if (path.back() != '/') path += '/';
  path += name;
  const bool existed = FileExists(path);
  TAdvRef<TAdvFile> file = AdvNew<TAdvFile>();
  // Created when missing, contents kept, others may read and write.
  file->OpenFile(path, 1, 3);
  file->SeekToEnd();
  if (!existed) {
    std::string directives = "#Software: Varnex Vexa Tracking Log " + m_version + "\r\n";
    directives += "#Version: 1.0\r\n";
    directives += kFieldsDirective;
    directives += "\r\n";
    file->Write(directives.data(), static_cast<uint32_t>(directives.size()));
  }
  m_file = std::move(file);
  m_name = name;
}

void TTrackingLog::Flush() {
  if (m_buffer.empty()) return;
  if (m_file) {
    try {
      m_file->Write(m_buffer.data(), static_cast<uint32_t>(m_buffer.size()));
    } catch (const std::exception&) {
      // A full disk or a vanished share: these lines are lost, and the next
      // line opens its file afresh.
      m_file = nullptr;
      m_name.clear();
    }
  }
  m_buffer.clear();
}

void TTrackingLog::Close() {
  Flush();
  if (m_file) {
    TAdvRef<TAdvFile> file = std::move(m_file);
    m_name.clear();
    file->CloseFile();
  }
  m_name.clear();
}

// ---------------------------------------------------------------------------
// Lines

void TTrackingLog::WriteLine(std::string_view user, uint32_t address, const THit* hit,
                             std::string_view alertText, std::string_view protocolText,
                             double dateTime) {
  if (!m_settings || m_settings->TrackingLogLocation().empty()) return;
  int64_t day;
  uint32_t ms;
  SplitDateTime(dateTime, day, ms);
  if (day != m_cachedDay) {
    const std::string text = FormatDateTimeText("yyyy-mm-dd", double(day));
    if (text.size() != sizeof(m_cachedDate)) return;  // a date no file can be named after
    text.copy(m_cachedDate, sizeof(m_cachedDate));
    m_cachedDay = day;
  }
  const std::string_view date(m_cachedDate, sizeof(m_cachedDate));

  // The file name, built in a reused buffer: the common case (same file as
  // the line before) allocates nothing.
  std::string& name = m_scratchName;
  BuildFileName(name, date, user);
  if (!UseFile(name)) return;

  const std::string& separator = m_settings->FormatSettings().TimeSeparator;
  std::string& out = m_buffer;
  out += date;
  out += '\t';
  AppendTwoDigits(ms / 3600000);
  out += separator;
  AppendTwoDigits(ms / 60000 % 60);
  out += separator;
  AppendTwoDigits(ms / 1000 % 60);
  out += '.';
  const uint32_t fraction = ms % 1000;
  out += char('0' + fraction / 100);
  AppendTwoDigits(fraction % 100);
  out += '\t';
  AppendField(user);
  out += '\t';
  for (int shift = 24; shift >= 0; shift -= 8) {
    AppendNumber((address >> shift) & 0xFF);
    if (shift) out += '.';
  }
  out += '\t';
  AppendField(protocolText);
  out += '\t';
  AppendField(alertText);
  out += '\t';
  if (hit) {
    AppendField(hit->Destination());
    out += '\t';
    if (IsWebLikeProtocol(hit->Protocol())) {
      AppendField(hit->Scheme());
      AppendField(hit->Destination());
      const std::string_view resource = hit->Resource();
      AppendField(SameTextAscii(resource, kUnspecified) ? std::string_view("/") : resource);
      if (!hit->Query().empty()) {
        out += '?';
        AppendField(hit->Query());
      }
    } else {
      out += kNone;
    }
    out += '\t';
    if (hit->Protocol() == kProtocolMail)
      AppendField(hit->Subject());
    else
      out += kNone;
    out += '\t';
    AppendNumber(hit->Size());
    out += '\t';
    AppendClock(hit->Data().TimeTaken);
  } else {
    out += "-\t-\t-\t0\t";
    AppendClock(0);
  }
  out += "\r\n";
  if (out.size() >= kBlockSize) Flush();
}

void TTrackingLog::AppendField(std::string_view value) {
  const size_t start = m_buffer.size();
  m_buffer += value;
  for (size_t i = start; i < m_buffer.size(); ++i)
    if (IsControl(m_buffer[i])) m_buffer[i] = ' ';
}

void TTrackingLog::AppendNumber(uint64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof(digits), value);
  m_buffer.append(digits, result.ptr);
}

void TTrackingLog::AppendTwoDigits(uint32_t value) {
  m_buffer += char('0' + value / 10 % 10);
  m_buffer += char('0' + value % 10);
}

void TTrackingLog::AppendClock(uint64_t milliseconds) {
  const uint64_t seconds = milliseconds / 1000;
  const uint64_t hours = seconds / 3600;
  if (hours < 10) m_buffer += '0';
  AppendNumber(hours);
  const std::string& separator = m_settings->FormatSettings().TimeSeparator;
  m_buffer += separator;
  AppendTwoDigits(static_cast<uint32_t>(seconds / 60 % 60));
  m_buffer += separator;
  AppendTwoDigits(static_cast<uint32_t>(seconds % 60));
}
