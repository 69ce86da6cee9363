// Engine throughput: hits per second through TMonitor's processing cycle
// (host aliases, department, file type, profile, users and sessions, trigger
// evaluation, hit store, tracking log, alert dispatch), with the shipped
// profiles and file types, and either the shipped triggers or 200 generated
// ones. The input's ring is refilled from a Squid log by the shipped loader
// module while the timer is paused, so the figure is the engine's alone.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "activity/ActivityClasses.h"
#include "activity/Users.h"
#include "alerts/Alerts.h"
#include "alerts/TrackingLogs.h"
#include "alerts/Triggers.h"
#include "app/Settings.h"
#include "bench/LogGeneration.h"
#include "classify/Aliases.h"
#include "classify/ClassifyClasses.h"
#include "classify/Profiles.h"
#include "core/AdvDates.h"
#include "core/AdvFactories.h"
#include "monitor/HitFilters.h"
#include "monitor/HitIndicies.h"
#include "monitor/LoaderLibraries.h"
#include "monitor/Loaders.h"
#include "monitor/MonitorFolders.h"
#include "monitor/Monitors.h"
#include "platform/Clock.h"
#include "platform/Folders.h"

namespace {

namespace fs = std::filesystem;

std::string DataFile(const std::string& name) {
  return platform::ExecutableFolder() + "/../share/vexa/" + name;
}

TLoaderClasses& Loaders() {
  static TLoaderClasses* registry = [] {
    RegisterCoreClasses();
    RegisterHitClasses();
    RegisterMonitorFolderClasses();
    RegisterClassifyClasses();
    AdvFactory().RegisterAll(ActivityClasses());
    RegisterFilterClasses();
    RegisterAlertClasses();
    RegisterMonitorClasses();
    auto* libraries = AdvNew<TLoaderLibraries>().Detach();  // kept loaded until exit
    std::vector<std::string> problems;
    libraries->LoadFolder(LoaderFolder(), problems);
    auto* made = AdvNew<TLoaderClasses>().Detach();
    libraries->RegisterClasses(*made);
    return made;
  }();
  return *registry;
}

// 200 hit triggers of the kinds administrators write: site lists, keyword
// lists, file types, sizes, protocols; a few of them match often.
void AddGeneratedTriggers(TTriggers& triggers) {
  std::mt19937 random(7);
  static const char* const kWords[] = {"casino", "poker", "torrent", "proxy",  "bet",
                                       "game",   "movie", "stream",  "dating", "crypto"};
  for (int i = 0; i < 200; ++i) {
    auto trigger = AdvNew<THitTrigger>();
    trigger->SetName("Rule " + std::to_string(i));
    trigger->SetPriority(uint8_t(i % 3));
    switch (i % 5) {
      case 0:
        for (int s = 0; s < 5; ++s)
          trigger->Sites().Add("site" + std::to_string(random() % 1000) + ".example.com");
        break;
      case 1:
        trigger->Keywords().Add(kWords[random() % 10]);
        trigger->Keywords().Add(kWords[random() % 10] + std::to_string(i));
        break;
      case 2:
        trigger->Files().Add(i % 2 ? "Video" : "Executable");
        break;
      case 3:
        trigger->SetTotalSize(int64_t(1 + random() % 50) * 1048576);
        break;
      case 4:
        trigger->Protocols().Add(i % 2 ? "Secure Web" : "File Transfer");
        trigger->SetTotalSize(int64_t(1 + random() % 5) * 1048576);
        break;
    }
    triggers.Add(trigger.Detach());
  }
}

enum class TTriggerSet { Shipped, ShippedWithoutTimeRange, Generated };

void BM_EngineCycle(benchmark::State& state, TTriggerSet set) {
  TLoaderClasses& loaders = Loaders();
  const std::string folder = platform::PrivateTempFolder() + "/engine-bench";
  fs::remove_all(folder);
  fs::create_directories(folder + "/logs");
  fs::create_directories(folder + "/state");
  fs::create_directories(folder + "/tracking");

  auto settings = AdvNew<TSettings>();
  settings->SetTrackingLogLocation(folder + "/tracking");
  settings->SetTrackingLogActivity(true);
  settings->SetTrackingLogAlerts(true);
  settings->SetPlaySound(false);
  auto monitor = AdvNew<TMonitor>();
  monitor->SetSettings(settings.Get());
  monitor->SetStateFolder(folder + "/state");
  monitor->SetTrackingLog(AdvNew<TTrackingLog>().Get());
  std::string errors;
  monitor->SetOnError([&](const std::string& message) { errors = message; });
  try {
    monitor->Profiles().LoadFromFile(DataFile("Default.Profiles"));
    monitor->FileTypes().LoadFromFile(DataFile("Default.FileTypes"));
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  if (set != TTriggerSet::Generated) {
    // The shipped list, when the data folder has one; the "triggers" counter
    // shows how many it held.
    const std::string problem = LoadTriggersFile(monitor->Triggers(), DataFile(kTriggersFileName));
    if (!problem.empty()) {
      state.SkipWithError(problem.c_str());
      return;
    }
    // The time-range triggers look at every user's window on every hit;
    // without them the figure shows what the rest of the engine costs.
    if (set == TTriggerSet::ShippedWithoutTimeRange) {
      for (int i = monitor->Triggers().Count() - 1; i >= 0; --i)
        if (monitor->Triggers().Trigger(i)->IsTimeRange()) monitor->Triggers().DeleteByIndex(i);
    }
  } else {
    AddGeneratedTriggers(monitor->Triggers());
  }
  monitor->Open();

  auto input = AdvNew<TMonitorFolder>();
  input->SetFolder(new TFolder(folder + "/logs"));
  input->SetLoader(static_cast<TLoader*>(loaders.GetByName("Squid")->Create()));
  input->SetIgnoreModifiedTime(true);
  TMonitorFolder& in = *input;
  monitor->Inputs().Add(input.Detach());  // not started: the benchmark runs its passes

  TLogGenerator generator(TLogKind::Squid, 1);
  const std::string logFile = folder + "/logs/access.log";
  int64_t when = platform::UtcMilliseconds() - 3600 * 1000;
  std::string block;
  int64_t hits = 0;
  for (auto _ : state) {
    state.PauseTiming();
    block.clear();
    for (int i = 0; i < 1024; ++i) generator.AppendLine(block, when += 37);
    std::ofstream(logFile, std::ios::binary | std::ios::app) << block;
    in.Pass();
    const int64_t before = monitor->Counters().Accepted + monitor->Counters().Filtered;
    state.ResumeTiming();
    while (monitor->ProcessCycle()) {
    }
    hits += monitor->Counters().Accepted + monitor->Counters().Filtered - before;
  }
  state.SetItemsProcessed(hits);
  state.counters["triggers"] = monitor->Triggers().Count();
  state.counters["users"] = monitor->Users().Count();
  state.counters["alerts"] = double(monitor->Counters().AlertsRaised);
  if (!errors.empty()) state.SkipWithError(errors.c_str());
  monitor->Close();
  fs::remove_all(folder);
}

BENCHMARK_CAPTURE(BM_EngineCycle, ShippedTriggers, TTriggerSet::Shipped)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineCycle, ShippedWithoutTimeRange, TTriggerSet::ShippedWithoutTimeRange)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineCycle, TwoHundredTriggers, TTriggerSet::Generated)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
