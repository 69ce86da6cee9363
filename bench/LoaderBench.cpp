// Lines per second each log parser turns into hits, over a backlog of one
// million generated lines held in memory, next to a bare loop that only
// splits the same Squid lines into fields and reads their numbers: the
// reference for what parsing the native proxy log can cost at best.
//
// Then the hand-over to the engine: hits per second through an input's ring
// of 1024 slots to a consumer that drains it, alone and behind a running
// input that follows a file of the same Squid backlog.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/LogGeneration.h"
#include "loaders/LineReader.h"
#include "loaders/LogLoaders.h"
#include "loaders/LogParsers.h"
#include "loaders/NcsaParser.h"
#include "loaders/SquidParser.h"
#include "loaders/W3cParser.h"
#include "monitor/Hits.h"
#include "monitor/MonitorFolders.h"

namespace {

constexpr int64_t kBacklogLines = 1000000;

const std::string& Backlog(TLogKind kind) {
  static std::string texts[4];
  std::string& text = texts[size_t(kind)];
  if (text.empty()) {
    TLogGenerator generator(kind, 7);
    text = generator.Header();
    text.reserve(size_t(kBacklogLines) * 200);
    int64_t when = 1796855800000;
    for (int64_t n = 0; n < kBacklogLines; ++n) generator.AppendLine(text, when += 3);
  }
  return text;
}

class TMemorySource final : public TLogSource {
 public:
  explicit TMemorySource(const std::string& text) : m_text(text) {}
  size_t ReadAt(int64_t offset, char* buffer, size_t size) override {
    if (offset >= int64_t(m_text.size())) return 0;
    const size_t n = std::min(size, m_text.size() - size_t(offset));
    std::memcpy(buffer, m_text.data() + offset, n);
    return n;
  }

 private:
  const std::string& m_text;
};

// Reads the whole backlog the way a loader's format does: line reader,
// parser, one scratch hit.
template <class TParser>
void ParseBacklog(benchmark::State& state, TLogKind kind) {
  const std::string& text = Backlog(kind);
  TMemorySource source(text);
  auto hit = AdvNew<TVexaHit>();
  int64_t hits = 0;
  for (auto _ : state) {
    TParser parser;
    TLineReader reader;
    TLogLine line;
    int64_t index = 0;
    const int64_t limit = int64_t(text.size());
    while (reader.Next(source, index, limit, line) == TLineResult::Line) {
      if (parser.Parse(line.Text, line.First, *hit) == TParseResult::Hit) ++hits;
      index = line.Next;
    }
    benchmark::DoNotOptimize(hit->Data().Initiated);
  }
  state.counters["lines/s"] = benchmark::Counter(double(hits), benchmark::Counter::kIsRate);
}

void BM_Squid(benchmark::State& state) {
  ParseBacklog<TSquidParser>(state, TLogKind::Squid);
}
void BM_Ncsa(benchmark::State& state) {
  ParseBacklog<TNcsaParser>(state, TLogKind::Ncsa);
}
void BM_W3cWeb(benchmark::State& state) {
  ParseBacklog<TW3cParser>(state, TLogKind::W3cWeb);
}
void BM_W3cProxy(benchmark::State& state) {
  ParseBacklog<TW3cParser>(state, TLogKind::W3cProxy);
}

// The reference: cut the same Squid lines into fields and read the time,
// the sizes and the status into a record, copying the texts it would keep,
// without any mapping.
void BM_SquidBareSplit(benchmark::State& state) {
  const std::string& text = Backlog(TLogKind::Squid);
  auto hit = AdvNew<TVexaHit>();
  int64_t lines = 0;
  for (auto _ : state) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
      const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
      if (!eol) break;
      std::string_view fields[16];
      size_t count = 0;
      for (const char* q = p; q < eol && count < 16;) {
        while (q < eol && *q == ' ') ++q;
        const char* start = q;
        while (q < eol && *q != ' ') ++q;
        if (q > start) fields[count++] = std::string_view(start, size_t(q - start));
      }
      THitData& d = hit->Data();
      uint64_t t = 0;
      for (const char c : fields[0]) {
        if (c != '.') t = t * 10 + uint64_t(c - '0');
      }
      d.Initiated = double(t) / 86400000.0 + 25569.0;
      uint32_t n = 0;
      for (const char c : fields[4]) n = n * 10 + uint32_t(c - '0');
      d.SourceSize = n;
      d.Source.Set(fields[7]);
      d.Destination.Set(fields[6]);
      d.Position = p - text.data();
      ++lines;
      p = eol + 1;
    }
    benchmark::DoNotOptimize(hit->Data().Initiated);
  }
  state.counters["lines/s"] = benchmark::Counter(double(lines), benchmark::Counter::kIsRate);
}

// The ring alone: a producer thread fills slots from one scratch hit as an
// input does, the benchmark's thread drains them as the engine does.
void BM_RingHandOver(benchmark::State& state) {
  constexpr int64_t kHits = 1000000;
  TQueue queue;
  auto scratch = AdvNew<TVexaHit>();
  TSquidParser parser;
  const std::string& text = Backlog(TLogKind::Squid);
  parser.Parse(std::string_view(text.data(), text.find('\n')), 0, *scratch);
  auto taken = AdvNew<TVexaHit>();
  int64_t hits = 0;
  for (auto _ : state) {
    std::thread producer([&] {
      for (int64_t n = 0; n < kHits; ++n) {
        while (!queue.HasRoom()) std::this_thread::yield();
        queue.WriteSlot().Assign(*scratch);
        queue.Push();
      }
    });
    for (int64_t n = 0; n < kHits;) {
      if (!queue.HasHits()) {
        std::this_thread::yield();
        continue;
      }
      taken->Assign(queue.Front());
      queue.Pop();
      ++n;
    }
    producer.join();
    hits += kHits;
  }
  state.counters["hits/s"] = benchmark::Counter(double(hits), benchmark::Counter::kIsRate);
}

// A running input with the Squid loader following a file of the backlog:
// listing, reading, parsing, the ring and a draining consumer together.
void BM_InputFollowsSquidBacklog(benchmark::State& state) {
  RegisterMonitorFolderClasses();
  const std::string& text = Backlog(TLogKind::Squid);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("vexa-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "access.log", std::ios::binary) << text;
  auto taken = AdvNew<TVexaHit>();
  int64_t hits = 0;
  for (auto _ : state) {
    auto input = AdvNew<TMonitorFolder>();
    input->SetFolder(new TFolder(folder.string()));
    input->SetLoader(new TSquidLoader());
    input->SetIgnoreModifiedTime(true);
    input->Start();
    for (int64_t n = 0; n < kBacklogLines;) {
      if (input->TakeHit(taken.Get()))
        ++n;
      else
        std::this_thread::yield();
    }
    input->Stop();
    hits += kBacklogLines;
  }
  std::filesystem::remove_all(folder);
  state.counters["hits/s"] = benchmark::Counter(double(hits), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_SquidBareSplit)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Squid)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Ncsa)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_W3cWeb)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_W3cProxy)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_RingHandOver)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_InputFollowsSquidBacklog)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
