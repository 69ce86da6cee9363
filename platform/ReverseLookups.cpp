#include "platform/ReverseLookups.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

struct TServer {
  uint32_t Address = 0;  // 0: the system's resolver
  uint16_t Port = 53;
  int32_t TimeoutSeconds = 2;
  int32_t Attempts = 2;
};

std::mutex g_serverLock;
TServer g_server;  // guarded by g_serverLock

TServer CurrentServer() {
  std::lock_guard lock(g_serverLock);
  return g_server;
}

std::string WithoutTrailingDot(std::string name) {
  while (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}

// getnameinfo is safe for concurrent use and writes into our own buffer.
std::string SystemLookup(uint32_t address) {
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_addr.s_addr = htonl(address);
  char host[NI_MAXHOST] = {};
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress, host,
                  sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
    return {};
  host[sizeof host - 1] = '\0';
  return WithoutTrailingDot(host);
}

// The first PTR record of the answer section; the parser checks every
// length and offset against the message's end.
std::string FirstPointer(const unsigned char* answer, int length) {
  ns_msg message;
  if (ns_initparse(answer, length, &message) != 0) return {};
  if (ns_msg_getflag(message, ns_f_rcode) != ns_r_noerror) return {};
  const int count = ns_msg_count(message, ns_s_an);
  for (int i = 0; i < count; ++i) {
    ns_rr record;
    if (ns_parserr(&message, ns_s_an, i, &record) != 0) return {};
    if (ns_rr_type(record) != ns_t_ptr || ns_rr_class(record) != ns_c_in) continue;
    char name[NS_MAXDNAME] = {};
    if (ns_name_uncompress(ns_msg_base(message), ns_msg_end(message), ns_rr_rdata(record), name,
                           sizeof name) < 0)
      return {};
    name[sizeof name - 1] = '\0';
    std::string text = WithoutTrailingDot(name);
    if (!text.empty()) return text;
  }
  return {};
}

// A PTR query to the one configured server, with a resolver state of our
// own (so nothing is shared between threads).
std::string ServerLookup(uint32_t address, const TServer& server) {
  struct __res_state state;
  std::memset(&state, 0, sizeof state);
  if (res_ninit(&state) != 0) {
    res_nclose(&state);
    return {};
  }
  state.nscount = 1;
  std::memset(&state.nsaddr_list[0], 0, sizeof state.nsaddr_list[0]);
  state.nsaddr_list[0].sin_family = AF_INET;
  state.nsaddr_list[0].sin_port = htons(server.Port);
  state.nsaddr_list[0].sin_addr.s_addr = htonl(server.Address);
  state.retrans = std::max(server.TimeoutSeconds, 1);
  state.retry = std::max(server.Attempts, 1);
  state.options &= ~static_cast<unsigned long>(RES_ROTATE);
  unsigned char answer[NS_PACKETSZ * 8];
  const std::string query = ReverseLookupQueryName(address);
  int length = res_nquery(&state, query.c_str(), ns_c_in, ns_t_ptr, answer, sizeof answer);
  res_nclose(&state);
  if (length <= 0) return {};
  // A longer answer was cut to the buffer; the parser refuses what is
  // missing rather than reading past it.
  length = std::min<int>(length, int(sizeof answer));
  return FirstPointer(answer, length);
}

}  // namespace

std::string ReverseLookupQueryName(uint32_t address) {
  std::string name;
  for (int shift = 0; shift <= 24; shift += 8) {
    name += std::to_string((address >> shift) & 0xFFu);
    name += '.';
  }
  return name + "in-addr.arpa";
}

std::string ReverseLookupIPv4(uint32_t address) {
  try {
    const TServer server = CurrentServer();
    return server.Address ? ServerLookup(address, server) : SystemLookup(address);
  } catch (...) {
    // Only allocation can fail here; a look-up never raises.
    return {};
  }
}

void SetReverseLookupServer(uint32_t address, uint16_t port, int32_t timeoutSeconds,
                            int32_t attempts) {
  std::lock_guard lock(g_serverLock);
  g_server.Address = address;
  g_server.Port = port;
  g_server.TimeoutSeconds = std::max(timeoutSeconds, 1);
  g_server.Attempts = std::max(attempts, 1);
}

}  // namespace platform
