// The parser of the Common and Combined log formats written by web servers
// and by proxies configured for them:
//
//   host ident user [09/Dec/2026:22:36:51 +0100] "GET /a?b HTTP/1.1" 200 153
//   [ "referer" "agent" [proxy-code:hierarchy] ]
//
// Each line's zone offset is honoured: the time is turned into UTC with it
// and then into the program's local time. Quoted fields may hold escaped
// quotes (\" or \x22); the user may hold bytes written as \xHH, which are
// decoded. A proxy writes an absolute URL ("http://host/path") or, for
// CONNECT, "host:port"; a web server writes only the path, so Destination
// stays empty. A trailing proxy result code ("TCP_DENIED:HIER_NONE"), when
// present, decides the outcome as in the native proxy log.
//
// Mapping: Source is the user, else the ident, else the host; Status from
// the proxy code or else from the HTTP status (403 and 407 Blocked, 304
// Cached, 4xx and 5xx Failed); the byte count is SourceSize. ExtraText1
// holds the method, ExtraText2 the referer, ExtraText3 the user agent.
//
// Thread safety: see TLogParser.
#pragma once

#include "loaders/LogParsers.h"

class TNcsaParser final : public TLogParser {
 public:
  TParseResult Parse(std::string_view line, int64_t position, THit& hit) override;
};

// "09/Dec/2026:22:36:51 +0100" as UTC milliseconds since 1970; false for
// anything else.
bool ParseNcsaTime(std::string_view text, int64_t& utcMilliseconds);
