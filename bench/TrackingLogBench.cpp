// Writing activity lines to the tracking log, the per-hit cost the engine
// pays when "TrackingLogActivity" is on: one daily file, and per-user files
// with a few users taking turns (each change of user reopens a file).
//
// The hits are prepared up front (a few hundred distinct web hits replayed
// in a loop, one millisecond of log time apart); the counter "lines/s" is
// what a cycle can log. The files go to a fresh folder under $TMPDIR (or
// /tmp) and are deleted afterwards.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "alerts/TrackingLogs.h"
#include "app/Settings.h"
#include "core/AdvDates.h"
#include "monitor/Hits.h"

namespace {

constexpr double kMillisecond = 1.0 / 86400000.0;

std::string MakeFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::filesystem::path folder = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") /
                                 ("vexa-trackbench-" + std::to_string(std::random_device{}()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string();
}

std::vector<TAdvRef<TVexaHit>> MakeHits(int users) {
  std::vector<TAdvRef<TVexaHit>> hits;
  for (int i = 0; i < 512; ++i) {
    auto hit = AdvNew<TVexaHit>();
    hit->SetSource("user" + std::to_string(i % users));
    hit->SetDestination("www.site" + std::to_string(i % 97) + ".example.com");
    hit->SetResource("/path/to/page" + std::to_string(i) + ".html");
    hit->SetQuery(i % 3 ? "" : "q=search+terms");
    hit->SetProtocol(kProtocolWeb);
    hit->Data().SourceAddress = 0x0A000000u + uint32_t(i % users);
    hit->Data().SourceSize = 1000 + i;
    hit->Data().DestinationSize = 300;
    hit->Data().TimeTaken = 120 + i;
    hits.push_back(hit);
  }
  return hits;
}

void Run(benchmark::State& state, bool perUser, int users) {
  const std::string folder = MakeFolder();
  auto settings = AdvNew<TSettings>();
  settings->SetTrackingLogLocation(folder);
  settings->SetTrackingLogActivity(true);
  settings->SetTrackingLogPerUser(perUser);
  auto log = AdvNew<TTrackingLog>();
  log->SetSettings(settings.Get());
  std::vector<TAdvRef<TVexaHit>> hits = MakeHits(users);
  double time = EncodeDateTime(2024, 3, 5, 9, 0, 0);
  size_t next = 0;
  for (auto _ : state) {
    TVexaHit& hit = *hits[next];
    hit.SetInitiated(time);
    log->WriteHit(hit);
    time += kMillisecond;
    if (++next == hits.size()) next = 0;
  }
  log->Close();
  state.counters["lines/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  std::filesystem::remove_all(folder);
}

void BM_DailyFile(benchmark::State& state) {
  Run(state, false, 50);
}
BENCHMARK(BM_DailyFile);

// Consecutive lines from different users: every line changes the file.
void BM_PerUserInterleaved(benchmark::State& state) {
  Run(state, true, int(state.range(0)));
}
BENCHMARK(BM_PerUserInterleaved)->Arg(1)->Arg(4);

}  // namespace

BENCHMARK_MAIN();
