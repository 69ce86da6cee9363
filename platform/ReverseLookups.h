// Reverse look-ups of IPv4 addresses: the host name registered for an
// address, or none.
//
// By default the system's resolver answers (getnameinfo, which honours the
// hosts file and the name servers the system is configured with). A program
// or a test may instead name one DNS server: the look-up then sends its own
// PTR query to that server alone and reads the answer itself, so the result
// depends on nothing but that server.
//
// Thread safety: every function may be called from any thread at once; a
// look-up blocks only its calling thread (for at most the time-out times the
// attempts when a server is named, or for the system resolver's own limits).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The name for `address` (host order: the first dotted part is the most
// significant byte), without a trailing dot; empty when there is none, the
// answer is malformed or the look-up fails. Never raises.
std::string ReverseLookupIPv4(uint32_t address);

// Sends every later look-up to the DNS server at `address`:`port` (UDP),
// waiting `timeoutSeconds` (at least 1) per attempt, over `attempts` (at
// least 1). An address of 0 goes back to the system's resolver.
void SetReverseLookupServer(uint32_t address, uint16_t port, int32_t timeoutSeconds = 2,
                            int32_t attempts = 2);

// The "in-addr.arpa" name of an address: "3.2.1.10.in-addr.arpa" for 10.1.2.3.
std::string ReverseLookupQueryName(uint32_t address);

}  // namespace platform
