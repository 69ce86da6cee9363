#include "monitor/HitIndicies.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "core/AdvFactories.h"
#include "core/AdvXMLFilers.h"
#include "monitor/Hits.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

TAdvRef<TVexaHit> MakeHit(int n) {
  auto hit = AdvNew<TVexaHit>();
  hit->Clear();
  hit->SetProtocol(kProtocolWeb);
  hit->SetInitiated(40000.5 + n);
  hit->SetSource("user" + std::to_string(n));
  hit->ApplyURL("http://www.site" + std::to_string(n % 7) + ".com/page" + std::to_string(n) +
                ".html?q=" + std::to_string(n));
  hit->SetProfile("News");
  hit->SetDepartment("Sales");
  hit->SetFileTypeAlias("Web page");
  hit->Data().SourceSize = uint32_t(n);
  hit->Data().StoredSourceAddress = 0x0A000000u + uint32_t(n);
  hit->Data().SourceAddress = 0x0A000000u + uint32_t(n);  // not stored
  hit->SetExtraText3("not stored");
  hit->SetReference(9);  // not stored
  hit->SetPosition(1000 + n);
  return hit;
}

// A stored hit reads back with the stored fields and nothing else.
void ExpectStored(TVexaHit* got, int n) {
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->Source(), "user" + std::to_string(n));
  EXPECT_EQ(got->Initiated(), 40000.5 + n);
  EXPECT_EQ(got->Resource(), "/page" + std::to_string(n) + ".html");
  EXPECT_EQ(got->Query(), "q=" + std::to_string(n));
  EXPECT_EQ(got->Department(), "Sales");
  EXPECT_EQ(got->Data().SourceSize, uint32_t(n));
  EXPECT_EQ(got->Data().StoredSourceAddress, 0x0A000000u + uint32_t(n));
  EXPECT_EQ(got->Position(), 1000 + n);
  EXPECT_EQ(got->Data().SourceAddress, 0u);
  EXPECT_EQ(got->Reference(), 0u);
  EXPECT_EQ(got->ExtraText3(), "");
  EXPECT_EQ(got->Data().Tag1, 0);
}

// The index goes to and from its file as the engine keeps it: XML, saved
// atomically.
void SaveIndex(TIndicies& store, const std::string& name) {
  store.SaveToFile(name, &TAdvXMLWriter::ClassInfo);
}

void LoadIndex(TIndicies& store, const std::string& name) {
  store.LoadFromFile(name, &TAdvXMLReader::ClassInfo);
}

void ExpectBlank(TVexaHit* got) {
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->Source(), "");
  EXPECT_EQ(got->Protocol(), 0);
  EXPECT_EQ(got->Initiated(), 0.0);
  EXPECT_EQ(got->Position(), 0);
  EXPECT_EQ(got->Department(), "");
}

class HitStore : public testing::Test {
 protected:
  HitStore() {
    m_store->AttachFile(m_file.Get());
    m_store->SetOnRestart([this](const std::string& message) { m_messages.push_back(message); });
    m_store->OpenFile(m_name, false);
  }
  ~HitStore() override { m_store->CloseFile(); }

  // One engine cycle storing hits `from`..`to`-1; returns their indices.
  std::vector<int32_t> Cycle(int from, int to) {
    std::vector<int32_t> indices;
    m_store->BeginBatch();
    for (int n = from; n < to; ++n) indices.push_back(m_store->Add(MakeHit(n).Get()));
    m_store->EndBatch();
    return indices;
  }

  // The index as the engine keeps it, through its XML form.
  std::string SavedIndex() {
    const std::string name = m_folder + "/Default.Index";
    SaveIndex(*m_store, name);
    return name;
  }

  std::string m_folder = vexatest::MakeTempFolder("store");
  std::string m_name = m_folder + "/Default.Hits";
  TAdvRef<TCompressFile> m_file = AdvNew<TCompressFile>();
  TAdvRef<THitIndicies> m_store = AdvNew<THitIndicies>();
  std::vector<std::string> m_messages;
};

