#include "monitor/Compressions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromText(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// Lines like those a proxy writes: repetitive, but never quite the same.
Bytes LogLikeData(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  const char* hosts[] = {"www.example.com", "mail.example.org", "cdn.static.net", "10.1.2.3"};
  const char* paths[] = {"/index.html", "/images/logo.png", "/search?q=red+car", "/a/b/c.js"};
  std::string text;
  while (text.size() < size) {
    text += std::to_string(1300000000 + random() % 1000000) + ".123 " +
            std::to_string(random() % 5000) + " 192.168.0." + std::to_string(random() % 255) +
            " TCP_MISS/200 " + std::to_string(random() % 100000) + " GET http://" +
            hosts[random() % 4] + paths[random() % 4] + " - DIRECT/" + hosts[random() % 4] +
            " text/html\n";
  }
  text.resize(size);
  return FromText(text);
}

Bytes RandomData(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes data(size);
  for (auto& b : data) b = uint8_t(random());
  return data;
}

class LZRW1 : public testing::Test {
 protected:
  // Compresses and decompresses; returns the compressed length (0: refused).
  uint32_t RoundTrip(const Bytes& input) {
    Bytes packed(input.size() + 1);
    const uint32_t size = m_method->Compress(input.data(), uint32_t(input.size()), packed.data());
    if (size == 0) return 0;
    EXPECT_LE(size, input.size() - TLZRW1Compression::kMinimumSaving);
    Bytes output(input.size());
    const uint32_t decoded =
        m_method->Decompress(packed.data(), size, output.data(), uint32_t(output.size()));
    EXPECT_EQ(decoded, input.size());
    EXPECT_EQ(output, input);
    return size;
  }

  TAdvRef<TLZRW1Compression> m_method = AdvNew<TLZRW1Compression>();
};

TEST_F(LZRW1, RoundTripsLogLikeDataAndShrinksIt) {
  for (size_t size : {1000u, 4097u, 32768u}) {
    SCOPED_TRACE(size);
    const uint32_t packed = RoundTrip(LogLikeData(size, uint32_t(size)));
    EXPECT_GT(packed, 0u);
    EXPECT_LT(packed, size * 2 / 3);
  }
  // Short pieces may or may not save enough; either way they come back whole.
  for (size_t size : {36u, 40u, 100u}) RoundTrip(LogLikeData(size, uint32_t(size)));
}

TEST_F(LZRW1, RefusesRandomDataSoTheBlockIsStoredRaw) {
  EXPECT_EQ(RoundTrip(RandomData(32768, 7)), 0u);
  EXPECT_EQ(RoundTrip(RandomData(1000, 8)), 0u);
}

TEST_F(LZRW1, RefusesInputsTooShortToSave) {
  EXPECT_EQ(RoundTrip(Bytes(35, 'a')), 0u);
  EXPECT_EQ(RoundTrip(Bytes()), 0u);
}

TEST_F(LZRW1, RoundTripsRunsAtTheirLimits) {
  // Runs of 15, 16, 4095 and 4096 equal bytes, and mixed data between them.
  Bytes data;
  for (size_t run : {15u, 16u, 17u, 4095u, 4096u, 1u, 18u}) {
    data.insert(data.end(), run, uint8_t('a' + run % 26));
    const Bytes gap = LogLikeData(50, uint32_t(run));
    data.insert(data.end(), gap.begin(), gap.end());
  }
  EXPECT_GT(RoundTrip(data), 0u);
  EXPECT_GT(RoundTrip(Bytes(32768, 0)), 0u);
}

TEST_F(LZRW1, RoundTripsRandomMixturesOfAllKinds) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    Bytes data;
    const size_t size = 1 + random() % 32768;
    while (data.size() < size) {
      switch (random() % 4) {
        case 0:
          data.insert(data.end(), 1 + random() % 40, uint8_t(random()));
          break;
        case 1: {
          const Bytes noise = RandomData(1 + random() % 30, random());
          data.insert(data.end(), noise.begin(), noise.end());
          break;
        }
        default:
          if (data.size() > 4) {
            const size_t from = random() % data.size();
            const size_t count = std::min<size_t>(1 + random() % 30, data.size() - from);
            for (size_t k = 0; k < count; ++k) data.push_back(data[from + k]);
          }
      }
    }
    data.resize(size);
    RoundTrip(data);
  }
}

