#include "loaders/W3cParser.h"

#include "loaders/LogText.h"
#include "loaders/UrlBuffer.h"
#include "monitor/Hits.h"

using namespace logtext;

namespace {

enum TColumn : uint8_t {
  kIgnored,
  kDate,
  kTime,
  kClientIp,
  kClientPort,
  kUserName,
  kHost,              // cs-host
  kRemoteHost,        // r-host
  kComputerName,      // s-computername
  kServerIp,          // s-ip
  kDestinationIp,     // dst-ip
  kRemoteIp,          // r-ip
  kUri,               // cs-uri
  kUriStem,           // cs-uri-stem, cs-uri-path
  kUriQuery,          // cs-uri-query
  kUriScheme,         // cs-uri-scheme
  kMethod,            // cs-method
  kFirewallProtocol,  // protocol
  kServerPort,        // s-port
  kUriPort,           // cs-uri-port, r-port, dst-port
  kHttpStatus,        // sc-status
  kAction,            // s-action, action
  kFilterResult,      // sc-filter-result
  kServerBytes,       // sc-bytes
  kClientBytes,       // cs-bytes
  kSize,              // size (firewall)
  kTimeTaken,
  kUserAgent,
  kColumnCount
};

struct TColumnName {
  std::string_view Name;
  TColumn Column;
};

constexpr TColumnName kColumnNames[] = {
    {"date", kDate},
    {"time", kTime},
    {"c-ip", kClientIp},
    {"src-ip", kClientIp},
    {"c-port", kClientPort},
    {"src-port", kClientPort},
    {"cs-username", kUserName},
    {"cs-host", kHost},
    {"r-host", kRemoteHost},
    {"s-computername", kComputerName},
    {"s-ip", kServerIp},
    {"dst-ip", kDestinationIp},
    {"r-ip", kRemoteIp},
    {"cs-uri", kUri},
    {"cs-uri-stem", kUriStem},
    {"cs-uri-path", kUriStem},
    {"cs-uri-query", kUriQuery},
    {"cs-uri-scheme", kUriScheme},
    {"cs-method", kMethod},
    {"protocol", kFirewallProtocol},
    {"s-port", kServerPort},
    {"cs-uri-port", kUriPort},
    {"r-port", kUriPort},
    {"dst-port", kUriPort},
    {"sc-status", kHttpStatus},
    {"s-action", kAction},
    {"action", kAction},
    {"sc-filter-result", kFilterResult},
    {"sc-bytes", kServerBytes},
    {"cs-bytes", kClientBytes},
    {"size", kSize},
    {"time-taken", kTimeTaken},
    {"cs(user-agent)", kUserAgent},
};

TColumn ColumnOf(std::string_view name) {
  for (const TColumnName& entry : kColumnNames) {
    if (EqualsNoCase(name, entry.Name)) return entry.Column;
  }
  return kIgnored;
}

// Splits a data line into columns: blank-separated, a quoted column running
// to its closing quote ("" inside stands for a quote and is kept as
// written). Returns the number of columns, or SIZE_MAX for an unterminated
// quote.
size_t SplitColumns(std::string_view line, std::string_view* columns, size_t capacity) {
  size_t count = 0;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) return count;
    size_t start = i, end;
    if (line[i] == '"') {
      start = ++i;
      for (;;) {
        if (i >= line.size()) return SIZE_MAX;
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            i += 2;
            continue;
          }
          break;
        }
        ++i;
      }
      end = i++;
    } else {
      while (i < line.size() && !IsBlank(line[i])) ++i;
      end = i;
    }
    if (count < capacity) columns[count] = line.substr(start, end - start);
    ++count;
  }
}

