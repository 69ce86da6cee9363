#include "core/AdvLists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/AdvIntegers.h"
#include "core/AdvIterators.h"
#include "core/tests/ErrorText.h"

namespace {

int g_destroyed = 0;

class TProbe : public TAdvNamed {
  ADV_CLASS(TProbe)
  TProbe() = default;
  explicit TProbe(std::string name) : TAdvNamed(std::move(name)) {}

 protected:
  ~TProbe() override { ++g_destroyed; }
};
ADV_CLASS_IMPL(TProbe, TAdvNamed)

// A plain object list that compares its entries by name, as application
// lists do.
class TProbeList : public TAdvList {
  ADV_CLASS(TProbeList)
  int CompareEntries(TAdvObject* a, TAdvObject* b) const override {
    return static_cast<TProbe*>(a)->Name().compare(static_cast<TProbe*>(b)->Name());
  }
};
ADV_CLASS_IMPL(TProbeList, TAdvList)

class TTinyIntegers : public TAdvIntegers {
  ADV_CLASS(TTinyIntegers)
  int Limit() const override { return 10; }
};
ADV_CLASS_IMPL(TTinyIntegers, TAdvIntegers)

class TNoLimit : public TAdvValueItems<int32_t> {
  ADV_CLASS(TNoLimit)
  int CompareEntries(const int32_t& a, const int32_t& b) const override { return a - b; }
};
ADV_CLASS_IMPL(TNoLimit, TAdvItems)

std::vector<std::string> Names(const TAdvList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.ItemAs<TAdvNamed>(i)->Name());
  return names;
}

std::vector<int32_t> Values(const TAdvIntegers& list) {
  std::vector<int32_t> values;
  for (int i = 0; i < list.Count(); ++i) values.push_back(list.GetItem(i));
  return values;
}

