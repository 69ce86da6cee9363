#include "monitor/Hits.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <typeinfo>
#include <vector>

#include "core/AdvAscii.h"
#include "core/AdvBinaryFilers.h"
#include "core/AdvDates.h"
#include "core/AdvFilers.h"
#include "core/AdvNumbers.h"

ADV_CLASS_IMPL(THit, TAdvPersistent)
ADV_CLASS_IMPL(TVexaHit, THit)

// ---------------------------------------------------------------------------
// Protocol and status tables

namespace {

struct TProtocolEntry {
  std::string_view Name;
  std::string_view Scheme;
  std::string_view ShortName;
};

constexpr TProtocolEntry kProtocols[kProtocolCount] = {
    {"Web", "http://", "http"},
    {"Mail", "mailto:", "smtp"},
    {"Telnet", "telnet:", "telnet"},
    {"File Transfer", "ftp://", "ftp"},
    {"Socks", "", "socks"},
    {"Streaming Media", "", "stream"},
    {"Secure Web", "https://", "https"},
    {"Domain Name Lookup", "", "dns"},
    {"Gopher", "gopher://", "gopher"},
    {"News", "news://", "nntp"},
    {"Unknown", "", ""},
};

constexpr std::string_view kStatusNames[kStatusCount] = {"Successful", "Failed", "Blocked",
                                                         "Cached"};

const TProtocolEntry& ProtocolEntry(uint8_t protocol) {
  return kProtocols[protocol < kProtocolCount ? protocol : uint8_t(kProtocolUnknown)];
}

}  // namespace

std::string_view HitProtocolName(uint8_t protocol) {
  return ProtocolEntry(protocol).Name;
}
std::string_view HitProtocolScheme(uint8_t protocol) {
  return ProtocolEntry(protocol).Scheme;
}
std::string_view HitProtocolShortName(uint8_t protocol) {
  return ProtocolEntry(protocol).ShortName;
}

bool HitProtocolByName(std::string_view name, uint8_t& protocol) {
  for (uint8_t code = 0; code < kProtocolCount; ++code) {
    if (SameTextAscii(kProtocols[code].Name, name)) {
      protocol = code;
      return true;
    }
  }
  return false;
}

bool IsWebLikeProtocol(uint8_t protocol) {
  return protocol == kProtocolWeb || protocol == kProtocolFileTransfer ||
         protocol == kProtocolSocks || protocol == kProtocolSecureWeb ||
         protocol == kProtocolGopher;
}

std::string_view HitStatusName(uint8_t status) {
  return status < kStatusCount ? kStatusNames[status] : std::string_view();
}

std::string_view HitStatusLabel(THitStatusChoice choice, bool value) {
  switch (choice) {
    case THitStatusChoice::Failed:
      return value ? "Failed" : "Successful";
    case THitStatusChoice::Blocked:
      return value ? "Blocked" : "Not blocked";
    case THitStatusChoice::Cached:
      return value ? "Cached" : "Not cached";
  }
  return {};
}

