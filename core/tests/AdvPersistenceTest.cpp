// The persisted form of collections, hashes, trees and holders, driven
// through a filer that records and replays the Define calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/AdvCollectionClasses.h"
#include "core/AdvHashes.h"
#include "core/AdvHolders.h"
#include "core/AdvIntegers.h"
#include "core/AdvLists.h"
#include "core/AdvStringMatches.h"
#include "core/AdvStrings.h"
#include "core/AdvTrees.h"
#include "core/tests/ErrorText.h"
#include "core/tests/RecordingFiler.h"

namespace {

class TItem : public TAdvNamed {
  ADV_CLASS(TItem)
};
ADV_CLASS_IMPL(TItem, TAdvNamed)

class TItems : public TAdvNamedList {
  ADV_CLASS(TItems)
  TAdvClass ItemClass() const override { return &TItem::ClassInfo; }
};
ADV_CLASS_IMPL(TItems, TAdvNamedList)

TAdvRef<TRecordingFiler> MakeFiler() {
  auto filer = AdvNew<TRecordingFiler>();
  filer->Classes = CoreCollectionClasses();
  for (TAdvClass c :
       {&TItem::ClassInfo, &TItems::ClassInfo, &TAdvNamed::ClassInfo, &TAdvTrees::ClassInfo})
    filer->Classes.push_back(c);
  return filer;
}

// "Kind:Field" of every record, for comparing whole sequences.
std::vector<std::string> Shape(const TRecordingFiler& filer) {
  std::vector<std::string> shape;
  for (const TRecord& r : filer.Records) {
    std::string text = FilerKindName(r.Kind) + ":" + r.Field;
    if (r.Kind == TAdvFilerKind::Object || r.Kind == TAdvFilerKind::String) text += "=" + r.Text;
    if (r.Kind == TAdvFilerKind::Integer) text += "=" + std::to_string(r.Integer);
    shape.push_back(text);
  }
  return shape;
}

TEST(CollectionPersistence, SavesEachEntryBetweenNamedMarkers) {
  auto strings = AdvNew<TAdvStrings>();
  strings->Add("x");
  strings->Add("y");
  auto filer = MakeFiler();
  strings->Save(*filer);
  EXPECT_EQ(Shape(*filer),
            (std::vector<std::string>{"Begin:", "Begin:Item[0]", "String:String=x", "End:Item[0]",
                                      "Begin:Item[1]", "String:String=y", "End:Item[1]", "End:"}));
}

TEST(CollectionPersistence, LoadClearsFirstReadsUntilTheEndAndSorts) {
  auto filer = MakeFiler();
  filer->Add(TAdvFilerKind::Begin);
  for (const char* text : {"c", "a", "b", "a"}) {
    filer->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::String, 0, text);
    filer->Add(TAdvFilerKind::End);
  }
  filer->Add(TAdvFilerKind::End).Add(TAdvFilerKind::Integer, 42);  // what follows the list
  filer->StartReading();
  auto strings = AdvNew<TAdvStrings>();
  strings->Add("stale");
  strings->SetSorted(true);
  strings->SetDuplicates(TAdvDuplicates::Error);  // loading does not Add
  strings->Load(*filer);
  EXPECT_EQ(strings->AsText(), "a\r\na\r\nb\r\nc");
  EXPECT_EQ(filer->Peek(), TAdvFilerKind::Integer);
}

TEST(CollectionPersistence, ObjectListsRoundTripThroughTheClassName) {
  auto items = AdvNew<TItems>();
  for (const char* name : {"one", "two"}) {
    auto* item = new TItem();
    item->SetName(name);
    items->Add(item);
  }
  auto filer = MakeFiler();
  items->Save(*filer);
  EXPECT_EQ(Shape(*filer),
            (std::vector<std::string>{"Begin:", "Begin:Item[0]", "Object:Object=TItem",
                                      "Begin:", "String:Name=one", "End:", "End:Item[0]",
                                      "Begin:Item[1]", "Object:Object=TItem",
                                      "Begin:", "String:Name=two", "End:", "End:Item[1]", "End:"}));
  filer->StartReading();
  auto loaded = AdvNew<TItems>();
  loaded->Load(*filer);
  ASSERT_EQ(loaded->Count(), 2);
  EXPECT_EQ(loaded->GetItem(1)->Name(), "two");
  EXPECT_EQ(loaded->GetItem(1)->ClassName(), "TItem");
  EXPECT_TRUE(filer->AtEnd());
}

