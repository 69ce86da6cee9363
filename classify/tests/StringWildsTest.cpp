#include "classify/StringWilds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> MaskTexts(const TAdvMasks& list) {
  std::vector<std::string> texts;
  for (int i = 0; i < list.Count(); ++i) texts.push_back(list.Masks(i)->Mask());
  return texts;
}

TEST(AdvMasks, TranslatesThroughTheFirstMatchInListOrder) {
  TAdvRef<TAdvMasks> masks = AdvNew<TAdvMasks>();
  EXPECT_EQ(masks->AddMask("*.log"), 0);
  EXPECT_EQ(masks->AddMask("access*"), 1);
  std::string result = "stale";
  EXPECT_TRUE(masks->TranslateText("access.log", result));
  EXPECT_EQ(result, "*.log");
  EXPECT_EQ(masks->Translate("access.txt"), "access*");
  EXPECT_TRUE(masks->AnyMatch("x.LOG"));
  // Nothing matches: false, and the text comes back unchanged.
  EXPECT_FALSE(masks->TranslateText("readme", result));
  EXPECT_EQ(result, "readme");
  EXPECT_FALSE(masks->AnyMatch("readme"));
  EXPECT_EQ(masks->IndexOfMask("ACCESS*"), 1);
  EXPECT_EQ(masks->IndexOfMask("nope"), -1);
}

TEST(AdvMasks, BadMaskRaisesAndIsNotAdded) {
  TAdvRef<TAdvMasks> masks = AdvNew<TAdvMasks>();
  EXPECT_THROW(masks->AddMask("[x"), EAdvanced);
  EXPECT_EQ(masks->Count(), 0);
  EXPECT_THROW(masks->Masks(0), EAdvItems);
  EXPECT_THROW(masks->DeleteByIndex(0), EAdvItems);
}

TEST(AdvMasks, HoldsOnlyMasksAndFindsThemByText) {
  TAdvRef<TAdvMasks> masks = AdvNew<TAdvMasks>();
  TAdvRef<TAdvObject> stranger = AdvNew<TAdvObject>();
  EXPECT_THROW(masks->Add(stranger.Get()), EAdvItems);
  EXPECT_THROW(masks->Insert(0, nullptr), EAdvItems);
  EXPECT_EQ(masks->Count(), 0);
  masks->AddMask("b*");
  masks->AddMask("A*");
  TAdvRef<TAdvMask> probe = AdvNew<TAdvMask>("a*");
  EXPECT_EQ(masks->IndexOf(probe.Get()), 1);
  masks->SetSorted(true);
  EXPECT_EQ(masks->Masks(0)->Mask(), "A*");
  // Slots opened by SetCount are empty and simply never match.
  masks->SetSorted(false);
  masks->SetCount(3);
  EXPECT_EQ(masks->Translate("zzz"), "zzz");
  EXPECT_EQ(masks->IndexOfMask("q"), -1);
  EXPECT_TRUE(masks->AnyMatch("b1"));
}

TEST(AdvMasks, CompareEntriesByTextIgnoringAsciiCase) {
  TAdvRef<TAdvMask> a = AdvNew<TAdvMask>("*.LOG");
  TAdvRef<TAdvMask> b = AdvNew<TAdvMask>("*.log");
  TAdvRef<TAdvMask> c = AdvNew<TAdvMask>("*.txt");
  TAdvRef<TAdvMasks> masks = AdvNew<TAdvMasks>();
  EXPECT_EQ(masks->CompareEntries(a.Get(), b.Get()), 0);
  EXPECT_LT(masks->CompareEntries(a.Get(), c.Get()), 0);
}

TEST(StringWilds, LongestMaskFirstAndLastAddedFirstAmongEqualLengths) {
  TAdvRef<TStringWilds> wilds = AdvNew<TStringWilds>();
  wilds->AddWild("ten", "10.*");
  wilds->AddWild("ten-one", "10.1.*");
  EXPECT_EQ(wilds->Translate("10.1.2.3"), "ten-one");
  EXPECT_EQ(wilds->Translate("10.2.2.3"), "ten");
  EXPECT_EQ(wilds->Translate("192.168.0.1"), "192.168.0.1");

  wilds->AddWild("first", "10.?.*");
  EXPECT_EQ(wilds->AddWild("second", "10.1.?"), 0);
  EXPECT_EQ(MaskTexts(*wilds), (std::vector<std::string>{"10.1.?", "10.?.*", "10.1.*", "10.*"}));
  EXPECT_EQ(wilds->Translate("10.1.2.3"), "first");
  EXPECT_EQ(wilds->Translate("10.1.2"), "second");
  // Duplicates are kept.
  wilds->AddWild("again", "10.*");
  EXPECT_EQ(wilds->Count(), 5);
  EXPECT_EQ(wilds->Wilds(3)->Value(), "again");
  // Remove takes out that very entry, not another mask of its length.
  wilds->Remove(wilds->Wilds(1));
  EXPECT_EQ(MaskTexts(*wilds), (std::vector<std::string>{"10.1.?", "10.1.*", "10.*", "10.*"}));
}

TEST(StringWilds, EqualLengthMatchesReturnTheLastAdded) {
  TAdvRef<TStringWilds> wilds = AdvNew<TStringWilds>();
  wilds->AddWild("old", "a*");
  wilds->AddWild("new", "*b");
  EXPECT_EQ(wilds->Translate("ab"), "new");
}

TEST(StringWilds, ResultTextIsTheValueAndAddMaskUsesTheMaskAsValue) {
  TAdvRef<TStringWilds> wilds = AdvNew<TStringWilds>();
  EXPECT_EQ(wilds->AddMask("*.example.com"), 0);
  EXPECT_EQ(wilds->Translate("www.example.com"), "*.example.com");
  TAdvRef<TAdvMask> plain = AdvNew<TAdvMask>("x");
  EXPECT_THROW(wilds->Add(plain.Get()), EAdvItems);
  try {
    wilds->AddWild("v", "[");
    FAIL();
  } catch (const EAdvanced& e) {
    EXPECT_EQ(e.Message(), "(TStringWild.SetMask): '[' is an invalid mask at (2)");
  }
  EXPECT_EQ(wilds->Count(), 1);
}

TEST(StringWilds, AssignAndCloneKeepOrderAndValues) {
  TAdvRef<TStringWilds> wilds = AdvNew<TStringWilds>();
  wilds->AddWild("one", "a*");
  wilds->AddWild("two", "*b");
  wilds->AddWild("long", "abc*");
  TAdvRef<TAdvObject> copy(wilds->Clone());
  auto* clone = AdvCast<TStringWilds>(copy.Get());
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(MaskTexts(*clone), (std::vector<std::string>{"abc*", "*b", "a*"}));
  EXPECT_EQ(clone->Wilds(1)->Value(), "two");
  EXPECT_EQ(clone->Translate("ab"), "two");
  // The copy owns its own masks.
  wilds->Clear();
  EXPECT_EQ(clone->Translate("abcd"), "long");

  TAdvRef<TStringWild> wild = AdvNew<TStringWild>("v", "x?");
  TAdvRef<TStringWild> other = AdvNew<TStringWild>();
  other->Assign(*wild);
  EXPECT_EQ(other->Value(), "v");
  EXPECT_TRUE(other->Matches("xy"));
  EXPECT_THROW(other->Assign(*AdvNew<TAdvMask>("y")), EAdvAssign);
}

}  // namespace
