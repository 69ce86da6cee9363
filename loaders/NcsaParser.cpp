#include "loaders/NcsaParser.h"

#include "loaders/LogText.h"
#include "loaders/UrlBuffer.h"
#include "monitor/Hits.h"

using namespace logtext;

namespace {

int32_t MonthOf(std::string_view name) {
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int32_t i = 0; i < 12; ++i) {
    if (EqualsNoCase(name, kMonths[i])) return i + 1;
  }
  return 0;
}

// A cursor over the line: the fields of this format are separated by single
// blanks but may be bracketed or quoted.
class TCursor {
 public:
  explicit TCursor(std::string_view line) : m_line(line) {}

  bool AtEnd() {
    SkipBlanks();
    return m_at >= m_line.size();
  }
  // A blank-separated word.
  bool Word(std::string_view& word) {
    SkipBlanks();
    const size_t start = m_at;
    while (m_at < m_line.size() && !IsBlank(m_line[m_at])) ++m_at;
    word = m_line.substr(start, m_at - start);
    return m_at > start;
  }
  // The text between `open` and `close`; a backslash hides the character
  // after it. The result keeps the escapes as written.
  bool Enclosed(char open, char close, std::string_view& text) {
    SkipBlanks();
    if (m_at >= m_line.size() || m_line[m_at] != open) return false;
    const size_t start = ++m_at;
    while (m_at < m_line.size() && m_line[m_at] != close) {
      if (m_line[m_at] == '\\' && m_at + 1 < m_line.size()) ++m_at;
      ++m_at;
    }
    if (m_at >= m_line.size()) return false;
    text = m_line.substr(start, m_at - start);
    ++m_at;
    return true;
  }
  // A quoted field, or a bare word (some writers leave "-" unquoted).
  bool Field(std::string_view& text) {
    SkipBlanks();
    if (m_at < m_line.size() && m_line[m_at] == '"') return Enclosed('"', '"', text);
    return Word(text);
  }

 private:
  void SkipBlanks() {
    while (m_at < m_line.size() && IsBlank(m_line[m_at])) ++m_at;
  }

  std::string_view m_line;
  size_t m_at = 0;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes the writer's escapes: \xHH as that byte, \" and \\ as the
// character after the backslash.
void SetUnescaped(THitText& target, std::string_view text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size() && n < THitText::kCapacity; ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      if (text[i + 1] == 'x' && i + 3 < text.size() && HexValue(text[i + 2]) >= 0 &&
          HexValue(text[i + 3]) >= 0) {
        c = char(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
        i += 3;
      } else {
        c = text[++i];
      }
    }
    target.Text[n++] = c;
  }
  target.Length = uint8_t(n);
}

}  // namespace

bool ParseNcsaTime(std::string_view text, int64_t& utcMilliseconds) {
  // dd/Mon/yyyy:hh:mm:ss +zzzz
  if (text.size() != 26 || text[2] != '/' || text[6] != '/' || text[11] != ':' || text[14] != ':' ||
      text[17] != ':' || text[20] != ' ') {
    return false;
  }
  int32_t day, year, hour, minute, second, zoneHours, zoneMinutes;
  const int32_t month = MonthOf(text.substr(3, 3));
  if (!ParseFixed(text.substr(0, 2), day) || !ParseFixed(text.substr(7, 4), year) ||
      !ParseFixed(text.substr(12, 2), hour) || !ParseFixed(text.substr(15, 2), minute) ||
      !ParseFixed(text.substr(18, 2), second) || !ParseFixed(text.substr(22, 2), zoneHours) ||
      !ParseFixed(text.substr(24, 2), zoneMinutes)) {
    return false;
  }
  const char sign = text[21];
  if (month == 0 || year < 1601 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60 ||
      zoneMinutes > 59 || zoneHours > 23 || (sign != '+' && sign != '-')) {
    return false;
  }
  int64_t zone = (int64_t(zoneHours) * 60 + zoneMinutes) * 60;
  if (sign == '-') zone = -zone;
  const int64_t local = DaysFromCivilDate(year, month, day) * 86400 + hour * 3600 + minute * 60 +
                        (second > 59 ? 59 : second);
  utcMilliseconds = (local - zone) * 1000;
  return true;
}

TParseResult TNcsaParser::Parse(std::string_view line, int64_t position, THit& hit) {
  TCursor cursor(line);
  if (cursor.AtEnd()) return TParseResult::Skip;
  std::string_view host, ident, user, time, request, status, bytes;
  if (!cursor.Word(host) || !cursor.Word(ident) || !cursor.Word(user)) {
    return Fail("Too few fields in the log line");
  }
  if (!cursor.Enclosed('[', ']', time)) return Fail("Missing [time] in the log line");
  int64_t utc = 0;
  if (!ParseNcsaTime(time, utc)) return Fail("Invalid time in the log line");
  if (!cursor.Field(request)) return Fail("Missing \"request\" in the log line");
  if (!cursor.Word(status) || !cursor.Word(bytes)) return Fail("Too few fields in the log line");
  uint32_t http = 0, size = 0;
  if (!ParseCount(status, http)) return Fail("Invalid HTTP status in the log line");
  if (!ParseCount(bytes, size)) return Fail("Invalid byte count in the log line");
  std::string_view referer, agent, proxyCode;
  if (!cursor.AtEnd() && !cursor.Field(referer)) return Fail("Unterminated referer");
  if (!cursor.AtEnd() && !cursor.Field(agent)) return Fail("Unterminated user agent");
  if (!cursor.AtEnd()) cursor.Word(proxyCode);

  hit.Clear();
  THitData& d = hit.Data();
  d.Initiated = LocalTime(utc);
  d.SourceSize = size;
  d.Position = position;
  if (user != "-") {
    SetUnescaped(d.Source, user);
  } else if (ident != "-") {
    SetUnescaped(d.Source, ident);
  } else {
    d.Source.Set(host);
  }
  ParseIPv4(host, d.SourceAddress);

  // "METHOD URL PROTOCOL"; a request the server could not read ("-", or
  // stray bytes) keeps its text in ExtraText1 and gives no URL.
  TCursor words(request);
  std::string_view method, url;
  words.Word(method);
  if (words.Word(url)) {
    const std::string_view scheme = SchemeOfUrl(url);
    if (EqualsNoCase(method, "CONNECT")) {
      d.Protocol = kProtocolSecureWeb;
    } else if (!scheme.empty()) {
      d.Protocol = ProtocolOfScheme(scheme);
    } else {
      d.Protocol = kProtocolWeb;
    }
    d.DestinationPort = PortOfUrl(url);
    ApplyUrlText(hit, url);
    d.ExtraText1.Set(method);
  } else {
    d.ExtraText1.Set(request);
  }

  if (!proxyCode.empty() && ContainsNoCase(proxyCode, "DENIED")) {
    d.Status = kStatusBlocked;
  } else if (http == 0 || http >= 400) {
    d.Status = StatusOfHttp(http);
  } else if (!proxyCode.empty() && (ContainsNoCase(proxyCode, "HIT") ||
                                    ContainsNoCase(proxyCode, "REFRESH_UNMODIFIED"))) {
    d.Status = kStatusCached;
  } else {
    d.Status = StatusOfHttp(http);
  }
  if (referer != "-") SetUnescaped(d.ExtraText2, referer);
  if (agent != "-") SetUnescaped(d.ExtraText3, agent);
  return TParseResult::Hit;
}