TEST(CollectionPersistence, AForeignObjectInAListIsRefused) {
  auto filer = MakeFiler();
  filer->Add(TAdvFilerKind::Begin);
  filer->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::Object, 0, "TItem");
  filer->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::String, 0, "good").Add(TAdvFilerKind::End);
  filer->Add(TAdvFilerKind::End);
  filer->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::Object, 0, "TAdvNamed");
  filer->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::String, 0, "bad").Add(TAdvFilerKind::End);
  filer->Add(TAdvFilerKind::End).Add(TAdvFilerKind::End);
  filer->StartReading();
  auto items = AdvNew<TItems>();
  EXPECT_EQ(MessageOf([&] { items->Load(*filer); }),
            "(TItems.Validate): Can only contain objects descended from TItem");
  // The entries read before the foreign one stay; nothing leaks.
  ASSERT_EQ(items->Count(), 1);
  EXPECT_EQ(items->GetItem(0)->Name(), "good");
}

TEST(CollectionPersistence, DataEndingBeforeTheEndMarkerStopsTheLoad) {
  auto filer = MakeFiler();
  filer->Add(TAdvFilerKind::Begin);
  filer->StartReading();
  auto strings = AdvNew<TAdvStrings>();
  EXPECT_EQ(MessageOf([&] { strings->Load(*filer); }),
            "(TRecordingFiler.Read): Read past the end");
}

TEST(CollectionPersistence, EntriesOfValueListsUseTheirOwnFields) {
  auto match = AdvNew<TAdvStringMatch>();
  match->Add("k", "v");
  auto integers = AdvNew<TAdvIntegers>();
  integers->Add(7);
  auto booleans = AdvNew<TAdvBooleans>();
  booleans->Add(true);
  auto filer = MakeFiler();
  match->Save(*filer);
  integers->Save(*filer);
  booleans->Save(*filer);
  EXPECT_EQ(Shape(*filer),
            (std::vector<std::string>{
                "Begin:", "Begin:Item[0]", "String:Key=k", "String:Value=v", "End:Item[0]",
                "End:", "Begin:", "Begin:Item[0]", "Integer:=7", "End:Item[0]",
                "End:", "Begin:", "Begin:Item[0]", "Boolean:", "End:Item[0]", "End:"}));
  filer->StartReading();
  auto match2 = AdvNew<TAdvStringMatch>();
  auto integers2 = AdvNew<TAdvIntegers>();
  auto booleans2 = AdvNew<TAdvBooleans>();
  match2->Load(*filer);
  integers2->Load(*filer);
  booleans2->Load(*filer);
  EXPECT_EQ(match2->GetMatch("K"), "v");
  EXPECT_EQ(integers2->AsText(), "7");
  EXPECT_TRUE(booleans2->GetItem(0));
}

TEST(HashPersistence, SavesBalanceThenEachEntryAndLoadsOnTop) {
  auto hash = AdvNew<TAdvStringHash>();
  hash->ForceByName("alpha");
  hash->SetBalance(0.5);
  auto filer = MakeFiler();
  hash->Save(*filer);
  EXPECT_EQ(Shape(*filer), (std::vector<std::string>{
                               "Begin:", "Real:Balance", "Begin:", "Object:=TAdvStringHashable",
                               "Begin:", "String:Name=alpha", "End:", "End:", "End:"}));
  filer->StartReading();
  auto loaded = AdvNew<TAdvStringHash>();
  loaded->ForceByName("existing");
  loaded->Load(*filer);
  EXPECT_EQ(loaded->Count(), 2);
  EXPECT_EQ(loaded->Balance(), 0.5);
  EXPECT_EQ(loaded->GetByName("ALPHA")->HashCode(), TAdvStringHashable::HashOf("alpha"));
}

