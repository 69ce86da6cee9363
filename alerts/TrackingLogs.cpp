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

TTrackingLog::TTrackingLog() = default;

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
  const std::string_view user = m_userNames ? m_userNames->LookupView(hit.Source()) : hit.Source();
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

TTrackingLog::TOpenFile* TTrackingLog::UseFile(const std::string& name) {
  const std::string& folder = m_settings->TrackingLogLocation();
  TOpenFile* file = nullptr;
  if (m_current && m_current->Name == name && m_current->Folder == folder) {
    file = m_current;
  } else {
    for (const auto& open : m_files)
      if (open->Name == name && open->Folder == folder) file = open.get();
  }
  if (!file) {
    m_current = nullptr;
    if (name == m_failedName && folder == m_failedFolder &&
        platform::TicksSince(m_failedTick) < kRetryInterval)
      return nullptr;
    if (m_files.size() >= kMaxOpenFiles) {
      size_t oldest = 0;
      for (size_t i = 1; i < m_files.size(); ++i)
        if (m_files[i]->LastUse < m_files[oldest]->LastUse) oldest = i;
      CloseAt(oldest);
    }
    try {
      m_files.push_back(OpenFile(folder, name));
      file = m_files.back().get();
      m_failedName.clear();
    } catch (const std::exception&) {
      // The line is lost; the next line for this file tries again (after
      // the retry interval).
      m_failedFolder = folder;
      m_failedName = name;
      m_failedTick = platform::TickCount();
      return nullptr;
    }
  }
  file->LastUse = ++m_uses;
  file->Used = true;
  m_current = file;
  return file;
}

std::unique_ptr<TTrackingLog::TOpenFile> TTrackingLog::OpenFile(const std::string& folder,
                                                                const std::string& name) {
  std::string path = folder;
  if (path.back() != '/') path += '/';
  path += name;
  const bool existed = FileExists(path);
  auto open = std::make_unique<TOpenFile>();
  open->Folder = folder;
  open->Name = name;
  open->File = AdvNew<TAdvFile>();
  // Created when missing, contents kept, others may read and write.
  open->File->OpenFile(path, 1, 3);
  open->File->SeekToEnd();
  if (!existed) {
    std::string directives = "#Software: Varnex Vexa Tracking Log " + m_version + "\r\n";
    directives += "#Version: 1.0\r\n";
    directives += kFieldsDirective;
    directives += "\r\n";
    open->File->Write(directives.data(), static_cast<uint32_t>(directives.size()));
  }
  open->Buffer.reserve(kBlockSize + 4096);
  return open;
}

bool TTrackingLog::WriteOut(TOpenFile& file) {
  if (file.Buffer.empty()) return true;
  try {
    file.File->Write(file.Buffer.data(), static_cast<uint32_t>(file.Buffer.size()));
    file.Buffer.clear();
    return true;
  } catch (const std::exception&) {
    // A full disk or a vanished share: these lines are lost.
    file.Buffer.clear();
    return false;
  }
}

void TTrackingLog::CloseAt(size_t index) {
  std::unique_ptr<TOpenFile> file = std::move(m_files[index]);
  m_files.erase(m_files.begin() + static_cast<ptrdiff_t>(index));
  if (m_current == file.get()) m_current = nullptr;
  WriteOut(*file);
  try {
    file->File->CloseFile();
  } catch (const std::exception&) {
    // Nothing more to lose.
  }
}

void TTrackingLog::Flush() {
  for (size_t i = m_files.size(); i-- > 0;) {
    TOpenFile& file = *m_files[i];
    if (!WriteOut(file) || !file.Used)
      CloseAt(i);
    else
      file.Used = false;
  }
}

void TTrackingLog::Close() {
  while (!m_files.empty()) CloseAt(m_files.size() - 1);
  m_current = nullptr;
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
  TOpenFile* file = UseFile(name);
  if (!file) return;

  const std::string& separator = m_settings->FormatSettings().TimeSeparator;
  m_out = &file->Buffer;
  std::string& out = file->Buffer;
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
  if (out.size() >= kBlockSize && !WriteOut(*file)) {
    for (size_t i = 0; i < m_files.size(); ++i)
      if (m_files[i].get() == file) CloseAt(i);
  }
}

void TTrackingLog::AppendField(std::string_view value) {
  std::string& out = *m_out;
  const size_t start = out.size();
  out += value;
  for (size_t i = start; i < out.size(); ++i)
    if (IsControl(out[i])) out[i] = ' ';
}

void TTrackingLog::AppendNumber(uint64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof(digits), value);
  m_out->append(digits, result.ptr);
}

void TTrackingLog::AppendTwoDigits(uint32_t value) {
  *m_out += char('0' + value / 10 % 10);
  *m_out += char('0' + value % 10);
}

void TTrackingLog::AppendClock(uint64_t milliseconds) {
  const uint64_t seconds = milliseconds / 1000;
  const uint64_t hours = seconds / 3600;
  if (hours < 10) *m_out += '0';
  AppendNumber(hours);
  const std::string& separator = m_settings->FormatSettings().TimeSeparator;
  *m_out += separator;
  AppendTwoDigits(static_cast<uint32_t>(seconds / 60 % 60));
  *m_out += separator;
  AppendTwoDigits(static_cast<uint32_t>(seconds % 60));
}
