#include "alerts/TrackingLogs.h"

#include <charconv>
#include <cstring>
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

// Writes a line into room made for it beforehand.
struct TLineWriter {
  char* At;

  void Char(char c) { *At++ = c; }
  void Text(std::string_view text) {
    std::memcpy(At, text.data(), text.size());
    At += text.size();
  }
  // A field's text, control characters (tabs, line ends) made blanks.
  void Field(std::string_view value) {
    for (const char c : value) *At++ = IsControl(c) ? ' ' : c;
  }
  void Number(uint64_t value) { At = std::to_chars(At, At + 20, value).ptr; }
  void TwoDigits(uint32_t value) {
    *At++ = char('0' + value / 10 % 10);
    *At++ = char('0' + value % 10);
  }
  // Hours (two digits at least), minutes and seconds of a duration.
  void Clock(uint64_t milliseconds, std::string_view separator) {
    const uint64_t seconds = milliseconds / 1000;
    const uint64_t hours = seconds / 3600;
    if (hours < 10) Char('0');
    Number(hours);
    Text(separator);
    TwoDigits(static_cast<uint32_t>(seconds / 60 % 60));
    Text(separator);
    TwoDigits(static_cast<uint32_t>(seconds % 60));
  }
};

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

bool TTrackingLog::WantsActivityLine(const THit& hit) {
  return m_settings && m_settings->TrackingLogActivity() && PassesFilter(hit.Source());
}

void TTrackingLog::WriteHit(const THit& hit) {
  if (!WantsActivityLine(hit)) return;
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

bool TTrackingLog::TLineDate::Set(double dateTime, uint32_t& ms) {
  int64_t day;
  SplitDateTime(dateTime, day, ms);
  if (day != Day) {
    const std::string text = FormatDateTimeText("yyyy-mm-dd", double(day));
    if (text.size() != sizeof(Text)) return false;  // a date no file can be named after
    text.copy(Text, sizeof(Text));
    Day = day;
  }
  return true;
}

void TTrackingLog::AppendLine(std::string& out, std::string_view date, uint32_t ms,
                              std::string_view separator, std::string_view user, uint32_t address,
                              const THit* hit, std::string_view alertText,
                              std::string_view protocolText) {
  std::string subject;
  if (hit && hit->Protocol() == kProtocolMail) subject = hit->Subject();
  std::string_view resource;
  if (hit) resource = SameTextAscii(hit->Resource(), kUnspecified) ? "/" : hit->Resource();

  // The line is made in place: room for its longest form first (numbers at
  // their widest), the unused tail cut off at the end.
  const size_t begin = out.size();
  size_t most = 192 + 4 * separator.size() + user.size() + protocolText.size() + alertText.size();
  if (hit)
    most += 2 * hit->Destination().size() + hit->Scheme().size() + resource.size() +
            hit->Query().size() + subject.size();
  out.resize(begin + most);
  TLineWriter line{out.data() + begin};
  line.Text(date);
  line.Char('\t');
  line.TwoDigits(ms / 3600000);
  line.Text(separator);
  line.TwoDigits(ms / 60000 % 60);
  line.Text(separator);
  line.TwoDigits(ms / 1000 % 60);
  line.Char('.');
  const uint32_t fraction = ms % 1000;
  line.Char(char('0' + fraction / 100));
  line.TwoDigits(fraction % 100);
  line.Char('\t');
  line.Field(user);
  line.Char('\t');
  for (int shift = 24; shift >= 0; shift -= 8) {
    line.Number((address >> shift) & 0xFF);
    if (shift) line.Char('.');
  }
  line.Char('\t');
  line.Field(protocolText);
  line.Char('\t');
  line.Field(alertText);
  line.Char('\t');
  if (hit) {
    line.Field(hit->Destination());
    line.Char('\t');
    if (IsWebLikeProtocol(hit->Protocol())) {
      line.Field(hit->Scheme());
      line.Field(hit->Destination());
      line.Field(resource);
      if (!hit->Query().empty()) {
        line.Char('?');
        line.Field(hit->Query());
      }
    } else {
      line.Text(kNone);
    }
    line.Char('\t');
    if (hit->Protocol() == kProtocolMail)
      line.Field(subject);
    else
      line.Text(kNone);
    line.Char('\t');
    line.Number(hit->Size());
    line.Char('\t');
    line.Clock(hit->Data().TimeTaken, separator);
  } else {
    line.Text("-\t-\t-\t0\t");
    line.Clock(0, separator);
  }
  line.Text("\r\n");
  out.resize(size_t(line.At - out.data()));
}

bool TTrackingLog::FormatActivityLine(std::string& out, TLineDate& date, std::string_view separator,
                                      std::string_view user, const THit& hit) {
  out.clear();
  uint32_t ms;
  if (!date.Set(hit.Initiated(), ms)) return false;
  AppendLine(out, date.View(), ms, separator, user, hit.Data().SourceAddress, &hit, kNone,
             HitProtocolShortName(hit.Protocol()));
  return true;
}

void TTrackingLog::WriteLine(std::string_view user, uint32_t address, const THit* hit,
                             std::string_view alertText, std::string_view protocolText,
                             double dateTime) {
  uint32_t ms;
  TOpenFile* file = LineFile(dateTime, user, ms);
  if (!file) return;
  AppendLine(file->Buffer, m_date.View(), ms, m_settings->FormatSettings().TimeSeparator, user,
             address, hit, alertText, protocolText);
  Collected(*file);
}

void TTrackingLog::WriteHitLine(const THit& hit, std::string_view line) {
  if (!WantsActivityLine(hit)) return;
  // The user text names the file in per-user mode only.
  std::string_view user;
  if (m_settings->TrackingLogPerUser())
    user = m_userNames ? m_userNames->LookupView(hit.Source()) : hit.Source();
  uint32_t ms;
  TOpenFile* file = LineFile(hit.Initiated(), user, ms);
  if (!file) return;
  file->Buffer += line;
  Collected(*file);
}

TTrackingLog::TOpenFile* TTrackingLog::LineFile(double dateTime, std::string_view user,
                                                uint32_t& ms) {
  if (!m_settings || m_settings->TrackingLogLocation().empty()) return nullptr;
  if (!m_date.Set(dateTime, ms)) return nullptr;
  // The file name, built in a reused buffer: the common case (same file as
  // the line before) allocates nothing.
  std::string& name = m_scratchName;
  BuildFileName(name, m_date.View(), user);
  return UseFile(name);
}

void TTrackingLog::Collected(TOpenFile& file) {
  if (file.Buffer.size() >= kBlockSize && !WriteOut(file)) {
    for (size_t i = 0; i < m_files.size(); ++i)
      if (m_files[i].get() == &file) CloseAt(i);
  }
}
