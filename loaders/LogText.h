// Small byte-level helpers shared by the log parsers: splitting a line into
// blank-separated fields, reading unsigned numbers and dotted IPv4 addresses,
// and telling protocols and outcomes from the words logs use for them.
//
// Everything here works on std::string_view slices of the caller's line and
// never allocates; the parsers call these once or more per log line.
//
// Thread safety: pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "monitor/HitData.h"

namespace logtext {

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The line without a trailing CR (a line end written as CR LF).
inline std::string_view StripCr(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// Cuts up to `capacity` blank-separated fields out of `line` (runs of blanks
// count as one separator) and returns how many there were; fields beyond the
// capacity are counted but not stored.
size_t SplitBlanks(std::string_view line, std::string_view* fields, size_t capacity);

// Digits only, at most 19 of them; false for anything else (a sign, a blank,
// an empty text).
bool ParseUnsigned(std::string_view text, uint64_t& value);
// As ParseUnsigned, clamped to 32 bits; "-" reads as 0 (logs write it for
// "no bytes").
bool ParseCount(std::string_view text, uint32_t& value);
// A fixed number of digits.
bool ParseFixed(std::string_view text, int32_t& value);

// "a.b.c.d" with each part 0..255, first octet most significant; false
// (and 0) for anything else, such as an IPv6 address or a host name.
bool ParseIPv4(std::string_view text, uint32_t& address);

// The protocol a URL scheme stands for: "http" Web, "https" Secure Web,
// "ftp" File Transfer, "gopher" Gopher, "news"/"nntp" News, "mailto" Mail,
// "telnet" Telnet, "rtsp"/"mms" Streaming Media; Unknown for others. ASCII
// case is ignored.
uint8_t ProtocolOfScheme(std::string_view scheme);
// The scheme in front of "://" in a URL, or empty.
std::string_view SchemeOfUrl(std::string_view url);
// The port after the host of a URL ("http://h:8080/x" 8080, "h:443" 443), or
// 0 when none is written.
uint16_t PortOfUrl(std::string_view url);
// The protocol a well-known server port stands for (80 Web, 443 Secure Web,
// 21 File Transfer, 53 Domain Name Lookup, 25 Mail ...); Unknown for others.
uint8_t ProtocolOfPort(uint32_t port);

// True when `word` contains `part`, ASCII case ignored.
bool ContainsNoCase(std::string_view word, std::string_view part);
bool EqualsNoCase(std::string_view a, std::string_view b);

// The outcome of an HTTP status alone: 403 and 407 (refused by policy or
// for want of credentials) Blocked, 304 (the client's copy is current)
// Cached, 0 (no reply: aborted) and 400..599 Failed, others Successful.
uint8_t StatusOfHttp(uint32_t status);

}  // namespace logtext
