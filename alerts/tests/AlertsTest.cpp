#include "alerts/Alerts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "activity/Reports.h"
#include "activity/Users.h"
#include "alerts/tests/AlertFixtures.h"
#include "core/AdvBinaryFilers.h"
#include "core/AdvMemories.h"

namespace {

using alerttest::At;

TAdvRef<TAlert> MakeAlert(std::string name, uint8_t priority = kPriorityLow, double alerted = 0,
                          int64_t session = 0) {
  TAdvRef<TAlert> alert = AdvNew<TAlert>(std::move(name));
  alert->SetPriority(priority);
  alert->SetAlerted(alerted);
  alert->SetSession(session);
  return alert;
}

std::vector<std::string> GroupNames(const TGroups& groups) {
  std::vector<std::string> names;
  for (int i = 0; i < groups.GroupCount(); ++i) names.push_back(groups.Group(i)->Name());
  return names;
}

TEST(Alert, MergeTakesTheLaterTimeTheUnionAndTheHigherPriority) {
  TAdvRef<TAlert> a = MakeAlert("Large", kPriorityMedium, 10.5);
  a->Hits().AddRange(1, 3);
  a->SetDescription("mine");
  TAdvRef<TAlert> b = MakeAlert("Large", kPriorityHigh, 11.0);
  b->Hits().AddRange(5, 7);
  b->SetDismissed(true);
  b->SetViewed(true);
  a->MergeFrom(*b);
  EXPECT_EQ(a->Priority(), kPriorityHigh);
  EXPECT_EQ(a->Alerted(), 11.0);
  EXPECT_EQ(a->Hits().MemberCount(), 6);
  EXPECT_TRUE(a->Dismissed());
  EXPECT_FALSE(a->Viewed());
  EXPECT_EQ(a->Description(), "mine");

  // Merging never lowers a priority, nor an earlier time.
  TAdvRef<TAlert> low = MakeAlert("Large", kPriorityLow, 1.0);
  a->MergeFrom(*low);
  EXPECT_EQ(a->Priority(), kPriorityHigh);
  EXPECT_EQ(a->Alerted(), 11.0);
}

TEST(Alert, UserTextShowsTheAddressOnlyWhenItDiffersFromTheUser) {
  TAdvRef<TAlert> alert = MakeAlert("t");
  alert->SetUser("10.1.2.3");
  alert->SetIP(0x0A010203);
  EXPECT_EQ(alert->UserText(), "10.1.2.3");
  alert->SetUser("u101");
  EXPECT_EQ(alert->UserText(), "u101 [10.1.2.3]");
  alert->SetIP(0);
  EXPECT_EQ(alert->UserText(), "u101");
}

TEST(Alert, StoredFormRoundTripsAndReadsOlderFilesWithoutTheAddress) {
  alerttest::RegisterAll();
  TAdvRef<TAlert> alert = MakeAlert("Adult", kPriorityHigh, At(9, 30, 0), 3000);
  alert->Hits().AddRange(4, 9);
  alert->Hits().AddValue(20);
  alert->SetDescription("Profiles: adult.");
  alert->SetUser("u7");
  alert->SetViewed(true);
  alert->SetOverall(true);
  alert->SetIP(0xC0A80001);

  TAdvRef<TAdvMemory> memory = AdvNew<TAdvMemory>(4096);
  alert->SaveToStream(*memory, &TAdvWriter::ClassInfo);
  memory->SetPosition(0);
  TAdvRef<TAlert> copy = AdvNew<TAlert>();
  copy->LoadFromStream(*memory, &TAdvReader::ClassInfo);
  EXPECT_EQ(copy->Name(), "Adult");
  EXPECT_EQ(copy->Hits().MemberCount(), 7);
  EXPECT_TRUE(copy->Hits().Contains(20));
  EXPECT_EQ(copy->Description(), "Profiles: adult.");
  EXPECT_EQ(copy->Alerted(), At(9, 30, 0));
  EXPECT_EQ(copy->User(), "u7");
  EXPECT_EQ(copy->Session(), 3000);
  EXPECT_EQ(copy->Priority(), kPriorityHigh);
  EXPECT_FALSE(copy->Dismissed());
  EXPECT_TRUE(copy->Viewed());
  EXPECT_TRUE(copy->Overall());
  EXPECT_EQ(copy->IP(), 0xC0A80001u);
}

TEST(AlertList, FindsTheFirstAlertOfANameInCreationOrderThroughChanges) {
  TAdvRef<TAlerts> list = AdvNew<TAlerts>();
  auto add = [&](const char* name) {
    TAdvRef<TAlert> alert = MakeAlert(name);
    TAlert* raw = alert.Get();
    list->Insert(list->Count(), alert.Detach());
    return raw;
  };
  TAlert* first = add("Burst");
  add("Adult");
  TAlert* second = add("burst");
  EXPECT_EQ(list->FindAlert("BURST"), first);
  EXPECT_EQ(list->FindAlert("Adult"), list->Alert(1));
  EXPECT_EQ(list->FindAlert("none"), nullptr);

  // Appending keeps the first; deleting the first finds the next.
  add("Late");
  EXPECT_EQ(list->IndexByName("late"), 3);
  list->DeleteByIndex(0);
  EXPECT_EQ(list->FindAlert("Burst"), second);
  EXPECT_EQ(list->IndexByName("Late"), 2);
  // An insert at the front moves everything.
  TAdvRef<TAlert> front = MakeAlert("Late");
  TAlert* frontRaw = front.Get();
  list->Insert(0, front.Detach());
  EXPECT_EQ(list->FindAlert("late"), frontRaw);
  list->Clear();
  EXPECT_EQ(list->FindAlert("late"), nullptr);
}

TEST(AlertList, SortedListsFindByBinarySearch) {
  TAdvRef<TAlerts> list = AdvNew<TAlerts>();
  list->SetSorted(true);
  for (const char* name : {"c", "a", "b"}) list->Add(MakeAlert(name).Detach());
  EXPECT_EQ(list->Alert(0)->Name(), "a");
  EXPECT_EQ(list->IndexByName("B"), 1);
  EXPECT_EQ(list->IndexByName("z"), -1);
}

TEST(AlertList, IsTheClassTheActivityModelMakesItsListsOf) {
  alerttest::RegisterAll();
  TAdvRef<TAdvNamedList> list = NewActivityAlertList(true);
  EXPECT_NE(AdvCast<TAlerts>(list.Get()), nullptr);
  EXPECT_TRUE(list->Sorted());
}

class Groups : public testing::Test {
 protected:
  TAlert* Add(const char* name, uint8_t priority, double alerted, int64_t session,
              bool viewed = false) {
    TAdvRef<TAlert> alert = MakeAlert(name, priority, alerted, session);
    alert->SetViewed(viewed);
    m_alerts.push_back(alert);
    m_groups->AddToGroups(alert.Get());
    return alert.Get();
  }

