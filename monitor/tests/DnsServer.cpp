#include "monitor/tests/DnsServer.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/Processes.h"
#include "platform/ReverseLookups.h"
#include "platform/Sockets.h"
#include "testing/TestEnvironment.h"

namespace vexatest {

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kLoopback = 0x7F000001;
// A record of the fixture's own, asked until the server answers, so the
// tests' records see only the tests' queries.
constexpr uint32_t kProbeAddress = 0x7F00FFFE;
constexpr char kProbeName[] = "ready.vexa.test";

// A port the system just handed out for UDP on loopback; dnsmasq takes it
// next (a clash only costs a retry).
uint16_t FreeUdpPort() {
  const platform::TSocketHandle handle = platform::SocketCreate(platform::kAddressFamilyInternet,
                                                                /*SOCK_DGRAM*/ 2, /*UDP*/ 17);
  if (handle == platform::kNoSocket) return 0;
  uint32_t address = 0;
  uint16_t port = 0;
  if (platform::SocketBind(handle, kLoopback, 0) != 0 ||
      platform::SocketLocalAddress(handle, address, port) != 0)
    port = 0;
  platform::SocketClose(handle);
  return port;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::string FindDnsmasq() {
  std::vector<std::string> folders;
  if (const char* path = std::getenv("PATH")) {
    std::stringstream list(path);
    for (std::string folder; std::getline(list, folder, ':');)
      if (!folder.empty()) folders.push_back(folder);
  }
  folders.insert(folders.end(), {"/usr/sbin", "/sbin", "/usr/local/sbin"});
  for (const std::string& folder : folders) {
    std::error_code error;
    const fs::path candidate = fs::path(folder) / "dnsmasq";
    if (fs::is_regular_file(candidate, error)) return candidate.string();
  }
  return {};
}

std::unique_ptr<TDnsServer> TDnsServer::Start(const TRecords& records, std::string& why) {
  const std::string program = FindDnsmasq();
  if (program.empty()) {
    why = "dnsmasq is not installed (scripts/setup installs it)";
    return nullptr;
  }
  std::unique_ptr<TDnsServer> server(new TDnsServer());
  server->m_folder = MakeTempFolder("dns");
  for (int attempt = 0; attempt < 5; ++attempt) {
    const uint16_t port = FreeUdpPort();
    if (port == 0) continue;
    std::vector<std::string> arguments = {
        program, "--keep-in-foreground", "--conf-file=/dev/null", "--no-resolv", "--no-hosts",
        "--bind-interfaces", "--listen-address=127.0.0.1", "--port=" + std::to_string(port),
        // Ignored unless started as root; then it keeps dnsmasq from moving
        // to a user that cannot write the temporary folder.
        "--user=root", "--log-queries", "--cache-size=0",
        "--pid-file=" + server->m_folder + "/dnsmasq.pid",
        "--log-facility=" + server->m_folder + "/dnsmasq.log"};
    arguments.push_back("--ptr-record=" + platform::ReverseLookupQueryName(kProbeAddress) + "," +
                        kProbeName);
    for (const auto& [address, name] : records)
      arguments.push_back("--ptr-record=" + platform::ReverseLookupQueryName(address) + "," + name);
    std::string error;
    const int32_t pid = platform::StartProcess(arguments, &error);
    if (pid < 0) {
      why = "dnsmasq did not start: " + error;
      return nullptr;
    }
    server->m_pid = pid;
    server->m_port = port;
    platform::SetReverseLookupServer(kLoopback, port, 1, 1);
    // Ready once it answers the probe. A query sent before its socket is
    // bound is refused at once, so this loop waits on the server alone.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (platform::WaitForProcess(pid, 0) != platform::kProcessStillRunning) break;
      if (platform::ReverseLookupIPv4(kProbeAddress) == kProbeName) return server;
      std::this_thread::yield();
    }
    platform::SetReverseLookupServer(0, 0);
    platform::TerminateProcess(pid);
    platform::WaitForProcess(pid, -1);
    server->m_pid = -1;
  }
  why = "dnsmasq did not come up; its log: " + ReadText(server->m_folder + "/dnsmasq.log");
  return nullptr;
}

TDnsServer::~TDnsServer() {
  platform::SetReverseLookupServer(0, 0);
  if (m_pid > 0) {
    platform::TerminateProcess(m_pid);
    platform::WaitForProcess(m_pid, -1);
  }
}

int TDnsServer::QueryCount(uint32_t address) const {
  const std::string needle = "query[PTR] " + platform::ReverseLookupQueryName(address) + " ";
  const std::string log = ReadText(m_folder + "/dnsmasq.log");
  int count = 0;
  for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1))
    ++count;
  return count;
}

}  // namespace vexatest
