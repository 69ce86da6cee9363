// A private DNS server for look-up tests: a dnsmasq process on a free port
// of 127.0.0.1 that answers PTR queries from a fixed table and nothing else,
// and logs every query it receives so tests can count them. While it runs,
// the program's reverse look-ups go to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vexatest {

class TDnsServer {
 public:
  using TRecords = std::vector<std::pair<uint32_t, std::string>>;

  // Starts the server with `records` (address, name) and points the
  // program's reverse look-ups at it. Null with the reason in `why` when
  // dnsmasq is not installed or does not come up.
  static std::unique_ptr<TDnsServer> Start(const TRecords& records, std::string& why);
  // Stops the server and gives the look-ups back to the system's resolver.
  ~TDnsServer();
  TDnsServer(const TDnsServer&) = delete;
  TDnsServer& operator=(const TDnsServer&) = delete;

  uint16_t Port() const { return m_port; }
  // PTR queries the server has received for an address so far.
  int QueryCount(uint32_t address) const;

 private:
  TDnsServer() = default;

  int32_t m_pid = -1;
  uint16_t m_port = 0;
  std::string m_folder;
};

// The dnsmasq program, or empty when it is not installed.
std::string FindDnsmasq();

}  // namespace vexatest