  TAdvRef<TGroups> m_groups = AdvNew<TGroups>();
  std::vector<TAdvRef<TAlert>> m_alerts;
};

TEST_F(Groups, AreSortedByNameAndHoldTheLaterSessionFirst) {
  TAlert* early = Add("Large", kPriorityLow, 1, 100);
  Add("adult", kPriorityLow, 1, 100);
  TAlert* late = Add("large", kPriorityLow, 1, 200);
  Add("Burst", kPriorityLow, 1, 100);
  EXPECT_EQ(GroupNames(*m_groups), (std::vector<std::string>{"adult", "Burst", "Large"}));
  TGroup* group = m_groups->FindGroup("LARGE");
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->Count(), 2);
  EXPECT_EQ(group->Alert(0), late);
  EXPECT_EQ(group->Alert(1), early);
}

TEST_F(Groups, ADismissedAlertIsNotGrouped) {
  TAdvRef<TAlert> alert = MakeAlert("Large");
  alert->SetDismissed(true);
  m_groups->AddToGroups(alert.Get());
  EXPECT_EQ(m_groups->GroupCount(), 0);
  EXPECT_EQ(m_groups->CurrentAlert(), nullptr);
}

TEST_F(Groups, CurrentAlertIsTheUnreadOfHighestPriorityRaisedFirst) {
  Add("a", kPriorityMedium, 5, 1);
  Add("b", kPriorityHigh, 1, 1, /*viewed=*/true);
  EXPECT_EQ(m_groups->CurrentAlert()->Name(), "a");
  TAlert* later = Add("c", kPriorityHigh, 9, 1);
  EXPECT_EQ(m_groups->CurrentAlert(), later);
  TAlert* earlier = Add("d", kPriorityHigh, 3, 1);
  EXPECT_EQ(m_groups->CurrentAlert(), earlier);
  Add("e", kPriorityHigh, 3, 1);  // equal time: the first added stays
  EXPECT_EQ(m_groups->CurrentAlert(), earlier);
}