std::string DottedAddress(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

// ---------------------------------------------------------------------------
// Helpers

namespace {

// A text field read the way the record's C users read it: up to its first
// NUL, and never its 255th character, where a terminator would have to go.
std::string_view Terminated(const THitText& text) {
  std::string_view view = text.View().substr(0, THitText::kCapacity - 1);
  const size_t nul = view.find('\0');
  return nul == std::string_view::npos ? view : view.substr(0, nul);
}

char* AppendLower(char* out, std::string_view text) {
  for (char c : text) *out++ = AsciiLower(c);
  return out;
}

// Rounds half to even and keeps the result inside int64 (a date a loader
// got wrong must not overflow the conversion).
int64_t RoundedStamp(double value) {
  if (!std::isfinite(value)) return 0;
  const double rounded = std::nearbyint(value);
  if (rounded >= 9.2e18) return INT64_MAX;
  if (rounded <= -9.2e18) return INT64_MIN;
  return int64_t(rounded);
}

// Characters an extension may hold: FileType steps back over them.
bool IsExtensionChar(char c) {
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  switch (c) {
    case ' ':
    case '!':
    case '#':
    case '$':
    case '+':
    case ',':
    case '-':
    case '^':
    case '`':
    case '{':
    case '}':
    case '~':
      return true;
    default:
      return false;
  }
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Parameter names that carry the words a user searched for.
constexpr std::string_view kSearchParameters[] = {"ask",
                                                  "string",
                                                  "general",
                                                  "searchtext",
                                                  "search_for",
                                                  "search_string",
                                                  "search_target",
                                                  "searchterm",
                                                  "category",
                                                  "searchstring",
                                                  "querytext",
                                                  "keyword",
                                                  "keywords",
                                                  "qu",
                                                  "qa",
                                                  "qkw",
                                                  "qry",
                                                  "qr",
                                                  "qt",
                                                  "search",
                                                  "query",
                                                  "p",
                                                  "q"};

bool IsSearchParameter(std::string_view name) {
  for (std::string_view known : kSearchParameters)
    if (SameTextAscii(known, name)) return true;
  return false;
}

// "+" as a space, "%hh" as that byte; a broken escape is dropped. Control
// bytes that come out of the decoding would garble whatever shows or logs the
// terms, so they become spaces.
std::string DecodeSearchValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size();) {
    const char c = value[i];
    if (c == '+') {
      out += ' ';
      ++i;
    } else if (c == '%') {
      uint8_t high = 0, low = 0;
      if (i + 2 < value.size() && HexDigitStrict(value[i + 1], high) &&
          HexDigitStrict(value[i + 2], low))
        out += char((high << 4) | low);
      i += 3;  // a valid escape, or a broken one (at most the rest) dropped
    } else {
      out += c;
      ++i;
    }
  }
  for (char& ch : out)
    if (uint8_t(ch) < 0x20 || uint8_t(ch) == 0x7F) ch = ' ';
  const size_t first = out.find_first_not_of('"');
  if (first == std::string::npos) return {};
  const size_t last = out.find_last_not_of('"');
  out = out.substr(first, last - first + 1);
  if (out.size() > THitText::kCapacity) out.resize(THitText::kCapacity);
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// THit

THit::THit() {
  std::memset(&m_data, 0, sizeof(m_data));
}

void THit::Clear() {
  m_data.Source.Clear();
  m_data.Destination.Clear();
  m_data.Resource.Clear();
  m_data.Query.Clear();
  m_data.ExtraText1.Clear();
  m_data.ExtraText2.Clear();
  m_data.Profile.Clear();
  m_data.Reference = 0;
  m_data.ExtraText3.Clear();
  m_data.SourceAddress = 0;
  m_data.DestinationAddress = 0;
  std::memset(reinterpret_cast<uint8_t*>(&m_data) + kHitNumericOffset, 0, kHitNumericSize);
  m_data.Protocol = kProtocolUnknown;
  m_data.Position = -1;
  m_data.Tag1 = -1;
  m_data.Tag2 = -1;
  m_data.Tag3 = 0;
}

void THit::MatchText(char* buffer) const {
  char* out = buffer;
  const uint8_t protocol = m_data.Protocol;
  if (protocol != kProtocolMail) out = AppendLower(out, m_data.Destination.View());
  if (protocol == kProtocolMail || IsWebLikeProtocol(protocol))
    out = AppendLower(out, m_data.Resource.View());
  *out = '\0';
}

std::string THit::MatchText() const {
  char buffer[kMatchTextSize];
  MatchText(buffer);
  return buffer;
}

void THit::ApplyURL(char* url) {
  if (!url) Error("ApplyURL", "Parameter not assigned");
  char* host = url;
  const char* path = "";
  const char* query = "";
  for (char* p = url; *p;) {
    const char c = *p;
    if (c == ':') {
      *p++ = '\0';  // ends a scheme, or a host before its port
    } else if (c == '/') {
      *p = '\0';
      if (p[1] == '/' && host == url) {
        host = p + 2;
        p += 2;
        continue;
      }
      path = p + 1;
      char* q = p + 1;
      while (*q && *q != '?') ++q;
      if (*q == '?') {
        *q = '\0';
        query = q + 1;
      }
      break;
    } else if (c == '@') {
      *p++ = '\0';  // a user before the host is dropped
      host = p;
    } else if (c == '<') {
      host = ++p;  // a mail address in angle brackets
      char* close = p;
      while (*close && *close != '>') ++close;
      *close = '\0';
    } else {
      ++p;
    }
  }
  m_data.Query.Set(query);
  // "/" and the path, cut to the field's room, written in place: loaders call
  // this once per log line, so it must not allocate.
  const size_t pathLength = std::min(std::strlen(path), THitText::kCapacity - 1);
  m_data.Resource.Text[0] = '/';
  if (pathLength > 0) std::memcpy(m_data.Resource.Text + 1, path, pathLength);
  m_data.Resource.Length = uint8_t(pathLength + 1);
  m_data.Destination.Set(host);
}

void THit::ApplyURL(const std::string& url) {
  std::vector<char> buffer(url.begin(), url.end());
  buffer.push_back('\0');
  ApplyURL(buffer.data());
}

int32_t THit::Day() const {
  const double initiated = m_data.Initiated;
  if (!(initiated > 0)) return 0;
  if (initiated >= double(INT32_MAX)) return INT32_MAX;
  return int32_t(initiated);
}

int32_t THit::Year() const {
  return YearOf(m_data.Initiated);
}
int32_t THit::Month() const {
  return MonthIndex(m_data.Initiated);
}
int32_t THit::Week() const {
  return WeekOfYear(m_data.Initiated);
}
int32_t THit::DayOfWeek() const {
  return int32_t((int64_t(Day()) + 6) % 7);
}
int32_t THit::Hour() const {
  return HourOf(m_data.Initiated);
}

int64_t THit::MinuteStamp() const {
  return RoundedStamp(m_data.Initiated * 1440.0);
}
int64_t THit::SecondStamp() const {
  return RoundedStamp(m_data.Initiated * 86400.0);
}
int64_t THit::MillisecondStamp() const {
  return RoundedStamp(m_data.Initiated * 86400000.0);
}

std::string THit::FileType() const {
  const uint8_t protocol = m_data.Protocol;
  if (protocol == kProtocolMail) return ".eml";
  if (protocol == kProtocolNews) return ".nws";
  if (!IsWebLikeProtocol(protocol)) return {};
  const std::string_view resource = m_data.Resource.View();
  const size_t length = resource.size();
  if (length == 0) return {};
  // 1-based positions, as the rule is stated: step back over extension
  // characters, but never onto the first character.
  size_t i = length;
  while (i > 1 && IsExtensionChar(resource[i - 1])) --i;
  if (resource[i - 1] == '.') return std::string(resource.substr(i - 1));
  if (i == length && resource[length - 1] == '/') return "/";
  return {};
}

std::string THit::Subject() const {
  const std::string_view text = Terminated(m_data.Resource);
  size_t i = 0;
  for (;;) {
    while (i < text.size() && std::string_view("\t\n\r :>").find(text[i]) != std::string_view::npos)
      ++i;
    if (text.size() - i >= 2) {
      const char a = AsciiUpper(text[i]);
      const char b = AsciiUpper(text[i + 1]);
      const bool prefix = (a == 'F' && b == 'W') || (a == 'R' && b == 'E');
      const bool ended =
          i + 2 == text.size() || text[i + 2] == '\t' || text[i + 2] == ' ' || text[i + 2] == ':';
      if (prefix && ended) {
        i += 2;
        continue;
      }
    }
    break;
  }
  return std::string(text.substr(i));
}

std::string THit::Domain() const {
  const std::string_view host = m_data.Destination.View();
  size_t end = host.size();
  while (end > 0 && !IsLetter(host[end - 1])) --end;
  if (end == 0) return {};
  size_t start = end;
  while (start > 0 && IsLetter(host[start - 1])) --start;
  if (start == 0 || host[start - 1] != '.') return {};
  return std::string(host.substr(start, end - start));
}

std::string THit::SearchTerms() const {
  const std::string_view query = Terminated(m_data.Query);
  size_t pos = 0;
  while (pos < query.size()) {
    size_t end = query.find('&', pos);
    if (end == std::string_view::npos) end = query.size();
    const std::string_view pair = query.substr(pos, end - pos);
    const size_t equals = pair.find('=');
    if (equals != std::string_view::npos && IsSearchParameter(pair.substr(0, equals)))
      return DecodeSearchValue(pair.substr(equals + 1));
    pos = end + 1;
  }
  return {};
}

uint64_t THit::Size() const {
  return uint64_t(m_data.SourceSize) + m_data.DestinationSize;
}

std::string THit::URL() const {
  const uint8_t protocol = m_data.Protocol;
  std::string url(Scheme());
  if (protocol == kProtocolNews) {
    url += DottedAddress(m_data.StoredDestinationAddress);
    const std::string_view group = m_data.Destination.View();
    if (group.empty() || group[0] != '/') url += '/';
    url += group;
    return url;
  }
  url += m_data.Destination.View();
  if (IsWebLikeProtocol(protocol)) url += m_data.Resource.View();
  return url;
}

std::string_view THit::Scheme() const {
  return HitProtocolScheme(m_data.Protocol);
}

bool THit::HasReference() const {
  return m_data.Reference != 0 || m_data.Position >= 0;
}

void THit::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const THitData& other = static_cast<const THit&>(source).m_data;
  // The texts by their used length: a slot of the input ring is written for
  // every hit, and most of each text's room is unused.
  m_data.Source.Set(other.Source.View());
  m_data.Destination.Set(other.Destination.View());
  m_data.Resource.Set(other.Resource.View());
  m_data.Query.Set(other.Query.View());
  m_data.ExtraText1.Set(other.ExtraText1.View());
  m_data.ExtraText2.Set(other.ExtraText2.View());
  m_data.Profile.Set(other.Profile.View());
  m_data.ExtraText3.Set(other.ExtraText3.View());
  m_data.SourceAddress = other.SourceAddress;
  m_data.DestinationAddress = other.DestinationAddress;
  std::memcpy(reinterpret_cast<uint8_t*>(&m_data) + kHitNumericOffset,
              reinterpret_cast<const uint8_t*>(&other) + kHitNumericOffset, kHitNumericSize);
  m_data.Tag2 = other.Tag2;
  m_data.Tag3 = other.Tag3;
}

void THit::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Define(reinterpret_cast<uint8_t*>(&m_data) + kHitNumericOffset, kHitNumericSize);
}

