// The engine's cycle through real inputs fed by the shipped Squid loader:
// the per-input budget, enrichment, filters, how triggers make and announce
// alerts, the purge at midnight, the issue list and failing hits.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "activity/Reports.h"
#include "activity/Users.h"
#include "alerts/AlertQueues.h"
#include "alerts/Alerts.h"
#include "alerts/Triggers.h"
#include "app/Settings.h"
#include "classify/Aliases.h"
#include "classify/Profiles.h"
#include "monitor/HitFilters.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"
#include "monitor/MonitorFolders.h"
#include "monitor/Monitors.h"
#include "monitor/tests/MonitorFixture.h"

namespace monitortest {
namespace {

std::vector<std::string> Lines(int count, const std::string& user, int64_t from) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i)
    lines.push_back(SquidLine(from + i * 100, "10.0.0.1", "TCP_MISS/200", 500,
                              "http://www.example.com/page" + std::to_string(i) + ".html", user));
  return lines;
}

TAlert* UserAlert(TMonitor& monitor, const char* user, int index) {
  TUser* found = monitor.Users().FindUser(user);
  if (!found || index >= found->Alerts().Count()) return nullptr;
  return static_cast<TAlert*>(found->Alerts().GetItem(index));
}

int UserAlertCount(TMonitor& monitor, const char* user) {
  TUser* found = monitor.Users().FindUser(user);
  return found ? found->Alerts().Count() : 0;
}

// 1000 hits at 1 ms each against a budget of 100 ms: each cycle takes 99
// from each input, so the backlog goes in eleven cycles and the second input
// is never starved by the first.
TEST_F(MonitorTest, DrainsABacklogOverCyclesServingEveryInputEachCycle) {
  const int64_t t = UtcMs(2024, 3, 5, 9, 0, 0);
  TMonitorFolder& first = AddInput("first");
  TMonitorFolder& second = AddInput("second");
  Feed(first, Lines(1000, "anna", t));
  Feed(second, Lines(1000, "bert", t));
  m_clock.SetStep(1);

  EXPECT_TRUE(m_monitor->ProcessCycle());
  EXPECT_EQ(m_monitor->Users().FindUser("anna")->Hits(), 99);
  EXPECT_EQ(m_monitor->Users().FindUser("bert")->Hits(), 99);
  int cycles = 1;
  while (m_monitor->ProcessCycle()) {
    ++cycles;
    ASSERT_LT(cycles, 20);
    EXPECT_EQ(m_monitor->Users().FindUser("anna")->Hits(),
              m_monitor->Users().FindUser("bert")->Hits());
  }
  EXPECT_EQ(cycles + 1, 11);
  EXPECT_EQ(m_monitor->Counters().Accepted, 2000);
  EXPECT_FALSE(m_monitor->HasQueuedHits());
  EXPECT_TRUE(m_monitor->HitsAccepted());
}