TEST_F(HitStore, ACycleStoringOneHitTakesOneWholePage) {
  EXPECT_EQ(Cycle(0, 1), std::vector<int32_t>{0});
  EXPECT_EQ(m_store->Capacity(), 256);
  EXPECT_EQ(m_store->PageCount(), 1);
  EXPECT_EQ(m_store->PageOffset(0), 0);
  ExpectStored(m_store->GetHit(0), 0);
  ExpectBlank(m_store->GetHit(1));
  ExpectBlank(m_store->GetHit(255));
  ExpectBlank(m_store->GetHit(256));
  ExpectBlank(m_store->GetHit(-1));
  // Padding compresses to almost nothing.
  EXPECT_LT(m_file->GetSize(), 400);
}

TEST_F(HitStore, ACycleStoringNothingWritesNothing) {
  Cycle(0, 3);
  const int64_t size = m_file->GetSize();
  Cycle(0, 0);
  EXPECT_EQ(m_file->GetSize(), size);
  EXPECT_EQ(m_store->Capacity(), 256);
}

TEST_F(HitStore, CyclesHaveTheirOwnPagesStartingAtBlockBoundaries) {
  EXPECT_EQ(Cycle(0, 300), [] {
    std::vector<int32_t> v;
    for (int i = 0; i < 300; ++i) v.push_back(i);
    return v;
  }());
  const int64_t end = m_file->GetSize();
  EXPECT_EQ(Cycle(300, 301), std::vector<int32_t>{512});
  EXPECT_EQ(m_store->Capacity(), 768);
  ASSERT_EQ(m_store->PageCount(), 3);
  EXPECT_LT(m_store->PageOffset(1), m_store->PageOffset(2));
  EXPECT_EQ(m_store->PageOffset(2), end);
  ExpectStored(m_store->GetHit(299), 299);
  ExpectBlank(m_store->GetHit(300));
  ExpectStored(m_store->GetHit(512), 300);
  ExpectStored(m_store->GetHit(0), 0);
}

TEST_F(HitStore, ReadsBackAfterReopeningWithTheSavedIndex) {
  Cycle(0, 10);
  Cycle(10, 700);
  const std::string index = SavedIndex();
  m_store->CloseFile();

  auto file = AdvNew<TCompressFile>();
  auto store = AdvNew<THitIndicies>();
  store->AttachFile(file.Get());
  LoadIndex(*store, index);
  EXPECT_EQ(store->Capacity(), 256 + 768);
  ASSERT_TRUE(store->OpenFile(m_name, true));
  ExpectStored(store->GetHit(9), 9);
  ExpectStored(store->GetHit(256), 10);
  ExpectStored(store->GetHit(256 + 689), 699);
  ExpectBlank(store->GetHit(256 + 690));

  // New cycles go on after the end of the file.
  store->BeginBatch();
  EXPECT_EQ(store->Add(MakeHit(5000).Get()), 1024);
  store->EndBatch();
  ExpectStored(store->GetHit(1024), 5000);
  ExpectStored(store->GetHit(9), 9);
  store->CloseFile();
}

