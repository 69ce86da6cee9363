// Hit filter and address cache speed, as the engine and an input's thread
// meet them per hit: an input's filter list (failed hits, a profile and a
// protocol selection) over a mix of hits, a single department filter with a
// long department list, and cache hits of the per-input address cache
// (names already looked up, so no resolver is asked).
// Items per second are hits (or addresses) per second.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "monitor/AdvDNSs.h"
#include "monitor/HitFilters.h"
#include "monitor/Hits.h"

namespace {

std::vector<TAdvRef<TVexaHit>> MakeHits() {
  const char* profiles[] = {"News", "Games", "Shopping", "Miscellaneous", "Social", "Webmail"};
  const char* departments[] = {"Sales", "Support", "Finance", "R&D", "Marketing"};
  std::vector<TAdvRef<TVexaHit>> hits;
  for (int i = 0; i < 1024; ++i) {
    auto hit = AdvNew<TVexaHit>();
    hit->SetProtocol(uint8_t(i % 11));
    hit->SetStatus(uint8_t(i % 4));
    hit->SetProfile(profiles[i % 6]);
    hit->SetDepartment(departments[i % 5]);
    hits.push_back(hit);
  }
  return hits;
}

void BM_InputFilterList(benchmark::State& state) {
  const auto hits = MakeHits();
  auto filters = AdvNew<TFilters>();
  auto profiles = AdvNew<TProfileFilter>();
  for (const char* name : {"news", "Shopping", "Miscellaneous"}) profiles->Includes().Add(name);
  for (const char* name : {"Games", "Social", "Webmail"}) profiles->Excludes().Add(name);
  auto protocols = AdvNew<TProtocolFilter>();
  for (const char* name : {"Web", "Secure Web"}) protocols->Includes().Add(name);
  protocols->Excludes().Add("Mail");
  filters->Build({AdvNew<TSuccessFilter>().Get(), profiles.Get(), protocols.Get()});
  size_t passed = 0;
  for (auto _ : state)
    for (const auto& hit : hits) passed += filters->Passes(*hit);
  benchmark::DoNotOptimize(passed);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(hits.size()));
}
BENCHMARK(BM_InputFilterList);

void BM_DepartmentFilterManyNames(benchmark::State& state) {
  const auto hits = MakeHits();
  auto filter = AdvNew<TDepartmentFilter>();
  for (int i = 0; i < 200; ++i) filter->Includes().Add("Department " + std::to_string(i));
  filter->Includes().Add("Marketing");
  filter->Excludes().Add("Sales");
  size_t passed = 0;
  for (auto _ : state)
    for (const auto& hit : hits) passed += filter->Passes(*hit);
  benchmark::DoNotOptimize(passed);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(hits.size()));
}
BENCHMARK(BM_DepartmentFilterManyNames);

void BM_CachedAddresses(benchmark::State& state) {
  auto cache = AdvNew<TAddresses>();
  cache->SetLookup([](uint32_t address) { return "host-" + AddressToText(address) + ".example"; });
  std::vector<std::string> texts;
  for (uint32_t i = 0; i < uint32_t(state.range(0)); ++i)
    texts.push_back(AddressToText(0x0A000000 + i * 7));
  for (const std::string& text : texts) cache->ResolveText(text);  // warm
  size_t length = 0;
  for (auto _ : state)
    for (const std::string& text : texts) length += cache->ResolveText(text).size();
  benchmark::DoNotOptimize(length);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(texts.size()));
}
BENCHMARK(BM_CachedAddresses)->Arg(1000)->Arg(60000);

}  // namespace

BENCHMARK_MAIN();
