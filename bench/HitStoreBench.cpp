// Throughput of the hit store: the LZRW1/KH block compressor and decompressor
// on the record stream of realistic hits (MB/s of raw record bytes), and
// hits stored and read back per second through THitIndicies on a real file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/AdvBinaryFilers.h"
#include "core/AdvMemories.h"
#include "monitor/Compressions.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"

namespace {

// A hit as a proxy log yields it: a handful of users and sites, varied paths.
TAdvRef<TVexaHit> RealisticHit(std::mt19937& random, int n) {
  static const char* const kUsers[] = {"alice", "bob", "carol", "dave", "erin", "10.0.4.17"};
  static const char* const kSites[] = {"www.example.com", "news.example.org", "cdn.static.net",
                                       "mail.example.com", "search.example.net"};
  static const char* const kPaths[] = {"/index.html", "/images/logo.png", "/search",
                                       "/news/2011/03/06/story.html", "/api/v1/items.json"};
  auto hit = AdvNew<TVexaHit>();
  hit->Clear();
  hit->SetProtocol(random() % 5 == 0 ? kProtocolSecureWeb : kProtocolWeb);
  hit->SetInitiated(40608.0 + n / 86400.0);
  hit->SetSource(kUsers[random() % 6]);
  std::string url = std::string("http://") + kSites[random() % 5] + kPaths[random() % 5];
  if (random() % 3 == 0) url += "?q=word" + std::to_string(random() % 1000) + "&hl=en";
  hit->ApplyURL(url);
  hit->SetProfile(random() % 2 ? "News" : "Shopping");
  hit->SetDepartment("Sales");
  hit->SetFileTypeAlias("Web page");
  hit->Data().StoredSourceAddress = 0x0A000400u + random() % 64;
  hit->Data().SourcePort = uint16_t(1024 + random() % 60000);
  hit->Data().DestinationPort = 80;
  hit->Data().SourceSize = random() % 2000;
  hit->Data().DestinationSize = random() % 200000;
  hit->Data().TimeTaken = random() % 5000;
  hit->SetStatus(random() % 10 == 0 ? kStatusBlocked : kStatusSuccessful);
  hit->SetPosition(int64_t(n) * 180);
  return hit;
}

// One block's worth of stored records.
std::vector<uint8_t> RecordBlock() {
  std::mt19937 random(42);
  auto memory = AdvNew<TAdvStretchMemory>(0u);
  auto writer = AdvNew<TAdvBinaryWriter>();
  writer->SetStream(memory.Get());
  for (int n = 0; memory->GetSize() < TCompressAdapter::kBlockSize; ++n)
    RealisticHit(random, n)->Define(*writer);
  return std::vector<uint8_t>(memory->Data(), memory->Data() + TCompressAdapter::kBlockSize);
}

void BM_Compress(benchmark::State& state) {
  const std::vector<uint8_t> block = RecordBlock();
  std::vector<uint8_t> packed(block.size());
  auto method = AdvNew<TLZRW1Compression>();
  uint32_t size = 0;
  for (auto _ : state) {
    size = method->Compress(block.data(), uint32_t(block.size()), packed.data());
    benchmark::DoNotOptimize(size);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(block.size()));
  state.counters["ratio"] = double(size) / double(block.size());
}
BENCHMARK(BM_Compress);

void BM_Decompress(benchmark::State& state) {
  const std::vector<uint8_t> block = RecordBlock();
  std::vector<uint8_t> packed(block.size());
  auto method = AdvNew<TLZRW1Compression>();
  const uint32_t size = method->Compress(block.data(), uint32_t(block.size()), packed.data());
  std::vector<uint8_t> out(block.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        method->Decompress(packed.data(), size, out.data(), uint32_t(out.size())));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(block.size()));
}
BENCHMARK(BM_Decompress);

struct TStoreFixture {
  TStoreFixture() {
    std::random_device seed;
    folder =
        std::filesystem::temp_directory_path() / ("vexa-hitstore-bench-" + std::to_string(seed()));
    std::filesystem::create_directories(folder);
    store->AttachFile(file.Get());
    store->OpenFile((folder / "Default.Hits").string(), false);
  }
  ~TStoreFixture() {
    store->CloseFile();
    std::filesystem::remove_all(folder);
  }

  std::filesystem::path folder;
  TAdvRef<TCompressFile> file = AdvNew<TCompressFile>();
  TAdvRef<THitIndicies> store = AdvNew<THitIndicies>();
};

std::vector<TAdvRef<TVexaHit>> SampleHits(int count) {
  std::mt19937 random(7);
  std::vector<TAdvRef<TVexaHit>> hits;
  for (int n = 0; n < count; ++n) hits.push_back(RealisticHit(random, n));
  return hits;
}

// Cycles of `range(0)` hits each, as the engine stores alerts' hits.
void BM_StoreHits(benchmark::State& state) {
  TStoreFixture fixture;
  const auto hits = SampleHits(1000);
  const int perCycle = int(state.range(0));
  size_t next = 0;
  for (auto _ : state) {
    fixture.store->BeginBatch();
    for (int i = 0; i < perCycle; ++i) fixture.store->Add(hits[next++ % hits.size()].Get());
    fixture.store->EndBatch();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * perCycle);
  state.counters["file_bytes_per_hit"] =
      double(fixture.file->GetSize()) / double(fixture.store->Capacity());
}
BENCHMARK(BM_StoreHits)->Arg(256)->Arg(1)->Unit(benchmark::kMicrosecond);

// Reading every stored hit in index order, as an alert's details are shown.
void BM_ReadHits(benchmark::State& state) {
  TStoreFixture fixture;
  const auto hits = SampleHits(1000);
  const int total = 256 * 200;
  fixture.store->BeginBatch();
  for (int i = 0; i < total; ++i) fixture.store->Add(hits[size_t(i) % hits.size()].Get());
  fixture.store->EndBatch();
  int32_t index = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fixture.store->GetHit(index));
    index = (index + 1) % total;
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_ReadHits);

}  // namespace

BENCHMARK_MAIN();
