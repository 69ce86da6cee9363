#include "loaders/SquidParser.h"

#include <cstring>

#include "loaders/LogText.h"
#include "loaders/UrlBuffer.h"
#include "monitor/Hits.h"

using namespace logtext;

namespace {

// Enough room for any user name the proxy writes and for a line with a few
// blanks in its user name.
constexpr size_t kMaxFields = 16;

// "1796855800.456" as milliseconds; up to three decimals.
bool ParseUnixTime(std::string_view text, int64_t& ms) {
  const size_t dot = text.find('.');
  uint64_t seconds = 0;
  if (!ParseUnsigned(text.substr(0, dot), seconds) || seconds > 253402300799ULL) return false;
  int64_t fraction = 0;
  if (dot != std::string_view::npos) {
    const std::string_view decimals = text.substr(dot + 1);
    if (decimals.empty()) return false;
    int64_t scale = 100;
    for (const char c : decimals) {
      if (!IsDigit(c)) return false;
      fraction += (c - '0') * scale;
      scale /= 10;
    }
  }
  ms = int64_t(seconds) * 1000 + fraction;
  return true;
}

// The words a result code is looked at for, found anywhere in it (ASCII
// case ignored) in one pass: this runs for every line.
enum : uint8_t {
  kCodeDenied = 1,
  kCodeFailed = 2,  // ABORTED, ERROR, TIMEDOUT
  kCodeCached = 4,  // HIT, REFRESH_UNMODIFIED
};

bool WordAt(std::string_view code, size_t at, std::string_view word) {
  return code.size() - at >= word.size() && EqualsNoCase(code.substr(at, word.size()), word);
}

uint8_t CodeWords(std::string_view code) {
  uint8_t found = 0;
  for (size_t i = 0; i < code.size(); ++i) {
    switch (code[i] | 0x20) {  // ASCII letters to lower case
      case 'd':
        if (WordAt(code, i, "DENIED")) found |= kCodeDenied;
        break;
      case 'a':
        if (WordAt(code, i, "ABORTED")) found |= kCodeFailed;
        break;
      case 'e':
        if (WordAt(code, i, "ERROR")) found |= kCodeFailed;
        break;
      case 't':
        if (WordAt(code, i, "TIMEDOUT")) found |= kCodeFailed;
        break;
      case 'h':
        if (WordAt(code, i, "HIT")) found |= kCodeCached;
        break;
      case 'r':
        if (WordAt(code, i, "REFRESH_UNMODIFIED")) found |= kCodeCached;
        break;
      default:
        break;
    }
  }
  return found;
}

uint8_t StatusOfCode(std::string_view code, uint32_t http) {
  const uint8_t words = CodeWords(code);
  if (words & kCodeDenied) return kStatusBlocked;
  if ((words & kCodeFailed) || http == 0 || http >= 400) return kStatusFailed;
  if (words & kCodeCached) return kStatusCached;
  return kStatusSuccessful;
}

// The user as logged, with the doubled backslash undone.
void SetUser(THitText& target, std::string_view user) {
  size_t n = 0;
  for (size_t i = 0; i < user.size() && n < THitText::kCapacity; ++i) {
    char c = user[i];
    if (c == '\\' && i + 1 < user.size() && user[i + 1] == '\\') ++i;
    target.Text[n++] = c;
  }
  target.Length = uint8_t(n);
}

}  // namespace

TParseResult TSquidParser::Parse(std::string_view line, int64_t position, THit& hit) {
  std::string_view f[kMaxFields];
  const size_t count = SplitBlanks(line, f, kMaxFields);
  if (count == 0) return TParseResult::Skip;
  if (count < 10) return Fail("Too few fields in the access log line");
  if (count > kMaxFields) return Fail("Too many fields in the access log line");

  int64_t utc = 0;
  if (!ParseUnixTime(f[0], utc)) return Fail("Invalid time in the access log line");
  uint32_t elapsed = 0;
  if (!ParseCount(f[1], elapsed)) return Fail("Invalid elapsed time in the access log line");
  const std::string_view result = f[3];
  const size_t slash = result.find('/');
  if (slash == std::string_view::npos) return Fail("Invalid result code in the access log line");
  uint32_t http = 0;
  if (!ParseCount(result.substr(slash + 1), http)) {
    return Fail("Invalid HTTP status in the access log line");
  }
  uint32_t bytes = 0;
  if (!ParseCount(f[4], bytes)) return Fail("Invalid byte count in the access log line");

  hit.Clear();
  THitData& d = hit.Data();
  d.Initiated = LocalTime(utc);
  d.TimeTaken = elapsed;
  d.SourceSize = bytes;
  d.Status = StatusOfCode(result.substr(0, slash), http);
  d.Position = position;

  // The user runs from field 7 to the third-last field: blanks inside it
  // are written unescaped.
  const std::string_view client = f[2];
  const char* userStart = f[7].data();
  const char* userEnd = f[count - 3].data() + f[count - 3].size();
  const std::string_view user(userStart, size_t(userEnd - userStart));
  if (user == "-") {
    d.Source.Set(client);
  } else {
    SetUser(d.Source, user);
  }
  ParseIPv4(client, d.SourceAddress);

  const std::string_view method = f[5];
  const std::string_view url = f[6];
  const std::string_view scheme = SchemeOfUrl(url);
  if (EqualsNoCase(method, "CONNECT")) {
    d.Protocol = kProtocolSecureWeb;
  } else if (scheme.empty()) {
    d.Protocol = kProtocolWeb;
  } else {
    d.Protocol = ProtocolOfScheme(scheme);
  }
  d.DestinationPort = PortOfUrl(url);
  ApplyUrlText(hit, url);

  d.ExtraText1.Set(method);
  d.ExtraText2.Set(result);
  d.ExtraText3.Set(f[count - 1]);
  return TParseResult::Hit;
}