TEST_F(Groups, DismissingRemovesTheAlertAndAnEmptiedGroup) {
  TAlert* only = Add("Adult", kPriorityHigh, 1, 1);
  TAlert* one = Add("Large", kPriorityLow, 1, 1);
  Add("Large", kPriorityLow, 1, 2);
  ASSERT_EQ(m_groups->CurrentAlert(), only);
  m_groups->DismissAlert(only);
  EXPECT_TRUE(only->Dismissed());
  EXPECT_EQ(m_groups->FindGroup("Adult"), nullptr);
  // Dismissing the current alert leaves none until the next rebuild.
  EXPECT_EQ(m_groups->CurrentAlert(), nullptr);
  m_groups->DismissAlert(one);
  EXPECT_EQ(m_groups->FindGroup("Large")->Count(), 1);
  m_groups->DismissGroup("large");
  EXPECT_EQ(m_groups->GroupCount(), 0);
  for (const TAdvRef<TAlert>& alert : m_alerts) EXPECT_TRUE(alert->Dismissed());
}

TEST_F(Groups, RemovingAnAlertWithoutAGroupRaises) {
  TAdvRef<TAlert> stray = MakeAlert("Nowhere");
  try {
    m_groups->RemoveFromGroups(stray.Get());
    FAIL() << "no error";
  } catch (const EAlert& e) {
    EXPECT_STREQ(e.what(), "(TGroups.Remove): Unable to find the alert 'Nowhere' in the groups");
  }
}

TEST_F(Groups, ARebuildSortsOnceAndKeepsEqualAlertsInTheOrderAdded) {
  m_groups->BeginRebuild();
  std::vector<TAlert*> added;
  for (int i = 0; i < 200; ++i) {
    TAdvRef<TAlert> alert = MakeAlert(i % 2 ? "Odd" : "Even", kPriorityLow, i, i % 5);
    m_alerts.push_back(alert);
    added.push_back(alert.Get());
    m_groups->AddToGroups(alert.Get());
  }
  m_groups->EndRebuild();
  EXPECT_EQ(GroupNames(*m_groups), (std::vector<std::string>{"Even", "Odd"}));
  TGroup* even = m_groups->FindGroup("Even");
  ASSERT_EQ(even->Count(), 100);
  for (int i = 1; i < even->Count(); ++i) {
    const TAlert* a = even->Alert(i - 1);
    const TAlert* b = even->Alert(i);
    ASSERT_GE(a->Session(), b->Session());
    if (a->Session() == b->Session()) {
      ASSERT_LT(a->Alerted(), b->Alerted());
    }
  }
  // After the rebuild, single additions go to their sorted place again.
  TAlert* newest = Add("Even", kPriorityLow, 1000, 99);
  EXPECT_EQ(even->Alert(0), newest);
}