// yyyy-mm-dd and hh:mm:ss[.fff] as UTC milliseconds.
bool ParseW3cTime(std::string_view date, std::string_view time, int64_t& ms) {
  int32_t year, month, day, hour, minute, second;
  if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() < 8 || time[2] != ':' ||
      time[5] != ':' || !ParseFixed(date.substr(0, 4), year) ||
      !ParseFixed(date.substr(5, 2), month) || !ParseFixed(date.substr(8, 2), day) ||
      !ParseFixed(time.substr(0, 2), hour) || !ParseFixed(time.substr(3, 2), minute) ||
      !ParseFixed(time.substr(6, 2), second)) {
    return false;
  }
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 60) {
    return false;
  }
  int64_t fraction = 0;
  if (time.size() > 8) {
    if (time[8] != '.' || time.size() == 9) return false;
    int64_t scale = 100;
    for (const char c : time.substr(9)) {
      if (!IsDigit(c)) return false;
      fraction += (c - '0') * scale;
      scale /= 10;
    }
  }
  ms = (DaysFromCivilDate(year, month, day) * 86400 + hour * 3600 + minute * 60 +
        (second > 59 ? 59 : second)) *
           1000 +
       fraction;
  return true;
}

// Whole milliseconds, or seconds with a fraction ("0.015") as milliseconds.
bool ParseTimeTaken(std::string_view text, uint32_t& value) {
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos) return ParseCount(text, value);
  uint64_t seconds = 0;
  if (!ParseUnsigned(text.substr(0, dot), seconds) || seconds > UINT32_MAX / 1000) return false;
  uint64_t ms = seconds * 1000;
  uint64_t scale = 100;
  for (const char c : text.substr(dot + 1)) {
    if (!IsDigit(c)) return false;
    ms += uint64_t(c - '0') * scale;
    scale /= 10;
  }
  value = uint32_t(ms);
  return true;
}

bool Present(std::string_view value) {
  return !value.empty() && value != "-";
}

// Text with "+" standing for a blank (how servers write user agents).
void SetPlusBlanks(THitText& target, std::string_view text) {
  target.Set(text);
  for (size_t i = 0; i < target.Length; ++i) {
    if (target.Text[i] == '+') target.Text[i] = ' ';
  }
}

}  // namespace

void TW3cParser::ReadFields(std::string_view names) {
  std::string_view fields[kMaxColumns];
  const size_t count = SplitBlanks(names, fields, kMaxColumns);
  m_count = count < kMaxColumns ? count : kMaxColumns;
  for (size_t i = 0; i < m_count; ++i) m_columns[i] = ColumnOf(fields[i]);
}