TEST(AdvItems, GrowsByAQuarterPastSixtyFourSixteenPastEightElseFour) {
  auto list = AdvNew<TAdvIntegers>();
  std::vector<int> capacities;
  for (int i = 0; i < 100; ++i) {
    const int before = list->Capacity();
    list->Add(i);
    if (list->Capacity() != before) capacities.push_back(list->Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
}

TEST(AdvItems, SortedSearchFindsLeftmostUnderAcceptAndFirstMetOtherwise) {
  struct Case {
    TAdvDuplicates duplicates;
    int32_t key;
    bool found;
    int index;
  };
  const Case cases[] = {
      {TAdvDuplicates::Accept, 3, true, 1},  {TAdvDuplicates::Accept, 4, false, 4},
      {TAdvDuplicates::Accept, 0, false, 0}, {TAdvDuplicates::Accept, 9, false, 5},
      {TAdvDuplicates::Ignore, 3, true, 2},  {TAdvDuplicates::Error, 3, true, 2},
      {TAdvDuplicates::Ignore, 4, false, 4},
  };
  for (const Case& c : cases) {
    auto list = AdvNew<TAdvIntegers>();
    for (int32_t v : {1, 3, 3, 3, 5}) list->Insert(list->Count(), v);
    list->SetSorted(true);
    list->SetDuplicates(c.duplicates);
    int index = -7;
    EXPECT_EQ(list->Find(c.key, index), c.found) << c.key;
    EXPECT_EQ(index, c.index) << int(c.duplicates) << " key " << c.key;
  }
}

TEST(AdvItems, UnsortedSearchScansFromTheStart) {
  auto list = AdvNew<TAdvIntegers>();
  for (int32_t v : {5, 1, 5, 2}) list->Add(v);
  int index;
  EXPECT_TRUE(list->Find(5, index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(list->Find(7, index));
  EXPECT_EQ(index, 4);
}

TEST(AdvItems, AddingAnEqualEntryFollowsDuplicates) {
  g_destroyed = 0;
  auto list = AdvNew<TAdvNamedList>();
  list->SetSorted(true);
  auto* first = new TProbe("b");
  list->Add(new TProbe("a"));
  list->Add(first);
  list->Add(new TProbe("c"));

  // Accept: the new entry goes before the equal one already there.
  auto* second = new TProbe("B");
  EXPECT_EQ(list->Add(second), 1);
  EXPECT_EQ(list->GetItem(1), second);
  EXPECT_EQ(list->GetItem(2), first);

  // Ignore: unchanged, the new object released, the existing index returned.
  list->SetDuplicates(TAdvDuplicates::Ignore);
  EXPECT_EQ(list->Add(new TProbe("c")), 3);
  EXPECT_EQ(list->Count(), 4);
  EXPECT_EQ(g_destroyed, 1);

  // Error: unchanged, and the caller still owns the object.
  list->SetDuplicates(TAdvDuplicates::Error);
  auto* third = new TProbe("A");
  EXPECT_EQ(MessageOf([&] { list->Add(third); }),
            "(TAdvNamedList.Add): Item already exists in list");
  EXPECT_EQ(list->Count(), 4);
  EXPECT_EQ(g_destroyed, 1);
  third->Release();
  EXPECT_EQ(g_destroyed, 2);
}

TEST(AdvItems, IndexOfByValueFindsAnEqualEntryAndRemoveDeletesIt) {
  g_destroyed = 0;
  auto list = AdvNew<TProbeList>();
  list->SetSorted(true);
  list->Add(new TProbe("x"));
  auto* stored = new TProbe("y");
  list->Add(stored);
  auto key = AdvNew<TProbe>("y");
  EXPECT_EQ(list->IndexOf(key.Get()), 1);
  list->Remove(key.Get());
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(g_destroyed, 1);  // the stored entry, not the key
  EXPECT_EQ(key->ReferenceCount(), 0);
  EXPECT_EQ(MessageOf([&] { list->Remove(key.Get()); }),
            "(TProbeList.Remove): Object not found in list.");
}

TEST(AdvItems, NamedListFindsObjectsByIdentityFromTheEndAndByName) {
  auto list = AdvNew<TAdvNamedList>();
  auto* a = new TProbe("Alpha");
  list->Add(a);
  a->Retain();
  list->Add(a);
  list->Add(new TProbe("Beta"));
  EXPECT_EQ(list->IndexOf(a), 1);
  EXPECT_EQ(list->IndexByName("BETA"), 2);
  EXPECT_EQ(list->GetByName("beta")->Name(), "Beta");
  EXPECT_FALSE(list->ExistsByName("Gamma"));
  auto other = AdvNew<TProbe>("Alpha");
  EXPECT_EQ(list->IndexOf(other.Get()), -1);
}

TEST(AdvItems, ExtractLastHandsOverTheLastObject) {
  g_destroyed = 0;
  auto list = AdvNew<TAdvList>();
  EXPECT_EQ(list->ExtractLast(), nullptr);
  list->Add(new TProbe("a"));
  auto* b = new TProbe("b");
  list->Add(b);
  TAdvRef<TAdvObject> extracted(list->ExtractLast());
  EXPECT_EQ(extracted.Get(), b);
  EXPECT_EQ(b->ReferenceCount(), 0);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(g_destroyed, 0);
}

TEST(AdvItems, IndexesOutsideTheListRaise) {
  auto list = AdvNew<TAdvIntegers>();
  for (int32_t v : {1, 2, 3}) list->Add(v);
  auto objects = AdvNew<TAdvList>();
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { list->GetItem(3); }, "(TAdvIntegers.GetItem): Index 3 out of bounds (0..2)"},
      {[&] { list->GetItem(-1); }, "(TAdvIntegers.GetItem): Index -1 out of bounds (0..2)"},
      {[&] { list->SetItem(5, 0); }, "(TAdvIntegers.SetItem): Index 5 out of bounds (0..2)"},
      {[&] { list->DeleteByIndex(3); },
       "(TAdvIntegers.DeleteByIndex): Index 3 out of bounds (0..2)"},
      {[&] { list->Exchange(0, 3); }, "(TAdvIntegers.Exchange): Index 3 out of bounds (0..2)"},
      {[&] { list->Insert(4, 0); }, "(TAdvIntegers.Insert): Index 4 out of bounds (0..3)"},
      {[&] { objects->GetItem(0); }, "(TAdvList.GetItem): Index 0 out of bounds (0..-1)"},
      {[&] { objects->Insert(1, nullptr); }, "(TAdvList.Insert): Index 1 out of bounds (0..0)"},
  };
  for (const auto& [action, message] : cases) EXPECT_EQ(MessageOf(action), message);
  EXPECT_EQ(Values(*list), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_THROW(list->GetItem(9), EAdvItems);
}

TEST(AdvItems, CountAndCapacitySettersDisposeAndOpenEntries) {
  g_destroyed = 0;
  auto list = AdvNew<TAdvList>();
  for (const char* name : {"a", "b", "c", "d"}) list->Add(new TProbe(name));
  list->SetCount(2);
  EXPECT_EQ(g_destroyed, 2);
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"a", "b"}));
  list->SetCount(5);
  EXPECT_EQ(list->Count(), 5);
  EXPECT_EQ(list->GetItem(4), nullptr);
  list->SetCapacity(1);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Capacity(), 1);
  EXPECT_EQ(g_destroyed, 3);
  list->Clear();
  EXPECT_EQ(list->Capacity(), 0);
  EXPECT_EQ(g_destroyed, 4);
  EXPECT_EQ(MessageOf([&] { list->SetCount(-1); }), "(TAdvList.Count): Invalid count -1");
}

