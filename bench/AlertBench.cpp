// Alert groups and trigger evaluation, as the engine meets them: the groups
// rebuilt from every kept alert at each refresh (n alerts over 50 trigger
// names, many sharing one session), finding a trigger's alert by name in a
// user's list that grows by one alert per hit, and the three priority
// passes of ten hit triggers over one hit (without a hit store).
// Items per second are alerts (rebuild), look-ups or hits.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "activity/Users.h"
#include "alerts/Alerts.h"
#include "alerts/TimeTriggers.h"
#include "alerts/Triggers.h"
#include "core/AdvFactories.h"
#include "monitor/HitFilters.h"
#include "monitor/Hits.h"

namespace {

std::vector<TAdvRef<TAlert>> MakeAlerts(int count) {
  std::vector<TAdvRef<TAlert>> alerts;
  for (int i = 0; i < count; ++i) {
    auto alert = AdvNew<TAlert>("Trigger " + std::to_string(i % 50));
    alert->SetSession(i % 7);
    alert->SetAlerted(45000 + i);
    alert->SetPriority(uint8_t(i % 3));
    alerts.push_back(alert);
  }
  return alerts;
}

void BM_GroupRebuild(benchmark::State& state) {
  const auto alerts = MakeAlerts(int(state.range(0)));
  auto groups = AdvNew<TGroups>();
  for (auto _ : state) {
    groups->BeginRebuild();
    for (const auto& alert : alerts) groups->AddToGroups(alert.Get());
    groups->EndRebuild();
  }
  benchmark::DoNotOptimize(groups->CurrentAlert());
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_GroupRebuild)->Arg(1000)->Arg(100000);

void BM_FindAlertInGrowingList(benchmark::State& state) {
  auto list = AdvNew<TAlerts>();
  for (int i = 0; i < state.range(0); ++i)
    list->Insert(list->Count(), AdvNew<TAlert>("Each " + std::to_string(i % 10)).Detach());
  list->Insert(list->Count(), AdvNew<TAlert>("Shared").Detach());
  int64_t found = 0;
  for (auto _ : state) {
    // One more alert per hit, then the look-up of another trigger.
    list->Insert(list->Count(), AdvNew<TAlert>("Each").Detach());
    found += list->IndexByName("Shared");
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_FindAlertInGrowingList)->Arg(1000)->Arg(100000);

void BM_EvaluateTenHitTriggers(benchmark::State& state) {
  RegisterCoreClasses();
  auto triggers = AdvNew<TTriggers>();
  for (int i = 0; i < 10; ++i) {
    auto trigger = AdvNew<THitTrigger>();
    trigger->SetName("Trigger " + std::to_string(i));
    trigger->SetPriority(uint8_t(i % 3));
    if (i % 2) trigger->Keywords().Add("casino");
    if (i % 3 == 0) trigger->SetIncomingSize(1 << 20);
    trigger->Sites().Add("www.example.com");
    triggers->Insert(triggers->Count(), trigger.Detach());
  }
  auto users = AdvNew<TUsers>();
  auto hit = AdvNew<TVexaHit>();
  hit->Clear();
  hit->SetProtocol(kProtocolWeb);
  hit->SetSource("u1");
  hit->ApplyURL(std::string("http://www.example.com/casino/index.html?x=1"));
  hit->SetInitiated(45000.5);
  TUser* user = users->FindForHit(*hit);
  TSession* session = user->Sessions().AddHit(*hit);
  auto queue = AdvNew<TAdvList>();
  TTriggerContext context;
  context.Queue = queue.Get();
  context.Now = 45000.5;
  for (auto _ : state) {
    triggers->EvaluateAll(*user, *session, *hit, context);
    queue->Clear();
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_EvaluateTenHitTriggers);

}  // namespace

BENCHMARK_MAIN();
