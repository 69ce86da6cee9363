#include "core/AdvSets.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/AdvIterators.h"
#include "core/tests/ErrorText.h"
#include "core/tests/RecordingFiler.h"

namespace {

using TRanges = std::vector<TAdvRange>;

TAdvRef<TAdvSet> MakeSet(const TRanges& ranges) {
  auto set = AdvNew<TAdvSet>();
  for (const TAdvRange& r : ranges) set->AddRange(r.Low, r.High);
  return set;
}

TRanges RangesOf(const TAdvSet& set) {
  TRanges ranges;
  for (int i = 0; i < set.Count(); ++i) ranges.push_back(set.GetRange(i));
  return ranges;
}

std::string Show(const TRanges& ranges) {
  std::string text;
  for (const TAdvRange& r : ranges)
    text += "[" + std::to_string(r.Low) + "," + std::to_string(r.High) + "]";
  return text.empty() ? "{}" : text;
}

TEST(AdvSet, AddAndRemoveKeepRangesDisjointAndJoined) {
  enum TOp { kAdd, kRemove };
  struct Case {
    TRanges start;
    TOp op;
    int32_t low, high;
    TRanges expected;
  };
  const Case cases[] = {
      {{{1, 3}, {5, 7}}, kAdd, 4, 4, {{1, 7}}},
      {{{1, 3}}, kAdd, 10, 12, {{1, 3}, {10, 12}}},
      {{{1, 3}}, kAdd, 0, 0, {{0, 3}}},
      {{{1, 3}}, kAdd, 4, 4, {{1, 4}}},
      {{{1, 3}}, kAdd, -5, -3, {{-5, -3}, {1, 3}}},
      {{{5, 7}}, kAdd, 1, 4, {{1, 7}}},
      {{{1, 3}, {5, 7}, {9, 9}, {25, 30}}, kAdd, 2, 20, {{1, 20}, {25, 30}}},
      {{{1, 3}, {10, 12}}, kAdd, -4, 40, {{-4, 40}}},
      {{{2, 3}}, kAdd, 2, 2, {{2, 3}}},
      {{{INT_MIN, INT_MIN}}, kAdd, INT_MAX, INT_MAX, {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}}},
      {{{INT_MAX - 1, INT_MAX}},
       kAdd,
       INT_MIN,
       INT_MIN + 1,
       {{INT_MIN, INT_MIN + 1}, {INT_MAX - 1, INT_MAX}}},
      {{{1, 7}}, kRemove, 5, 5, {{1, 4}, {6, 7}}},
      {{{1, 3}, {5, 7}}, kRemove, 0, 10, {}},
      {{{1, 3}, {5, 7}}, kRemove, 2, 6, {{1, 1}, {7, 7}}},
      {{{1, 3}}, kRemove, 3, 3, {{1, 2}}},
      {{{1, 3}}, kRemove, 1, 1, {{2, 3}}},
      {{{1, 3}}, kRemove, 10, 20, {{1, 3}}},
      {{{1, 3}, {5, 9}, {20, 30}}, kRemove, 4, 25, {{1, 3}, {26, 30}}},
      {{{INT_MIN, INT_MAX}}, kRemove, 0, 0, {{INT_MIN, -1}, {1, INT_MAX}}},
  };
  for (const Case& c : cases) {
    auto set = MakeSet(c.start);
    if (c.op == kAdd)
      set->AddRange(c.low, c.high);
    else
      set->RemoveRange(c.low, c.high);
    EXPECT_EQ(Show(RangesOf(*set)), Show(c.expected))
        << Show(c.start) << (c.op == kAdd ? " + " : " - ") << Show({{c.low, c.high}});
  }
}

TEST(AdvSet, MembersMinMaxAndLookups) {
  auto set = MakeSet({{1, 3}, {5, 7}});
  EXPECT_EQ(set->MemberCount(), 6);
  EXPECT_EQ(set->Min(), 1);
  EXPECT_EQ(set->Max(), 7);
  EXPECT_TRUE(set->Contains(6));
  EXPECT_FALSE(set->Contains(4));
  EXPECT_EQ(set->IndexOfValue(5), 1);
  EXPECT_EQ(set->IndexOfValue(8), -1);
  auto empty = AdvNew<TAdvSet>();
  EXPECT_EQ(empty->Min(), 0);
  EXPECT_EQ(empty->Max(), 0);
  EXPECT_EQ(empty->MemberCount(), 0);
  EXPECT_EQ(MakeSet({{INT_MIN, INT_MAX}})->MemberCount(), int64_t(1) << 32);
  EXPECT_EQ(MessageOf([&] { set->AddRange(5, 3); }), "(TAdvSet.AddRange): Invalid range [5, 3]");
  EXPECT_EQ(Show(RangesOf(*set)), "[1,3][5,7]");
}

