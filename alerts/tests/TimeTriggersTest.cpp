#include "alerts/TimeTriggers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alerts/tests/AlertFixtures.h"
#include "testing/TestFiles.h"

namespace {

using alerttest::At;
using alerttest::MakeHit;

class TimeRange : public alerttest::MiniEngine {
 protected:
  TTimeRangeTrigger* Sliding(int32_t seconds, int32_t squelch) {
    TTimeRangeTrigger* t = AddTrigger<TTimeRangeTrigger>("Burst");
    t->SetSlidingTime(seconds);
    t->SetHitsSquelch(squelch);
    return t;
  }
  // A hit arriving as it happens: the clock reads the hit's time.
  TUser* Live(double when, uint32_t in = 600) {
    m_context.Now = when;
    return Process({.Initiated = when, .In = in});
  }
  std::vector<TAlert*> Alerts() {
    std::vector<TAlert*> alerts;
    TAlerts& list = UserAlerts("u101");
    for (int i = 0; i < list.Count(); ++i) alerts.push_back(list.Alert(i));
    return alerts;
  }
};

TEST_F(TimeRange, TheHitThatExceedsTheSquelchFiresAndTheNextAlertNeedsAFreshSet) {
  TTimeRangeTrigger* t = Sliding(60, 3);
  for (int s = 0; s < 3; ++s) Live(At(12, 0, s * 10));
  EXPECT_TRUE(m_raised.empty());
  Live(At(12, 0, 30));
  ASSERT_EQ(Alerts().size(), 1u);
  EXPECT_EQ(Numbers(*Alerts()[0]), (std::vector<int32_t>{0, 256, 512, 768}));
  EXPECT_EQ(t->Hash().Window("u101")->Count(), 0);
  for (int s = 31; s < 34; ++s) Live(At(12, 0, s));
  EXPECT_EQ(Alerts().size(), 1u);
  Live(At(12, 0, 34));
  ASSERT_EQ(Alerts().size(), 2u);
  EXPECT_EQ(Numbers(*Alerts()[1]).size(), 4u);
  EXPECT_EQ(RaisedFor("Burst"), 2);
  // Refire is off: a time-range alert is never queued without Notify.
  EXPECT_EQ(QueuedFor("Burst"), 0);
}

TEST_F(TimeRange, WithoutASquelchEveryMatchingHitFiresWithItsOwnAlert) {
  Sliding(60, 0);
  Live(At(12, 0, 0));
  Live(At(12, 0, 1));
  ASSERT_EQ(Alerts().size(), 2u);
  EXPECT_EQ(Numbers(*Alerts()[0]), std::vector<int32_t>{0});
  EXPECT_EQ(Numbers(*Alerts()[1]), std::vector<int32_t>{256});
}

TEST_F(TimeRange, SizeLimitsApplyToTheWindowsTotals) {
  TTimeRangeTrigger* t = Sliding(60, 0);
  t->SetIncomingSize(1000);
  Live(At(12, 0, 0), 300);
  Live(At(12, 0, 1), 300);
  Live(At(12, 0, 2), 300);
  EXPECT_TRUE(Alerts().empty());
  Live(At(12, 0, 3), 300);  // 1200 bytes in the window
  ASSERT_EQ(Alerts().size(), 1u);
  EXPECT_EQ(Numbers(*Alerts()[0]).size(), 4u);
}

TEST_F(TimeRange, HitsLeaveTheSlidingWindowByTheClock) {
  TTimeRangeTrigger* t = Sliding(60, 2);
  Live(At(12, 0, 0));
  Live(At(12, 0, 30));
  Live(At(12, 1, 15));  // the first has left: two in the window
  EXPECT_TRUE(Alerts().empty());
  EXPECT_EQ(t->Hash().Window("u101")->AggrSourceSize(), 1200);
  // Hits of an old log never fire: each leaves the window at once, and none
  // is stored, since no alert can take it.
  const int32_t stored = m_store->Capacity();
  m_context.Now = At(18, 0, 0);
  for (int s = 0; s < 10; ++s) Process({.Initiated = At(8, 0, s)});
  EXPECT_TRUE(Alerts().empty());
  EXPECT_EQ(m_store->Capacity(), stored);
  EXPECT_EQ(t->Hash().Window("u101")->Count(), 0);
  // A user with nothing but old hits gets no window at all.
  Process({.User = "u102", .Initiated = At(8, 1, 0)});
  EXPECT_EQ(t->Hash().Window("u102"), nullptr);
}

TEST_F(TimeRange, FixedWindowCountsHitsInItsHoursAcrossMidnight) {
  TTimeRangeTrigger* t = AddTrigger<TTimeRangeTrigger>("Night");
  t->SetMode(kFixedTimeRange);
  t->SetFixedStart(EncodeTime(22, 0, 0));
  t->SetFixedEnd(EncodeTime(6, 0, 0));
  struct Case {
    int hour, minute;
    bool inside;
  };
  for (const Case& c : {Case{23, 30, true}, Case{5, 0, true}, Case{12, 0, false}, Case{22, 0, true},
                        Case{6, 0, true}})
    EXPECT_EQ(t->InFixedWindow(At(c.hour, c.minute, 0)), c.inside) << c.hour << ":" << c.minute;
  EXPECT_FALSE(t->InFixedWindow(At(6, 0, 1)));

  t->SetHitsSquelch(1);
  m_context.Now = At(23, 59, 0);
  Process({.Initiated = At(12, 0, 0)});
  Process({.Initiated = At(23, 30, 0)});
  EXPECT_TRUE(Alerts().empty());
  Process({.Initiated = At(23, 40, 0)});
  ASSERT_EQ(Alerts().size(), 1u);
  EXPECT_EQ(Numbers(*Alerts()[0]).size(), 2u);
}

TEST_F(TimeRange, FixedWindowAlsoTestsEachHitsSize) {
  TTimeRangeTrigger* t = AddTrigger<TTimeRangeTrigger>("Night");
  t->SetMode(kFixedTimeRange);
  t->SetFixedStart(EncodeTime(0, 0, 0));
  t->SetFixedEnd(EncodeTime(23, 59, 59));
  t->SetIncomingSize(500);
  Process({.In = 400});
  EXPECT_EQ(t->Hash().Window("u101"), nullptr);
  Process({.In = 501});
  EXPECT_EQ(Alerts().size(), 1u);
}

TEST_F(TimeRange, RetentionIsJudgedByTheHitAndTheWindowIsAlwaysTaken) {
  TTimeRangeTrigger* t = Sliding(3600, 0);
  m_context.CutoffSeconds = DateTimeSeconds(At(10, 0, 0));
  // A session that began before the boundary and goes on past it.
  Live(At(9, 56, 0));
  ASSERT_EQ(Alerts().size(), 1u);
  EXPECT_EQ(RaisedFor("Burst"), 0);                 // the hit itself is older
  EXPECT_EQ(t->Hash().Window("u101")->Count(), 0);  // its hits went to the alert
  Live(At(10, 0, 0));
  ASSERT_EQ(Alerts().size(), 2u);
  EXPECT_LT(User("u101")->Sessions().GetSession(0)->Start(), m_context.CutoffSeconds);
  EXPECT_EQ(RaisedFor("Burst"), 1);
  EXPECT_EQ(Numbers(*Alerts()[1]), std::vector<int32_t>{256});
}

TEST_F(TimeRange, ResetEmptiesEveryWindow) {
  TTimeRangeTrigger* t = Sliding(60, 5);
  Live(At(12, 0, 0));
  ASSERT_NE(t->Hash().Window("u101"), nullptr);
  m_triggers->Reset();
  EXPECT_EQ(t->Hash().Count(), 0);
}

TEST_F(TimeRange, WindowEntriesPastTheStoresEndAreDropped) {
  TTimeRangeTrigger* t = Sliding(60, 1);
  // A window restored from a file after the store started afresh.
  TAdvRef<TVexaHit> stale = MakeHit({.Initiated = At(12, 0, 0)});
  t->Hash().ForceWindow("u101")->AddToWindow(*stale, 5000);
  Live(At(12, 0, 1));
  ASSERT_EQ(Alerts().size(), 1u);
  EXPECT_EQ(Numbers(*Alerts()[0]), std::vector<int32_t>{0});

  TTimeRangeHits* window = t->Hash().ForceWindow("bob");
  window->AddToWindow(*stale, 10);
  window->AddToWindow(*stale, 300);
  m_triggers->DropHitsPast(256);
  ASSERT_EQ(window->Count(), 1);
  EXPECT_EQ(window->Hit(0)->HitIndex, 10);
  EXPECT_EQ(window->AggrSize(), 1000);
}

TEST_F(TimeRange, StaleWindowsGoWhenTheirNewestHitLeavesRetention) {
  TTimeRangeTrigger* t = Sliding(60, 5);
  Live(At(12, 0, 0));
  m_context.Cutoff = At(12, 30, 0);
  Process({.User = "other", .Initiated = At(12, 40, 0)});
  EXPECT_EQ(t->Hash().Window("u101"), nullptr);
  EXPECT_NE(t->Hash().Window("other"), nullptr);
}

TEST(TimeRangeText, DescriptionsNameTheWindow) {
  TAdvRef<TTimeRangeTrigger> t = AdvNew<TTimeRangeTrigger>();
  struct Case {
    int32_t seconds;
    const char* text;
  };
  for (const Case& c :
       {Case{7200, "; Time range: Last 2 hours."}, Case{120, "; Time range: Last 2 minutes."},
        Case{1, "; Time range: Last 1 second."}, Case{3600, "; Time range: Last 1 hour."}}) {
    t->SetSlidingTime(c.seconds);
    EXPECT_EQ(t->Describe(), c.text);
  }
  t->SetHitsSquelch(3);
  t->Sites().Add("a");
  EXPECT_EQ(t->Describe(), "Sites: a; Time range: Last 1 hour.; When number of hits exceeds 3.");
  t->SetMode(kFixedTimeRange);
  t->SetFixedStart(EncodeTime(22, 0, 0));
  t->SetFixedEnd(EncodeTime(6, 0, 0));
  EXPECT_EQ(t->Describe(),
            "Sites: a; Time range: Between 22:00:00 and 06:00:00.; When number of hits exceeds "
            "3.");
}

TEST(TimeRangeSettings, RefireAndNewHitActionAreFixed) {
  alerttest::RegisterAll();
  TAdvRef<TTimeRangeTrigger> t = AdvNew<TTimeRangeTrigger>();
  EXPECT_FALSE(t->Refire());
  EXPECT_EQ(t->NewHitAction(), kNewAlertForEachHit);
  t->SetRefire(true);
  t->SetNewHitAction(kAddHitsToAlert);
  EXPECT_FALSE(t->Refire());
  EXPECT_EQ(t->NewHitAction(), kNewAlertForEachHit);
  TAdvRef<TAdvObject> copy(t->Clone());
  EXPECT_FALSE(static_cast<TTimeRangeTrigger*>(copy.Get())->Refire());
}

TEST(TimeRangeFiles, WindowsSurviveARestartAndAFileCannotTurnRefireOn) {
  alerttest::RegisterAll();
  const std::string file = vexatest::MakeTempFolder("windows") + "/Default.Triggers";
  TAdvRef<TTriggers> triggers = AdvNew<TTriggers>();
  TAdvRef<TTimeRangeTrigger> t = AdvNew<TTimeRangeTrigger>();
  t->SetName("Burst");
  t->SetSlidingTime(60);
  t->SetHitsSquelch(7);
  TTimeRangeHits* window = t->Hash().ForceWindow("u101");
  window->AddToWindow(*MakeHit({.Initiated = At(12, 0, 0), .In = 10, .Out = 5}), 3);
  window->AddToWindow(*MakeHit({.Initiated = At(12, 0, 9), .In = 20, .Out = 1}), 4);
  // An empty window is as good as none, and is not written.
  t->Hash().ForceWindow("u102")->AddToWindow(*MakeHit({.Initiated = At(11, 0, 0)}), 1);
  t->Hash().Window("u102")->EmptyWindow();
  triggers->Insert(0, t->Retain());
  SaveTriggersFile(*triggers, file);

  std::string text = vexatest::ReadFileText(file);
  const size_t refire = text.find("name=\"Refire\">False<");
  ASSERT_NE(refire, std::string::npos);
  text.replace(text.find("False", refire), 5, "True");
  vexatest::WriteFileText(file, text);

  TAdvRef<TTriggers> loaded = AdvNew<TTriggers>();
  ASSERT_EQ(LoadTriggersFile(*loaded, file), "");
  auto* copy = AdvCast<TTimeRangeTrigger>(loaded->FindTrigger("Burst"));
  ASSERT_NE(copy, nullptr);
  EXPECT_FALSE(copy->Refire());
  EXPECT_EQ(copy->HitsSquelch(), 7);
  TTimeRangeHits* restored = copy->Hash().Window("U101");
  ASSERT_NE(restored, nullptr);
  ASSERT_EQ(restored->Count(), 2);
  EXPECT_EQ(restored->Hit(1)->HitIndex, 4);
  EXPECT_EQ(restored->AggrSourceSize(), 30);
  EXPECT_EQ(restored->AggrDestinationSize(), 6);
  EXPECT_EQ(restored->AggrSize(), 36);
  EXPECT_NEAR(restored->Newest(), At(12, 0, 9), 1e-9);
  EXPECT_EQ(copy->Hash().Window("u102"), nullptr);
}

}  // namespace
