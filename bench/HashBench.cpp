// Look-ups in the application's prime-sized hash and in sorted text lists,
// at the sizes of a busy day's site and user tables.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/AdvStrings.h"
#include "core/Hashes.h"

namespace {

constexpr int kEntries = 100000;

std::vector<std::string> HostNames(const char* prefix, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::string> names;
  names.reserve(kEntries);
  for (int i = 0; i < kEntries; ++i)
    names.push_back(prefix + std::to_string(random() % 1000000) + "-" + std::to_string(i) +
                    ".example.com");
  return names;
}

TAdvRef<THash> FilledHash(const std::vector<std::string>& names) {
  auto hash = AdvNew<THash>();
  for (const std::string& name : names) hash->AddEntry(name);
  return hash;
}

void THashLookupHit(benchmark::State& state) {
  const auto names = HostNames("www.site", 1);
  const auto hash = FilledHash(names);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(hash->GetByName(names[i]));
    if (++i == names.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(THashLookupHit);

void THashLookupMiss(benchmark::State& state) {
  const auto hash = FilledHash(HostNames("www.site", 1));
  const auto misses = HostNames("cdn.other", 2);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(hash->GetByName(misses[i]));
    if (++i == misses.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(THashLookupMiss);

// Builds a sorted list of 100 000 texts arriving in random order.
void StringsSortedAdd(benchmark::State& state) {
  const auto names = HostNames("www.site", 3);
  for (auto _ : state) {
    auto strings = AdvNew<TAdvStrings>();
    strings->SetSorted(true);
    for (const std::string& name : names) strings->Add(name);
    benchmark::DoNotOptimize(strings->Count());
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(StringsSortedAdd)->Unit(benchmark::kMillisecond);

void StringsSortedFind(benchmark::State& state) {
  const auto names = HostNames("www.site", 4);
  auto strings = AdvNew<TAdvStrings>();
  strings->SetSorted(true);
  for (const std::string& name : names) strings->Add(name);
  size_t i = 0;
  int index = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(strings->Find(names[i], index));
    if (++i == names.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(StringsSortedFind);

}  // namespace

BENCHMARK_MAIN();
