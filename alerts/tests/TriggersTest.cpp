#include "alerts/Triggers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alerts/tests/AlertFixtures.h"
#include "app/Settings.h"
#include "classify/Profiles.h"
#include "core/AdvPaths.h"
#include "monitor/HitFilters.h"
#include "testing/TestFiles.h"

namespace {

using alerttest::At;
using alerttest::MakeHit;
using alerttest::MiniEngine;

// --- Conditions -----------------------------------------------------------

class Conditions : public MiniEngine {
 protected:
  // Whether a lone trigger fires for a hit of this shape.
  bool Fires(const alerttest::THitSpec& spec) {
    const size_t before = m_raised.size();
    Process(spec);
    return m_raised.size() > before;
  }
};

TEST_F(Conditions, SizeLimitsMustBeExceeded) {
  struct Case {
    const char* field;
    uint32_t in, out;
    bool fires;
  };
  const Case cases[] = {
      {"in", 1000, 0, false}, {"in", 1001, 0, true},      {"out", 0, 1000, false},
      {"out", 0, 1001, true}, {"total", 500, 500, false}, {"total", 500, 501, true},
  };
  for (const Case& c : cases) {
    m_triggers->Clear();
    THitTrigger* t = AddTrigger<THitTrigger>("Size");
    t->SetRefire(true);
    std::string field = c.field;
    if (field == "in") t->SetIncomingSize(1000);
    if (field == "out") t->SetOutgoingSize(1000);
    if (field == "total") t->SetTotalSize(1000);
    EXPECT_EQ(Fires({.In = c.in, .Out = c.out}), c.fires) << field << " " << c.in << "/" << c.out;
  }
}

TEST_F(Conditions, ListsCompareWholeNamesIgnoringCase) {
  THitTrigger* t = AddTrigger<THitTrigger>("Lists");
  t->Users().Add("U101");
  t->Sites().Add("WWW.Example.com");
  t->Files().Add("web page");
  t->Protocols().Add("web");
  EXPECT_TRUE(Fires({}));
  EXPECT_FALSE(Fires({.User = "u1011"}));
  EXPECT_FALSE(Fires({.Url = "http://example.com/"}));
  EXPECT_FALSE(Fires({.FileType = "Image"}));
  EXPECT_FALSE(Fires({.Protocol = kProtocolSecureWeb}));
}

TEST_F(Conditions, KeywordsAreSubstringsOfTheProtocolsKeywordText) {
  THitTrigger* t = AddTrigger<THitTrigger>("Keywords");
  t->Keywords().Add("Sale");
  EXPECT_TRUE(Fires({.Url = "http://shop.test/sales/today.html"}));
  EXPECT_TRUE(Fires({.Url = "http://shop.test/x.html?q=SALE"}));
  EXPECT_FALSE(Fires({.Url = "http://shop.test/x.html?q=sal"}));

  // Mail: source | destination | subject without reply markers.
  TAdvRef<TVexaHit> mail = MakeHit({.User = "bob", .Protocol = kProtocolMail});
  mail->SetDestination("alice@corp.test");
  mail->SetResource("RE: Big sale");
  EXPECT_EQ(THitTrigger::KeywordText(*mail), "bob|alice@corp.test|big sale");
  // Other protocols: the destination only.
  TAdvRef<TVexaHit> ftp = MakeHit({.Url = "ftp://files.Sale.test/pub/a.zip"});
  ftp->SetProtocol(kProtocolSocks);
  EXPECT_EQ(THitTrigger::KeywordText(*ftp), "files.sale.test");
}

TEST_F(Conditions, PortRangesIncludeTheirBounds) {
  THitTrigger* t = AddTrigger<THitTrigger>("Ports");
  t->Ports().DestinationPort = true;
  t->Ports().DestinationPortStart = 8000;
  t->Ports().DestinationPortEnd = 8080;
  EXPECT_FALSE(Fires({.DestinationPort = 7999}));
  EXPECT_TRUE(Fires({.DestinationPort = 8000}));
  EXPECT_TRUE(Fires({.DestinationPort = 8080}));
  EXPECT_FALSE(Fires({.DestinationPort = 8081}));
  t->Ports().SourcePort = true;
  t->Ports().SourcePortStart = t->Ports().SourcePortEnd = 5;
  EXPECT_FALSE(Fires({.SourcePort = 6, .DestinationPort = 8000}));
  EXPECT_TRUE(Fires({.SourcePort = 5, .DestinationPort = 8000}));
}

TEST_F(Conditions, DepartmentFilterTakesPartOnlyWithBothLists) {
  THitTrigger* t = AddTrigger<THitTrigger>("Departments");
  t->Filter().Includes().Add("Sales");
  // Includes only: every department passes.
  EXPECT_TRUE(Fires({.Department = "Research"}));
  t->Filter().Excludes().Add("Research");
  EXPECT_FALSE(Fires({.Department = "Research"}));
  EXPECT_TRUE(Fires({.Department = "sales"}));
}

TEST_F(Conditions, ProfileFilterTakesPartWhenEnabled) {
  THitTrigger* t = AddTrigger<THitTrigger>("Profiles");
  EXPECT_FALSE(t->Profiles().Enabled());
  EXPECT_TRUE(Fires({.Profile = "News"}));
  t->Profiles().SetEnabled(true);
  t->Profiles().Includes().Add("Adult");
  EXPECT_FALSE(Fires({.Profile = "News"}));
  EXPECT_TRUE(Fires({.Profile = "adult"}));
}

TEST_F(Conditions, StatusesSelectBlockedHits) {
  THitTrigger* t = AddTrigger<THitTrigger>("Blocked");
  t->Statuses().Add("Blocked");
  EXPECT_FALSE(Fires({.Status = kStatusFailed}));
  EXPECT_TRUE(Fires({.Status = kStatusBlocked}));
}

TEST_F(Conditions, SessionTriggerAppliesWhenTheSessionReachesItsTime) {
  TSessionTrigger* t = AddTrigger<TSessionTrigger>("Hour");
  t->SetTime(3600);
  EXPECT_FALSE(Fires({.Initiated = At(9, 0, 0)}));
  EXPECT_FALSE(Fires({.Initiated = At(9, 4, 0)}));
  // Keep the session going in steps shorter than the idle gap.
  double when = At(9, 4, 0);
  for (int i = 0; i < 13; ++i) Fires({.Initiated = when += 4.0 / 1440});
  EXPECT_EQ(m_raised.size(), 0u);
  EXPECT_TRUE(Fires({.Initiated = At(10, 0, 0)}));  // exactly one hour
}

// --- Evaluation -----------------------------------------------------------

class Evaluation : public MiniEngine {};

TEST_F(Evaluation, PassesRunLowBeforeHighWhateverTheListOrder) {
  AddTrigger<THitTrigger>("High", kPriorityHigh)->SetRefire(true);
  AddTrigger<THitTrigger>("Low", kPriorityLow)->SetRefire(true);
  AddTrigger<THitTrigger>("Medium", kPriorityMedium)->SetRefire(true);
  Process({});
  EXPECT_EQ(m_raised, (std::vector<std::string>{"Low", "Low", "Medium", "Medium", "High", "High"}));
}

TEST_F(Evaluation, DisabledTriggersAreSkipped) {
  AddTrigger<THitTrigger>("Off")->SetEnabled(false);
  Process({});
  EXPECT_EQ(User("u101")->Alerts().Count(), 0);
  EXPECT_EQ(m_triggers->EnabledCount(), 0);
}

TEST_F(Evaluation, NewHitActionDecidesWhetherHitsShareAnAlert) {
  THitTrigger* each = AddTrigger<THitTrigger>("Each");
  each->SetNewHitAction(kNewAlertForEachHit);
  AddTrigger<THitTrigger>("Shared");
  Process({.Initiated = At(10, 0, 0)});
  Process({.Initiated = At(10, 0, 5)});
  TAlerts& alerts = UserAlerts("u101");
  int eachCount = 0;
  for (int i = 0; i < alerts.Count(); ++i) {
    if (alerts.Alert(i)->Name() == "Each") {
      ++eachCount;
      EXPECT_EQ(Numbers(*alerts.Alert(i)).size(), 1u);
    }
  }
  EXPECT_EQ(eachCount, 2);
  TAlert* shared = alerts.FindAlert("Shared");
  ASSERT_NE(shared, nullptr);
  // The hit is stored once and shared by every trigger that wants it.
  EXPECT_EQ(Numbers(*shared), (std::vector<int32_t>{0, 256}));
  EXPECT_EQ(shared->Alerted(), At(10, 0, 5));
  EXPECT_EQ(shared->User(), "u101");
  EXPECT_EQ(m_store->GetHit(256)->Initiated(), At(10, 0, 5));
}

TEST_F(Evaluation, RefireBringsBackADismissedAlertAndQueuesEveryHit) {
  THitTrigger* t = AddTrigger<THitTrigger>("Refire");
  t->SetNotify(true);
  Process({});
  // Notify and Refire on a new alert: one item, not two.
  EXPECT_EQ(QueuedFor("Refire"), 1);
  TAlert* alert = UserAlerts("u101").FindAlert("Refire");
  alert->SetViewed(true);
  m_groups->DismissAlert(alert);
  ASSERT_TRUE(alert->Dismissed());
  Process({.Initiated = At(10, 1, 0)});
  EXPECT_FALSE(alert->Dismissed());
  EXPECT_FALSE(alert->Viewed());
  EXPECT_EQ(QueuedFor("Refire"), 2);
  EXPECT_EQ(RaisedFor("Refire"), 3);  // made, re-fired, brought back
  // Brought back into its group at once.
  ASSERT_NE(m_groups->FindGroup("Refire"), nullptr);
  EXPECT_EQ(m_groups->FindGroup("Refire")->Alert(0), alert);
}

TEST_F(Evaluation, WithoutRefireADismissedAlertStaysDismissedButGainsHits) {
  THitTrigger* t = AddTrigger<THitTrigger>("Quiet");
  t->SetRefire(false);
  Process({});
  EXPECT_EQ(QueuedFor("Quiet"), 0);  // Notify off
  TAlert* alert = UserAlerts("u101").FindAlert("Quiet");
  m_groups->DismissAlert(alert);
  Process({.Initiated = At(10, 1, 0)});
  EXPECT_TRUE(alert->Dismissed());
  EXPECT_EQ(Numbers(*alert).size(), 2u);
  EXPECT_EQ(RaisedFor("Quiet"), 1);
  EXPECT_EQ(QueuedFor("Quiet"), 0);
}

TEST_F(Evaluation, AlertTakesTheHigherPriorityAndTheLatestDescription) {
  THitTrigger* t = AddTrigger<THitTrigger>("Bump", kPriorityHigh);
  Process({});
  TAlert* alert = UserAlerts("u101").FindAlert("Bump");
  EXPECT_EQ(alert->Priority(), kPriorityHigh);
  t->SetPriority(kPriorityLow);
  t->Sites().Add("www.example.com");
  Process({});
  EXPECT_EQ(alert->Priority(), kPriorityHigh);
  EXPECT_EQ(alert->Description(), "Sites: www.example.com.");
}

TEST_F(Evaluation, SessionTriggersRaiseOncePerSessionAndCumulativeOncePerUser) {
  TSessionTrigger* session = AddTrigger<TSessionTrigger>("Session");
  session->SetNotify(true);
  TSessionTrigger* total = AddTrigger<TSessionTrigger>("Total");
  total->SetOverall(true);
  total->SetNotify(true);
  Process({.Initiated = At(9, 0, 0)});
  Process({.Initiated = At(9, 1, 0)});
  Process({.Initiated = At(14, 0, 0)});  // a second session
  TUser* user = User("u101");
  ASSERT_EQ(user->Sessions().Count(), 2);
  for (int i = 0; i < 2; ++i) {
    TAdvNamedList& list = user->Sessions().GetSession(i)->Alerts();
    ASSERT_EQ(list.Count(), 1);
    auto* alert = static_cast<TAlert*>(list.GetItem(0));
    EXPECT_EQ(alert->Name(), "Session");
    EXPECT_EQ(alert->Hits().MemberCount(), 0);
    EXPECT_EQ(alert->Session(), user->Sessions().GetSession(i)->Start());
  }
  ASSERT_EQ(UserAlerts("u101").Count(), 1);
  EXPECT_TRUE(UserAlerts("u101").Alert(0)->Overall());
  EXPECT_EQ(QueuedFor("Session"), 2);
  EXPECT_EQ(QueuedFor("Total"), 1);
  EXPECT_EQ(RaisedFor("Session"), 2);
  EXPECT_EQ(RaisedFor("Total"), 1);
}

TEST_F(Evaluation, AlertsOfSessionsBeforeTheRetentionBoundaryAreMadeButNotRaised) {
  THitTrigger* t = AddTrigger<THitTrigger>("Old");
  t->SetRefire(false);
  t->SetNotify(true);
  m_context.CutoffSeconds = DateTimeSeconds(At(11, 0, 0));
  Process({.Initiated = At(10, 0, 0)});
  EXPECT_NE(UserAlerts("u101").FindAlert("Old"), nullptr);
  EXPECT_EQ(RaisedFor("Old"), 0);
  EXPECT_EQ(QueuedFor("Old"), 1);  // the tracking log still records it
  EXPECT_EQ(m_groups->GroupCount(), 0);
}

TEST_F(Evaluation, QueueItemsCopyTheRecipientsWhenMade) {
  THitTrigger* t = AddTrigger<THitTrigger>("Mail");
  t->SetNotify(true);
  t->Tos().Clear();
  t->Tos().SetAsText("a@x.test;b@x.test");
  t->Ccs().SetAsText("c@x.test");
  t->SetSubject("Alert");
  Process({});
  ASSERT_EQ(m_queue->Count(), 1);
  t->Tos().Clear();
  const TAlertQueueItem* item = m_queue->Item(0);
  EXPECT_EQ(item->Tos().AsText(), "a@x.test;b@x.test");
  EXPECT_EQ(item->Ccs().AsText(), "c@x.test");
  EXPECT_EQ(item->Bccs().Count(), 0);
  EXPECT_EQ(item->Subject(), "Alert");
  EXPECT_EQ(item->Trigger(), t);
}

TEST(TriggerList, FindsTriggersByNameThroughEdits) {
  TAdvRef<TTriggers> triggers = AdvNew<TTriggers>();
  auto add = [&](int index, const char* name) {
    TAdvRef<THitTrigger> t = AdvNew<THitTrigger>();
    t->SetName(name);
    THitTrigger* raw = t.Get();
    triggers->Insert(index, t.Detach());
    return raw;
  };
  THitTrigger* a = add(0, "Adult");
  THitTrigger* b = add(1, "Burst");
  EXPECT_EQ(triggers->FindTrigger("burst"), b);
  THitTrigger* front = add(0, "Burst");
  EXPECT_EQ(triggers->FindTrigger("BURST"), front);
  triggers->Exchange(0, 2);
  EXPECT_EQ(triggers->FindTrigger("Burst"), b);
  triggers->DeleteByIndex(0);
  EXPECT_EQ(triggers->FindTrigger("Burst"), front);
  EXPECT_EQ(triggers->FindTrigger("Adult"), a);
  triggers->Clear();
  EXPECT_EQ(triggers->FindTrigger("Adult"), nullptr);
}

// --- Descriptions and names ----------------------------------------------

TEST(TriggerText, DescriptionsListTheConditionsInOrder) {
  alerttest::RegisterAll();
  TAdvRef<THitTrigger> hit = AdvNew<THitTrigger>();
  EXPECT_EQ(hit->Describe(), "");
  hit->SetTotalSize(5242880);
  hit->Sites().Add("a");
  hit->Sites().Add("b");
  EXPECT_EQ(hit->Describe(), "Total size greater than 5 MB; sites: a, b.");

  TAdvRef<THitTrigger> full = AdvNew<THitTrigger>();
  full->SetMetric(kMetricKilobytes);
  full->SetIncomingSize(1536);  // 1.5 KB rounds to even: 2
  full->SetOutgoingSize(2560);  // 2.5 KB rounds to even: 2
  full->Users().Add("u1");
  full->Files().Add("Archive");
  full->Keywords().Add("poker");
  full->Filter().Includes().Add("Sales");
  full->Profiles().Includes().Add("Gambling");
  full->Protocols().Add("Web");
  full->SetThreshold(3);
  full->Ports().SourcePort = true;
  full->Ports().SourcePortStart = 1;
  full->Ports().SourcePortEnd = 1024;
  full->Ports().DestinationPort = true;
  full->Ports().DestinationPortStart = full->Ports().DestinationPortEnd = 443;
  EXPECT_EQ(full->Describe(),
            "Incoming greater than 2 KB; outgoing greater than 2 KB; users: u1; files: Archive; "
            "Keywords: poker; departments: Sales; profiles: Gambling; protocols: Web; "
            "threshold: 3; Source Port between 1 and 1024; Destination Port 443.");

  TAdvRef<TSessionTrigger> session = AdvNew<TSessionTrigger>();
  session->SetTime(5400);
  EXPECT_EQ(session->Describe(), "Sessions longer than 01:30:00.");
  session->SetOverall(true);
  EXPECT_EQ(session->Describe(), "Total elapsed time longer than 01:30:00.");
  TAdvRef<TSettings> settings = AdvNew<TSettings>();
  settings->SetDurationUnit(kDurationMinutes);
  EXPECT_EQ(session->Describe(settings.Get()),
            "Total elapsed time longer than " + settings->FormatElapsedSecondsWithUnit(5400) + ".");
}

TEST(TriggerText, LongDescriptionsAreCut) {
  TAdvRef<THitTrigger> t = AdvNew<THitTrigger>();
  for (int i = 0; i < 300; ++i) t->Sites().Add("site" + std::to_string(i) + ".test");
  const std::string text = t->Describe();
  EXPECT_EQ(text.size(), 1001u);
  EXPECT_EQ(text.substr(0, 6), "Sites:");
  EXPECT_EQ(text.back(), '.');
}

TEST(TriggerText, TypeNamesAndViewOrders) {
  TAdvRef<THitTrigger> hit = AdvNew<THitTrigger>();
  TAdvRef<TSessionTrigger> session = AdvNew<TSessionTrigger>();
  TAdvRef<TTimeRangeTrigger> range = AdvNew<TTimeRangeTrigger>();
  EXPECT_EQ(TypeName(hit.Get()), "Single");
  EXPECT_EQ(TypeName(session.Get()), "Session");
  EXPECT_EQ(TypeName(range.Get()), "Time range");
  EXPECT_EQ(TypeName(nullptr), "Unknown");
  session->SetOverall(true);
  EXPECT_EQ(TypeName(session.Get()), "Cumulative");

  hit->SetName("b");
  session->SetName("a");
  session->SetPriority(kPriorityHigh);
  hit->SetPriority(kPriorityLow);
  EXPECT_LT(CompareTriggers(*hit, *session, TTriggerOrder::Priority), 0);
  EXPECT_GT(CompareTriggers(*hit, *session, TTriggerOrder::NameDescription), 0);
  session->SetPriority(kPriorityLow);
  EXPECT_GT(CompareTriggers(*hit, *session, TTriggerOrder::Priority), 0);  // tie: by name
}

// --- Files ------------------------------------------------------------------

class TriggerFiles : public testing::Test {
 protected:
  TriggerFiles() { alerttest::RegisterAll(); }
  std::string m_folder = vexatest::MakeTempFolder("triggers");
  std::string m_file = m_folder + "/Default.Triggers";
};

TEST_F(TriggerFiles, EveryKindRoundTrips) {
  TAdvRef<TTriggers> triggers = AdvNew<TTriggers>();
  TAdvRef<THitTrigger> hit = AdvNew<THitTrigger>();
  hit->SetName("Hit & <run>");
  hit->SetEnabled(false);
  hit->SetCreated(45000.25);
  hit->SetPriority(kPriorityHigh);
  hit->SetTotalSize(int64_t(5) << 32);
  hit->SetMetric(kMetricGigabytes);
  hit->Users().Add("u1");
  hit->Filter().Includes().Add("Sales");
  hit->Filter().Excludes().Add("Research");
  hit->SetNotify(true);
  hit->Tos().SetAsText("a@x.test;b@x.test");
  hit->Bccs().Add("c@x.test");
  hit->SetSubject("Subject");
  hit->Sites().Add("s.test");
  hit->Files().Add("Archive");
  hit->Profiles().SetEnabled(true);
  hit->Profiles().Includes().Add("Adult");
  hit->Protocols().Add("Web");
  hit->SetThreshold(4);
  hit->Keywords().Add("k");
  hit->Ports().DestinationPort = true;
  hit->Ports().DestinationPortStart = 81;
  hit->SetRefire(false);
  hit->SetNewHitAction(kNewAlertForEachHit);
  hit->Statuses().Add("Blocked");
  triggers->Insert(0, hit->Retain());
  TAdvRef<TSessionTrigger> session = AdvNew<TSessionTrigger>();
  session->SetName("Session");
  session->SetOverall(true);
  session->SetTime(7200);
  triggers->Insert(1, session->Retain());

  SaveTriggersFile(*triggers, m_file);
  TAdvRef<TTriggers> loaded = AdvNew<TTriggers>();
  ASSERT_EQ(LoadTriggersFile(*loaded, m_file), "");
  ASSERT_EQ(loaded->Count(), 2);
  auto* h = AdvCast<THitTrigger>(loaded->FindTrigger("hit & <RUN>"));
  ASSERT_NE(h, nullptr);
  EXPECT_FALSE(h->Enabled());
  EXPECT_EQ(h->Created(), 45000.25);
  EXPECT_EQ(h->Priority(), kPriorityHigh);
  EXPECT_EQ(h->TotalSize(), int64_t(5) << 32);
  EXPECT_EQ(h->Metric(), kMetricGigabytes);
  EXPECT_TRUE(h->Notify());
  EXPECT_EQ(h->Tos().AsText(), "a@x.test;b@x.test");
  EXPECT_EQ(h->Bccs().AsText(), "c@x.test");
  EXPECT_EQ(h->Subject(), "Subject");
  EXPECT_EQ(h->Threshold(), 4);
  EXPECT_TRUE(h->Profiles().Enabled());
  EXPECT_EQ(h->Ports().DestinationPortStart, 81);
  EXPECT_FALSE(h->Refire());
  EXPECT_EQ(h->NewHitAction(), kNewAlertForEachHit);
  EXPECT_EQ(h->Describe(), hit->Describe());
  auto* s = AdvCast<TSessionTrigger>(loaded->Trigger(1));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Time(), 7200);
  EXPECT_TRUE(s->Overall());
  // Saved again, the file is the same.
  const std::string first = vexatest::ReadFileText(m_file);
  SaveTriggersFile(*loaded, m_file);
  EXPECT_EQ(vexatest::ReadFileText(m_file), first);
}