TEST(AdvSet, UnionSubtractAndIntersect) {
  struct Case {
    TRanges a, b;
    TRanges united, subtracted, intersected;
  };
  const Case cases[] = {
      {{{1, 5}, {10, 15}}, {{3, 12}}, {{1, 15}}, {{1, 2}, {13, 15}}, {{3, 5}, {10, 12}}},
      {{{1, 5}}, {}, {{1, 5}}, {{1, 5}}, {}},
      {{{1, 2}, {4, 5}, {7, 8}}, {{2, 7}}, {{1, 8}}, {{1, 1}, {8, 8}}, {{2, 2}, {4, 5}, {7, 7}}},
      {{{0, 10}}, {{1, 1}, {3, 3}}, {{0, 10}}, {{0, 0}, {2, 2}, {4, 10}}, {{1, 1}, {3, 3}}},
  };
  for (const Case& c : cases) {
    auto united = MakeSet(c.a), subtracted = MakeSet(c.a), intersected = MakeSet(c.a);
    auto b = MakeSet(c.b);
    united->Union(*b);
    subtracted->Subtract(*b);
    intersected->Intersect(*b);
    EXPECT_EQ(Show(RangesOf(*united)), Show(c.united)) << Show(c.a) << " | " << Show(c.b);
    EXPECT_EQ(Show(RangesOf(*subtracted)), Show(c.subtracted)) << Show(c.a) << " - " << Show(c.b);
    EXPECT_EQ(Show(RangesOf(*intersected)), Show(c.intersected)) << Show(c.a) << " & " << Show(c.b);
  }
  auto self = MakeSet({{1, 3}, {6, 9}});
  self->Union(*self);
  self->Intersect(*self);
  EXPECT_EQ(Show(RangesOf(*self)), "[1,3][6,9]");
  self->Subtract(*self);
  EXPECT_EQ(self->Count(), 0);
}

TEST(AdvSet, IteratorYieldsEveryNumberBothWays) {
  auto set = MakeSet({{1, 3}, {5, 6}, {INT_MAX - 1, INT_MAX}});
  auto iterator = AdvNew<TAdvSetIterator>(set.Get());
  std::vector<int32_t> up, down;
  for (iterator->First(); iterator->More(); iterator->Next()) up.push_back(iterator->Current());
  for (iterator->Last(); iterator->More(); iterator->Back()) down.push_back(iterator->Current());
  EXPECT_EQ(up, (std::vector<int32_t>{1, 2, 3, 5, 6, INT_MAX - 1, INT_MAX}));
  EXPECT_EQ(down, (std::vector<int32_t>{INT_MAX, INT_MAX - 1, 6, 5, 3, 2, 1}));
  EXPECT_EQ(MessageOf([&] { iterator->Current(); }), "(TAdvSetIterator.Current): No current entry");
}

TEST(AdvSet, PersistsCountAndLittleEndianRanges) {
  auto set = MakeSet({{1, 3}, {-2, -2}});
  auto writer = AdvNew<TRecordingFiler>();
  set->Save(*writer);
  const auto& r = writer->Records;
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].Kind, TAdvFilerKind::Begin);
  EXPECT_EQ(r[1].Kind, TAdvFilerKind::Integer);
  EXPECT_EQ(r[1].Field, "Count");
  EXPECT_EQ(r[1].Integer, 2);
  EXPECT_EQ(r[2].Kind, TAdvFilerKind::Binary);
  EXPECT_EQ(r[2].Field, "Integers");
  EXPECT_EQ(r[2].Bytes, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF,  //
                                              1, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(r[3].Kind, TAdvFilerKind::End);

  writer->StartReading();
  auto loaded = MakeSet({{100, 200}});
  loaded->Load(*writer);
  EXPECT_TRUE(writer->AtEnd());
  EXPECT_EQ(Show(RangesOf(*loaded)), "[-2,-2][1,3]");
}

TEST(AdvSet, DamagedStoredRangesLeaveTheSetAsItWas) {
  struct Case {
    int64_t count;
    std::vector<uint8_t> bytes;
    std::string message;
  };
  const Case cases[] = {
      {1, {5, 0, 0, 0, 4, 0, 0, 0}, "(TAdvSet.Define): Invalid range [5, 4] at index 0"},
      {2,
       {1, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0},
       "(TAdvSet.Define): Invalid range [4, 5] at index 1"},
      {-1, {}, "(TAdvSet.Define): Invalid range count -1"},
      {268435455, {}, "(TAdvSet.Define): Invalid range count 268435455"},
  };
  for (const Case& c : cases) {
    auto reader = AdvNew<TRecordingFiler>();
    reader->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::Integer, c.count);
    reader->Add(TAdvFilerKind::Binary).Records.back().Bytes = c.bytes;
    reader->Add(TAdvFilerKind::End);
    reader->StartReading();
    auto set = MakeSet({{7, 8}});
    EXPECT_EQ(MessageOf([&] { set->Load(*reader); }), c.message);
    EXPECT_EQ(Show(RangesOf(*set)), "[7,8]");
  }
}

}  // namespace