TEST(AdvItems, LimitCapsGrowthAndCapacity) {
  auto tiny = AdvNew<TTinyIntegers>();
  for (int i = 0; i < 10; ++i) tiny->Add(i);
  EXPECT_EQ(tiny->Capacity(), 10);
  EXPECT_EQ(MessageOf([&] { tiny->Add(10); }),
            "(TTinyIntegers.Grow): Unable to grow past the limit of 10 entries");
  EXPECT_EQ(tiny->Count(), 10);
  EXPECT_EQ(MessageOf([&] { tiny->SetCapacity(11); }),
            "(TTinyIntegers.Capacity): Invalid capacity 11 (limit 10)");
  auto none = AdvNew<TNoLimit>();
  EXPECT_EQ(MessageOf([&] { none->Insert(0, 1); }), "(TNoLimit.Limit): Limit not specified.");
}

TEST(AdvItems, SortMatchesAReferenceSortInBothDirections) {
  std::mt19937 random(7);
  std::vector<int32_t> values(1000);
  for (int32_t& v : values) v = int32_t(random() % 200) - 100;
  auto list = AdvNew<TAdvIntegers>();
  for (int32_t v : values) list->Add(v);
  list->SetSorted(true);
  std::sort(values.begin(), values.end());
  EXPECT_EQ(Values(*list), values);
  list->SetDirection(-1);
  std::reverse(values.begin(), values.end());
  EXPECT_EQ(Values(*list), values);
  // A sorted descending list still searches correctly.
  int index;
  EXPECT_TRUE(list->Find(values[500], index));
  EXPECT_EQ(list->GetItem(index), values[500]);
}

TEST(AdvItems, SortTakesACallersComparisonAndLeavesTheFlag) {
  auto list = AdvNew<TAdvIntegers>();
  for (int32_t v : {3, -4, 1, -2}) list->Add(v);
  list->Sort([](const int32_t& a, const int32_t& b) { return std::abs(a) - std::abs(b); });
  EXPECT_EQ(Values(*list), (std::vector<int32_t>{1, -2, 3, -4}));
  EXPECT_FALSE(list->Sorted());
}

TEST(AdvItems, SortedAddKeepsOrderAndEqualsTogether) {
  auto list = AdvNew<TAdvIntegers>();
  list->SetSorted(true);
  for (int32_t v : {5, 1, 4, 1, 5, 9, 2, 6}) list->Add(v);
  EXPECT_EQ(Values(*list), (std::vector<int32_t>{1, 1, 2, 4, 5, 5, 6, 9}));
  list->SetDuplicates(TAdvDuplicates::Ignore);
  EXPECT_EQ(list->Add(4), 3);
  EXPECT_EQ(list->Count(), 8);
}

TEST(AdvItems, AssignClonesEntriesAndCopiesOnlyTheSortedFlag) {
  auto source = AdvNew<TAdvNamedList>();
  source->Add(new TProbe("b"));
  source->Add(new TProbe("a"));
  source->SetDuplicates(TAdvDuplicates::Error);
  source->SetSorted(true);
  auto copy = AdvNew<TAdvNamedList>();
  copy->Add(new TProbe("old"));
  copy->Assign(*source);
  EXPECT_EQ(Names(*copy), (std::vector<std::string>{"a", "b"}));
  EXPECT_NE(copy->GetItem(0), source->GetItem(0));
  EXPECT_EQ(copy->GetItem(0)->ClassName(), "TProbe");
  EXPECT_TRUE(copy->Sorted());
  EXPECT_EQ(copy->Duplicates(), TAdvDuplicates::Accept);
  copy->Assign(*copy);
  EXPECT_EQ(copy->Count(), 2);
  auto plain = AdvNew<TAdvList>();
  EXPECT_THROW(copy->Assign(*plain), EAdvAssign);
}

TEST(AdvItems, ValidateChecksTheItemClassByName) {
  auto list = AdvNew<TAdvNamedList>();
  auto probe = AdvNew<TProbe>("x");
  auto plain = AdvNew<TAdvObject>();
  EXPECT_NO_THROW(list->Validate(probe.Get()));
  EXPECT_NO_THROW(list->Validate(nullptr));
  EXPECT_EQ(MessageOf([&] { list->Validate(plain.Get()); }),
            "(TAdvNamedList.Validate): Can only contain objects descended from TAdvNamed");
}

TEST(AdvItems, ListIteratorWalksBothWays) {
  auto list = AdvNew<TAdvNamedList>();
  for (const char* name : {"a", "b", "c"}) list->Add(new TProbe(name));
  auto iterator = AdvNew<TAdvListIterator>(list.Get());
  std::string forward, backward;
  for (iterator->First(); iterator->More(); iterator->Next())
    forward += static_cast<TAdvNamed*>(iterator->Current())->Name();
  for (iterator->Last(); iterator->More(); iterator->Back())
    backward += static_cast<TAdvNamed*>(iterator->Current())->Name();
  EXPECT_EQ(forward, "abc");
  EXPECT_EQ(backward, "cba");
  EXPECT_THROW(iterator->Current(), EAdvIterator);
}

}  // namespace