TParseResult TW3cParser::Parse(std::string_view line, int64_t position, THit& hit) {
  size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  if (first == line.size()) return TParseResult::Skip;
  if (line[first] == '#') {
    const std::string_view directive = line.substr(first);
    if (directive.size() >= 8 && EqualsNoCase(directive.substr(0, 8), "#Fields:")) {
      ReadFields(directive.substr(8));
    }
    return TParseResult::Skip;
  }
  if (m_count == 0) return Fail("Data line before a #Fields: directive");

  std::string_view columns[kMaxColumns];
  const size_t count = SplitColumns(line, columns, kMaxColumns);
  if (count == SIZE_MAX) return Fail("Unterminated quoted field in the log line");
  if (count < m_count) return Fail("Fewer fields in the log line than #Fields: names");

  std::string_view v[kColumnCount];
  for (size_t i = 0; i < m_count; ++i) {
    if (m_columns[i] != kIgnored) v[m_columns[i]] = columns[i];
  }

  int64_t utc = 0;
  if (!ParseW3cTime(v[kDate], v[kTime], utc)) return Fail("Invalid date or time in the log line");
  uint32_t http = 0, serverBytes = 0, clientBytes = 0, size = 0, taken = 0, port = 0;
  if (Present(v[kHttpStatus]) && !ParseCount(v[kHttpStatus], http)) {
    return Fail("Invalid HTTP status in the log line");
  }
  if ((Present(v[kServerBytes]) && !ParseCount(v[kServerBytes], serverBytes)) ||
      (Present(v[kClientBytes]) && !ParseCount(v[kClientBytes], clientBytes)) ||
      (Present(v[kSize]) && !ParseCount(v[kSize], size))) {
    return Fail("Invalid byte count in the log line");
  }
  if (Present(v[kTimeTaken]) && !ParseTimeTaken(v[kTimeTaken], taken)) {
    return Fail("Invalid time taken in the log line");
  }

  hit.Clear();
  THitData& d = hit.Data();
  d.Initiated = LocalTime(utc);
  d.Position = position;
  d.SourceSize = serverBytes ? serverBytes : size;
  d.DestinationSize = clientBytes;
  d.TimeTaken = taken;

  const std::string_view client = v[kClientIp];
  if (Present(v[kUserName])) {
    d.Source.Set(v[kUserName]);
  } else {
    d.Source.Set(client);
  }
  ParseIPv4(client, d.SourceAddress);
  if (Present(v[kClientPort]) && ParseCount(v[kClientPort], port)) d.SourcePort = uint16_t(port);

  // The server port: the URI's own port first, else the server's.
  uint32_t serverPort = 0;
  if (!(Present(v[kUriPort]) && ParseCount(v[kUriPort], serverPort)) && Present(v[kServerPort])) {
    ParseCount(v[kServerPort], serverPort);
  }
  d.DestinationPort = uint16_t(serverPort > 65535 ? 0 : serverPort);

  std::string_view host;
  for (const TColumn column :
       {kHost, kRemoteHost, kComputerName, kServerIp, kDestinationIp, kRemoteIp}) {
    if (Present(v[column])) {
      host = v[column];
      break;
    }
  }
  std::string_view destinationIp = Present(v[kDestinationIp]) ? v[kDestinationIp] : v[kRemoteIp];
  ParseIPv4(destinationIp, d.DestinationAddress);

  // The protocol: the scheme written (or the one of a full URI), CONNECT,
  // else what the server port stands for.
  const std::string_view method = v[kMethod];
  std::string_view scheme = v[kUriScheme];
  if (!Present(scheme) && Present(v[kUri])) scheme = SchemeOfUrl(v[kUri]);
  if (!Present(scheme) && Present(v[kUriStem])) scheme = SchemeOfUrl(v[kUriStem]);
  if (EqualsNoCase(method, "CONNECT")) {
    d.Protocol = kProtocolSecureWeb;
  } else if (Present(scheme) && ProtocolOfScheme(scheme) != kProtocolUnknown) {
    d.Protocol = ProtocolOfScheme(scheme);
  } else if (Present(v[kUri]) || Present(v[kUriStem]) || Present(method)) {
    d.Protocol = serverPort == 443 || serverPort == 8443 ? kProtocolSecureWeb : kProtocolWeb;
  } else {
    d.Protocol = ProtocolOfPort(serverPort);
  }

  std::string_view query = Present(v[kUriQuery]) ? v[kUriQuery] : std::string_view();
  if (!query.empty() && query.front() == '?') query.remove_prefix(1);
  // A path alone names no host: the host column does.
  if (Present(v[kUri])) {
    ApplyUrlText(hit, v[kUri]);
    if (v[kUri].front() == '/') d.Destination.Set(host);
  } else if (Present(v[kUriStem])) {
    ApplyUrlParts(hit, {}, v[kUriStem], query);
    if (v[kUriStem].front() == '/') d.Destination.Set(host);
  } else {
    d.Destination.Set(host);
  }

  // The outcome: a proxy's or firewall's verdict first, then the status.
  const std::string_view action = v[kAction];
  const std::string_view verdict = v[kFilterResult];
  if (ContainsNoCase(action, "DENIED") || ContainsNoCase(action, "BLOCK") ||
      EqualsNoCase(action, "DROP") || EqualsNoCase(action, "REJECT") ||
      ContainsNoCase(verdict, "DENIED") || ContainsNoCase(verdict, "BLOCK")) {
    d.Status = kStatusBlocked;
  } else if (Present(v[kHttpStatus]) && (http == 0 || http >= 400)) {
    d.Status = StatusOfHttp(http);
  } else if (ContainsNoCase(action, "HIT")) {
    d.Status = kStatusCached;
  } else if (Present(v[kHttpStatus])) {
    d.Status = StatusOfHttp(http);
  }

  if (Present(method)) d.ExtraText1.Set(method);
  if (Present(action)) d.ExtraText2.Set(action);
  if (Present(v[kUserAgent])) SetPlusBlanks(d.ExtraText3, v[kUserAgent]);
  return TParseResult::Hit;
}