TEST_F(HitStore, ReadingDuringABatchLeavesStoredPagesAlone) {
  // Older pages of text that does not compress, so that reading one leaves
  // the file's position far from its end.
  std::mt19937 random(3);
  m_store->BeginBatch();
  for (int n = 0; n < 512; ++n) {
    auto hit = MakeHit(n);
    std::string noise(255, ' ');
    for (char& c : noise) c = char('!' + random() % 90);
    hit->SetExtraText1(noise);
    m_store->Add(hit.Get());
  }
  m_store->EndBatch();
  ASSERT_GT(m_file->GetSize(), 128 * 1024);

  m_store->BeginBatch();
  for (int n = 100; n < 400; ++n) {
    const int32_t index = m_store->Add(MakeHit(n).Get());
    if (n % 50 == 0) {
      // The page being written, then an older one: the next hits must still
      // go to the end of the file, not where that read stopped.
      ExpectStored(m_store->GetHit(index), n);
      ExpectBlank(m_store->GetHit(index + 1));
      ExpectStored(m_store->GetHit(3), 3);
    }
  }
  m_store->EndBatch();
  EXPECT_EQ(m_store->Capacity(), 256 * 4);
  for (int n = 0; n < 512; ++n) ExpectStored(m_store->GetHit(n), n);
  for (int n = 100; n < 400; ++n) ExpectStored(m_store->GetHit(512 + n - 100), n);

  // And the same after reopening from the file alone.
  const std::string index = SavedIndex();
  m_store->CloseFile();
  auto store = AdvNew<THitIndicies>();
  auto file = AdvNew<TCompressFile>();
  store->AttachFile(file.Get());
  LoadIndex(*store, index);
  ASSERT_TRUE(store->OpenFile(m_name, true));
  for (int n = 0; n < 512; n += 17) ExpectStored(store->GetHit(n), n);
  for (int n = 100; n < 400; ++n) ExpectStored(store->GetHit(512 + n - 100), n);
  store->CloseFile();
}

TEST_F(HitStore, WalksEveryRecordPageByPage) {
  m_store->First();
  EXPECT_TRUE(m_store->AtEnd());
  Cycle(0, 2);
  Cycle(2, 3);
  int count = 0, stored = 0;
  for (m_store->First(); !m_store->AtEnd(); m_store->Next()) {
    ++count;
    if (static_cast<TVexaHit*>(m_store->Current())->Source().size() > 0) ++stored;
  }
  EXPECT_EQ(count, 512);
  EXPECT_EQ(stored, 3);
}

TEST_F(HitStore, ClearEmptiesFileAndIndex) {
  Cycle(0, 3);
  m_store->Clear();
  EXPECT_EQ(m_store->Capacity(), 0);
  EXPECT_EQ(m_store->PageCount(), 0);
  EXPECT_EQ(m_file->GetSize(), 0);
  EXPECT_EQ(Cycle(7, 8), std::vector<int32_t>{0});
  ExpectStored(m_store->GetHit(0), 7);
}

TEST_F(HitStore, StartsAfreshAtTheRecordLimitAndSaysSoAtTheEndOfTheBatch) {
  m_store->SetLimits(600, TIndicies::kMaxFileSize);
  Cycle(0, 1);
  Cycle(1, 2);
  EXPECT_TRUE(m_messages.empty());
  m_store->BeginBatch();
  EXPECT_EQ(m_store->Add(MakeHit(2).Get()), 0);  // 512 + 256 would pass 600
  EXPECT_TRUE(m_messages.empty());               // not in the middle of a cycle
  m_store->EndBatch();
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_NE(m_messages[0].find("started afresh"), std::string::npos);
  EXPECT_EQ(m_store->Capacity(), 256);
  EXPECT_EQ(m_store->PageCount(), 1);
  ExpectStored(m_store->GetHit(0), 2);
}

TEST_F(HitStore, StartsAfreshBeforeTheFileLimit) {
  Cycle(0, 256);
  const int64_t size = m_file->GetSize();
  m_store->SetLimits(TIndicies::kMaxRecords, size + TIndicies::kPageReserve - 1);
  Cycle(256, 257);
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_store->PageCount(), 1);
  EXPECT_EQ(m_store->PageOffset(0), 0);
  ExpectStored(m_store->GetHit(0), 256);
  // Outside a batch the store says so at once.
  m_store->SetLimits(TIndicies::kMaxRecords, 0);
  EXPECT_EQ(m_store->Add(MakeHit(1).Get()), 0);
  EXPECT_EQ(m_messages.size(), 2u);
}

