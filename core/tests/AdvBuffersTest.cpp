#include "core/AdvBuffers.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/AdvStreamClasses.h"
#include "core/tests/RecordingFiler.h"
#include "core/tests/StreamTestHelpers.h"

namespace {

TEST(AdvBuffer, PersistsSizeThenDataAndReadsIntoTheRightSize) {
  auto buffer = AdvNew<TAdvBuffer>(5);
  std::memcpy(buffer->Data(), "bytes", 5);
  auto filer = AdvNew<TRecordingFiler>();
  buffer->Define(*filer);
  ASSERT_EQ(filer->Records.size(), 2u);
  EXPECT_EQ(filer->Records[0].Field, "Size");
  EXPECT_EQ(filer->Records[0].Kind, TAdvFilerKind::Integer);
  EXPECT_EQ(filer->Records[0].Integer, 5);
  EXPECT_EQ(filer->Records[1].Field, "Data");
  EXPECT_EQ(filer->Records[1].Kind, TAdvFilerKind::Binary);
  EXPECT_EQ(std::string(filer->Records[1].Bytes.begin(), filer->Records[1].Bytes.end()), "bytes");

  // Whatever its size before, the buffer takes the stored size before the
  // bytes arrive (the filer refuses a binary value of another size).
  for (uint32_t startSize : {0u, 2u, 50u}) {
    auto loaded = AdvNew<TAdvBuffer>(startSize);
    filer->StartReading();
    loaded->Define(*filer);
    EXPECT_EQ(loaded->Size(), 5u);
    EXPECT_EQ(std::memcmp(loaded->Data(), "bytes", 5), 0);
  }
}

TEST(AdvBuffer, RefusesStoredSizesThatCannotBeRight) {
  auto filer = AdvNew<TRecordingFiler>();
  filer->Add(TAdvFilerKind::Integer, -1).Add(TAdvFilerKind::Binary);
  filer->StartReading();
  auto loaded = AdvNew<TAdvBuffer>(3);
  EXPECT_THROW(loaded->Define(*filer), EAdvanced);

  // A size beyond what the stream still holds is refused before allocating.
  auto stream = streamtest::MemoryWith("tiny");
  filer->Records[0].Integer = 1 << 30;
  filer->SetStream(stream.Get());
  filer->StartReading();
  EXPECT_THROW(loaded->Define(*filer), EAdvanced);
  EXPECT_EQ(loaded->Size(), 3u);
}

TEST(AdvBuffer, ResizeKeepsThePrefixAndAssignCopies) {
  auto buffer = AdvNew<TAdvBuffer>(3);
  std::memcpy(buffer->Data(), "abc", 3);
  buffer->SetSize(2);
  buffer->SetSize(4);
  EXPECT_EQ(std::memcmp(buffer->Data(), "ab\0\0", 4), 0);
  auto copy = AdvNew<TAdvBuffer>();
  copy->Assign(*buffer);
  EXPECT_EQ(copy->Size(), 4u);
  EXPECT_NE(copy->Data(), buffer->Data());
  EXPECT_EQ(std::memcmp(copy->Data(), buffer->Data(), 4), 0);
}

TEST(AdvBuffers, RoundTripAsAListOfBuffers) {
  auto buffers = AdvNew<TAdvBuffers>();
  for (const char* text : {"one", "", "three"}) {
    auto* buffer = new TAdvBuffer(uint32_t(std::strlen(text)));
    if (buffer->Size()) std::memcpy(buffer->Data(), text, buffer->Size());
    buffers->Add(buffer);
  }
  auto filer = AdvNew<TRecordingFiler>();
  filer->Classes = CoreStreamClasses();
  TAdvObject* root = buffers.Get();
  filer->DefineObject(root);

  auto loaded = AdvNew<TAdvBuffers>();
  filer->StartReading();
  TAdvObject* target = loaded.Get();
  filer->DefineObject(target, &TAdvBuffers::ClassInfo);
  EXPECT_TRUE(filer->AtEnd());
  ASSERT_EQ(loaded->Count(), 3);
  EXPECT_EQ(loaded->GetItem(0)->Size(), 3u);
  EXPECT_EQ(loaded->GetItem(1)->Size(), 0u);
  EXPECT_EQ(std::memcmp(loaded->GetItem(2)->Data(), "three", 5), 0);

  // Only buffers belong in the list.
  EXPECT_EQ(loaded->ItemClass(), &TAdvBuffer::ClassInfo);
  auto other = AdvNew<TAdvObject>();
  EXPECT_THROW(loaded->Validate(other.Get()), EAdvanced);
}

}  // namespace