// The tables rename source and destination, give the department and the
// file-type alias; a profile the loader set stays, an empty one is found by
// keywords, and one no profile claims is "Miscellaneous".
TEST_F(MonitorTest, EnrichesHitsAndKeepsALoaderProfile) {
  m_monitor->UserNames().FindOrAddAlias("Anna Lind")->Add("anna");
  m_monitor->SiteNames().FindOrAddAlias("Example")->Add("www.example.com");
  m_monitor->Departments().FindOrAddAlias("Sales")->Add("Anna Lind");
  m_monitor->FileTypes().FindOrAddAlias("Web Page")->Add(".html");
  m_monitor->Profiles().IncludeKeyword("News", "news");
  m_monitor->Hosts().Reindex();
  m_monitor->Departments().Reindex();
  m_monitor->FileTypes().Reindex();
  m_monitor->Profiles().Rebuild();
  AddSiteTrigger("All", {});

  TMonitorFolder& input = AddInput("in");
  // A loader that knows the category of a site gives it with the hit.
  input.SetHitHook([](TMonitorFolder&, THit& hit) {
    if (hit.Destination() == "preset.example.org") hit.SetProfile("Preset");
    return true;
  });
  const int64_t t = UtcMs(2024, 3, 5, 9, 0, 0);
  Feed(
      input,
      {SquidLine(t, "10.0.0.1", "TCP_MISS/200", 10, "http://www.example.com/a.html", "anna"),
       SquidLine(t + 1000, "10.0.0.1", "TCP_MISS/200", 10, "http://preset.example.org/news/today",
                 "anna"),
       SquidLine(t + 2000, "10.0.0.1", "TCP_MISS/200", 10, "http://daily.example.net/news/",
                 "anna"),
       SquidLine(t + 3000, "10.0.0.2", "TCP_MISS/200", 10, "http://other.example.net/x.gif", "-")});
  Drain();

  ASSERT_NE(m_monitor->Users().FindUser("Anna Lind"), nullptr);
  EXPECT_EQ(m_monitor->Users().FindUser("anna"), nullptr);
  TAlert* alert = UserAlert(*m_monitor, "Anna Lind", 0);
  ASSERT_NE(alert, nullptr);
  std::vector<int32_t> numbers;
  alert->Hits().ForEachNumber([&](int32_t n) { numbers.push_back(n); });
  ASSERT_EQ(numbers.size(), 3u);

  struct Expected {
    const char* destination;
    const char* profile;
    const char* fileType;
  };
  const Expected expected[] = {{"Example", "Miscellaneous", "Web Page"},
                               {"preset.example.org", "Preset", "Miscellaneous"},
                               {"daily.example.net", "News", "Miscellaneous"}};
  for (size_t i = 0; i < 3; ++i) {
    TVexaHit* hit = m_monitor->HitIndex().GetHit(numbers[i]);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->Source(), "Anna Lind") << i;
    EXPECT_EQ(hit->Destination(), expected[i].destination) << i;
    EXPECT_EQ(hit->Profile(), expected[i].profile) << i;
    EXPECT_EQ(hit->FileTypeAlias(), expected[i].fileType) << i;
    EXPECT_EQ(hit->Department(), "Sales") << i;
  }
  // Without a user the client address names the source; no department has it.
  ASSERT_NE(m_monitor->Users().FindUser("10.0.0.2"), nullptr);
  TAlert* other = UserAlert(*m_monitor, "10.0.0.2", 0);
  ASSERT_NE(other, nullptr);
  int32_t last = -1;
  other->Hits().ForEachNumber([&](int32_t n) { last = n; });
  EXPECT_EQ(m_monitor->HitIndex().GetHit(last)->Department(), "Miscellaneous");
}

// The input names its hits as it reads them, with the tables as they stood
// at the engine's last cycle. Hits read before a change of the tables are
// named again from the text as read: the names follow the tables in force
// when the engine takes the hit, never the names of before.
TEST_F(MonitorTest, InputNamesHitsAndTheEngineRenamesThemAfterATableChange) {
  m_monitor->UserNames().FindOrAddAlias("Anna Lind")->Add("anna");
  m_monitor->Profiles().IncludeKeyword("News", "news");
  m_monitor->Hosts().Reindex();
  m_monitor->Profiles().Rebuild();
  AddSiteTrigger("All", {});
  TMonitorFolder& input = AddInput("in");
  Drain();  // the engine hands the new input its enricher

  const int64_t t = UtcMs(2024, 3, 5, 9, 0, 0);
  Feed(input, {SquidLine(t, "10.0.0.1", "TCP_MISS/200", 10, "http://a.example.com/news", "anna")});
  ASSERT_TRUE(input.HasHits());
  EXPECT_NE(input.Front().EnrichedBy(), 0u);
  EXPECT_EQ(input.Front().Source(), "Anna Lind");
  EXPECT_EQ(input.Front().Profile(), "News");
  Drain();
  ASSERT_NE(m_monitor->Users().FindUser("Anna Lind"), nullptr);

  // Read with the old tables, taken by the engine after the change.
  Feed(input,
       {SquidLine(t + 1000, "10.0.0.1", "TCP_MISS/200", 10, "http://b.example.com/news", "anna")});
  ASSERT_EQ(input.Front().Source(), "Anna Lind");
  m_monitor->UserNames()
      .Alias(m_monitor->UserNames().IndexOfAlias("Anna Lind"))
      ->SetName("A. Lind");
  m_monitor->Hosts().Reindex();
  m_monitor->Profiles().ExcludeKeyword("News", "news");
  m_monitor->Profiles().Rebuild();
  Drain();
  TUser* renamed = m_monitor->Users().FindUser("A. Lind");
  ASSERT_NE(renamed, nullptr);
  EXPECT_EQ(renamed->Hits(), 1);
  EXPECT_EQ(m_monitor->Users().FindUser("Anna Lind")->Hits(), 1);

  // Read after the change: named with the new tables on the input.
  Feed(input,
       {SquidLine(t + 2000, "10.0.0.1", "TCP_MISS/200", 10, "http://c.example.com/news", "anna")});
  ASSERT_TRUE(input.HasHits());
  EXPECT_EQ(input.Front().Source(), "A. Lind");
  EXPECT_EQ(input.Front().Profile(), "Miscellaneous");
  Drain();
  EXPECT_EQ(renamed->Hits(), 2);
}

