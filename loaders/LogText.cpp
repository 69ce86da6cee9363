#include "loaders/LogText.h"

#include <cstring>

namespace logtext {

size_t SplitBlanks(std::string_view line, std::string_view* fields, size_t capacity) {
  const char* p = line.data();
  const char* const end = p + line.size();
  size_t count = 0;
  if (!std::memchr(p, '\t', line.size())) {
    // Blanks only: the end of each field is found by memchr, which reads
    // many bytes at a time (this runs for every line of every log).
    for (;;) {
      while (p < end && *p == ' ') ++p;
      if (p == end) return count;
      const char* blank = static_cast<const char*>(std::memchr(p, ' ', size_t(end - p)));
      if (!blank) blank = end;
      if (count < capacity) fields[count] = std::string_view(p, size_t(blank - p));
      ++count;
      p = blank;
    }
  }
  for (;;) {
    while (p < end && IsBlank(*p)) ++p;
    if (p == end) return count;
    const char* start = p;
    while (p < end && !IsBlank(*p)) ++p;
    if (count < capacity) fields[count] = std::string_view(start, size_t(p - start));
    ++count;
  }
}

bool ParseUnsigned(std::string_view text, uint64_t& value) {
  value = 0;
  if (text.empty() || text.size() > 19) return false;
  for (const char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + uint64_t(c - '0');
  }
  return true;
}

bool ParseCount(std::string_view text, uint32_t& value) {
  value = 0;
  if (text == "-") return true;
  uint64_t wide = 0;
  if (!ParseUnsigned(text, wide)) return false;
  value = wide > UINT32_MAX ? UINT32_MAX : uint32_t(wide);
  return true;
}

bool ParseFixed(std::string_view text, int32_t& value) {
  value = 0;
  if (text.empty()) return false;
  for (const char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool ParseIPv4(std::string_view text, uint32_t& address) {
  address = 0;
  uint32_t result = 0;
  size_t i = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (i >= text.size() || text[i] != '.') return false;
      ++i;
    }
    uint32_t octet = 0;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i]) && digits < 4) {
      octet = octet * 10 + uint32_t(text[i] - '0');
      ++i;
      ++digits;
    }
    if (digits == 0 || digits > 3 || octet > 255) return false;
    result = (result << 8) | octet;
  }
  if (i != text.size()) return false;
  address = result;
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x + 32);
    if (y >= 'A' && y <= 'Z') y = char(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool ContainsNoCase(std::string_view word, std::string_view part) {
  if (part.empty()) return true;
  if (part.size() > word.size()) return false;
  // Compare the whole part only where its first letter matches: logs call
  // this several times per line.
  const char first = part[0] >= 'A' && part[0] <= 'Z' ? char(part[0] + 32) : part[0];
  for (size_t i = 0; i + part.size() <= word.size(); ++i) {
    const char c = word[i] >= 'A' && word[i] <= 'Z' ? char(word[i] + 32) : word[i];
    if (c == first && EqualsNoCase(word.substr(i, part.size()), part)) return true;
  }
  return false;
}

uint8_t ProtocolOfScheme(std::string_view scheme) {
  struct TEntry {
    std::string_view Scheme;
    uint8_t Protocol;
  };
  static constexpr TEntry kSchemes[] = {
      {"http", kProtocolWeb},
      {"https", kProtocolSecureWeb},
      {"ftp", kProtocolFileTransfer},
      {"gopher", kProtocolGopher},
      {"news", kProtocolNews},
      {"nntp", kProtocolNews},
      {"mailto", kProtocolMail},
      {"telnet", kProtocolTelnet},
      {"rtsp", kProtocolStreamingMedia},
      {"mms", kProtocolStreamingMedia},
      {"socks", kProtocolSocks},
      {"ssl", kProtocolSecureWeb},
      {"wss", kProtocolSecureWeb},
      {"ws", kProtocolWeb},
  };
  for (const TEntry& entry : kSchemes) {
    if (EqualsNoCase(scheme, entry.Scheme)) return entry.Protocol;
  }
  return kProtocolUnknown;
}

std::string_view SchemeOfUrl(std::string_view url) {
  for (size_t i = 0; i < url.size() && i < 16; ++i) {
    const char c = url[i];
    if (c == ':') {
      return url.substr(i, 3) == "://" ? url.substr(0, i) : std::string_view();
    }
    const bool schemeChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) ||
                            c == '+' || c == '-' || c == '.';
    if (!schemeChar) break;
  }
  return {};
}

uint16_t PortOfUrl(std::string_view url) {
  size_t start = 0;
  const std::string_view scheme = SchemeOfUrl(url);
  if (!scheme.empty()) start = scheme.size() + 3;
  // One pass over the authority: the port follows its last colon, unless a
  // user part ("@") or a bracketed IPv6 literal ("]") comes after that colon.
  size_t colon = std::string_view::npos;
  size_t end = start;
  for (; end < url.size(); ++end) {
    const char c = url[end];
    if (c == '/' || c == '?') break;
    if (c == ':') {
      colon = end;
    } else if (c == '@' || c == ']') {
      colon = std::string_view::npos;
    }
  }
  if (colon == std::string_view::npos) return 0;
  uint64_t port = 0;
  if (!ParseUnsigned(url.substr(colon + 1, end - colon - 1), port) || port > 65535) return 0;
  return uint16_t(port);
}

uint8_t ProtocolOfPort(uint32_t port) {
  switch (port) {
    case 80:
    case 8080:
      return kProtocolWeb;
    case 443:
    case 8443:
      return kProtocolSecureWeb;
    case 20:
    case 21:
      return kProtocolFileTransfer;
    case 23:
      return kProtocolTelnet;
    case 25:
    case 110:
    case 143:
    case 465:
    case 587:
    case 993:
    case 995:
      return kProtocolMail;
    case 53:
      return kProtocolDomainNameLookup;
    case 70:
      return kProtocolGopher;
    case 119:
    case 563:
      return kProtocolNews;
    case 554:
    case 1755:
      return kProtocolStreamingMedia;
    case 1080:
      return kProtocolSocks;
    default:
      return kProtocolUnknown;
  }
}

uint8_t StatusOfHttp(uint32_t status) {
  if (status == 403 || status == 407) return kStatusBlocked;
  if (status == 304) return kStatusCached;
  if (status == 0 || (status >= 400 && status <= 599)) return kStatusFailed;
  return kStatusSuccessful;
}

}  // namespace logtext