TEST_F(HitStore, AnIndexListingPagesTheFileLacksStartsAfresh) {
  Cycle(0, 3);
  Cycle(3, 4);
  const std::string index = SavedIndex();
  m_store->CloseFile();
  vexatest::WriteFileText(m_name, "");  // the hit file lost

  auto store = AdvNew<THitIndicies>();
  auto file = AdvNew<TCompressFile>();
  std::vector<std::string> messages;
  store->SetOnRestart([&](const std::string& m) { messages.push_back(m); });
  store->AttachFile(file.Get());
  LoadIndex(*store, index);
  EXPECT_FALSE(store->OpenFile(m_name, true));
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(store->Capacity(), 0);
  ExpectBlank(store->GetHit(0));
  store->CloseFile();
}

TEST_F(HitStore, ADamagedIndexIsRefused) {
  Cycle(0, 3);
  const std::string index = SavedIndex();
  std::string text = vexatest::ReadFileText(index);
  const size_t at = text.find(">256<");
  ASSERT_NE(at, std::string::npos) << text;
  text.replace(at, 5, ">300<");
  vexatest::WriteFileText(index, text);
  auto store = AdvNew<THitIndicies>();
  EXPECT_THROW(LoadIndex(*store, index), EAdvanced);
  EXPECT_EQ(store->Capacity(), 0);
}

TEST_F(HitStore, ADamagedPageRaisesAndCostsNothingElse) {
  Cycle(0, 100);
  Cycle(100, 101);
  const int32_t second = m_store->PageOffset(1);
  m_store->CloseFile();
  std::string bytes = vexatest::ReadFileText(m_name);
  bytes[4] = char(0x41);  // the first block's flag
  vexatest::WriteFileText(m_name, bytes);
  m_store->OpenFile(m_name, true);

  EXPECT_THROW(m_store->GetHit(5), EAdvStream);
  ExpectStored(m_store->GetHit(256), 100);
  EXPECT_EQ(m_store->PageOffset(1), second);
  EXPECT_EQ(Cycle(200, 201), std::vector<int32_t>{512});
  ExpectStored(m_store->GetHit(512), 200);
  EXPECT_THROW(m_store->GetHit(0), EAdvStream);
}

TEST_F(HitStore, OpenKeepsHitsOnlyWithAReadableIndexAndSetsADamagedOneAside) {
  Cycle(0, 3);
  const std::string index = SavedIndex();
  m_store->CloseFile();

  struct Opened {
    bool kept;
    std::vector<std::string> messages;
    int32_t capacity;
  };
  auto open = [&](const std::string& indexName) {
    auto store = AdvNew<THitIndicies>();
    auto file = AdvNew<TCompressFile>();
    Opened result{false, {}, 0};
    store->SetOnRestart([&](const std::string& m) { result.messages.push_back(m); });
    store->AttachFile(file.Get());
    result.kept = store->Open(indexName, m_name, [&] { LoadIndex(*store, indexName); });
    result.capacity = store->Capacity();
    if (result.kept) ExpectStored(store->GetHit(2), 2);
    store->CloseFile();
    return result;
  };

  Opened good = open(index);
  EXPECT_TRUE(good.kept);
  EXPECT_TRUE(good.messages.empty());
  EXPECT_EQ(good.capacity, 256);

  const std::string text = vexatest::ReadFileText(index);
  vexatest::WriteFileText(index, text.substr(0, text.size() / 2));
  Opened damaged = open(index);
  EXPECT_FALSE(damaged.kept);
  ASSERT_EQ(damaged.messages.size(), 1u);
  EXPECT_NE(damaged.messages[0].find(index + ".bad"), std::string::npos) << damaged.messages[0];
  EXPECT_EQ(vexatest::ReadFileText(index + ".bad"), text.substr(0, text.size() / 2));
  EXPECT_EQ(damaged.capacity, 0);

  // No index at all (the first start, or after the damaged one was set
  // aside): an empty store, nothing to tell.
  Opened missing = open(index);
  EXPECT_FALSE(missing.kept);
  EXPECT_TRUE(missing.messages.empty());
  EXPECT_EQ(missing.capacity, 0);
}

