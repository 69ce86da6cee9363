// The parser of the W3C extended log file format, as web servers, web
// proxies and firewalls write it: "#" directive lines, of which "#Fields:"
// names the columns of the data lines that follow, until the next
// "#Fields:" (a server that changes its settings writes a new header block
// in the middle of the file). Columns are separated by blanks; a column with
// blanks is quoted ("Mozilla/5.0 (X11)"), a doubled quote standing for one.
// "-" means no value. Dates and times are UTC.
//
// Columns read (names compared ignoring case; others are skipped):
//   date, time                          Initiated
//   c-ip / src-ip, c-port / src-port    SourceAddress, SourcePort
//   cs-username                         Source (else the client address)
//   cs-host, r-host, s-computername,    Destination, in that order of
//   s-ip, dst-ip, r-ip                  preference
//   cs-uri, or cs-uri-stem / cs-uri-path with cs-uri-query
//                                       Resource and Query via ApplyURL
//   cs-uri-scheme, cs-method, firewall  the protocol (CONNECT Secure Web; no
//   protocol, ports                     scheme: the server port's protocol)
//   s-port, cs-uri-port, r-port,        DestinationPort
//   dst-port
//   sc-status, s-action, action,        Status: DENIED/BLOCKED/DROP Blocked,
//   sc-filter-result                    HIT Cached, else by the HTTP status
//   sc-bytes (or firewall size),        SourceSize, DestinationSize
//   cs-bytes
//   time-taken                          TimeTaken in milliseconds (a value
//                                       with a fraction is read as seconds)
//   cs-method, s-action / action,       ExtraText1, ExtraText2, ExtraText3
//   cs(User-Agent)
//
// A data line before any "#Fields:", or with fewer columns than named, is an
// error; the directive lines give no hit.
//
// Thread safety: see TLogParser. The column list is per parser (per file).
#pragma once

#include <cstdint>

#include "loaders/LogParsers.h"

class TW3cParser final : public TLogParser {
 public:
  static constexpr size_t kMaxColumns = 64;

  TParseResult Parse(std::string_view line, int64_t position, THit& hit) override;
  void Reset() override { m_count = 0; }

  // Number of columns named by the last "#Fields:" (0 before one).
  size_t ColumnCount() const { return m_count; }

 private:
  void ReadFields(std::string_view names);

  uint8_t m_columns[kMaxColumns] = {};  // column ids (W3cParser.cpp), per position
  size_t m_count = 0;
};