TEST(GroupSink, PurgeRebuildsTheGroupsFromTheKeptAlerts) {
  alerttest::RegisterAll();
  TAdvRef<TUsers> users = AdvNew<TUsers>();
  auto fold = [&](const char* user, double when) {
    TAdvRef<TVexaHit> hit = alerttest::MakeHit({.User = user, .Initiated = when});
    TUser* u = users->FindForHit(*hit);
    u->Sessions().AddHit(*hit);
    return u;
  };
  TUser* a = fold("alice", At(10, 0, 0));
  TUser* b = fold("bob", At(11, 0, 0));
  auto give = [](TUser* user, const char* name, double alerted) {
    TAdvRef<TAlert> alert = MakeAlert(name, kPriorityLow, alerted, DateTimeSeconds(alerted));
    user->Alerts().Insert(user->Alerts().Count(), alert.Detach());
  };
  give(a, "Large", At(10, 0, 0));
  give(b, "Large", At(11, 0, 0));
  give(b, "Old", At(1, 0, 0));
  TAlert* old = static_cast<TAlert*>(b->Alerts().GetItem(1));
  TAdvRef<TAlert> holdOld = TAdvRef<TAlert>::Share(old);

  TAdvRef<TGroups> groups = AdvNew<TGroups>();
  TAdvRef<TOnlineUsers> active = AdvNew<TOnlineUsers>();
  TAdvRef<TOfflineUsers> idle = AdvNew<TOfflineUsers>();
  TActivityPurge purge;
  purge.CutoffSeconds = DateTimeSeconds(At(5, 0, 0));
  purge.Now = At(12, 0, 0);
  {
    TAlertGroupSink sink(*groups);
    users->Purge(purge, *active, *idle, &sink);
  }
  EXPECT_TRUE(holdOld->Dismissed());
  EXPECT_EQ(GroupNames(*groups), (std::vector<std::string>{"Large"}));
  TGroup* large = groups->FindGroup("Large");
  ASSERT_EQ(large->Count(), 2);
  // Two users fire the same trigger: the later session comes first.
  EXPECT_EQ(large->Alert(0)->Session(), DateTimeSeconds(At(11, 0, 0)));
}

}  // namespace

namespace {

TEST(AlertState, AlertsOfUsersAndSessionsSurviveTheUsersFile) {
  alerttest::RegisterAll();
  const std::string file = vexatest::MakeTempFolder("users") + "/Default.Users";
  TAdvRef<TUsers> users = AdvNew<TUsers>();
  TAdvRef<TVexaHit> hit = alerttest::MakeHit({.User = "u5", .Initiated = At(9, 0, 0)});
  TUser* user = users->FindForHit(*hit);
  TSession* session = user->Sessions().AddHit(*hit);
  TAdvRef<TAlert> own = MakeAlert("Large", kPriorityHigh, At(9, 0, 0), session->Start());
  own->Hits().AddRange(1, 2);
  own->SetIP(0x0A000001);
  user->Alerts().Insert(0, own->Retain());
  TAdvRef<TAlert> timed = MakeAlert("Long", kPriorityLow, At(9, 0, 0), session->Start());
  session->AddAlert(timed.Get());
  SaveUsersFile(*users, file);

  TAdvRef<TUsers> loaded = AdvNew<TUsers>();
  ASSERT_EQ(LoadUsersFile(*loaded, file), "");
  TUser* back = loaded->FindUser("u5");
  ASSERT_NE(back, nullptr);
  auto* list = AdvCast<TAlerts>(&back->Alerts());
  ASSERT_NE(list, nullptr);
  TAlert* alert = list->FindAlert("large");
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->Priority(), kPriorityHigh);
  EXPECT_EQ(alert->Hits().MemberCount(), 2);
  EXPECT_EQ(alert->IP(), 0x0A000001u);
  auto* sessionList = AdvCast<TAlerts>(&back->Sessions().GetSession(0)->Alerts());
  ASSERT_NE(sessionList, nullptr);
  EXPECT_TRUE(sessionList->Sorted());
  ASSERT_NE(sessionList->FindAlert("Long"), nullptr);
}

}  // namespace