TEST_F(HitStore, APageThatWouldStartPastTheFileLimitRestartsEvenWithPagesStillBeingWritten) {
  // Where the pages of one long cycle start, measured on a store of its own.
  std::vector<int32_t> offsets;
  {
    auto store = AdvNew<THitIndicies>();
    auto file = AdvNew<TCompressFile>();
    store->AttachFile(file.Get());
    store->OpenFile(m_folder + "/Measure.Hits", false);
    store->BeginBatch();
    for (int n = 0; n < 256 * 3; ++n) store->Add(MakeHit(n).Get());
    store->EndBatch();
    for (int page = 0; page < 3; ++page) offsets.push_back(store->PageOffset(page));
    store->CloseFile();
  }
  // The third page would start one byte past the limit: the same cycle here
  // starts afresh there, and only there.
  m_store->SetLimits(TIndicies::kMaxRecords, offsets[2] + TIndicies::kPageReserve - 1);
  std::vector<int32_t> indices = Cycle(0, 256 * 3);
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_NE(m_messages[0].find("started afresh"), std::string::npos);
  EXPECT_EQ(indices[511], 511);
  EXPECT_EQ(indices[512], 0);
  EXPECT_EQ(m_store->Capacity(), 256);
  ExpectStored(m_store->GetHit(0), 512);
  ExpectStored(m_store->GetHit(255), 767);
}

// A hit file whose writes fail once armed, as on a full disk.
class TFailingFile : public TCompressFile {
 public:
  using TCompressFile::TCompressFile;
  void Write(const void* buffer, uint32_t count) override {
    if (FailAfter.fetch_sub(1) <= 0) throw EAdvStream(this, "No space left on device", "Write");
    TCompressFile::Write(buffer, count);
  }
  std::atomic<int> FailAfter{1 << 30};

 protected:
  ~TFailingFile() override = default;
};

TEST(HitStoreWrites, AFailedWriteStartsTheStoreAfreshAndCostsNothingElse) {
  const std::string folder = vexatest::MakeTempFolder("store-fail");
  auto file = AdvNew<TFailingFile>();
  auto store = AdvNew<THitIndicies>();
  std::vector<std::string> messages;
  store->SetOnRestart([&](const std::string& message) { messages.push_back(message); });
  store->AttachFile(file.Get());
  store->OpenFile(folder + "/Default.Hits", false);

  // The first page is written, the second fails while the cycle goes on.
  file->FailAfter = 1;
  store->BeginBatch();
  for (int n = 0; n < 256 * 4; ++n) store->Add(MakeHit(n).Get());
  EXPECT_TRUE(messages.empty());  // told at the end of the cycle, not in its middle
  store->EndBatch();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("could not be written"), std::string::npos);
  EXPECT_NE(messages[0].find("No space left on device"), std::string::npos);
  EXPECT_EQ(store->Capacity(), 0);
  EXPECT_EQ(store->PageCount(), 0);
  ExpectBlank(store->GetHit(0));

  // Once the disk has room again the store goes on as new.
  file->FailAfter = 1 << 30;
  store->BeginBatch();
  EXPECT_EQ(store->Add(MakeHit(9).Get()), 0);
  store->EndBatch();
  ExpectStored(store->GetHit(0), 9);
  EXPECT_EQ(messages.size(), 1u);
  store->CloseFile();
}

TEST_F(HitStore, RefusesRecordsOfAnotherClass) {
  auto plain = AdvNew<THit>();
  m_store->BeginBatch();
  EXPECT_THROW(m_store->Add(plain.Get()), EAdvanced);
  m_store->EndBatch();
  EXPECT_EQ(m_store->Capacity(), 0);
}

}  // namespace

namespace {

TEST(HitClasses, AreKnownToTheClassFactory) {
  RegisterHitClasses();
  for (const char* name : {"THit", "TVexaHit", "THits", "TVexaHits", "TIndicies", "THitIndicies"}) {
    SCOPED_TRACE(name);
    ASSERT_NE(AdvFactory().Lookup(name), nullptr);
    TAdvRef<TAdvObject> made(AdvFactory().Make(name));
    EXPECT_EQ(made->ClassName(), name);
  }
}

}  // namespace