TEST_F(LZRW1, WritesThePublishedBlockFormat) {
  // 40 equal bytes: the flag, one control word with its first bit set, and a
  // run code of 40 - 16.
  Bytes packed(40);
  const uint32_t size = m_method->Compress(Bytes(40, 'x').data(), 40, packed.data());
  packed.resize(size);
  EXPECT_EQ(packed, (Bytes{0x40, 0x80, 0x00, 0x00, 0x00, 0x18, 'x'}));

  // Three literals, then a copy 3 back of length 3: control bits 0 0 0 1,
  // most significant first; the copy code is distance << 4 | (length - 3).
  const Bytes hand = {0x40, 0x10, 0x00, 'a', 'b', 'c', 0x00, 0x30};
  Bytes out(16);
  const uint32_t decoded = m_method->Decompress(hand.data(), uint32_t(hand.size()), out.data(), 16);
  out.resize(decoded);
  EXPECT_EQ(out, FromText("abcabc"));
}

TEST_F(LZRW1, DecodesCopiedBlocks) {
  const Bytes block = {0x80, 'h', 'i'};
  Bytes out(2);
  EXPECT_EQ(m_method->Decompress(block.data(), 3, out.data(), 2), 2u);
  EXPECT_EQ(out, FromText("hi"));
}

TEST_F(LZRW1, RejectsBlocksThatReachOutsideEitherBuffer) {
  struct Case {
    const char* name;
    Bytes block;
    uint32_t capacity;
  };
  const Case cases[] = {
      {"empty", {}, 16},
      {"unknown flag", {0x41, 0x00, 0x00, 'a'}, 16},
      {"copy before the start", {0x40, 0x80, 0x00, 0x01, 0x00}, 16},
      {"copy past the end", {0x40, 0x40, 0x00, 'a', 0x01, 0x0F}, 16},
      {"run past the end", {0x40, 0x80, 0x00, 0x00, 0x00, 0x10, 'z'}, 16},
      {"run cut off", {0x40, 0x80, 0x00, 0x00, 0x00}, 64},
      {"code cut off", {0x40, 0x80, 0x00, 0x10}, 64},
      {"control word cut off", {0x40, 0x00}, 64},
      {"literal past the end", {0x40, 0x00, 0x00, 'a', 'b', 'c'}, 2},
      {"copied block too long", {0x80, 'a', 'b', 'c'}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes out(c.capacity);
    EXPECT_THROW(
        m_method->Decompress(c.block.data(), uint32_t(c.block.size()), out.data(), c.capacity),
        EAdvStream);
  }
}

TEST_F(LZRW1, DamagedBlocksFailCleanlyOrDecodeWithinBounds) {
  // Whatever a damaged block holds, decoding stays inside both buffers (the
  // sanitizers watch) and either raises or yields some bytes.
  const Bytes data = LogLikeData(32768, 99);
  Bytes packed(data.size());
  const uint32_t size = m_method->Compress(data.data(), uint32_t(data.size()), packed.data());
  ASSERT_GT(size, 0u);
  packed.resize(size);
  std::mt19937 random(2024);
  int raised = 0;
  for (int round = 0; round < 2000; ++round) {
    Bytes damaged = packed;
    const int flips = 1 + int(random() % 8);
    for (int k = 0; k < flips; ++k) damaged[random() % damaged.size()] = uint8_t(random());
    if (random() % 4 == 0) damaged.resize(random() % damaged.size());
    Bytes out(data.size());
    try {
      m_method->Decompress(damaged.data(), uint32_t(damaged.size()), out.data(),
                           uint32_t(out.size()));
    } catch (const EAdvStream& e) {
      EXPECT_NE(std::string(e.what()).find("(TLZRW1Compression.Decompress): Damaged block"),
                std::string::npos);
      ++raised;
    }
  }
  EXPECT_GT(raised, 0);
}

}  // namespace