TEST_F(TriggerFiles, OlderFilesWithoutTheLaterFieldsKeepTheDefaults) {
  TAdvRef<TTriggers> triggers = AdvNew<TTriggers>();
  TAdvRef<THitTrigger> hit = AdvNew<THitTrigger>();
  hit->SetName("Old");
  triggers->Insert(0, hit.Detach());
  SaveTriggersFile(*triggers, m_file);
  // Cut the fields a file of an older version lacks: from Notify to Subject,
  // Keywords, Ports, Refire and NewHitAction.
  std::string text = vexatest::ReadFileText(m_file);
  // Removes whole lines, from the one holding `from` up to the one holding
  // `to`, keeping that one and the `keep` lines before it.
  auto cut = [&](const std::string& from, const std::string& to, int keep) {
    const size_t a = text.find(from);
    ASSERT_NE(a, std::string::npos) << from;
    size_t b = text.find(to, a);
    ASSERT_NE(b, std::string::npos) << to;
    for (int i = 0; i <= keep; ++i) b = text.rfind('\n', b - 1);
    const size_t lineStart = text.rfind('\n', a);
    text.erase(lineStart, b - lineStart);
  };
  cut("name=\"Notify\"", "name=\"Sites\"", 0);
  // Keywords to the end of the trigger, whose closing line is kept.
  cut("name=\"Keywords\"", "    </item>", 1);
  vexatest::WriteFileText(m_file, text);
  TAdvRef<TTriggers> loaded = AdvNew<TTriggers>();
  ASSERT_EQ(LoadTriggersFile(*loaded, m_file), "") << text;
  auto* h = AdvCast<THitTrigger>(loaded->FindTrigger("Old"));
  ASSERT_NE(h, nullptr);
  EXPECT_FALSE(h->Notify());
  EXPECT_EQ(h->Tos().AsText(), TTrigger::kPlaceholderRecipient);
  EXPECT_TRUE(h->Refire());
  EXPECT_EQ(h->NewHitAction(), kAddHitsToAlert);
}

