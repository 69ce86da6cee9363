// Reverse look-ups through real DNS packets, against a private dnsmasq.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "monitor/AdvDNSs.h"
#include "monitor/MonitorFolders.h"
#include "monitor/tests/AddressTestLoader.h"
#include "monitor/tests/DnsServer.h"
#include "platform/ReverseLookups.h"
#include "testing/TestEnvironment.h"

namespace {

constexpr uint32_t kKnown = 0x0A010203;    // 10.1.2.3
constexpr uint32_t kOther = 0xC0A80A14;    // 192.168.10.20
constexpr uint32_t kUnknown = 0x0A090909;  // 10.9.9.9

class ReverseLookupServer : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    m_server = vexatest::TDnsServer::Start(
        {{kKnown, "host-a.example.test"}, {kOther, "printer.office.example.test"}}, why);
    if (!m_server) {
      if (vexatest::FindDnsmasq().empty()) GTEST_SKIP() << why;
      FAIL() << why;
    }
  }

  std::unique_ptr<vexatest::TDnsServer> m_server;
};

TEST_F(ReverseLookupServer, AnswersFromTheServerAndNothingForUnknownAddresses) {
  EXPECT_EQ(platform::ReverseLookupQueryName(kKnown), "3.2.1.10.in-addr.arpa");
  EXPECT_EQ(ReverseLookup(kKnown), "host-a.example.test");
  EXPECT_EQ(ReverseLookup(kOther), "printer.office.example.test");
  EXPECT_EQ(ReverseLookup(kUnknown), "");
  EXPECT_EQ(m_server->QueryCount(kKnown), 1);
  EXPECT_EQ(m_server->QueryCount(kUnknown), 1);
}

TEST_F(ReverseLookupServer, InputResolvesHitsAndAsksOncePerAddress) {
  const std::string folder = vexatest::MakeTempFolder("dnsinput");
  std::ofstream(folder + "/a.log", std::ios::binary) << "10.1.2.3 10.9.9.9\n"
                                                        "10.9.9.9 192.168.10.20\n"
                                                        "10.1.2.3 www.example.com\n";
  auto input = AdvNew<TMonitorFolder>();
  input->SetFolder(new TFolder(folder + "/"));
  input->SetLoader(new vexatest::TAddressLineLoader());
  input->SetIgnoreModifiedTime(true);
  input->SetResolve(true);
  input->Pass();
  std::vector<std::pair<std::string, std::string>> hits;
  auto hit = AdvNew<TVexaHit>();
  while (input->TakeHit(hit.Get()))
    hits.emplace_back(std::string(hit->Source()), std::string(hit->Destination()));
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"host-a.example.test", "10.9.9.9"},
      {"10.9.9.9", "printer.office.example.test"},
      {"host-a.example.test", "www.example.com"}};
  EXPECT_EQ(hits, expected);
  EXPECT_EQ(m_server->QueryCount(kKnown), 1);
  EXPECT_EQ(m_server->QueryCount(kUnknown), 1);  // the missing name is remembered
  EXPECT_EQ(m_server->QueryCount(kOther), 1);
}

TEST_F(ReverseLookupServer, BatchResolverReportsEveryAddress) {
  auto dns = AdvNew<TAdvDNS>();
  std::map<std::string, std::string> names;
  dns->SetOnResolved([&names](TAdvDNS&, const std::string& address, const std::string& name) {
    names[address] = name;
  });
  dns->SetThreadCount(2);
  for (const char* text : {"10.1.2.3", "192.168.10.20", "10.9.9.9", "010.001.002.003"})
    dns->Addresses().Add(text);
  dns->Reset();
  while (dns->Busy()) dns->Step();
  dns->Finish();
  const std::map<std::string, std::string> expected = {
      {"10.1.2.3", "host-a.example.test"},
      {"192.168.10.20", "printer.office.example.test"},
      {"10.9.9.9", ""},
      {"010.001.002.003", "host-a.example.test"}};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(m_server->QueryCount(kKnown), 2);
}

}  // namespace
