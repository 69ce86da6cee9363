#include "activity/Reports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "activity/tests/ActivityFixtures.h"

namespace {

using activitytest::At;
using activitytest::MakeHit;
using activitytest::THitSpec;

void Fold(TUsers& users, const THitSpec& spec) {
  TAdvRef<TVexaHit> hit = MakeHit(spec);
  users.FindForHit(*hit)->Sessions().AddHit(*hit);
}

template <class Report>
std::vector<std::string> Names(const Report& report) {
  std::vector<std::string> names;
  for (int i = 0; i < report.Count(); ++i) names.push_back(report.GetSummary(i)->Name());
  return names;
}

// Four users that every order ranks differently.
class UserReportOrders : public testing::Test {
 protected:
  void SetUp() override {
    m_users = AdvNew<TUsers>();
    // ann: two sessions, 3 hits, 30 bytes, 600 s elapsed, active.
    Fold(*m_users,
         {.Source = "ann", .Destination = "zoo.org", .Initiated = At(8, 0, 0), .Size = 10});
    Fold(*m_users,
         {.Source = "ann", .Destination = "zoo.org", .Initiated = At(8, 5, 0), .Size = 10});
    Fold(*m_users,
         {.Source = "ann", .Destination = "zoo.org", .Initiated = At(11, 59, 0), .Size = 10});
    // Ben: one session, 1 hit, 500 bytes, idle.
    Fold(*m_users, {.Source = "Ben", .Initiated = At(9, 0, 0), .Size = 500});
    // cy: one session, 2 hits, 20 bytes, 60 s, active.
    Fold(*m_users,
         {.Source = "cy", .Destination = "abc.net", .Initiated = At(11, 57, 0), .Size = 10});
    Fold(*m_users,
         {.Source = "cy", .Destination = "abc.net", .Initiated = At(11, 58, 0), .Size = 10});
    // dot: three sessions, 3 hits, 3 bytes, idle.
    Fold(*m_users, {.Source = "dot", .Initiated = At(6, 0, 0), .Size = 1});
    Fold(*m_users, {.Source = "dot", .Initiated = At(7, 0, 0), .Size = 1});
    Fold(*m_users, {.Source = "dot", .Initiated = At(10, 0, 0), .Size = 1});
    m_report = AdvNew<TUserReport>();
    m_report->Fill(*m_users);
    m_report->SetNow(At(12, 0, 0));
  }

  std::vector<std::string> Sorted(TUserOrder order, int direction = 1) {
    m_report->SetDirection(direction);
    m_report->SortBy(order);
    return Names(*m_report);
  }

  TAdvRef<TUsers> m_users;
  TAdvRef<TUserReport> m_report;
};

TEST_F(UserReportOrders, EachOrderAndItsReverse) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Sorted(TUserOrder::Name), (V{"ann", "Ben", "cy", "dot"}));
  EXPECT_EQ(Sorted(TUserOrder::Name, -1), (V{"dot", "cy", "Ben", "ann"}));
  EXPECT_EQ(Sorted(TUserOrder::Sessions), (V{"Ben", "cy", "ann", "dot"}));
  EXPECT_EQ(Sorted(TUserOrder::Elapsed), (V{"Ben", "dot", "cy", "ann"}));
  EXPECT_EQ(Sorted(TUserOrder::Hits), (V{"Ben", "cy", "ann", "dot"}));
  EXPECT_EQ(Sorted(TUserOrder::Size), (V{"dot", "cy", "ann", "Ben"}));
  EXPECT_EQ(Sorted(TUserOrder::Size, -1), (V{"Ben", "ann", "cy", "dot"}));
  // Active first, by what they do (abc.net before zoo.org), then the idle.
  EXPECT_EQ(Sorted(TUserOrder::Activity), (V{"cy", "ann", "Ben", "dot"}));
  EXPECT_EQ(Sorted(TUserOrder::Recent), (V{"ann", "cy", "dot", "Ben"}));
  EXPECT_EQ(m_report->IndexOfName("BEN"), 3);
  EXPECT_EQ(m_report->IndexOfName("nobody"), -1);
}

TEST(UserReport, TotalsAndMaximaStartingAtOne) {
  auto users = AdvNew<TUsers>();
  auto report = AdvNew<TUserReport>();
  EXPECT_EQ(report->MaxHits(), 1);
  EXPECT_EQ(report->MaxSize(), 1);
  EXPECT_EQ(report->MaxElapsed(), 1);
  EXPECT_EQ(report->MaxSessions(), 1);

  Fold(*users, {.Source = "a", .Initiated = At(10, 0, 0), .Size = 0});
  Fold(*users, {.Source = "b", .Initiated = At(9, 0, 0), .Size = 300});
  Fold(*users, {.Source = "b", .Initiated = At(9, 4, 0), .Size = 300});
  EXPECT_TRUE(report->AddUser(users->FindUser("a"), At(10, 1, 0)));
  EXPECT_FALSE(report->AddUser(users->FindUser("b"), At(10, 1, 0)));
  EXPECT_EQ(report->ActiveCount(), 1);
  EXPECT_EQ(report->TotalHits(), 3);
  EXPECT_EQ(report->TotalSize(), 600);
  EXPECT_EQ(report->TotalElapsed(), 240);
  EXPECT_EQ(report->TotalSessions(), 2);
  EXPECT_EQ(report->MaxHits(), 2);
  EXPECT_EQ(report->MaxSize(), 600);
  EXPECT_EQ(report->MaxElapsed(), 240);
  EXPECT_EQ(report->MaxSessions(), 1);

  // Entries are references: the users live on with the report.
  TUser* a = users->FindUser("a");
  EXPECT_EQ(a->ReferenceCount(), 1);
  report->Clear();
  EXPECT_EQ(a->ReferenceCount(), 0);
  EXPECT_EQ(report->TotalHits(), 0);
  EXPECT_EQ(report->MaxHits(), 1);
}

