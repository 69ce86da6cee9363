// Classification speed: profile texts (host + path) classified with the
// shipped profiles and with a hundred thousand synthetic keywords (memory
// reported as counters), and the combined host index renaming sources and
// destinations. Items per second are classifications or look-ups.
#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "classify/Aliases.h"
#include "classify/ClassifyClasses.h"
#include "classify/Profiles.h"
#include "core/AdvFactories.h"
#include "platform/Folders.h"

namespace {

// A mix of hits as a proxy sees them: mostly ordinary sites, page assets and
// advertising, with some categorised sites among them.
const std::vector<std::string>& Texts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> out = {
        "www.google.com/search",
        "fonts.googleapis.com/css2",
        "ajax.googleapis.com/ajax/libs/jquery/3.7.1/jquery.min.js",
        "www.example.com/index.html",
        "www.example.com/images/logo.png",
        "static.example.net/js/app.3f2a1b.min.js",
        "intranet.corp.local/hr/policies/holiday-2024.pdf",
        "pagead2.googlesyndication.com/pagead/js/adsbygoogle.js",
        "www.youtube.com/watch",
        "r3---sn-5hne6nsz.googlevideo.com/videoplayback",
        "www.bbc.co.uk/news/world-europe-67890123",
        "www.bbc.co.uk/sport/football/67890123",
        "www.amazon.co.uk/gp/product/b0123456789/ref=ox_sc_act_title_1",
        "m.media-amazon.com/images/i/71abcdefghl._ac_sx679_.jpg",
        "en.wikipedia.org/wiki/hypertext_transfer_protocol",
        "stackoverflow.com/questions/12345678/how-to-parse-a-log-file",
        "github.com/torvalds/linux/blob/master/kernel/sched/core.c",
        "www.linkedin.com/jobs/view/3812345678/",
        "outlook.office365.com/owa/",
        "login.microsoftonline.com/common/oauth2/v2.0/authorize",
        "www.python.org/downloads/release/python-3120/",
        "10.1.20.31/printer/status.html",
        "tracker.ad-server.example.org/pixel.gif",
        "update.googleapis.com/service/update2",
        "www.paypal.com/myaccount/summary",
        "cdn.jsdelivr.net/npm/bootstrap@5.3.0/dist/css/bootstrap.min.css",
        "www.nytimes.com/2024/01/15/technology/artificial-intelligence-regulation.html",
        "weather.example.org/forecast/london/7-day",
    };
    return out;
  }();
  return texts;
}

std::string DataFile(const std::string& name) {
  return platform::ExecutableFolder() + "/../share/vexa/" + name;
}

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

void BM_ClassifyShippedProfiles(benchmark::State& state) {
  RegisterCoreClasses();
  RegisterClassifyClasses();
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  try {
    profiles->LoadFromFile(DataFile("Default.Profiles"));
  } catch (const EAdvanced& e) {
    state.SkipWithError(e.what());
    return;
  }
  const auto& texts = Texts();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(profiles->Classify(texts[i]));
    if (++i == texts.size()) i = 0;
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
  state.counters["keywords"] = profiles->KeywordCount();
}
BENCHMARK(BM_ClassifyShippedProfiles);

TAdvRef<TProfiles> SyntheticProfiles(int keywords) {
  std::mt19937 random(42);
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  profiles->BeginChanges();
  const int perProfile = keywords / 100;
  for (int p = 0; p < 100; ++p) {
    TAdvRef<TProfile> profile = AdvNew<TProfile>("Category " + std::to_string(p));
    for (int k = 0; k < perProfile; ++k) {
      std::string keyword;
      for (int length = 6 + int(random() % 12); length > 0; --length)
        keyword += "abcdefghijklmnopqrstuvwxyz.-"[random() % 28];
      profile->AddInclude(keyword);
    }
    if (p % 10 == 0) profile->AddExclude("intranet");
    profiles->Add(profile.Detach());
  }
  profiles->EndChanges();
  return profiles;
}

void BM_Classify100kKeywords(benchmark::State& state) {
  const long before = ResidentKilobytes();
  TAdvRef<TProfiles> profiles = SyntheticProfiles(100000);
  const long after = ResidentKilobytes();
  const auto& texts = Texts();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(profiles->Classify(texts[i]));
    if (++i == texts.size()) i = 0;
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
  state.counters["keywords"] = profiles->KeywordCount();
  state.counters["profiles_MB"] = double(profiles->SizeInBytes()) / (1024 * 1024);
  state.counters["rss_growth_MB"] = double(after - before) / 1024;
}
BENCHMARK(BM_Classify100kKeywords);

void BM_Rebuild100kKeywords(benchmark::State& state) {
  TAdvRef<TProfiles> profiles = SyntheticProfiles(100000);
  for (auto _ : state) profiles->Rebuild();
  state.SetItemsProcessed(int64_t(state.iterations()) * profiles->KeywordCount());
}
BENCHMARK(BM_Rebuild100kKeywords)->Unit(benchmark::kMillisecond);

// Two combined-index look-ups per hit: a source and a destination. The mix
// has exact hits, wildcard hits and texts no pattern names.
void BM_HostsLookup(benchmark::State& state) {
  TAdvRef<TAliases> users = AdvNew<TAliases>();
  TAdvRef<TSitenames> sites = AdvNew<TSitenames>();
  for (int u = 0; u < 2000; ++u)
    users->FindOrAddAlias("User " + std::to_string(u))->Add("u" + std::to_string(u));
  for (int s = 0; s < 200; ++s)
    sites->FindOrAddAlias("Range " + std::to_string(s))->Add("10." + std::to_string(s) + ".*");
  sites->FindOrAddAlias("Search")->Add("*.google.*");
  TAdvRef<THosts> hosts = AdvNew<THosts>();
  hosts->SetSources(users.Get(), sites.Get());
  hosts->Reindex();
  std::vector<std::string> raws;
  for (int i = 0; i < 1000; ++i) {
    raws.push_back("u" + std::to_string(i * 7 % 2500));  // exact or miss
    raws.push_back("10." + std::to_string(i % 250) + ".1." + std::to_string(i % 200));  // mask
    raws.push_back(i % 2 ? "www.google.com" : "host" + std::to_string(i) + ".example.com");
  }
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(hosts->Lookup(raws[i]));
    if (++i == raws.size()) i = 0;
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_HostsLookup);

}  // namespace

BENCHMARK_MAIN();
