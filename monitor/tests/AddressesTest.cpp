#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

#include "monitor/AdvDNSs.h"
#include "monitor/MonitorFolders.h"
#include "monitor/tests/AddressTestLoader.h"
#include "platform/Clock.h"
#include "testing/TestEnvironment.h"

namespace {

constexpr uint32_t kA = 0x0A010203;  // 10.1.2.3
constexpr uint32_t kB = 0x0A010204;
constexpr uint32_t kC = 0x0A010205;

TEST(AddressText, ParsesOnlyFourDecimalOctets) {
  struct {
    const char* Text;
    uint32_t Address;
  } cases[] = {{"10.1.2.3", 0x0A010203},
               {"255.255.255.255", 0xFFFFFFFF},
               {"010.001.000.001", 0x0A010001},
               {"0.0.0.1", 1},
               {"0.0.0.0", 0},
               {"10.1.2.3:80", 0},
               {" 10.1.2.3", 0},
               {"10.1.2.3 ", 0},
               {"10.1.2", 0},
               {"10.1.2.3.4", 0},
               {"256.1.1.1", 0},
               {"1..2.3", 0},
               {"+1.2.3.4", 0},
               {"1.2.3.0004", 0x01020304},
               {"1.2.3.2560", 0},
               {"99999999999.1.1.1", 0},
               {"proxy.example.com", 0},
               {"", 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(TextToAddress(c.Text), c.Address) << c.Text;
    EXPECT_EQ(IsAddressText(c.Text), c.Address != 0) << c.Text;
  }
  EXPECT_EQ(AddressToText(0x0A010001), "10.1.0.1");
  EXPECT_EQ(AddressToText(0xFFFFFFFF), "255.255.255.255");
  EXPECT_EQ(ReverseLookup(0), "");
}

// Counts look-ups and answers from a table.
struct TFakeResolver {
  std::map<uint32_t, std::string> Names;
  std::map<uint32_t, int> Calls;
  TReverseLookupFunction Function() {
    return [this](uint32_t address) {
      ++Calls[address];
      auto found = Names.find(address);
      return found == Names.end() ? std::string() : found->second;
    };
  }
};

class AddressCache : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetCurrentClock(&m_clock); }
  void TearDown() override { platform::SetCurrentClock(nullptr); }

  platform::TManualClock m_clock{0, 5000};
};

TEST_F(AddressCache, RemembersNegativeAnswersForHalfAnHourAcrossTheTickWrap) {
  m_clock.SetTickCount(0xFFFFFFFFu - 1000);  // wraps within the half hour
  TFakeResolver resolver;
  resolver.Names[kA] = "a.example";
  auto cache = AdvNew<TAddresses>();
  cache->SetLookup(resolver.Function());
  EXPECT_EQ(cache->ResolveText("10.1.2.3"), "a.example");
  EXPECT_EQ(cache->ResolveText("10.1.2.4"), "10.1.2.4");  // no name: the text stays
  m_clock.Advance(TAddresses::kRefreshAge);
  EXPECT_EQ(cache->ResolveText("10.1.2.4"), "10.1.2.4");
  EXPECT_EQ(cache->NameOf(kA), "a.example");
  EXPECT_EQ(resolver.Calls[kA], 1);
  EXPECT_EQ(resolver.Calls[kB], 1);
  resolver.Names[kB] = "b.example";
  m_clock.Advance(1);
  EXPECT_EQ(cache->ResolveText("10.1.2.4"), "b.example");
  EXPECT_EQ(resolver.Calls[kB], 2);
  EXPECT_EQ(cache->NameOf(0), "");
  EXPECT_EQ(resolver.Calls.count(0), 0u);
}

TEST_F(AddressCache, GrowsAlongThePrimeTable) {
  auto cache = AdvNew<TAddresses>();
  cache->SetLookup([](uint32_t) { return std::string(); });
  EXPECT_EQ(cache->Capacity(), 127);
  for (uint32_t i = 1; i <= 107; ++i) cache->NameOf(i);
  EXPECT_EQ(cache->Capacity(), 127);
  cache->NameOf(108);
  EXPECT_EQ(cache->Capacity(), 503);
  EXPECT_EQ(cache->Count(), 108);
}

TEST_F(AddressCache, EvictsTheEntryLookedUpLongestAgo) {
  TFakeResolver resolver;
  auto cache = AdvNew<TAddresses>();
  cache->SetLookup(resolver.Function());
  cache->SetMaxEntries(3);
  cache->NameOf(kA);
  m_clock.Advance(1000);
  cache->NameOf(kB);
  cache->NameOf(kC);
  // kA is due again: looking it up makes it the newest.
  m_clock.Advance(TAddresses::kRefreshAge);
  cache->NameOf(kA);
  cache->NameOf(0x0A010206);
  EXPECT_EQ(cache->Count(), 3);
  EXPECT_FALSE(cache->Find(kB));
  EXPECT_TRUE(cache->Find(kA));
  EXPECT_TRUE(cache->Find(kC));
  cache->NameOf(kB);  // gone, so asked again
  EXPECT_EQ(resolver.Calls[kB], 2);
  EXPECT_FALSE(cache->Find(kC));
  cache->SetMaxEntries(1);
  EXPECT_EQ(cache->Count(), 1);
  EXPECT_TRUE(cache->Find(kB));
}