// The activity line an input makes with its naming is the very line the
// log makes itself: the same hits, through an input that has its enricher
// and through one that has none yet, give the same lines; a change of the
// time separator is followed at once.
TEST_F(MonitorTest, ActivityLinesMadeOnTheInputMatchTheLogsOwn) {
  EnableTrackingLog();
  m_monitor->UserNames().FindOrAddAlias("Anna Lind")->Add("anna");
  m_monitor->Hosts().Reindex();
  TMonitorFolder& early = AddInput("early");
  Drain();
  const int64_t t = UtcMs(2024, 3, 5, 9, 0, 0);
  const std::vector<std::string> lines = {
      SquidLine(t, "10.0.0.1", "TCP_MISS/200", 1234, "http://www.example.com/a?q=1", "anna"),
      SquidLine(t + 61000, "10.0.0.2", "TCP_DENIED/403", 5, "http://x.example.org/", "-")};
  Feed(early, lines);
  ASSERT_TRUE(early.HasHits());
  EXPECT_FALSE(early.Front().ActivityLine().empty());
  Drain();
  TMonitorFolder& late = AddInput("late");
  Feed(late, lines);
  EXPECT_TRUE(late.Front().ActivityLine().empty());
  Drain();
  std::vector<std::string> written = TrackingLines();
  ASSERT_EQ(written.size(), 4u);
  EXPECT_EQ(written[0], written[2]);
  EXPECT_EQ(written[1], written[3]);
  EXPECT_NE(written[0].find("\tAnna Lind\t"), std::string::npos) << written[0];

  TAdvFormatSettings format = m_monitor->Settings().FormatSettings();
  format.TimeSeparator = ".";
  m_monitor->Settings().SetFormatSettings(format);
  Feed(early, {lines[0]});
  Drain();
  written = TrackingLines();
  ASSERT_EQ(written.size(), 5u);
  EXPECT_EQ(written[4].substr(0, 19), "2024-03-05\t09.00.00") << written[4];
}

// A hit its input's filters turn away leaves no trace: no user, session,
// alert, stored hit or tracking-log line, and no flag.
TEST_F(MonitorTest, FilteredHitChangesNothing) {
  EnableTrackingLog();
  AddSiteTrigger("All", {}).SetNotify(true);
  TMonitorFolder& input = AddInput("in");
  input.Filters().Add(AdvNew<TSuccessFilter>().Detach());
  const int64_t t = UtcMs(2024, 3, 5, 9, 0, 0);
  Feed(input,
       {SquidLine(t, "10.0.0.1", "TCP_DENIED/403", 10, "http://blocked.example.com/", "anna")});
  Drain();

  EXPECT_EQ(m_monitor->Counters().Filtered, 1);
  EXPECT_EQ(m_monitor->Counters().Accepted, 0);
  EXPECT_EQ(m_monitor->Users().Count(), 0);
  EXPECT_EQ(m_monitor->HitIndex().Capacity(), 0);
  EXPECT_EQ(m_monitor->AlertQueue().Count(), 0);
  EXPECT_FALSE(m_monitor->HitsAccepted());
  EXPECT_FALSE(m_monitor->AlertRaised());
  EXPECT_TRUE(TrackingLines().empty());

  Feed(input,
       {SquidLine(t + 1000, "10.0.0.1", "TCP_MISS/200", 10, "http://ok.example.com/", "anna")});
  Drain();
  EXPECT_EQ(m_monitor->Counters().Accepted, 1);
  EXPECT_EQ(m_monitor->Users().Count(), 1);
  EXPECT_EQ(TrackingLines().size(), 2u);  // the activity line and the alert line
  EXPECT_TRUE(m_monitor->HitsAccepted());
  EXPECT_TRUE(m_monitor->AlertRaised());
}

