// Mask matching speed: file masks over a folder's worth of log file names,
// host and site patterns over realistic host names and request paths, a
// longest-first wildcard index as the alias tables use it, and star-heavy
// masks that would make a plain backtracking search explode.
// Items per second are matches (mask against one text) per second.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "classify/AdvMasks.h"
#include "classify/StringWilds.h"

namespace {

const std::vector<std::string>& FileNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    const char* stems[] = {"access", "error", "cache", "store", "useragent", "referer"};
    for (int day = 1; day <= 28; ++day)
      for (const char* stem : stems) {
        const std::string date =
            "2024" + std::string(day < 10 ? "010" : "01") + std::to_string(day);
        out.push_back(std::string(stem) + ".log");
        out.push_back(std::string(stem) + "." + date + ".log");
        out.push_back(std::string(stem) + ".log." + std::to_string(day));
        out.push_back(std::string(stem) + "-" + date + ".log.gz");
        out.push_back("ex" + date.substr(2) + ".LOG");
      }
    return out;
  }();
  return names;
}

const std::vector<std::string>& HostNames() {
  static const std::vector<std::string> names = {
      "www.example.com",     "mail.google.com",
      "ads.doubleclick.net", "static.ak.fbcdn.net",
      "10.1.20.31",          "192.168.0.17",
      "pc-0412.corp.local",  "update.microsoft.com",
      "cdn.jsdelivr.net",    "images-eu.ssl-images-amazon.com",
      "news.bbc.co.uk",      "tracker.ad-server.example.org",
      "www.youtube.com",     "r3---sn-5hne6nsz.googlevideo.com",
      "s.yimg.com",          "login.live.com",
  };
  return names;
}

const std::vector<std::string>& Paths() {
  static const std::vector<std::string> paths = {
      "/index.html",
      "/images/logo.png",
      "/search?q=weather+forecast&hl=en",
      "/watch?v=dQw4w9WgXcQ&list=PL1234567890",
      "/cgi-bin/login.cgi?user=admin",
      "/static/js/app.3f2a1b.min.js",
      "/downloads/setup-2.2.0.exe",
      "/ads/banner/728x90/casino.gif",
      "/api/v2/messages/unread?since=1700000000",
      "/media/video/trailer_1080p.mp4",
  };
  return paths;
}

void MatchAll(benchmark::State& state, const char* maskText,
              const std::vector<std::string>& texts) {
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>(maskText);
  int64_t matches = 0;
  for (auto _ : state) {
    for (const std::string& text : texts) matches += mask->Matches(text);
  }
  benchmark::DoNotOptimize(matches);
  state.SetItemsProcessed(state.iterations() * int64_t(texts.size()));
}

void BM_FileMaskStarDotLog(benchmark::State& state) {
  MatchAll(state, "*.log", FileNames());
}
void BM_FileMaskAccessStarLog(benchmark::State& state) {
  MatchAll(state, "access*.log", FileNames());
}
void BM_FileMaskDated(benchmark::State& state) {
  MatchAll(state, "*.2024????.log", FileNames());
}
void BM_HostSuffix(benchmark::State& state) {
  MatchAll(state, "*.google.com", HostNames());
}
void BM_HostSubnet(benchmark::State& state) {
  MatchAll(state, "10.1.*", HostNames());
}
void BM_HostInfix(benchmark::State& state) {
  MatchAll(state, "*ad*.*", HostNames());
}
void BM_HostSet(benchmark::State& state) {
  MatchAll(state, "[a-m]*.[!c]*", HostNames());
}
void BM_PathInfix(benchmark::State& state) {
  MatchAll(state, "*/ads/*.gif", Paths());
}
void BM_PathQuery(benchmark::State& state) {
  MatchAll(state, "/search?q=*", Paths());
}

BENCHMARK(BM_FileMaskStarDotLog);
BENCHMARK(BM_FileMaskAccessStarLog);
BENCHMARK(BM_FileMaskDated);
BENCHMARK(BM_HostSuffix);
BENCHMARK(BM_HostSubnet);
BENCHMARK(BM_HostInfix);
BENCHMARK(BM_HostSet);
BENCHMARK(BM_PathInfix);
BENCHMARK(BM_PathQuery);

// Host names through a longest-first index of 200 site patterns, as the
// alias tables translate every host of every hit.
void BM_StringWildsTranslateHost(benchmark::State& state) {
  TAdvRef<TStringWilds> wilds = AdvNew<TStringWilds>();
  for (int i = 0; i < 200; ++i)
    wilds->AddWild("site" + std::to_string(i), "*.site" + std::to_string(i) + ".example.*");
  wilds->AddWild("Google", "*.google.com");
  wilds->AddWild("Local", "10.1.*");
  std::string result;
  int64_t found = 0;
  for (auto _ : state) {
    for (const std::string& host : HostNames()) found += wilds->TranslateText(host, result);
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations() * int64_t(HostNames().size()));
  state.SetLabel("texts translated per second");
}
BENCHMARK(BM_StringWildsTranslateHost);

// Star-heavy masks against 10 000 bytes of 'a': a search that retries every
// star position would take astronomically long on these.
void Pathological(benchmark::State& state, const char* maskText) {
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>(maskText);
  const std::string text(10000, 'a');
  for (auto _ : state) benchmark::DoNotOptimize(mask->Matches(text));
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
void BM_PathologicalAnchoredEnd(benchmark::State& state) {
  Pathological(state, "*a*a*a*a*a*a*b");
}
void BM_PathologicalOpenEnd(benchmark::State& state) {
  Pathological(state, "*a*a*a*a*a*a*b*");
}
void BM_PathologicalLongPiece(benchmark::State& state) {
  Pathological(state, "*aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab*");
}
BENCHMARK(BM_PathologicalAnchoredEnd);
BENCHMARK(BM_PathologicalOpenEnd);
BENCHMARK(BM_PathologicalLongPiece);

}  // namespace

BENCHMARK_MAIN();