TEST_F(TriggerFiles, ADamagedFileIsKeptAsideAndChangesNothing) {
  TAdvRef<TTriggers> triggers = AdvNew<TTriggers>();
  TAdvRef<THitTrigger> keep = AdvNew<THitTrigger>();
  keep->SetName("Keep");
  triggers->Insert(0, keep.Detach());
  vexatest::WriteFileText(m_file, "<object name=\"Triggers\" classname=\"TTriggers\">\n  <item");
  const std::string error = LoadTriggersFile(*triggers, m_file);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(triggers->Count(), 1);
  EXPECT_TRUE(FileExists(m_file + ".bad"));
  EXPECT_FALSE(FileExists(m_file));
  // A missing file is no error.
  EXPECT_EQ(LoadTriggersFile(*triggers, m_file), "");
  EXPECT_EQ(triggers->Count(), 1);
}

TEST_F(TriggerFiles, AFileCannotPutAForeignObjectIntoATrigger) {
  TAdvRef<TTriggers> triggers = AdvNew<TTriggers>();
  TAdvRef<THitTrigger> hit = AdvNew<THitTrigger>();
  hit->SetName("X");
  triggers->Insert(0, hit.Detach());
  SaveTriggersFile(*triggers, m_file);
  std::string text = vexatest::ReadFileText(m_file);
  const size_t at = text.find("classname=\"TDepartmentFilter\"");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 29, "classname=\"TTriggerPorts\"");
  vexatest::WriteFileText(m_file, text);
  TAdvRef<TTriggers> loaded = AdvNew<TTriggers>();
  EXPECT_FALSE(LoadTriggersFile(*loaded, m_file).empty());
  EXPECT_EQ(loaded->Count(), 0);
}