// How two matching hits of one user come out, by NewHitAction, Refire and
// Notify: alerts made, hits per alert, and alert lines written (one per
// queue item).
TEST_F(MonitorTest, NewHitActionAndRefireDecideAlertsAndAnnouncements) {
  struct Case {
    uint8_t newHitAction;
    bool refire;
    bool notify;
    int alerts;
    int hitsPerAlert;
    size_t alertLines;
  };
  const Case cases[] = {
      {kNewAlertForEachHit, true, false, 2, 1, 2}, {kAddHitsToAlert, true, false, 1, 2, 2},
      {kAddHitsToAlert, true, true, 1, 2, 2},      {kAddHitsToAlert, false, true, 1, 2, 1},
      {kAddHitsToAlert, false, false, 1, 2, 0},
  };
  EnableTrackingLog();
  m_monitor->Settings().SetTrackingLogActivity(false);
  TMonitorFolder& input = AddInput("in");
  int64_t t = UtcMs(2024, 3, 5, 9, 0, 0);
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    const std::string user = "user" + std::to_string(n);
    const std::string name = "Bad" + std::to_string(n++);
    m_monitor->Triggers().Clear();
    THitTrigger& trigger = AddSiteTrigger(name, {"bad.example.com"});
    trigger.SetNewHitAction(c.newHitAction);
    trigger.SetRefire(c.refire);
    trigger.SetNotify(c.notify);
    const size_t before = AlertLines().size();
    Feed(input,
         {SquidLine(t, "10.0.0.1", "TCP_MISS/200", 10, "http://bad.example.com/1", user),
          SquidLine(t + 1000, "10.0.0.1", "TCP_MISS/200", 10, "http://good.example.com/", user),
          SquidLine(t + 2000, "10.0.0.1", "TCP_MISS/200", 10, "http://bad.example.com/2", user)});
    t += 3000;
    Drain();
    ASSERT_EQ(UserAlertCount(*m_monitor, user.c_str()), c.alerts);
    for (int i = 0; i < c.alerts; ++i) {
      TAlert* alert = UserAlert(*m_monitor, user.c_str(), i);
      EXPECT_EQ(alert->Name(), name);
      int hits = 0;
      alert->Hits().ForEachNumber([&](int32_t) { ++hits; });
      EXPECT_EQ(hits, c.hitsPerAlert);
    }
    EXPECT_EQ(AlertLines().size() - before, c.alertLines);
    EXPECT_EQ(m_monitor->AlertQueue().Count(), 0);
  }
}