TEST(HashPersistence, RefusesForeignEntriesAndBadBalance) {
  auto filer = MakeFiler();
  filer->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::Real);
  filer->Records.back().Real = 0.85;
  filer->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::Object, 0, "TAdvStrings");
  filer->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::End).Add(TAdvFilerKind::End);
  filer->Add(TAdvFilerKind::End);
  filer->StartReading();
  auto hash = AdvNew<TAdvStringHash>();
  EXPECT_EQ(MessageOf([&] { hash->Load(*filer); }),
            "(TAdvStringHash.Load): Can only contain objects descended from TAdvStringHashable");
  EXPECT_EQ(hash->Count(), 0);

  auto bad = MakeFiler();
  bad->Add(TAdvFilerKind::Begin).Add(TAdvFilerKind::Real);
  bad->Records.back().Real = -1;
  bad->StartReading();
  EXPECT_EQ(MessageOf([&] { hash->Load(*bad); }),
            "(TAdvStringHash.Balance): Invalid balance -1.000000 (must be above 0)");
  EXPECT_EQ(hash->Balance(), 0.85);
}

TEST(TreePersistence, ChildrenComeBackWithTheirParent) {
  auto root = AdvNew<TAdvTree>();
  auto* child = new TAdvTree();
  root->AddChild(child);
  child->AddChild(new TAdvTree());
  EXPECT_EQ(child->Parent(), root.Get());
  auto filer = MakeFiler();
  root->Save(*filer);
  filer->StartReading();
  auto loaded = AdvNew<TAdvTree>();
  loaded->Load(*filer);
  ASSERT_EQ(loaded->Children().Count(), 1);
  TAdvTree* first = loaded->Children().GetItem(0);
  EXPECT_EQ(first->Parent(), loaded.Get());
  ASSERT_EQ(first->Children().Count(), 1);
  EXPECT_EQ(first->Children().GetItem(0)->Parent(), first);

  auto copy = AdvNew<TAdvTree>();
  copy->Assign(*root);
  EXPECT_EQ(copy->Children().GetItem(0)->Parent(), copy.Get());
  EXPECT_NE(copy->Children().GetItem(0), child);
}

TEST(HolderPersistence, CapturesAndReproducesAStretchOfValues) {
  auto items = AdvNew<TItems>();
  auto* item = new TItem();
  item->SetName("held");
  items->Add(item);
  TAdvObject* object = items.Get();
  auto original = MakeFiler();
  original->DefineObject(object);  // class, then Begin ... End
  auto tail = original->Records.size();
  int32_t after = 5;
  original->DefineInteger(after);

  original->StartReading();
  auto holder = AdvNew<TAdvHolder>();
  holder->Load(*original);
  EXPECT_EQ(holder->Kind(), TAdvFilerKind::Object);
  EXPECT_EQ(holder->AsString(), "TItems");
  EXPECT_EQ(original->Position, tail);  // stopped where the object ends

  auto replay = MakeFiler();
  holder->Save(*replay);
  std::vector<std::string> expected = Shape(*original);
  expected.pop_back();  // the integer after the object
  std::vector<std::string> written = Shape(*replay);
  // Field names are not captured; compare kinds and values only.
  auto strip = [](std::vector<std::string> shape) {
    for (std::string& s : shape) {
      const auto colon = s.find(':');
      const auto equals = s.find('=');
      s = s.substr(0, colon) + (equals == std::string::npos ? "" : s.substr(equals));
    }
    return shape;
  };
  EXPECT_EQ(strip(written), strip(expected));

  auto binary = AdvNew<TAdvHolder>();
  binary->SetInteger(TAdvFilerKind::Binary, 0);
  EXPECT_EQ(MessageOf([&] { binary->Save(*replay); }), "(TAdvHolder.Define): Binary not supported");
}

TEST(CollectionClasses, ListsTheRegisteredCollectionClasses) {
  std::vector<std::string> names;
  for (TAdvClass c : CoreCollectionClasses()) names.push_back(c->Name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"TAdvBooleans", "TAdvHash", "TAdvHolder", "TAdvHolders",
                                      "TAdvIntegers", "TAdvList", "TAdvObjects", "TAdvPointerMatch",
                                      "TAdvStringHash", "TAdvStringHashable", "TAdvStringList",
                                      "TAdvStringMatch", "TAdvStrings", "TAdvTree"}));
  for (TAdvClass c : CoreCollectionClasses()) TAdvRef<TAdvObject>(c->Create());
}

}  // namespace
