// The stored form of a hit, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/AdvBinaryFilers.h"
#include "core/AdvMemories.h"
#include "monitor/Hits.h"

namespace {

using Bytes = std::vector<uint8_t>;

template <class T>
void Put(Bytes& out, T value) {
  const auto* p = reinterpret_cast<const uint8_t*>(&value);
  out.insert(out.end(), p, p + sizeof(T));
}

void PutText(Bytes& out, std::string_view text) {
  out.push_back(uint8_t(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

Bytes Saved(THit& hit) {
  auto memory = AdvNew<TAdvStretchMemory>(0u);
  auto writer = AdvNew<TAdvBinaryWriter>();
  writer->SetStream(memory.Get());
  hit.Save(*writer);
  return Bytes(memory->Data(), memory->Data() + memory->GetSize());
}

void Loaded(THit& hit, const Bytes& bytes) {
  auto memory = AdvNew<TAdvMemory>(uint32_t(bytes.size()));
  memory->Write(bytes.data(), uint32_t(bytes.size()));
  memory->Rewind();
  auto reader = AdvNew<TAdvBinaryReader>();
  reader->SetStream(memory.Get());
  hit.Load(*reader);
}

TAdvRef<TVexaHit> FullHit() {
  auto hit = AdvNew<TVexaHit>();
  hit->Clear();
  hit->SetProtocol(kProtocolSecureWeb);
  hit->SetInitiated(40608.25);
  hit->SetSource("alice");
  hit->Data().StoredSourceAddress = 0x0A000001;
  hit->Data().SourcePort = 50000;
  hit->SetDestination("www.example.com");
  hit->Data().StoredDestinationAddress = 0xC0A80001;
  hit->Data().DestinationPort = 443;
  hit->SetResource("/a.html");
  hit->SetQuery("q=1");
  hit->SetExtraText1("x1");
  hit->SetExtraText2("");
  hit->SetProfile("News");
  hit->Data().SourceSize = 100;
  hit->Data().DestinationSize = 200000;
  hit->Data().TimeTaken = 7;
  hit->SetStatus(kStatusCached);
  hit->SetPosition(123456789012);
  hit->SetDepartment("Sales");
  hit->SetFileTypeAlias("Page");
  // Not part of the stored form.
  hit->SetReference(5);
  hit->SetExtraText3("e3");
  hit->Data().SourceAddress = 1;
  hit->Data().DestinationAddress = 2;
  hit->Data().Tag1 = 3;
  hit->Data().Tag2 = 4;
  hit->Data().Tag3 = 5;
  return hit;
}

TEST(HitRecord, VexaHitStoresTheRecordFormatBareAndInOrder) {
  auto hit = FullHit();
  Bytes expected;
  expected.push_back(kProtocolSecureWeb);
  Put(expected, 40608.25);
  PutText(expected, "alice");
  Put<uint32_t>(expected, 0x0A000001);
  Put<uint16_t>(expected, 50000);
  PutText(expected, "www.example.com");
  Put<uint32_t>(expected, 0xC0A80001);
  Put<uint16_t>(expected, 443);
  PutText(expected, "/a.html");
  PutText(expected, "q=1");
  PutText(expected, "x1");
  PutText(expected, "");
  PutText(expected, "News");
  Put<uint32_t>(expected, 100);
  Put<uint32_t>(expected, 200000);
  Put<uint32_t>(expected, 7);
  expected.push_back(kStatusCached);
  Put<int64_t>(expected, 123456789012);
  PutText(expected, "Sales");
  PutText(expected, "Page");
  EXPECT_EQ(Saved(*hit), expected);
}

// A writer derived from the untagged one takes the field-by-field path; the
// store's one-piece path must write the very same bytes, full texts included.
class TFieldByFieldWriter : public TAdvBinaryWriter {};

TEST(HitRecord, OnePieceAndFieldByFieldFormsAgree) {
  auto hit = FullHit();
  hit->SetResource(std::string(300, 'r'));
  hit->SetFileTypeAlias(std::string(255, 'f'));
  hit->Data().SourcePort = 0xFFFF;
  hit->SetPosition(-1);
  auto memory = AdvNew<TAdvStretchMemory>(0u);
  TAdvRef<TFieldByFieldWriter> writer(new TFieldByFieldWriter());
  writer->SetStream(memory.Get());
  hit->Save(*writer);
  EXPECT_EQ(Saved(*hit), Bytes(memory->Data(), memory->Data() + memory->GetSize()));
}

TEST(HitRecord, ReadingClearsFirstAndRestoresTheStoredFields) {
  auto hit = FullHit();
  const Bytes bytes = Saved(*hit);
  auto back = AdvNew<TVexaHit>();
  back->SetExtraText3("stale");
  back->SetReference(8);
  Loaded(*back, bytes);
  EXPECT_EQ(Saved(*back), bytes);
  EXPECT_EQ(back->ExtraText3(), "");
  EXPECT_EQ(back->Reference(), 0u);
  EXPECT_EQ(back->Data().SourceAddress, 0u);
  EXPECT_EQ(back->Data().Tag1, -1);  // cleared, not stored
  EXPECT_EQ(back->Department(), "Sales");
  EXPECT_EQ(back->Position(), 123456789012);
}

TEST(HitRecord, PlainHitStoresItsNumericBlockRaw) {
  auto source = FullHit();
  auto plain = AdvNew<THit>();
  plain->Assign(*source);
  const Bytes bytes = Saved(*plain);
  ASSERT_EQ(bytes.size(), kHitNumericSize);
  EXPECT_EQ(std::memcmp(bytes.data(),
                        reinterpret_cast<const uint8_t*>(&plain->Data()) + kHitNumericOffset,
                        kHitNumericSize),
            0);
  auto back = AdvNew<THit>();
  back->SetSource("gone");
  Loaded(*back, bytes);
  EXPECT_EQ(back->Source(), "");
  EXPECT_EQ(back->Initiated(), 40608.25);
  EXPECT_EQ(back->Data().Tag1, 3);  // Tag1 is inside the block
  EXPECT_EQ(back->Data().Tag2, -1);
}

TEST(HitRecord, TruncatedRecordRaises) {
  Bytes bytes = Saved(*FullHit());
  bytes.resize(bytes.size() - 3);
  auto back = AdvNew<TVexaHit>();
  EXPECT_THROW(Loaded(*back, bytes), EAdvanced);
}

}  // namespace