// Alert sounds follow "PlaySound"; the input-issue sound does not.
TEST_F(MonitorTest, AlertSoundsFollowTheSettingButInputIssuesAlwaysSound) {
  AddSiteTrigger("Bad", {"bad.example.com"}).SetPriority(kPriorityHigh);
  TMonitorFolder& input = AddInput("in");
  const int64_t t = UtcMs(2024, 3, 5, 9, 0, 0);
  Feed(input, {SquidLine(t, "10.0.0.1", "TCP_MISS/200", 10, "http://bad.example.com/", "anna")});
  Drain();
  ASSERT_FALSE(m_sounds.empty());
  for (const std::string& sound : m_sounds) EXPECT_EQ(sound, "High Priority Alert");

  m_sounds.clear();
  m_monitor->Settings().SetPlaySound(false);
  Feed(input,
       {SquidLine(t + 1000, "10.0.0.1", "TCP_MISS/200", 10, "http://bad.example.com/", "bo")});
  Drain();
  EXPECT_TRUE(m_sounds.empty());
  EXPECT_EQ(UserAlertCount(*m_monitor, "bo"), 1);

  // A record the loader cannot read stops the input with a pending issue:
  // one cycle sounds it, the next does not again.
  std::ofstream(m_logFiles[0], std::ios::binary | std::ios::app) << "garbage\n";
  // Recorded as the input's issue, then passed on. Enabling the input
  // started its thread, whose own pass may meet the line first (a pass
  // asked for meanwhile returns at once); a pass that meets the file
  // changed since its listing stops and leaves it to the next pass.
  bool failed = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!failed && std::chrono::steady_clock::now() < deadline) {
    try {
      input.Pass();
    } catch (const std::exception&) {
      failed = true;
    }
    if (!failed) failed = input.IssueState().Active;
    if (!failed) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(failed);
  ASSERT_TRUE(input.IssueState().Active);
  m_monitor->ProcessCycle();
  m_monitor->ProcessCycle();
  EXPECT_EQ(m_sounds, std::vector<std::string>{"Input Issue Alert"});
  EXPECT_FALSE(input.IssueState().Pending);
}

// PurgeMode 1: the first refresh after midnight drops users whose last
// session ended before it, and dismisses and removes alerts raised before
// it; what happened after midnight stays, in its group.
TEST_F(MonitorTest, PurgeAfterMidnightDropsYesterday) {
  m_monitor->Settings().SetPurgeMode(kPurgeBeforeToday);
  AddSiteTrigger("Bad", {"bad.example.com"});
  TMonitorFolder& input = AddInput("in");
  m_clock.SetUtcMilliseconds(UtcMs(2024, 3, 5, 23, 59, 0));
  Feed(input, {SquidLine(UtcMs(2024, 3, 5, 23, 40, 0), "10.0.0.1", "TCP_MISS/200", 10,
                         "http://bad.example.com/", "alice"),
               SquidLine(UtcMs(2024, 3, 5, 23, 58, 0), "10.0.0.2", "TCP_MISS/200", 10,
                         "http://bad.example.com/", "dave")});
  Drain();
  m_monitor->RefreshStatus();
  ASSERT_NE(m_monitor->Groups().FindGroup("Bad"), nullptr);
  EXPECT_EQ(m_monitor->Groups().FindGroup("Bad")->Count(), 2);

  m_clock.SetUtcMilliseconds(UtcMs(2024, 3, 6, 0, 5, 0));
  Feed(input, {SquidLine(UtcMs(2024, 3, 6, 0, 1, 0), "10.0.0.2", "TCP_MISS/200", 10,
                         "http://good.example.com/", "dave"),
               SquidLine(UtcMs(2024, 3, 6, 0, 2, 0), "10.0.0.3", "TCP_MISS/200", 10,
                         "http://bad.example.com/", "carol")});
  Drain();
  TAdvRef<TAlert> daveAlert = TAdvRef<TAlert>::Share(UserAlert(*m_monitor, "dave", 0));
  ASSERT_TRUE(daveAlert);
  m_monitor->RefreshStatus();

  EXPECT_EQ(m_monitor->Users().FindUser("alice"), nullptr);
  ASSERT_NE(m_monitor->Users().FindUser("dave"), nullptr);
  ASSERT_NE(m_monitor->Users().FindUser("carol"), nullptr);
  EXPECT_EQ(m_monitor->Users().Count(), 2);
  EXPECT_EQ(m_monitor->ActiveUsers().Count() + m_monitor->IdleUsers().Count(), 2);
  // Dave's session runs across midnight and stays; his alert of before goes.
  EXPECT_EQ(m_monitor->Users().FindUser("dave")->Sessions().Count(), 1);
  EXPECT_EQ(UserAlertCount(*m_monitor, "dave"), 0);
  EXPECT_TRUE(daveAlert->Dismissed());
  TGroup* group = m_monitor->Groups().FindGroup("Bad");
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->Count(), 1);
  EXPECT_EQ(group->Alert(0)->User(), "carol");
}

