#include "core/AdvHashes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/AdvIterators.h"
#include "core/Hashes.h"
#include "core/tests/ErrorText.h"

namespace {

TEST(AdvHashCodes, FollowTheTwoHashFunctions) {
  struct Case {
    const char* name;
    uint32_t stringCode;  // TAdvStringHashable
    uint32_t keyCode;     // THashable
  };
  const Case cases[] = {
      {"", 0, 0},
      {"A", 0, 0},
      {"a", 0, 0},
      {"B", 0, 1},
      {"AB", 65 * 66 * 2, 27},
      {"ab", 65 * 66 * 2, 27},
      {"abc", 65 * 66 * 2 + 66 * 67 * 3, 27 + 2 * 27 * 27},
      {"0", 0, 239},
      // 25 x (27^8 - 1) / 26 and 26 x (27^8 - 1) / 26, wrapped at 32 bits.
      {"ZZZZZZZZ", 90 * 90 * (2 + 3 + 4 + 5 + 6 + 7 + 8), 983922352u},
      {"[[[[[[[[", 91 * 91 * (2 + 3 + 4 + 5 + 6 + 7 + 8), 3256662240u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TAdvStringHashable::HashOf(c.name), c.stringCode) << c.name;
    EXPECT_EQ(THashable::HashOf(c.name), c.keyCode) << c.name;
    EXPECT_EQ(AdvNew<TAdvStringHashable>(c.name)->HashCode(), c.stringCode);
    EXPECT_EQ(AdvNew<THashable>(c.name)->HashCode(), c.keyCode);
  }
  // Bytes from 0x80 up count as unsigned.
  EXPECT_EQ(TAdvStringHashable::HashOf("\xE9\xE9"), 0xE9u * 0xE9u * 2);
  EXPECT_EQ(THashable::HashOf("\xE9"), 0xE9u - 65);
}

TEST(AdvHashCodes, NamesDifferingInCaseAreEqualInBothHashes) {
  auto strings = AdvNew<TAdvStringHash>();
  strings->ForceByName("Alpha");
  EXPECT_TRUE(strings->ExistsByName("ALPHA"));
  EXPECT_EQ(strings->GetByName("alpha")->Name(), "Alpha");
  EXPECT_FALSE(strings->ExistsByName("Alph"));
  auto keys = AdvNew<THash>();
  keys->AddEntry("Zulu");
  EXPECT_EQ(keys->GetByName("zULU")->Name(), "Zulu");
  // Same code, different names: "BA" and "B" both hash to 1.
  keys->AddEntry("B");
  EXPECT_EQ(keys->GetByName("BA"), nullptr);
}

TEST(AdvHash, GrowsToTwiceThePlusOneWhenCountReachesThreshold) {
  auto hash = AdvNew<TAdvStringHash>();
  EXPECT_EQ(hash->Capacity(), 0);
  std::vector<int> capacities;
  for (int i = 0; i < 6; ++i) {
    hash->ForceByName("n" + std::to_string(i));
    capacities.push_back(hash->Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{1, 3, 7, 7, 7, 15}));
  EXPECT_EQ(hash->Threshold(), 12);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(hash->ExistsByName("N" + std::to_string(i)));
  hash->SetBalance(2);
  EXPECT_EQ(hash->Threshold(), 30);
  EXPECT_EQ(MessageOf([&] { hash->SetBalance(0); }),
            "(TAdvStringHash.Balance): Invalid balance 0.000000 (must be above 0)");
}

TEST(AdvHash, SettingCapacityKeepsTheEntries) {
  auto hash = AdvNew<TAdvStringHash>();
  for (int i = 0; i < 20; ++i) hash->ForceByName("e" + std::to_string(i));
  hash->SetCapacity(3);
  EXPECT_EQ(hash->Capacity(), 3);
  EXPECT_EQ(hash->Threshold(), 2);
  EXPECT_EQ(hash->Count(), 20);
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(hash->ExistsByName("e" + std::to_string(i)));
  EXPECT_EQ(MessageOf([&] { hash->SetCapacity(0); }),
            "(TAdvStringHash.Capacity): A hash holding entries needs at least one bucket");
}

TEST(AdvHash, ForceRemoveAndMissingEntries) {
  auto hash = AdvNew<TAdvStringHash>();
  TAdvStringHashable* made = hash->ForceByName("one");
  EXPECT_EQ(hash->ForceByName("ONE"), made);
  EXPECT_EQ(hash->Count(), 1);
  EXPECT_EQ(made->ClassName(), "TAdvStringHashable");
  hash->RemoveByName("One");
  EXPECT_EQ(hash->Count(), 0);
  EXPECT_EQ(MessageOf([&] { hash->RemoveByName("one"); }),
            "(TAdvStringHash.Remove): Item not found in hash.");
  auto keys = AdvNew<THash>();
  EXPECT_EQ(MessageOf([&] { keys->RemoveByName("x"); }), "(THash.Remove): Item not found in hash.");
  EXPECT_EQ(keys->GetByName("x"), nullptr);
}

TEST(THash, StartsAtItsInitialCapacityAndGrowsAlongThePrimes) {
  auto hash = AdvNew<THash>();
  EXPECT_EQ(hash->Capacity(), 0);
  hash->AddEntry("first");
  EXPECT_EQ(hash->Capacity(), 1009);
  EXPECT_EQ(hash->Threshold(), 857);
  for (int i = 1; i < 857; ++i) hash->AddEntry("e" + std::to_string(i));
  EXPECT_EQ(hash->Capacity(), 1009);
  hash->AddEntry("one more");
  EXPECT_EQ(hash->Capacity(), 2161);
  EXPECT_EQ(hash->Count(), 858);
  for (int i = 1; i < 857; ++i) ASSERT_TRUE(hash->ExistsByName("E" + std::to_string(i)));

  const std::pair<int, int> steps[] = {{0, 5},       {5, 13},      {127, 503},
                                       {1009, 2161}, {2161, 7723}, {4256249, 16313537},
                                       {8163049, 0}, {16313537, 0}};
  for (const auto& [from, to] : steps) EXPECT_EQ(THash::NextPrimeCapacity(from), to) << from;
}

class TSmallHash : public THash {
  ADV_CLASS(TSmallHash)
  int InitialCapacity() const override { return 5; }
};
ADV_CLASS_IMPL(TSmallHash, THash)

TEST(THash, DescendantsChooseTheInitialCapacity) {
  auto hash = AdvNew<TSmallHash>();
  hash->ForceByName("x");
  EXPECT_EQ(hash->Capacity(), 5);
  for (int i = 0; i < 4; ++i) hash->ForceByName("y" + std::to_string(i));
  EXPECT_EQ(hash->Capacity(), 13);
}

// The real largest table: 16313537 buckets (about 130 MB of chain heads).
// A tiny Balance makes the second entry need growth without filling it.
TEST(THash, RefusesToGrowPastTheLastPrimeAndKeepsEveryEntry) {
  auto hash = AdvNew<THash>();
  hash->SetCapacity(THash::kLargestCapacity);
  hash->SetBalance(1e-7);
  ASSERT_EQ(hash->Threshold(), 1);
  hash->AddEntry("kept");
  EXPECT_EQ(MessageOf([&] { hash->AddEntry("refused"); }),
            "(THash.Expand): Unable to expand table past 16313537");
  EXPECT_EQ(MessageOf([&] { hash->ForceByName("also refused"); }),
            "(THash.Expand): Unable to expand table past 16313537");
  EXPECT_EQ(hash->Capacity(), THash::kLargestCapacity);
  EXPECT_EQ(hash->Count(), 1);
  EXPECT_NE(hash->GetByName("KEPT"), nullptr);
  EXPECT_EQ(hash->GetByName("refused"), nullptr);
  // A table already at a size with no larger prime refuses the same way.
  auto middle = AdvNew<THash>();
  middle->SetCapacity(8163049);
  middle->SetBalance(2e-7);
  middle->AddEntry("a");
  EXPECT_THROW(middle->AddEntry("b"), EAdvanced);
  EXPECT_EQ(middle->Count(), 1);
}

TEST(AdvHashIterator, CurrentEntryMayBeRemovedDuringTheWalk) {
  auto hash = AdvNew<THash>();
  for (int i = 0; i < 300; ++i) hash->AddEntry("n" + std::to_string(i));
  hash->SetCapacity(7);  // long chains, so removals happen mid-chain too
  auto iterator = AdvNew<TAdvHashIterator>(hash.Get());
  std::multiset<std::string> seen;
  for (iterator->First(); iterator->More(); iterator->Next()) {
    const std::string name = static_cast<THashable*>(iterator->Current())->Name();
    seen.insert(name);
    if (std::stoi(name.substr(1)) % 2 == 0) hash->Remove(*iterator->Current());
  }
  EXPECT_EQ(seen.size(), 300u);
  EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()).size(), 300u);
  EXPECT_EQ(hash->Count(), 150);
  for (iterator->First(); iterator->More(); iterator->Next()) hash->Remove(*iterator->Current());
  EXPECT_EQ(hash->Count(), 0);
  EXPECT_EQ(MessageOf([&] { iterator->Back(); }),
            "(TAdvHashIterator.Back): Not supported by this iterator");
}

TEST(AdvHash, AssignCopiesEveryEntry) {
  auto source = AdvNew<TAdvStringHash>();
  for (const char* name : {"a", "b", "c"}) source->ForceByName(name);
  auto copy = AdvNew<TAdvStringHash>();
  copy->ForceByName("old");
  copy->Assign(*source);
  EXPECT_EQ(copy->Count(), 3);
  EXPECT_FALSE(copy->ExistsByName("old"));
  EXPECT_NE(copy->GetByName("a"), source->GetByName("a"));
}

}  // namespace
