// Folding hits into users, sessions and sites, the engine's per-hit step, at
// 10 000 users and 100 000 sites; and the refresh that purges and files them.
//
// The hit stream advances one millisecond of log time per hit, so each user
// sees a hit every ten seconds or so and stays in one session; site
// popularity is skewed (most hits go to a few thousand sites), as in real
// proxy logs. Each hit gets its user and site names copied in, as a loader
// fills its record. The "allocs/hit" counter counts every operator new
// during the timed loop: the steady state must not allocate.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "activity/Reports.h"
#include "activity/Users.h"
#include "core/AdvDates.h"
#include "monitor/Hits.h"

namespace {
std::atomic<uint64_t> g_allocations{0};
}

// Counting replacements of the global allocation functions (plain malloc and
// free underneath); kept out of line so the compiler never pairs an inlined
// free with a new it sees elsewhere.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
[[gnu::noinline]] void* operator new(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
#pragma GCC diagnostic pop

namespace {

constexpr int kUsers = 10000;
constexpr int kSites = 100000;
constexpr int kStream = 1 << 20;  // distinct (user, site) draws, replayed in a loop
constexpr double kMillisecond = 1.0 / 86400000.0;

struct TStream {
  std::vector<std::string> Users;
  std::vector<std::string> Sites;
  std::vector<uint32_t> UserOf;
  std::vector<uint32_t> SiteOf;
};

const TStream& Stream() {
  static const TStream stream = [] {
    TStream s;
    std::mt19937 random(42);
    for (int i = 0; i < kUsers; ++i) s.Users.push_back("DOMAIN\\user" + std::to_string(i));
    for (int i = 0; i < kSites; ++i)
      s.Sites.push_back("www.site" + std::to_string(i) + ".example.com");
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < kStream; ++i) {
      s.UserOf.push_back(uint32_t(random() % kUsers));
      // Cubed: site 0 is the most popular, site 99 999 the rarest.
      const double u = unit(random);
      s.SiteOf.push_back(uint32_t(std::min<double>(kSites - 1, std::floor(u * u * u * kSites))));
    }
    return s;
  }();
  return stream;
}

// The engine's per-hit step.
inline TSession* Fold(TUsers& users, const THit& hit, int64_t gap) {
  TUser* user = users.FindForHit(hit);
  user->Sessions().SetGap(gap);
  return user->Sessions().AddHit(hit);
}

class TFeeder {
 public:
  // `step` is the log time between two hits.
  explicit TFeeder(double step) : m_hit(AdvNew<TVexaHit>()), m_step(step) {
    m_hit->Clear();
    m_hit->SetProtocol(kProtocolWeb);
    m_hit->Data().SourceSize = 800;
    m_hit->Data().DestinationSize = 200;
    m_hit->Data().SourceAddress = 0x0A000001;
    m_time = EncodeDateTime(2024, 3, 5, 8, 0, 0);
  }
  const THit& Next() {
    const TStream& s = Stream();
    m_hit->SetSource(s.Users[s.UserOf[m_index]]);
    m_hit->SetDestination(s.Sites[s.SiteOf[m_index]]);
    m_time += m_step;
    m_hit->SetInitiated(m_time);
    if (++m_index == kStream) m_index = 0;
    return *m_hit;
  }

 private:
  TAdvRef<TVexaHit> m_hit;
  double m_step;
  double m_time;
  size_t m_index = 0;
};

// Steady state: every user, session and popular site exists already.
void FoldSteadyState(benchmark::State& state) {
  auto users = AdvNew<TUsers>();
  TFeeder feeder(kMillisecond);
  for (int i = 0; i < 4 * kStream; ++i) Fold(*users, feeder.Next(), 300);
  const uint64_t before = g_allocations.load();
  for (auto _ : state) benchmark::DoNotOptimize(Fold(*users, feeder.Next(), 300));
  state.SetItemsProcessed(state.iterations());
  state.counters["allocs/hit"] =
      double(g_allocations.load() - before) / double(std::max<int64_t>(1, state.iterations()));
  state.counters["users"] = users->Count();
}
BENCHMARK(FoldSteadyState);

// From empty tables: a million hits that create the users, their sessions
// and every site summary on the way.
void FoldFromEmpty(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto users = AdvNew<TUsers>();
    TFeeder feeder(kMillisecond);
    state.ResumeTiming();
    for (int i = 0; i < kStream; ++i) Fold(*users, feeder.Next(), 300);
    state.PauseTiming();
    users.Reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kStream);
}
BENCHMARK(FoldFromEmpty)->Unit(benchmark::kMillisecond);

// The worst case: the log jumps ten minutes between two hits, so every hit
// opens a new session (and allocates it).
void FoldNewSessionEachHit(benchmark::State& state) {
  auto users = AdvNew<TUsers>();
  TFeeder feeder(600.0 / 86400.0 / kUsers * 2);
  for (int i = 0; i < kUsers * 4; ++i) Fold(*users, feeder.Next(), 300);
  for (auto _ : state) benchmark::DoNotOptimize(Fold(*users, feeder.Next(), 0));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FoldNewSessionEachHit);

// The refresh that runs every half second: purge nothing, file 10 000 users
// as active or idle, sort both reports by recent activity.
void PurgeAndFile(benchmark::State& state) {
  auto users = AdvNew<TUsers>();
  TFeeder feeder(kMillisecond);
  for (int i = 0; i < kStream; ++i) Fold(*users, feeder.Next(), 300);
  auto active = AdvNew<TOnlineUsers>();
  auto idle = AdvNew<TOfflineUsers>();
  const double now = EncodeDateTime(2024, 3, 5, 8, 17, 0);
  for (auto _ : state)
    users->Purge({.CutoffSeconds = 0, .Gap = 300, .Now = now}, *active, *idle, nullptr);
  state.counters["active"] = active->Count();
  state.counters["idle"] = idle->Count();
}
BENCHMARK(PurgeAndFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
