#include "core/AdvStrings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/AdvEvents.h"
#include "core/AdvIntegers.h"
#include "core/AdvIterators.h"
#include "core/AdvPointers.h"
#include "core/AdvStringLists.h"
#include "core/AdvStringMatches.h"
#include "core/tests/ErrorText.h"
#include "testing/TestEnvironment.h"

namespace {

std::vector<std::string> Entries(const TAdvStrings& strings) {
  std::vector<std::string> entries;
  for (int i = 0; i < strings.Count(); ++i) entries.push_back(strings.GetItem(i));
  return entries;
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(AdvStrings, AsTextSplitsAtTheSeparatorAndSkipsOnlyAFinalEmptyPiece) {
  struct Case {
    const char* text;
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {"a\r\nb", {"a", "b"}}, {"a\r\nb\r\n", {"a", "b"}}, {"a\r\n\r\nb", {"a", "", "b"}}, {"", {}},
      {"\r\n", {""}},         {"a\nb", {"a\nb"}},         {"\r\n\r\nx", {"", "", "x"}},
  };
  for (const Case& c : cases) {
    auto strings = AdvNew<TAdvStrings>();
    strings->Add("old");
    strings->SetAsText(c.text);
    EXPECT_EQ(Entries(*strings), c.entries) << c.text;
  }
  auto strings = AdvNew<TAdvStrings>();
  strings->SetSeparator(", ");
  strings->SetAsText("x, y, z");
  EXPECT_EQ(strings->AsText(), "x, y, z");
  strings->SetSeparator("");
  strings->SetAsText("whole");
  EXPECT_EQ(Entries(*strings), std::vector<std::string>{"whole"});
}

TEST(AdvStrings, SortedListIgnoresCaseUnlessCaseSensitive) {
  auto strings = AdvNew<TAdvStrings>();
  strings->SetSorted(true);
  for (const char* text : {"beta", "Alpha", "gamma", "Beta2"}) strings->Add(text);
  EXPECT_EQ(Entries(*strings), (std::vector<std::string>{"Alpha", "beta", "Beta2", "gamma"}));
  EXPECT_EQ(strings->IndexOf("ALPHA"), 0);
  strings->SetCaseSensitive(true);
  EXPECT_EQ(Entries(*strings), (std::vector<std::string>{"Alpha", "Beta2", "beta", "gamma"}));
  EXPECT_EQ(strings->IndexOf("ALPHA"), -1);
  EXPECT_EQ(strings->IndexOf("beta"), 2);
}

TEST(AdvStrings, DuplicateAndMissingTextMessages) {
  auto strings = AdvNew<TAdvStrings>();
  strings->SetDuplicates(TAdvDuplicates::Error);
  strings->Add("abc");
  EXPECT_EQ(MessageOf([&] { strings->Add("ABC"); }),
            "(TAdvStrings.Add): Item already exists in list (ABC)");
  EXPECT_EQ(MessageOf([&] { strings->DeleteByValue("x"); }),
            "(TAdvStrings.Delete): 'x' not found in list");
  strings->DeleteByValue("Abc");
  EXPECT_EQ(strings->Count(), 0);
  strings->SetDuplicates(TAdvDuplicates::Ignore);
  strings->Add("q");
  EXPECT_EQ(strings->Add("Q"), 0);
  strings->AddAll(*strings);
  EXPECT_EQ(strings->Count(), 1);
}

TEST(AdvStrings, FilesHoldOneLinePerEntry) {
  const std::string folder = vexatest::MakeTempFolder("strings");
  const std::string name = folder + "/list.txt";
  auto strings = AdvNew<TAdvStrings>();
  for (const char* text : {"one", "", "three"}) strings->Add(text);
  strings->SaveToFile(name);
  EXPECT_EQ(ReadFile(name), "one\n\nthree\n");

  std::ofstream(name, std::ios::binary) << "x\r\ny\r\nz";
  auto loaded = AdvNew<TAdvStrings>();
  loaded->Add("kept");
  loaded->LoadFromFile(name);
  EXPECT_EQ(Entries(*loaded), (std::vector<std::string>{"kept", "x", "y", "z"}));
  EXPECT_EQ(MessageOf([&] { loaded->LoadFromFile(folder + "/missing.txt"); }),
            "(TAdvStrings.LoadFromFile): Unable to open file: '" + folder + "/missing.txt'");
  EXPECT_EQ(MessageOf([&] {
              loaded->SaveToFile(folder + "/no/such/folder.txt");
            }).rfind("(TAdvStrings.SaveToFile): Unable to create file", 0),
            0u);
}

TEST(AdvStrings, StringsIteratorWalksTheTexts) {
  auto strings = AdvNew<TAdvStrings>();
  strings->SetAsText("a\r\nb");
  auto iterator = AdvNew<TAdvStringsIterator>(strings.Get());
  std::string walked;
  for (iterator->First(); iterator->More(); iterator->Next()) walked += iterator->Current();
  EXPECT_EQ(walked, "ab");
}

TEST(AdvStringList, OrdersByTextAndOwnsItsObjects) {
  auto list = AdvNew<TAdvStringList>();
  list->SetSorted(true);
  auto* b = new TAdvNamed("B");
  list->AddString("beta", b);
  list->AddString("alpha", new TAdvNamed("A"));
  list->AddString("Gamma");
  EXPECT_EQ(list->AsText(), "alpha\r\nbeta\r\nGamma");
  EXPECT_EQ(list->IndexOf(b), 1);
  EXPECT_EQ(list->IndexOfString("GAMMA"), 2);
  EXPECT_EQ(list->GetItem(2), nullptr);
  list->SetDuplicates(TAdvDuplicates::Error);
  EXPECT_EQ(MessageOf([&] { list->AddString("ALPHA"); }),
            "(TAdvStringList.Add): Item already exists in list (ALPHA)");
  list->DeleteByValue("alpha");
  EXPECT_EQ(list->AsText(), "beta\r\nGamma");
  auto copy = AdvNew<TAdvStringList>();
  copy->Assign(*list);
  EXPECT_EQ(copy->GetString(0), "beta");
  EXPECT_EQ(static_cast<TAdvNamed*>(copy->GetItem(0))->Name(), "B");
  EXPECT_NE(copy->GetItem(0), b);
}

TEST(AdvStringMatch, ForcedReadsDefaultAndAddsOnSet) {
  auto match = AdvNew<TAdvStringMatch>();
  match->Add("Key", "value");
  EXPECT_EQ(match->GetMatch("KEY"), "value");
  EXPECT_EQ(MessageOf([&] { match->GetMatch("none"); }),
            "(TAdvStringMatch.GetMatch): Key 'none' not found in list");
  EXPECT_EQ(MessageOf([&] { match->SetMatch("none", "x"); }),
            "(TAdvStringMatch.SetMatch): Key 'none' not found in list");
  EXPECT_EQ(match->Count(), 1);
  match->SetForced(true);
  match->SetDefault("fallback");
  EXPECT_EQ(match->GetMatch("none"), "fallback");
  match->SetMatch("none", "added");
  match->SetMatch("key", "changed");
  EXPECT_EQ(match->Count(), 2);
  EXPECT_EQ(match->GetMatch("None"), "added");
  EXPECT_EQ(match->GetValue(0), "changed");
}

TEST(AdvStringMatch, FindsKeyAndValueAmongEqualKeys) {
  auto match = AdvNew<TAdvStringMatch>();
  match->SetSorted(true);
  for (const char* value : {"1", "2", "3"}) match->Add("k", value);
  match->Add("a", "0");
  match->Add("z", "3");
  EXPECT_EQ(match->GetKey(match->IndexByKeyAndValue("K", "3")), "k");
  EXPECT_EQ(match->GetValue(match->IndexByKeyAndValue("K", "3")), "3");
  EXPECT_EQ(match->IndexByKeyAndValue("k", "4"), -1);
  EXPECT_EQ(match->IndexByKeyAndValue("q", "3"), -1);
  match->SetDuplicates(TAdvDuplicates::Error);
  EXPECT_EQ(MessageOf([&] { match->Add("A", "x"); }),
            "(TAdvStringMatch.Add): Key already exists in list (A=x)");
  EXPECT_EQ(MessageOf([&] { match->DeleteByKey("b"); }),
            "(TAdvStringMatch.Delete): 'b' not found in list");
}

TEST(AdvIntegers, TextUsesTheSeparatorAndRejectsNonNumbers) {
  auto integers = AdvNew<TAdvIntegers>();
  integers->SetAsText(" 4, -5,6 ");
  EXPECT_EQ(integers->AsText(), "4,-5,6");
  EXPECT_EQ(MessageOf([&] { integers->SetAsText("1,x"); }),
            "(TAdvIntegers.AsText): 'x' is not a valid integer");
  EXPECT_EQ(MessageOf([&] { integers->SetAsText("1,,2"); }),
            "(TAdvIntegers.AsText): '' is not a valid integer");
  EXPECT_EQ(MessageOf([&] { integers->SetAsText("99999999999"); }),
            "(TAdvIntegers.AsText): '99999999999' is not a valid integer");
  EXPECT_EQ(integers->AsText(), "4,-5,6");
  integers->SetDuplicates(TAdvDuplicates::Error);
  EXPECT_EQ(MessageOf([&] { integers->Add(-5); }),
            "(TAdvIntegers.Add): Item already exists in list (-5)");
  EXPECT_EQ(MessageOf([&] { integers->DeleteByValue(7); }),
            "(TAdvIntegers.Delete): '7' not found in list");
}

TEST(AdvBooleans, ExchangeSwapsExactlyTwoEntries) {
  auto booleans = AdvNew<TAdvBooleans>();
  for (bool b : {true, false, true, true, false, false}) booleans->Add(b);
  booleans->Exchange(1, 2);
  std::string bits;
  for (int i = 0; i < booleans->Count(); ++i) bits += booleans->GetItem(i) ? '1' : '0';
  EXPECT_EQ(bits, "110100");
  // One byte per slot.
  const size_t size = booleans->SizeInBytes();
  booleans->SetCapacity(booleans->Capacity() + 10);
  EXPECT_EQ(booleans->SizeInBytes() - size, 10u);
  booleans->SetDuplicates(TAdvDuplicates::Error);
  EXPECT_EQ(MessageOf([&] { booleans->Add(true); }),
            "(TAdvBooleans.Add): Item already exists in list (1)");
  auto empty = AdvNew<TAdvBooleans>();
  EXPECT_EQ(MessageOf([&] { empty->DeleteByValue(false); }),
            "(TAdvBooleans.Delete): '0' not found in list");
}

TEST(AdvPointers, HoldWithoutOwningAndNameMissingEntries) {
  int a = 0, b = 0;
  auto pointers = AdvNew<TAdvPointers>();
  pointers->Add(&a);
  pointers->Add(&b);
  pointers->Remove(&a);
  EXPECT_EQ(pointers->IndexOf(&b), 0);
  EXPECT_EQ(MessageOf([&] { pointers->Remove(&a); }),
            "(TAdvPointers.Remove): Pointer not found in list");

  auto match = AdvNew<TAdvPointerMatch>();
  match->SetSorted(true);
  match->SetDuplicates(TAdvDuplicates::Error);
  match->Add(9, 90);
  match->Add(1, 10);
  EXPECT_EQ(match->GetKey(0), 1);
  EXPECT_EQ(match->GetMatch(9), 90);
  match->SetMatch(9, 91);
  EXPECT_EQ(match->GetValue(1), 91);
  EXPECT_EQ(MessageOf([&] { match->Add(1, 2); }),
            "(TAdvPointerMatch.Add): Key already exists in list (1=2)");
  EXPECT_EQ(MessageOf([&] { match->GetMatch(5); }),
            "(TAdvPointerMatch.GetMatch): Key '5' not found in list");
}

struct TCounter {
  int Calls = 0;
  void Hit(TAdvObject*) { ++Calls; }
  void Other(TAdvObject*) {}
};

TEST(AdvEvents, MethodReferencesCompareByCodeAndData) {
  TCounter one, two;
  const TAdvEvent hit1 = AdvEvent<&TCounter::Hit>(&one);
  EXPECT_EQ(hit1, AdvEvent<&TCounter::Hit>(&one));
  EXPECT_FALSE(hit1 == AdvEvent<&TCounter::Hit>(&two));
  EXPECT_FALSE(hit1 == AdvEvent<&TCounter::Other>(&one));
  auto events = AdvNew<TAdvEvents>();
  events->Add(hit1);
  events->Add(AdvEvent<&TCounter::Hit>(&two));
  for (int i = 0; i < events->Count(); ++i) events->GetItem(i)(nullptr);
  EXPECT_EQ(one.Calls + two.Calls, 2);
  events->Remove(AdvEvent<&TCounter::Hit>(&one));
  EXPECT_EQ(MessageOf([&] { events->Remove(hit1); }),
            "(TAdvEvents.Remove): Event not found in list");
}

}  // namespace
