#include "core/AdvDispatchers.h"

#include <gtest/gtest.h>

#include <string>

#include "core/AdvDictionaries.h"
#include "core/AdvLists.h"

namespace {

struct TListener {
  std::string* Log = nullptr;
  std::string Tag;
  TAdvDispatcher* Dispatcher = nullptr;
  TListener* Victim = nullptr;  // unregistered by this listener when called

  void Heard(TAdvObject* sender) {
    *Log += Tag + (sender ? "+" : "-");
    if (Victim) Dispatcher->Unregister("changed", AdvEvent<&TListener::Heard>(Victim));
  }
};

TEST(AdvDispatcher, CallsEachHandlerOnceInRegistrationOrder) {
  auto dispatcher = AdvNew<TAdvDispatcher>();
  EXPECT_EQ(dispatcher->Capacity(), 127);
  std::string log;
  TListener a{&log, "a"}, b{&log, "b"};
  dispatcher->Register("changed", AdvEvent<&TListener::Heard>(&b));
  dispatcher->Register("changed", AdvEvent<&TListener::Heard>(&a));
  dispatcher->Register("CHANGED", AdvEvent<&TListener::Heard>(&b));
  auto sender = AdvNew<TAdvObject>();
  EXPECT_TRUE(dispatcher->Send(sender.Get(), "Changed"));
  EXPECT_EQ(log, "b+a+");
  EXPECT_FALSE(dispatcher->Send(nullptr, "unknown"));

  dispatcher->Unregister("changed", AdvEvent<&TListener::Heard>(&b));
  dispatcher->Unregister("changed", AdvEvent<&TListener::Heard>(&b));  // absent: nothing
  EXPECT_EQ(dispatcher->Count(), 1);
  dispatcher->Unregister("changed", AdvEvent<&TListener::Heard>(&a));
  EXPECT_EQ(dispatcher->Count(), 0);
  EXPECT_FALSE(dispatcher->Send(nullptr, "changed"));
  EXPECT_THROW(dispatcher->Register("x", TAdvEvent{}), EAdvanced);
}

TEST(AdvDispatcher, AHandlerRemovedDuringSendIsNotCalled) {
  auto dispatcher = AdvNew<TAdvDispatcher>();
  std::string log;
  TListener first{&log, "1", dispatcher.Get()}, second{&log, "2"};
  first.Victim = &second;
  dispatcher->Register("changed", AdvEvent<&TListener::Heard>(&first));
  dispatcher->Register("changed", AdvEvent<&TListener::Heard>(&second));
  EXPECT_TRUE(dispatcher->Send(nullptr, "changed"));
  EXPECT_EQ(log, "1-");
  // The first handler was the last one left after removing itself.
  first.Victim = &first;
  EXPECT_TRUE(dispatcher->Send(nullptr, "changed"));
  EXPECT_EQ(dispatcher->Count(), 0);
}

TEST(AdvDictionary, MatchStopsAtTheFirstWordOnTheWay) {
  auto root = AdvNew<TAdvDictionary>();
  auto games = AdvNew<TAdvNamed>("games");
  auto news = AdvNew<TAdvNamed>("news");
  root->Add("game", games.Get());
  root->Add("games", news.Get());
  root->Add("news", news.Get());
  struct Case {
    const char* text;
    int count;
    bool terminal;
    TAdvObject* data;
  };
  const Case cases[] = {
      {"gameshow", 4, true, games.Get()},  // "game" ends first
      {"gam", 3, false, nullptr},          // text runs out
      {"gaze", 2, false, nullptr},         // trie has no continuation
      {"xyz", 0, false, nullptr},         {"news!", 4, true, news.Get()},
  };
  for (const Case& c : cases) {
    int count = 99;
    const TAdvDictionary* node = root->Walk(c.text, count);
    EXPECT_EQ(count, c.count) << c.text;
    EXPECT_EQ(node->Terminal(), c.terminal) << c.text;
    EXPECT_EQ(node->Data(), c.data) << c.text;
  }
  int counter = 10;
  root->Match("new", counter);
  EXPECT_EQ(counter, 13);
  EXPECT_NE(root->Child('g'), nullptr);
  EXPECT_EQ(root->Child('q'), nullptr);
  // Bytes from 0x80 up index the upper half of the table.
  root->Add("\xE9t\xE9", games.Get());
  int count = 0;
  EXPECT_TRUE(root->Walk("\xE9t\xE9", count)->Terminal());
  root->Clear();
  EXPECT_EQ(root->Child('g'), nullptr);
  EXPECT_EQ(root->Walk("game", count), root.Get());
}

}  // namespace