void THit::Load(TAdvFiler& filer) {
  Clear();
  Define(filer);
}

void THit::Save(TAdvFiler& filer) {
  Define(filer);
}

// ---------------------------------------------------------------------------
// TVexaHit

void TVexaHit::Assign(const TAdvObject& source) {
  THit::Assign(source);
  const THitData& other = static_cast<const TVexaHit&>(source).m_data;
  m_data.Department.Set(other.Department.View());
  m_data.FileType.Set(other.FileType.View());
  const auto* named = AdvCast<TVexaHit>(&source);
  m_enrichedBy = named ? named->m_enrichedBy : 0;
  if (m_enrichedBy != 0) {
    m_readSource.Set(named->m_readSource.View());
    m_readDestination.Set(named->m_readDestination.View());
    m_readWithoutProfile = named->m_readWithoutProfile;
    m_activityLine.assign(named->m_activityLine);
  } else {
    m_activityLine.clear();
  }
}

void TVexaHit::BeginNaming() {
  if (m_enrichedBy != 0) {
    m_data.Source.Set(m_readSource.View());
    m_data.Destination.Set(m_readDestination.View());
    if (m_readWithoutProfile) m_data.Profile.Clear();
    m_enrichedBy = 0;
  }
  m_readSource.Set(m_data.Source.View());
  m_readDestination.Set(m_data.Destination.View());
  m_readWithoutProfile = m_data.Profile.Empty();
  m_activityLine.clear();
}