TEST(SessionReport, OrdersLatestStartFirstOnTies) {
  auto sessions = AdvNew<TSessions>();
  auto add = [&](double when, std::string_view site, uint32_t size) {
    sessions->AddHit(*MakeHit({.Destination = site, .Initiated = when, .Size = size}));
  };
  add(At(8, 0, 0), "a", 10);  // 1: 1 site, 1 hit, 0 s
  add(At(9, 0, 0), "a", 10);  // 2: 2 sites, 2 hits, 60 s
  add(At(9, 1, 0), "b", 10);
  add(At(10, 0, 0), "a", 500);  // 3: 1 site, 1 hit, 0 s, largest
  auto report = AdvNew<TSessionReport>();
  report->Fill(*sessions);
  EXPECT_EQ(report->TotalHits(), 4);
  EXPECT_EQ(report->TotalSize(), 530);
  EXPECT_EQ(report->TotalElapsed(), 60);
  EXPECT_EQ(report->TotalSites(), 4);

  auto starts = [&](TSessionOrder order) {
    report->SortBy(order);
    std::vector<int> hours;
    for (int i = 0; i < report->Count(); ++i)
      hours.push_back(int(report->GetSession(i)->Start() % 86400 / 3600));
    return hours;
  };
  EXPECT_EQ(starts(TSessionOrder::Start), (std::vector<int>{10, 9, 8}));
  EXPECT_EQ(starts(TSessionOrder::Sites), (std::vector<int>{10, 8, 9}));
  EXPECT_EQ(starts(TSessionOrder::Elapsed), (std::vector<int>{10, 8, 9}));
  EXPECT_EQ(starts(TSessionOrder::Hits), (std::vector<int>{10, 8, 9}));
  EXPECT_EQ(starts(TSessionOrder::Size), (std::vector<int>{8, 9, 10}));
}

TEST(SiteReport, OrdersAndTotals) {
  auto sites = AdvNew<TSites>();
  auto add = [&](std::string_view name, double when, uint32_t size) {
    sites->AddHit(*MakeHit({.Destination = name, .Initiated = when, .Size = size}));
  };
  add("b.com", At(10, 0, 0), 100);
  add("b.com", At(10, 0, 0), 100);
  add("A.com", At(11, 0, 0), 50);
  add("c.com", At(9, 0, 0), 200);
  add("d.com", At(11, 0, 0), 10);
  auto report = AdvNew<TSiteReport>();
  report->Fill(*sites);
  EXPECT_EQ(report->TotalHits(), 5);
  EXPECT_EQ(report->TotalSize(), 460);

  using V = std::vector<std::string>;
  report->SortBy(TSiteOrder::Name);
  EXPECT_EQ(Names(*report), (V{"A.com", "b.com", "c.com", "d.com"}));
  report->SortBy(TSiteOrder::Hits);
  EXPECT_EQ(Names(*report), (V{"A.com", "c.com", "d.com", "b.com"}));
  report->SortBy(TSiteOrder::Accessed);
  EXPECT_EQ(Names(*report), (V{"A.com", "d.com", "b.com", "c.com"}));
  report->SortBy(TSiteOrder::Size);
  EXPECT_EQ(Names(*report), (V{"b.com", "c.com", "A.com", "d.com"}));
  report->Clear();
  EXPECT_EQ(report->TotalHits(), 0);
  EXPECT_EQ(report->TotalSize(), 0);
}

TEST(HitReport, FillsReusedSlotsAndChecksTheCount) {
  auto report = AdvNew<THitReport>();
  report->BeginFill(3);
  TVexaHit* first = report->GetHit(0);
  report->Add(*MakeHit({.Source = "a", .Size = 100, .TimeTaken = 5}));
  report->Add(*MakeHit({.Source = "b", .Size = 50, .Status = kStatusBlocked, .TimeTaken = 7}));
  try {
    report->Close();
    ADD_FAILURE() << "Close accepted a short fill";
  } catch (const EAdvanced& e) {
    EXPECT_EQ(e.Message(),
              "(THitReport.Close): Hit report didn't process the correct number of hits");
  }
  report->Add(*MakeHit({.Source = "c", .Size = 10}));
  report->Close();
  EXPECT_EQ(report->GetHit(1)->Source(), "b");
  EXPECT_EQ(report->TotalSize(), 110);  // the blocked hit does not count
  EXPECT_EQ(report->TotalTimeTaken(), 5);
  EXPECT_THROW(report->Add(*MakeHit({})), EAdvanced);
  EXPECT_EQ(report->FillPosition(), 3);

  // A new fill reuses the slots; the totals go on until Clear.
  report->BeginFill(1);
  EXPECT_EQ(report->GetHit(0), first);
  EXPECT_EQ(report->Count(), 1);
  report->Add(*MakeHit({.Source = "d", .Size = 1}));
  report->Close();
  EXPECT_EQ(report->TotalSize(), 111);
  report->Clear();
  EXPECT_EQ(report->Count(), 0);
  EXPECT_EQ(report->TotalSize(), 0);
  EXPECT_THROW(report->BeginFill(-1), EAdvanced);
}

}  // namespace
