// The parser of the proxy's native access log: one request per line,
//
//   time elapsed client code/status bytes method URL user hierarchy/peer type
//
// with the time as Unix seconds and milliseconds ("1796855800.456") and the
// elapsed time in milliseconds. What the proxy really writes:
// - user names lower-cased, "-" when the request carried none; a blank
//   inside a user name is written as it is, so such a line has one field
//   (or more) too many: everything between the URL and the last two fields
//   is the user. A backslash is written doubled ("domain\\mary");
// - query strings cut off by default (the URL ends at "?" or has none);
// - CONNECT requests with "host:port" in place of a URL.
//
// Mapping: Source is the user, else the client address; SourceAddress the
// client when it is dotted IPv4; Destination, Resource and Query come from
// the URL through ApplyURL; the scheme (or CONNECT) gives the protocol;
// DENIED codes give Blocked, HIT and REFRESH_UNMODIFIED codes Cached,
// aborted requests, errors and HTTP statuses of 400 and up (or none) Failed.
// The byte count is what the client received: SourceSize (incoming).
// TimeTaken is the elapsed time in milliseconds. ExtraText1 holds the
// method, ExtraText2 the result code ("TCP_MISS/200"), ExtraText3 the
// content type.
//
// Thread safety: see TLogParser.
#pragma once

#include "loaders/LogParsers.h"

class TSquidParser final : public TLogParser {
 public:
  TParseResult Parse(std::string_view line, int64_t position, THit& hit) override;
};
