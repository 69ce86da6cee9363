#include "monitor/CompressFiles.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

struct TBlock {
  uint32_t Raw;
  uint32_t Stored;
  size_t Offset;
};

// The block headers of a file, checked to tile it exactly.
std::vector<TBlock> BlocksOf(const std::string& bytes) {
  std::vector<TBlock> blocks;
  size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    const TBlock block{uint32_t(p[0] | p[1] << 8), uint32_t(p[2] | p[3] << 8), at};
    blocks.push_back(block);
    at += 4 + block.Stored;
  }
  EXPECT_EQ(at, bytes.size());
  return blocks;
}

std::string Compressible(size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i)
    text += "GET http://www.example.com/page" + std::to_string(i % 37) + ".html 200\n";
  text.resize(size);
  return text;
}

std::string Random(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string text(size, '\0');
  for (char& c : text) c = char(random());
  return text;
}

class CompressFile : public testing::Test {
 protected:
  TAdvRef<TCompressFile> OpenFile(TCompressFileMode mode = TCompressFileMode::OpenOrCreate) {
    auto file = AdvNew<TCompressFile>(m_name);
    file->Open(mode);
    return file;
  }

  void WriteAll(const std::string& bytes, TCompressFileMode mode = TCompressFileMode::CreateNew) {
    auto file = OpenFile(mode);
    file->Write(bytes.data(), uint32_t(bytes.size()));
    file->Close();
  }

  std::string ReadAll(size_t size, int64_t from = 0) {
    auto file = OpenFile();
    file->SetPosition(from);
    std::string bytes(size, '\0');
    file->Read(bytes.data(), uint32_t(size));
    return bytes;
  }

  std::string m_name = vexatest::MakeTempFolder("compress") + "/Default.Hits";
};

TEST_F(CompressFile, WritesBlocksOfAtMost32KAndReadsThemBackAfterReopening) {
  const std::string data = Compressible(100000) + Random(40000, 1) + Compressible(5000);
  WriteAll(data);

  const std::vector<TBlock> blocks = BlocksOf(vexatest::ReadFileText(m_name));
  ASSERT_EQ(blocks.size(), 5u);
  uint64_t total = 0;
  for (const TBlock& b : blocks) {
    EXPECT_LE(b.Raw, TCompressAdapter::kBlockSize);
    EXPECT_LE(b.Stored, b.Raw);
    total += b.Raw;
  }
  EXPECT_EQ(total, data.size());
  EXPECT_LT(blocks[0].Stored, blocks[0].Raw / 2);  // log-like text shrinks
  EXPECT_EQ(blocks[3].Stored, blocks[3].Raw);      // random bytes are stored raw
  EXPECT_EQ(ReadAll(data.size()), data);
}

TEST_F(CompressFile, PositionsAreBlockBoundariesAfterAFlush) {
  auto file = OpenFile(TCompressFileMode::CreateNew);
  const std::string first = Compressible(1000);
  file->Write(first.data(), uint32_t(first.size()));
  const int64_t second = file->GetPosition();
  EXPECT_EQ(second, file->GetSize());
  const std::string more = Compressible(70000);
  file->Write(more.data(), uint32_t(more.size()));
  file->Close();

  EXPECT_EQ(BlocksOf(vexatest::ReadFileText(m_name))[1].Offset, size_t(second));
  EXPECT_EQ(ReadAll(more.size(), second), more);
}

TEST_F(CompressFile, OpenModesKeepOrEmptyTheFileAndAreExclusive) {
  WriteAll("kept content that is long enough to matter for the test of modes");
  EXPECT_GT(OpenFile()->GetSize(), 0);
  auto holder = OpenFile();
  auto second = AdvNew<TCompressFile>(m_name);
  try {
    second->Open(TCompressFileMode::OpenOrCreate);
    FAIL() << "opened twice";
  } catch (const EAdvFile& e) {
    EXPECT_NE(std::string(e.what()).find("Unable to open file"), std::string::npos) << e.what();
    EXPECT_EQ(e.Operation(), "Open");
  }
  holder->Close();
  EXPECT_EQ(OpenFile(TCompressFileMode::CreateNew)->GetSize(), 0);
}

TEST_F(CompressFile, DamagedBlocksRaiseStreamErrors) {
  WriteAll(Compressible(20000));
  const std::string good = vexatest::ReadFileText(m_name);
  struct Case {
    const char* name;
    size_t offset;
    char value;
  };
  const Case cases[] = {
      {"raw length zero", 0, 0},
      {"raw length too long", 1, char(0x90)},
      {"stored longer than raw", 3, char(0x7F)},
      {"unknown flag", 4, char(0x41)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bad = good;
    bad[c.offset] = c.value;
    if (c.offset == 0) bad[1] = 0;
    vexatest::WriteFileText(m_name, bad);
    EXPECT_THROW(ReadAll(100), EAdvStream);
  }
  // Damage inside the compressed data either fails to decode or decodes to
  // other bytes: never past the block.
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    std::string bad = good;
    bad[5 + random() % (bad.size() - 5)] = char(random());
    vexatest::WriteFileText(m_name, bad);
    try {
      ReadAll(20000);
    } catch (const EAdvanced&) {
    }
  }
}

TEST_F(CompressFile, ReadingPastTheEndRaises) {
  WriteAll(Compressible(100));
  EXPECT_THROW(ReadAll(101), EAdvanced);
}

}  // namespace