TEST_F(TriggerFiles, TheShippedTriggersLoadAndUseRealProfiles) {
  const std::string shipped = vexatest::SourceDir() + "/share/vexa/Default.Triggers";
  TAdvRef<TTriggers> triggers = AdvNew<TTriggers>();
  ASSERT_EQ(LoadTriggersFile(*triggers, shipped), "");
  ASSERT_GE(triggers->Count(), 5);
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  profiles->LoadFromFile(vexatest::SourceDir() + "/share/vexa/Default.Profiles");
  bool timeRange = false;
  bool session = false;
  for (int i = 0; i < triggers->Count(); ++i) {
    TTrigger* t = triggers->Trigger(i);
    EXPECT_FALSE(t->Name().empty());
    EXPECT_FALSE(t->Describe().empty()) << t->Name();
    timeRange = timeRange || t->IsTimeRange();
    session = session || AdvCast<TSessionTrigger>(t);
    if (auto* hit = AdvCast<THitTrigger>(t)) {
      const TAdvStrings& names = hit->Profiles().Includes();
      for (int j = 0; j < names.Count(); ++j)
        EXPECT_NE(profiles->ProfileByName(names.GetItem(j)), nullptr) << names.GetItem(j);
    }
  }
  EXPECT_TRUE(timeRange);
  EXPECT_TRUE(session);
}

}  // namespace
