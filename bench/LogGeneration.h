// Realistic log lines for the loader benchmarks and the log generator:
// a population of clients, users, sites, paths and queries, with the mix of
// outcomes (misses, cache hits, denials, errors, tunnels) and sizes that a
// busy proxy or web server shows. Deterministic for a given seed.
//
// Thread safety: one generator per thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class TLogKind : uint8_t { Squid, Ncsa, W3cWeb, W3cProxy };

// "squid", "ncsa", "w3c-web", "w3c-proxy"; false for another name.
bool LogKindByName(std::string_view name, TLogKind& kind);

class TLogGenerator {
 public:
  TLogGenerator(TLogKind kind, uint64_t seed = 1);

  // The header a new file starts with ("#Software" ... "#Fields:" for W3C,
  // nothing for the others).
  std::string Header() const;
  // Appends one line, with its LF, for the instant `unixMilliseconds`.
  void AppendLine(std::string& out, int64_t unixMilliseconds);

 private:
  uint32_t Next();
  uint32_t Below(uint32_t n) { return Next() % n; }

  TLogKind m_kind;
  uint64_t m_state;
};
