#include "core/AdvCaches.h"

#include <gtest/gtest.h>

#include <random>

#include "core/AdvFiles.h"
#include "core/tests/StreamTestHelpers.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

using streamtest::Contents;
using streamtest::MemoryWith;
using streamtest::TCountingStream;

namespace {

std::string RandomBytes(size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (auto& c : bytes) c = char(random());
  return bytes;
}

TEST(AdvCacheAdapter, ReadingPastTheEndIsReportedByTheCache) {
  const std::string name = vexatest::MakeTempFolder("cache") + "/ten.bin";
  vexatest::WriteFileText(name, "0123456789");
  auto file = AdvNew<TAdvFile>(name, TAdvFile::kNormalAttributes, 3, 0);
  auto cache = AdvNew<TAdvCacheAdapter>(file.Get());
  EXPECT_EQ(cache->Capacity(), 4096u);
  EXPECT_EQ(cache->Readable(), 10);
  char buffer[10];
  cache->Read(buffer, 10);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_EQ(cache->Readable(), 0);
  try {
    cache->Read(buffer, 1);
    FAIL() << "read past the end";
  } catch (const EAdvStream& e) {
    EXPECT_EQ(e.Message(),
              "(TAdvCacheAdapter.Restore): Unable to restore from the adapted stream.");
  }
}

TEST(AdvCacheAdapter, ManySmallReadsBecomeFewLargeOnes) {
  const std::string data = RandomBytes(100000);
  auto memory = MemoryWith(data);
  TCountingStream counted(*memory);
  auto cache = AdvNew<TAdvCacheAdapter>(&counted, 4096);
  std::string out;
  char byte;
  for (size_t i = 0; i < data.size(); ++i) {
    cache->Read(&byte, 1);
    out += byte;
  }
  EXPECT_EQ(out, data);
  EXPECT_EQ(counted.Reads, 25);  // ceil(100000 / 4096)
}

TEST(AdvCacheAdapter, MixedReadSizesHandOverEveryByteInOrder) {
  const std::string data = RandomBytes(300000);
  auto memory = MemoryWith(data);
  TCountingStream counted(*memory);
  auto cache = AdvNew<TAdvCacheAdapter>(&counted, 1000);
  std::string out;
  std::mt19937 random(3);
  std::string buffer(5000, '\0');
  while (out.size() < data.size()) {
    // Small reads, reads around the capacity and large reads that bypass it.
    const uint32_t sizes[] = {1, 7, 999, 1000, 1001, 4999};
    uint32_t n = sizes[random() % 6];
    n = uint32_t(std::min<size_t>(n, data.size() - out.size()));
    EXPECT_EQ(cache->Readable(), int64_t(data.size() - out.size()));
    cache->Read(buffer.data(), n);
    out.append(buffer, 0, n);
  }
  EXPECT_EQ(out, data);
  EXPECT_LT(counted.Reads, 600);
}

TEST(AdvCacheAdapter, WritesAreCommittedInCapacitySizedPiecesAndOnFlush) {
  auto target = AdvNew<TAdvStretchMemory>();
  TCountingStream counted(*target);
  auto cache = AdvNew<TAdvCacheAdapter>(&counted, 100);
  std::string expected;
  for (int i = 0; i < 250; ++i) {
    const char c = char('a' + i % 26);
    cache->Write(&c, 1);
    expected += c;
  }
  EXPECT_EQ(counted.Writes, 2);
  EXPECT_EQ(target->GetSize(), 200);
  cache->Flush();
  EXPECT_EQ(Contents(*target), expected);
  EXPECT_EQ(counted.Writes, 3);
  cache->Flush();  // nothing pending: no write
  EXPECT_EQ(counted.Writes, 3);

  // A large write goes straight through once the cache is empty.
  const std::string big = RandomBytes(1000);
  cache->Write("xy", 2);
  cache->Write(big.data(), uint32_t(big.size()));
  cache->Flush();
  EXPECT_EQ(Contents(*target), expected + "xy" + big);
  EXPECT_LE(counted.Writes, 6);
}

TEST(AdvCacheAdapter, FlushDropsReadAheadAndRunsWhenReleased) {
  const std::string name = vexatest::MakeTempFolder("cache") + "/flush.bin";
  auto file = AdvNew<TAdvFile>(name, TAdvFile::kNormalAttributes, 0, 3);
  {
    auto cache = AdvNew<TAdvCacheAdapter>(file.Get(), 65536);
    cache->Write("written on release", 18);
  }
  EXPECT_EQ(vexatest::ReadFileText(name), "written on release");

  file->SetPosition(0);
  auto cache = AdvNew<TAdvCacheAdapter>(file.Get(), 8);
  char buffer[8];
  cache->Read(buffer, 3);
  EXPECT_EQ(cache->Readable(), 15);
  cache->Flush();
  EXPECT_EQ(cache->Readable(), 10) << "the 5 bytes read ahead are dropped";
  file->SetPosition(8);
  cache->Read(buffer, 2);
  EXPECT_EQ(std::string(buffer, 2), "on");
}

TEST(AdvCacheAdapter, WithoutAStreamOrWithAnUnknownOneItRaises) {
  auto cache = AdvNew<TAdvCacheAdapter>(16u);
  char byte;
  EXPECT_THROW(cache->Read(&byte, 1), EAdvStream);
  auto unknown = AdvNew<TAdvStream>();
  cache->SetStream(unknown.Get());
  EXPECT_EQ(cache->Readable(), -1);
  EXPECT_THROW(cache->Read(&byte, 1), EAdvStream);
}

}  // namespace