namespace {

void DefineText(TAdvFiler& filer, std::string_view name, THitText& text) {
  std::string value = text.Str();
  filer.Field(name).DefineShortString(value);
  text.Set(value);
}

uint32_t DefineCardinal(TAdvFiler& filer, std::string_view name, uint32_t value) {
  filer.Field(name).DefineCardinal(value);
  return value;
}

uint16_t DefineWord(TAdvFiler& filer, std::string_view name, uint16_t field) {
  int16_t value = int16_t(field);
  filer.Field(name).DefineInteger16(value);
  return uint16_t(value);
}

uint8_t DefineByte(TAdvFiler& filer, std::string_view name, uint8_t value) {
  filer.Field(name).DefineEnumerated(value);
  return value;
}

}  // namespace

// The untagged binary form of Define below, built in one buffer and written
// with one call: the engine stores every hit it keeps alerts on, and the
// generic path costs a string and two stream calls a field. The bytes are
// the same (little-endian scalars, texts as a length byte and the bytes).
void TVexaHit::WriteUntagged(TAdvFiler& filer) const {
  const THitData& d = m_data;
  uint8_t buffer[9 * sizeof(THitText) + 64];
  uint8_t* out = buffer;
  const auto scalar = [&out](uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) *out++ = uint8_t(value >> (8 * i));
  };
  const auto text = [&out](const THitText& value) {
    *out++ = value.Length;
    std::memcpy(out, value.Text, value.Length);
    out += value.Length;
  };
  uint64_t initiated;
  const double when = d.Initiated;
  std::memcpy(&initiated, &when, sizeof initiated);
  scalar(d.Protocol, 1);
  scalar(initiated, 8);
  text(d.Source);
  scalar(d.StoredSourceAddress, 4);
  scalar(d.SourcePort, 2);
  text(d.Destination);
  scalar(d.StoredDestinationAddress, 4);
  scalar(d.DestinationPort, 2);
  text(d.Resource);
  text(d.Query);
  text(d.ExtraText1);
  text(d.ExtraText2);
  text(d.Profile);
  scalar(d.SourceSize, 4);
  scalar(d.DestinationSize, 4);
  scalar(d.TimeTaken, 4);
  scalar(d.Status, 1);
  scalar(uint64_t(d.Position), 8);
  text(d.Department);
  text(d.FileType);
  filer.Define(buffer, uint32_t(out - buffer));
}

