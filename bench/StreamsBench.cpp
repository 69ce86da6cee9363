// Throughput of the stream layer on the paths the persistence formats and the
// text import take: byte-at-a-time reads through the cache adapter, lines
// through the text adapter, and small writes through the cache into a file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "core/AdvCaches.h"
#include "core/AdvFiles.h"
#include "core/AdvMemories.h"
#include "core/AdvTextAdapters.h"

namespace {

constexpr uint32_t kBytes = 16 << 20;

std::string LogText() {
  std::string text;
  const std::string line =
      "1705320000.123    421 10.0.0.7 TCP_MISS/200 5123 GET "
      "http://www.example.com/path/to/page.html "
      "- DIRECT/93.184.216.34 text/html\r\n";
  while (text.size() + line.size() <= kBytes) text += line;
  return text;
}

TAdvRef<TAdvMemory> MemoryOf(const std::string& bytes) {
  auto memory = AdvNew<TAdvMemory>(uint32_t(bytes.size()));
  memory->Write(bytes.data(), uint32_t(bytes.size()));
  return memory;
}

void BM_CacheReadByteAtATime(benchmark::State& state) {
  const std::string text = LogText();
  auto memory = MemoryOf(text);
  for (auto _ : state) {
    memory->Rewind();
    auto cache = AdvNew<TAdvCacheAdapter>(memory.Get(), 65536);
    char byte;
    uint32_t sum = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      cache->Read(&byte, 1);
      sum += uint8_t(byte);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_CacheReadByteAtATime)->Unit(benchmark::kMillisecond);

void BM_TextAdapterLines(benchmark::State& state) {
  const std::string text = LogText();
  auto memory = MemoryOf(text);
  for (auto _ : state) {
    memory->Rewind();
    auto adapter = AdvNew<TAdvTextAdapter>(memory.Get());
    adapter->Reset();
    size_t total = 0;
    while (adapter->More()) total += adapter->ReadLine().size();
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_TextAdapterLines)->Unit(benchmark::kMillisecond);

void BM_CacheSmallWritesToFile(benchmark::State& state) {
  const std::string name = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/vexa-streams-bench.bin";
  const char record[9] = "abcdefgh";
  const uint32_t count = kBytes / 8;
  for (auto _ : state) {
    auto file = AdvNew<TAdvFile>(name, TAdvFile::kNormalAttributes, 0, 3);
    auto cache = AdvNew<TAdvCacheAdapter>(file.Get(), 4096);
    for (uint32_t i = 0; i < count; ++i) cache->Write(record, 8);
    cache->Flush();
  }
  std::remove(name.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(count) * 8);
}
BENCHMARK(BM_CacheSmallWritesToFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