TEST_F(AddressCache, DefaultBoundHoldsAtLeast65536Addresses) {
  auto cache = AdvNew<TAddresses>();
  int calls = 0;
  cache->SetLookup([&calls](uint32_t) {
    ++calls;
    return std::string();
  });
  const uint32_t total = 70000;
  for (uint32_t i = 1; i <= total; ++i) cache->NameOf(i);
  EXPECT_EQ(cache->MaxEntries(), 65536);
  EXPECT_EQ(cache->Count(), 65536);
  EXPECT_FALSE(cache->Find(total - 65536));
  EXPECT_TRUE(cache->Find(total - 65535));
  EXPECT_EQ(calls, int(total));
}

// ---------------------------------------------------------------------------
// An input with Resolve set

class ResolvingInput : public ::testing::Test {
 protected:
  TAdvRef<TMonitorFolder> MakeInput(const std::string& lines) {
    const std::string folder = vexatest::MakeTempFolder("resolve");
    std::ofstream(folder + "/a.log", std::ios::binary) << lines;
    auto input = AdvNew<TMonitorFolder>();
    input->SetFolder(new TFolder(folder + "/"));
    input->SetLoader(new vexatest::TAddressLineLoader());
    input->SetIgnoreModifiedTime(true);
    input->SetResolve(true);
    input->Addresses().SetLookup(m_resolver.Function());
    return input;
  }
  static std::vector<std::pair<std::string, std::string>> Drain(TMonitorFolder& input) {
    std::vector<std::pair<std::string, std::string>> hits;
    auto hit = AdvNew<TVexaHit>();
    while (input.TakeHit(hit.Get()))
      hits.emplace_back(std::string(hit->Source()), std::string(hit->Destination()));
    return hits;
  }

  TFakeResolver m_resolver;
};

TEST_F(ResolvingInput, ReplacesOnlyDottedAddressesEachOnItsOwn) {
  const std::string longName(300, 'n');
  m_resolver.Names[kA] = "a.example";
  m_resolver.Names[kC] = longName;
  auto input = MakeInput(
      "10.1.2.3 10.1.2.4\n"
      "10.1.2.4 10.1.2.3\n"
      "10.1.2.3:80 proxy.example\n"
      "10.1.2.5 0.0.0.0\n");
  input->Pass();
  const auto hits = Drain(*input);
  ASSERT_EQ(hits.size(), 4u);
  EXPECT_EQ(hits[0], std::make_pair(std::string("a.example"), std::string("10.1.2.4")));
  EXPECT_EQ(hits[1], std::make_pair(std::string("10.1.2.4"), std::string("a.example")));
  EXPECT_EQ(hits[2], std::make_pair(std::string("10.1.2.3:80"), std::string("proxy.example")));
  EXPECT_EQ(hits[3].first, longName.substr(0, 255));
  EXPECT_EQ(hits[3].second, "0.0.0.0");
  // Once per address, the failed one included.
  EXPECT_EQ(m_resolver.Calls[kA], 1);
  EXPECT_EQ(m_resolver.Calls[kB], 1);
  EXPECT_EQ(m_resolver.Calls.size(), 3u);
}

TEST_F(ResolvingInput, EachInputKeepsItsOwnCacheAndResolveOffLeavesHitsAlone) {
  m_resolver.Names[kA] = "a.example";
  auto first = MakeInput("10.1.2.3 x\n");
  auto second = MakeInput("10.1.2.3 x\n10.1.2.3 x\n");
  first->Pass();
  second->Pass();
  EXPECT_EQ(Drain(*second).size(), 2u);
  EXPECT_EQ(m_resolver.Calls[kA], 2);
  auto plain = MakeInput("10.1.2.3 x\n");
  plain->SetResolve(false);
  plain->Pass();
  EXPECT_EQ(Drain(*plain).front().first, "10.1.2.3");
  EXPECT_EQ(m_resolver.Calls[kA], 2);
}

// ---------------------------------------------------------------------------
// The batch resolver