// "No Inputs" is listed exactly while no input is enabled, dated from the
// last refresh at which one still was; an input's own issue is listed while
// it is active.
TEST_F(MonitorTest, NoInputsIssueIsListedExactlyWhenNoInputIsEnabled) {
  auto titles = [&] {
    std::vector<std::string> list;
    for (int i = 0; i < m_monitor->Issues().Count(); ++i)
      list.push_back(m_monitor->Issues().Issue(i)->Title());
    return list;
  };
  m_monitor->RefreshStatus();
  EXPECT_EQ(titles(), std::vector<std::string>{"No Inputs"});
  EXPECT_EQ(m_monitor->Issues().Issue(0)->Text(),
            "There are no configured inputs or they are not enabled.");
  EXPECT_EQ(m_monitor->Issues().Issue(0)->Style(), kIssueNoInputs);

  TMonitorFolder& input = AddInput("in");
  m_clock.SetUtcMilliseconds(UtcMs(2024, 3, 5, 11, 0, 0));
  m_monitor->RefreshStatus();
  EXPECT_TRUE(titles().empty());
  const double enabledAt = m_monitor->NoInputsIssue().Time();

  input.SetEnabled(false);
  m_clock.SetUtcMilliseconds(UtcMs(2024, 3, 5, 12, 0, 0));
  m_monitor->RefreshStatus();
  m_monitor->RefreshStatus();
  EXPECT_EQ(titles(), std::vector<std::string>{"No Inputs"});
  EXPECT_EQ(m_monitor->Issues().Issue(0)->Time(), enabledAt);
  EXPECT_TRUE(m_monitor->Issues().Issue(0)->Active());

  // A failed input is listed under its folder; a Cleared mark survives the
  // next refresh.
  input.SetEnabled(true);
  std::ofstream(m_logFiles[0], std::ios::binary | std::ios::app) << "garbage\n";
  // Recorded as the input's issue, then passed on. Enabling the input
  // started its thread, whose own pass may meet the line first (a pass
  // asked for meanwhile returns at once); a pass that meets the file
  // changed since its listing stops and leaves it to the next pass.
  bool failed = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!failed && std::chrono::steady_clock::now() < deadline) {
    try {
      input.Pass();
    } catch (const std::exception&) {
      failed = true;
    }
    if (!failed) failed = input.IssueState().Active;
    if (!failed) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(failed);
  m_monitor->RefreshStatus();
  ASSERT_EQ(m_monitor->Issues().Count(), 1);
  EXPECT_EQ(titles()[0], input.Folder().Name());
  EXPECT_EQ(m_monitor->Issues().CountToShow(), 1);
  m_monitor->Issues().Issue(0)->SetCleared(true);
  m_monitor->RefreshStatus();
  EXPECT_EQ(m_monitor->Issues().CountToShow(), 0);
}

// A trigger that raises while testing a hit.
class TFailingTrigger : public THitTrigger {
  ADV_CLASS(TFailingTrigger)

  bool Applies(const TUser& user, const TSession& session, TVexaHit& hit,
               TTriggerContext& context) override {
    if (hit.Destination() == "boom.example.com") Error("Applies", "Boom");
    return THitTrigger::Applies(user, session, hit, context);
  }

 protected:
  ~TFailingTrigger() override = default;
};
ADV_CLASS_IMPL(TFailingTrigger, THitTrigger)

