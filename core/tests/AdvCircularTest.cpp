#include "core/AdvCirculars.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> g_live{0};

class TItem : public TAdvObject {
  ADV_CLASS(TItem)
  TItem() { g_live.fetch_add(1); }
  explicit TItem(int sequence) : TItem() { Sequence = sequence; }
  int Sequence = 0;

 protected:
  ~TItem() override { g_live.fetch_sub(1); }
};
ADV_CLASS_IMPL(TItem, TAdvObject)

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class AdvCircular : public testing::Test {
 protected:
  void SetUp() override { g_live = 0; }
  void TearDown() override { EXPECT_EQ(g_live.load(), 0) << "objects leaked or released twice"; }
};

TEST_F(AdvCircular, HoldsCapacityObjectsThenABoundedPutTimesOut) {
  auto queue = AdvNew<TAdvCircular>(16);
  EXPECT_TRUE(queue->IsEmpty());
  for (int i = 0; i < 16; ++i) ASSERT_TRUE(queue->Put(new TItem(i), 0));

  TAdvRef<TItem> extra = AdvNew<TItem>(16);
  const auto start = Clock::now();
  EXPECT_FALSE(queue->Put(extra.Get(), 30));
  EXPECT_GE(MillisecondsSince(start), 29);
  EXPECT_EQ(extra->ReferenceCount(), 0);  // not taken: still only ours

  TAdvRef<TAdvObject> first = queue->Get();
  ASSERT_TRUE(first);
  EXPECT_EQ(AdvCast<TItem>(first.Get())->Sequence, 0);
  EXPECT_EQ(first->ReferenceCount(), 0);  // the caller is the one owner
  EXPECT_TRUE(queue->Put(extra.Detach(), 0));
}

TEST_F(AdvCircular, GetOnEmptyGivesUpAfterOneSleepWhenOnWaitSaysSo) {
  auto queue = AdvNew<TAdvCircular>(4);
  queue->SetSleepInterval(10);
  int asked = 0;
  queue->SetOnWait([&](TAdvCircular&) {
    ++asked;
    return false;
  });
  const auto start = Clock::now();
  EXPECT_FALSE(queue->Get());
  EXPECT_GE(MillisecondsSince(start), 9);
  EXPECT_LT(MillisecondsSince(start), 1000);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(queue->IsEmpty());
}

TEST_F(AdvCircular, GetWithATimeOutReturnsNoneOnAnEmptyQueue) {
  auto queue = AdvNew<TAdvCircular>(4);
  const auto start = Clock::now();
  EXPECT_FALSE(queue->Get(15));
  EXPECT_GE(MillisecondsSince(start), 14);
}

// One producer, one consumer, a ring much smaller than the stream: every
// object arrives once, in order, and nothing is left owned by anybody.
TEST_F(AdvCircular, PassesObjectsBetweenTwoThreadsInOrder) {
  constexpr int kCount = 100000;
  auto queue = AdvNew<TAdvCircular>(256);
  queue->SetSleepInterval(1);
  std::thread producer([&] {
    for (int i = 0; i < kCount; ++i) {
      auto* item = new TItem(i);
      if (!queue->Put(item)) {
        item->Release();
        return;
      }
    }
  });
  int expected = 0;
  bool inOrder = true;
  while (expected < kCount) {
    TAdvRef<TAdvObject> object = queue->Get(10000);
    if (!object) break;
    auto* item = AdvCast<TItem>(object.Get());
    if (!item || item->Sequence != expected || item->ReferenceCount() != 0) inOrder = false;
    ++expected;
  }
  producer.join();
  EXPECT_EQ(expected, kCount);
  EXPECT_TRUE(inOrder);
  EXPECT_TRUE(queue->IsEmpty());
}

TEST_F(AdvCircular, ResizingAndClearingReleaseTheObjectsHeld) {
  auto queue = AdvNew<TAdvCircular>(8);
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(queue->Put(new TItem(i), 0));
  queue->SetCapacity(4);  // slots 4 and 5 go
  EXPECT_EQ(g_live.load(), 4);
  EXPECT_EQ(queue->Capacity(), 4u);
  queue->SetCapacity(10);  // grows with empty slots
  EXPECT_EQ(g_live.load(), 4);
  EXPECT_EQ(AdvCast<TItem>(queue->Get(0).Get())->Sequence, 0);
  queue->Clear();
  EXPECT_EQ(g_live.load(), 0);
  EXPECT_TRUE(queue->IsEmpty());
  ASSERT_TRUE(queue->Put(new TItem(7), 0));  // indices restarted together
  EXPECT_EQ(AdvCast<TItem>(queue->Get(0).Get())->Sequence, 7);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(queue->Put(new TItem(i), 0));
  queue.Reset();  // the queue releases what it still holds
}

TEST_F(AdvCircular, RejectsANullObjectAndAQueueWithoutCapacity) {
  auto queue = AdvNew<TAdvCircular>();
  TAdvRef<TItem> item = AdvNew<TItem>();
  EXPECT_THROW(queue->Put(item.Get(), 0), EAdvanced);
  EXPECT_THROW(queue->Get(0), EAdvanced);
  queue->SetCapacity(2);
  EXPECT_THROW(queue->Put(nullptr, 0), EAdvanced);
  EXPECT_EQ(item->ReferenceCount(), 0);
}

}  // namespace