// Holds every look-up until the test opens the gate.
struct TGate {
  std::mutex Lock;
  std::condition_variable Changed;
  bool Open = false;
  int Waiting = 0;
  TReverseLookupFunction Function() {
    return [this](uint32_t address) {
      std::unique_lock lock(Lock);
      ++Waiting;
      Changed.notify_all();
      Changed.wait(lock, [this] { return Open; });
      return address % 2 ? AddressToText(address) + ".example" : std::string();
    };
  }
  void WaitForWaiting(int count) {
    std::unique_lock lock(Lock);
    Changed.wait(lock, [&] { return Waiting >= count; });
  }
  void Release() {
    std::lock_guard lock(Lock);
    Open = true;
    Changed.notify_all();
  }
};

struct TResults {
  std::vector<std::pair<std::string, std::string>> Reported;
  TAdvDNS::TResolvedHandler Handler() {
    return [this](TAdvDNS&, const std::string& address, const std::string& name) {
      Reported.emplace_back(address, name);
    };
  }
};

TEST(BatchResolver, ResolvesABatchOfThreeHundredWithAllWorkers) {
  auto dns = AdvNew<TAdvDNS>();
  TResults results;
  dns->SetOnResolved(results.Handler());
  TGate gate;
  dns->SetLookup(gate.Function());
  dns->SetThreadCount(TAdvDNS::kDefaultThreadCount);
  for (uint32_t i = 1; i <= 300; ++i) dns->Addresses().Add(AddressToText(0x0A000000 + i));
  dns->Reset();
  dns->Step();
  // Every worker holds one address, handed out in list order.
  EXPECT_EQ(dns->NextIndex(), 128);
  gate.WaitForWaiting(128);
  EXPECT_EQ(dns->Reported(), 0);
  gate.Release();
  int steps = 0;
  while (dns->Busy()) {
    dns->Step();
    ++steps;
  }
  dns->Finish();
  EXPECT_EQ(dns->Reported(), 300);
  EXPECT_EQ(dns->NextIndex(), 300);
  ASSERT_EQ(results.Reported.size(), 300u);
  std::set<std::string> seen;
  int named = 0;
  for (const auto& [address, name] : results.Reported) {
    seen.insert(address);
    if (!name.empty()) {
      EXPECT_EQ(name, address + ".example");
      ++named;
    }
  }
  EXPECT_EQ(seen.size(), 300u);
  EXPECT_EQ(named, 150);  // the empty answers are reported too
  // Step waits for completions rather than spinning: far fewer passes than
  // a zero-wait poll would make.
  EXPECT_LT(steps, 1000);
}

TEST(BatchResolver, CancelledBatchHandsOutNothingMoreAndFinishReportsTheRunning) {
  auto dns = AdvNew<TAdvDNS>();
  TResults results;
  dns->SetOnResolved(results.Handler());
  TGate gate;
  dns->SetLookup(gate.Function());
  dns->SetThreadCount(4);
  for (uint32_t i = 1; i <= 10; ++i) dns->Addresses().Add(AddressToText(i));
  dns->Reset();
  dns->Step(0);
  gate.WaitForWaiting(4);
  // The user cancels here: no further Step.
  gate.Release();
  dns->Finish();
  EXPECT_EQ(dns->NextIndex(), 4);
  EXPECT_EQ(dns->Reported(), 4);
  EXPECT_TRUE(dns->Busy());
  std::vector<std::string> addresses;
  for (const auto& result : results.Reported) addresses.push_back(result.first);
  EXPECT_EQ(addresses, (std::vector<std::string>{"0.0.0.1", "0.0.0.2", "0.0.0.3", "0.0.0.4"}));
  // The pool shrinks and grows between batches.
  dns->SetThreadCount(2);
  EXPECT_EQ(dns->Threads().Count(), 2);
}

TEST(BatchResolver, HandlerErrorsStillCountTheResult) {
  auto dns = AdvNew<TAdvDNS>();
  int calls = 0;
  dns->SetOnResolved([&calls](TAdvDNS&, const std::string&, const std::string&) {
    ++calls;
    throw std::runtime_error("handler failed");
  });
  dns->SetLookup([](uint32_t) { return std::string("x"); });
  dns->SetThreadCount(3);
  for (const char* text : {"1.1.1.1", "2.2.2.2", "3.3.3.3"}) dns->Addresses().Add(text);
  dns->Reset();
  dns->Step(0);
  EXPECT_THROW(dns->Finish(), std::runtime_error);
  EXPECT_EQ(calls, 3);  // every worker was reported despite the first error
  EXPECT_EQ(dns->Reported(), 3);
  EXPECT_FALSE(dns->Busy());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(dns->Threads().Worker(i)->Address(), "");
}

TEST(BatchResolver, EmptyBatchIsNotBusyAndNoPoolRefusesToStep) {
  auto dns = AdvNew<TAdvDNS>();
  dns->Reset();
  EXPECT_FALSE(dns->Busy());
  dns->Step();
  dns->Finish();
  EXPECT_EQ(dns->Reported(), 0);
  dns->Addresses().Add("1.2.3.4");
  EXPECT_THROW(dns->Step(), EAdvDNS);
}

}  // namespace