// The record format of the hit store; the order is the format. Packed fields
// go through locals: a reference may not bind to a misaligned member.
void TVexaHit::Define(TAdvFiler& filer) {
  // Exactly the untagged writer: a class derived from it may write more
  // and takes the field-by-field path.
  if (typeid(filer) == typeid(TAdvBinaryWriter)) {
    WriteUntagged(filer);
    return;
  }
  THitData& d = m_data;
  d.Protocol = DefineByte(filer, "Protocol", d.Protocol);
  double initiated = d.Initiated;
  filer.Field("Initiated").DefineReal(initiated);
  d.Initiated = initiated;
  DefineText(filer, "Source", d.Source);
  d.StoredSourceAddress = DefineCardinal(filer, "StoredSourceAddress", d.StoredSourceAddress);
  d.SourcePort = DefineWord(filer, "SourcePort", d.SourcePort);
  DefineText(filer, "Destination", d.Destination);
  d.StoredDestinationAddress =
      DefineCardinal(filer, "StoredDestinationAddress", d.StoredDestinationAddress);
  d.DestinationPort = DefineWord(filer, "DestinationPort", d.DestinationPort);
  DefineText(filer, "Resource", d.Resource);
  DefineText(filer, "Query", d.Query);
  DefineText(filer, "ExtraText1", d.ExtraText1);
  DefineText(filer, "ExtraText2", d.ExtraText2);
  DefineText(filer, "Profile", d.Profile);
  d.SourceSize = DefineCardinal(filer, "SourceSize", d.SourceSize);
  d.DestinationSize = DefineCardinal(filer, "DestinationSize", d.DestinationSize);
  d.TimeTaken = DefineCardinal(filer, "TimeTaken", d.TimeTaken);
  d.Status = DefineByte(filer, "Status", d.Status);
  int64_t position = d.Position;
  filer.Field("Position").DefineInteger64(position);
  d.Position = position;
  DefineText(filer, "Department", d.Department);
  DefineText(filer, "FileType", d.FileType);
}
