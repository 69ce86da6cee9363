#include "activity/Sessions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "activity/ActivityClasses.h"
#include "activity/tests/ActivityFixtures.h"
#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvMemories.h"

namespace {

using activitytest::At;
using activitytest::MakeHit;
using activitytest::SecondsAt;

using TSpan = std::pair<int64_t, int64_t>;

std::vector<TSpan> Spans(const TSessions& sessions) {
  std::vector<TSpan> spans;
  for (int i = 0; i < sessions.Count(); ++i)
    spans.emplace_back(sessions.GetSession(i)->Start(), sessions.GetSession(i)->Finish());
  return spans;
}

TSession* Add(TSessions& sessions, double initiated, std::string_view site = "www.example.com") {
  return sessions.AddHit(*MakeHit({.Destination = site, .Initiated = initiated}));
}

TEST(Sessions, SplitAtTheIdleGapAndJoinedByALateHit) {
  auto sessions = AdvNew<TSessions>();
  sessions->SetGap(300);
  Add(*sessions, At(10, 0, 0));
  Add(*sessions, At(10, 5, 0));  // exactly Gap after: same session
  EXPECT_EQ(Spans(*sessions), (std::vector<TSpan>{{SecondsAt(10, 0, 0), SecondsAt(10, 5, 0)}}));

  Add(*sessions, At(10, 10, 1));  // one second more than Gap: a new session
  ASSERT_EQ(sessions->Count(), 2);
  EXPECT_EQ(sessions->GetSession(1)->Start(), SecondsAt(10, 10, 1));

  // A late line from another input bridges both.
  TSession* joined = Add(*sessions, At(10, 7, 30));
  ASSERT_EQ(sessions->Count(), 1);
  EXPECT_EQ(sessions->GetSession(0), joined);
  EXPECT_EQ(joined->Start(), SecondsAt(10, 0, 0));
  EXPECT_EQ(joined->Finish(), SecondsAt(10, 10, 1));
  EXPECT_EQ(joined->Hits(), 4);
  EXPECT_EQ(joined->Size(), 400);
  EXPECT_EQ(joined->Sites().FindSite("www.example.com")->Hits(), 4);
}

TEST(Sessions, ExtendBackwardsAndKeepStartOrder) {
  auto sessions = AdvNew<TSessions>();
  sessions->SetGap(300);
  Add(*sessions, At(12, 0, 0));
  Add(*sessions, At(9, 0, 0));    // earlier session inserted before
  Add(*sessions, At(11, 56, 0));  // within Gap before the later one: extends it backwards
  EXPECT_EQ(Spans(*sessions), (std::vector<TSpan>{{SecondsAt(9, 0, 0), SecondsAt(9, 0, 0)},
                                                  {SecondsAt(11, 56, 0), SecondsAt(12, 0, 0)}}));
  EXPECT_EQ(sessions->FindSession(SecondsAt(11, 58, 0)), 1);
  EXPECT_EQ(sessions->FindSession(SecondsAt(10, 0, 0)), -1);
  EXPECT_EQ(sessions->TotalElapsed(), 240);
  EXPECT_EQ(sessions->LastFinish(), SecondsAt(12, 0, 0));
}

TEST(Sessions, RunOnAcrossMidnight) {
  auto sessions = AdvNew<TSessions>();
  sessions->SetGap(300);
  Add(*sessions, At(23, 58, 0, 5));
  Add(*sessions, At(0, 2, 0, 6));
  ASSERT_EQ(sessions->Count(), 1);
  EXPECT_EQ(sessions->GetSession(0)->ElapsedSeconds(), 240);
  Add(*sessions, At(0, 7, 1, 6));
  EXPECT_EQ(sessions->Count(), 2);
}

TEST(Sessions, NegativeGapCountsAsZero) {
  auto sessions = AdvNew<TSessions>();
  sessions->SetGap(-50);
  EXPECT_EQ(sessions->Gap(), 0);
  Add(*sessions, At(10, 0, 0));
  Add(*sessions, At(10, 0, 0));
  Add(*sessions, At(10, 0, 1));
  EXPECT_EQ(Spans(*sessions), (std::vector<TSpan>{{SecondsAt(10, 0, 0), SecondsAt(10, 0, 0)},
                                                  {SecondsAt(10, 0, 1), SecondsAt(10, 0, 1)}}));
}

// Whatever order the hits come in, the sessions are the runs of the sorted
// hit times in which no two neighbours are more than Gap apart.
TEST(Sessions, AnyArrivalOrderGivesTheRunsOfTheSortedTimes) {
  std::mt19937 random(20240305);
  for (int round = 0; round < 40; ++round) {
    const int64_t gap = std::uniform_int_distribution<int64_t>(0, 600)(random);
    const int hits = std::uniform_int_distribution<int>(1, 300)(random);
    std::vector<int64_t> times;
    const int64_t base = SecondsAt(8, 0, 0);
    for (int i = 0; i < hits; ++i)
      times.push_back(base + std::uniform_int_distribution<int64_t>(0, 40000)(random));

    auto sessions = AdvNew<TSessions>();
    sessions->SetGap(gap);
    for (int64_t t : times) Add(*sessions, double(t) / 86400.0);

    std::sort(times.begin(), times.end());
    std::vector<TSpan> expected{{times[0], times[0]}};
    std::vector<int> counts{1};
    for (size_t i = 1; i < times.size(); ++i) {
      if (times[i] - expected.back().second <= gap) {
        expected.back().second = times[i];
        ++counts.back();
      } else {
        expected.emplace_back(times[i], times[i]);
        counts.push_back(1);
      }
    }
    ASSERT_EQ(Spans(*sessions), expected) << "round " << round << " gap " << gap;
    for (int i = 0; i < sessions->Count(); ++i)
      EXPECT_EQ(sessions->GetSession(i)->Hits(), counts[size_t(i)]);
  }
}

TEST(Sessions, TimesThatAreNoNumberOrHugeStaySane) {
  auto sessions = AdvNew<TSessions>();
  sessions->SetGap(std::numeric_limits<int64_t>::max());
  Add(*sessions, std::nan(""));
  Add(*sessions, 1e300);
  Add(*sessions, -1e300);
  Add(*sessions, At(10, 0, 0));
  ASSERT_EQ(sessions->Count(), 1);
  EXPECT_EQ(sessions->GetSession(0)->Hits(), 4);
  EXPECT_EQ(sessions->GetSession(0)->ElapsedSeconds(), std::numeric_limits<int64_t>::max());
}

TEST(Sessions, MergeSessionsJoinsNearOnesAndCoalesces) {
  auto mine = AdvNew<TSessions>();
  auto theirs = AdvNew<TSessions>();
  mine->SetGap(300);
  theirs->SetGap(300);
  Add(*mine, At(9, 0, 0));
  Add(*mine, At(10, 0, 0));
  Add(*mine, At(12, 0, 0));
  Add(*theirs, At(9, 4, 0), "www.other.org");  // near the first
  Add(*theirs, At(9, 57, 0));                  // reaches back to the first as well
  Add(*theirs, At(9, 9, 0));
  Add(*theirs, At(9, 14, 0));
  Add(*theirs, At(9, 19, 0));
  Add(*theirs, At(9, 24, 0));
  Add(*theirs, At(9, 29, 0));
  Add(*theirs, At(9, 34, 0));
  Add(*theirs, At(9, 39, 0));
  Add(*theirs, At(9, 44, 0));
  Add(*theirs, At(9, 49, 0));
  Add(*theirs, At(9, 54, 0));
  Add(*theirs, At(15, 0, 0));  // far from everything
  ASSERT_EQ(theirs->Count(), 2);

  mine->MergeSessions(*theirs);
  EXPECT_EQ(Spans(*mine), (std::vector<TSpan>{{SecondsAt(9, 0, 0), SecondsAt(10, 0, 0)},
                                              {SecondsAt(12, 0, 0), SecondsAt(12, 0, 0)},
                                              {SecondsAt(15, 0, 0), SecondsAt(15, 0, 0)}}));
  TSession* first = mine->GetSession(0);
  EXPECT_EQ(first->Hits(), 2 + 12);
  EXPECT_EQ(first->Sites().FindSite("www.other.org")->Hits(), 1);
  EXPECT_EQ(first->Sites().FindSite("www.example.com")->Hits(), 13);
  // The far session is shared, not copied.
  EXPECT_EQ(mine->GetSession(2), theirs->GetSession(1));
}

TEST(Sessions, MergeTakesAlertsOnceAndKeepsThemInNameOrder) {
  auto a = AdvNew<TSession>();
  auto b = AdvNew<TSession>();
  auto shared = activitytest::MakeAlert("Gaming", 1);
  a->AddAlert(shared.Get());
  a->AddAlert(activitytest::MakeAlert("Shopping", 1).Get());
  b->AddAlert(shared.Get());
  b->AddAlert(activitytest::MakeAlert("Adult", 1).Get());
  a->MergeFrom(*b);
  ASSERT_EQ(a->Alerts().Count(), 3);
  EXPECT_EQ(a->Alerts().GetItem(0)->Name(), "Adult");
  EXPECT_EQ(a->Alerts().GetItem(1), shared.Get());
  EXPECT_EQ(a->Alerts().GetItem(2)->Name(), "Shopping");
}

// A session as a file may hold it, with nil where the sites are.
class TStoredSession : public TAdvPersistent {
  ADV_CLASS(TStoredSession)
  std::string PersistedClassName() const override { return "TSession"; }
  void Define(TAdvFiler& filer) override {
    TAdvPersistent::Define(filer);
    int64_t start = SecondsAt(9, 0, 0), finish = SecondsAt(9, 5, 0), size = 7;
    int32_t hits = 3;
    filer.Field("Start").DefineInteger64(start);
    filer.Field("Finish").DefineInteger64(finish);
    filer.Field("Hits").DefineInteger(hits);
    filer.Field("Size").DefineInteger64(size);
    TAdvObject* none = nullptr;
    filer.Field("Sites").DefineObject(none);
    filer.Field("Alerts").DefineObject(none);
  }
};
ADV_CLASS_IMPL(TStoredSession, TAdvPersistent)

// A session read back holds its span, counts and sites; a stored nil where
// the sites are leaves none.
TEST(Sessions, ReadBackWithTheirSites) {
  RegisterCoreClasses();
  AdvFactory().RegisterAll(ActivityClasses());
  auto session = AdvNew<TSession>();
  session->AddHit(*MakeHit({.Destination = "a.com", .Initiated = At(10, 0, 0), .Size = 10}));
  session->AddHit(*MakeHit({.Destination = "b.com", .Initiated = At(10, 1, 0), .Size = 20}));
  session->AddHit(*MakeHit({.Destination = "A.COM", .Initiated = At(10, 2, 0), .Size = 30}));
  auto stream = AdvNew<TAdvMemory>(4096);
  session->SaveToStream(*stream);
  stream->SetPosition(0);
  auto loaded = AdvNew<TSession>();
  loaded->LoadFromStream(*stream);
  EXPECT_EQ(loaded->Start(), SecondsAt(10, 0, 0));
  EXPECT_EQ(loaded->Finish(), SecondsAt(10, 2, 0));
  EXPECT_EQ(loaded->Hits(), 3);
  ASSERT_EQ(loaded->Sites().Count(), 2);
  EXPECT_EQ(loaded->Sites().FindSite("a.com")->Size(), 40);
  EXPECT_EQ(loaded->Sites().FindSite("b.com")->Accessed(), At(10, 1, 0));

  auto stored = AdvNew<TStoredSession>();
  auto bare = AdvNew<TAdvMemory>(4096);
  stored->SaveToStream(*bare);
  bare->SetPosition(0);
  loaded->LoadFromStream(*bare);
  EXPECT_EQ(loaded->Hits(), 3);
  EXPECT_EQ(loaded->Size(), 7);
  EXPECT_EQ(loaded->Sites().Count(), 0);
}

}  // namespace