// A hit whose processing fails is removed and counted once, its error is
// reported once, the cycle ends there; what the cycle queued before is still
// announced and the hits behind it are processed by the next cycle.
TEST_F(MonitorTest, FailingHitIsRemovedReportedAndCountedOnce) {
  EnableTrackingLog();
  m_monitor->Settings().SetTrackingLogActivity(false);
  auto trigger = AdvNew<TFailingTrigger>();
  trigger->SetName("Any");
  m_monitor->Triggers().Add(trigger.Detach());
  TMonitorFolder& input = AddInput("in");
  const int64_t t = UtcMs(2024, 3, 5, 9, 0, 0);
  Feed(input,
       {SquidLine(t, "10.0.0.1", "TCP_MISS/200", 10, "http://one.example.com/", "anna"),
        SquidLine(t + 1000, "10.0.0.1", "TCP_MISS/200", 10, "http://boom.example.com/", "anna"),
        SquidLine(t + 2000, "10.0.0.1", "TCP_MISS/200", 10, "http://two.example.com/", "anna")});

  EXPECT_TRUE(m_monitor->ProcessCycle());
  ASSERT_EQ(m_errors.size(), 1u);
  EXPECT_NE(m_errors[0].find("Boom"), std::string::npos);
  EXPECT_EQ(m_monitor->Counters().Failed, 1);
  EXPECT_EQ(m_monitor->Counters().Accepted, 1);
  EXPECT_EQ(AlertLines().size(), 1u);

  EXPECT_FALSE(m_monitor->ProcessCycle());
  EXPECT_EQ(m_errors.size(), 1u);
  EXPECT_EQ(m_monitor->Counters().Failed, 1);
  EXPECT_EQ(m_monitor->Counters().Accepted, 2);
  EXPECT_EQ(AlertLines().size(), 2u);
  // The hits stored before and after the failure read back.
  TAlert* alert = UserAlert(*m_monitor, "anna", 0);
  ASSERT_NE(alert, nullptr);
  std::vector<std::string> destinations;
  alert->Hits().ForEachNumber([&](int32_t n) {
    destinations.emplace_back(m_monitor->HitIndex().GetHit(n)->Destination());
  });
  EXPECT_EQ(destinations, (std::vector<std::string>{"one.example.com", "two.example.com"}));
}

// The index goes to Default.Index and back: stored hits survive a restart.
// An index that cannot be read starts an empty store, resets the activity
// (whose alerts would name lost hits), is kept aside, and is reported once.
TEST_F(MonitorTest, IndexKeepsStoredHitsAndADamagedOneResetsTheActivity) {
  AddSiteTrigger("Bad", {"bad.example.com"});
  TMonitorFolder& input = AddInput("in");
  const int64_t t = UtcMs(2024, 3, 5, 9, 0, 0);
  Feed(input, {SquidLine(t, "10.0.0.1", "TCP_MISS/200", 10, "http://bad.example.com/x", "anna")});
  Drain();
  m_monitor->SaveIndex();
  m_monitor->Restart();
  m_monitor->Inputs().StopAll();  // the passes stay the test's own
  EXPECT_TRUE(m_monitor->IsOpen());
  ASSERT_GE(m_monitor->HitIndex().Capacity(), 1);
  EXPECT_EQ(m_monitor->HitIndex().GetHit(0)->Destination(), "bad.example.com");
  EXPECT_EQ(m_monitor->Users().Count(), 1);
  EXPECT_TRUE(m_errors.empty());

  // A hit file cut short while its index survived: the store starts afresh
  // and says so; alerts that named its hits go with the activity.
  m_monitor->SaveIndex();
  m_monitor->Close();
  std::filesystem::resize_file(m_monitor->HitFileName(), 0);
  m_monitor->Open();
  m_monitor->Inputs().StopAll();
  EXPECT_EQ(m_monitor->Users().Count(), 0);
  EXPECT_EQ(m_monitor->HitIndex().Capacity(), 0);
  EXPECT_EQ(m_errors.size(), 1u);

  // An index that holds no index at all.
  Feed(input,
       {SquidLine(t + 1000, "10.0.0.1", "TCP_MISS/200", 10, "http://bad.example.com/y", "anna")});
  Drain();
  EXPECT_EQ(m_monitor->Users().Count(), 1);
  m_monitor->SaveIndex();
  m_monitor->Close();
  std::ofstream(m_monitor->IndexFileName(), std::ios::binary | std::ios::trunc) << "<damaged";
  m_monitor->Open();
  EXPECT_EQ(m_monitor->Users().Count(), 0);
  EXPECT_EQ(m_monitor->HitIndex().Capacity(), 0);
  EXPECT_EQ(m_errors.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(m_monitor->IndexFileName() + ".bad"));
}

}  // namespace
}  // namespace monitortest
