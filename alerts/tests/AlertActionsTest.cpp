#include "alerts/AlertActions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "activity/Users.h"
#include "alerts/AlertQueues.h"
#include "alerts/Alerts.h"
#include "alerts/TrackingLogs.h"
#include "alerts/Triggers.h"
#include "app/Settings.h"
#include "core/AdvDates.h"
#include "core/AdvFactories.h"
#include "mail/EmailTasks.h"
#include "mail/MailClasses.h"
#include "monitor/CompressFiles.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

double At(int hour, int minute, int second) {
  return EncodeDateTime(2024, 3, 5, hour, minute, second);
}

TAdvRef<TVexaHit> MakeHit(const std::string& site, double when, uint32_t size,
                          const std::string& resource = "/", const std::string& profile = "") {
  auto hit = AdvNew<TVexaHit>();
  hit->SetSource("u101");
  hit->SetDestination(site);
  hit->SetResource(resource);
  hit->SetProfile(profile);
  hit->SetInitiated(when);
  hit->SetProtocol(kProtocolWeb);
  hit->Data().SourceAddress = 0x0A010203;
  hit->Data().SourceSize = size;
  return hit;
}

std::vector<std::string> BodyLines(const TEmailTask& task) {
  std::vector<std::string> lines;
  for (int i = 0; i < task.Body().Count(); ++i) lines.push_back(task.Body().GetItem(i));
  return lines;
}

class AlertActionsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterCoreClasses();
    RegisterHitClasses();
    RegisterMailClasses();
    RegisterAlertClasses();
  }

  void SetUp() override {
    m_settings->SetSizeUnit(kSizeKilobytes);
    m_settings->SetTrackingLogLocation(m_folder);
    m_settings->SetTrackingLogAlerts(true);
    m_log->SetSettings(m_settings.Get());
    m_store->AttachFile(m_file.Get());
    m_store->OpenFile(m_folder + "/Default.Hits", false);
    m_log->SetHitStore(m_store.Get());
    m_context.Settings = m_settings.Get();
    m_context.TrackingLog = m_log.Get();
    m_context.Users = m_users.Get();
    m_context.HitStore = m_store.Get();
    m_context.SendEmail = [this](TEmailTask* task) { m_sent.emplace_back(task); };
  }
  void TearDown() override { m_store->CloseFile(); }

  // Folds the hit into the activity as the engine does; returns its session.
  TSession* Fold(const TVexaHit& hit) {
    TUser* user = m_users->FindForHit(hit);
    return user->Sessions().AddHit(hit);
  }
  int32_t Store(const TVexaHit& hit) {
    m_store->BeginBatch();
    const int32_t index = m_store->Add(const_cast<TVexaHit*>(&hit));
    m_store->EndBatch();
    return index;
  }
  TAdvRef<TAlert> MakeAlert(const std::string& name, const TSession* session) {
    auto alert = AdvNew<TAlert>(name);
    alert->SetUser("u101");
    alert->SetIP(0x0A010203);
    if (session) alert->SetSession(session->Start());
    return alert;
  }
  TAdvRef<TTrigger> MakeTrigger(bool notify, const std::string& subject = "Alert mail") {
    auto trigger = AdvNew<TTrigger>();
    trigger->SetNotify(notify);
    trigger->Tos().Clear();
    trigger->Tos().Add("boss@example.com");
    trigger->Ccs().Add("audit@example.com");
    trigger->SetSubject(subject);
    return trigger;
  }
  std::vector<std::vector<std::string>> LogLines() const {
    std::vector<std::vector<std::string>> lines;
    const std::string text = vexatest::ReadFileText(m_folder + "/" + m_log->FileName());
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2) {
      const std::string line = text.substr(from, at - from);
      if (line.empty() || line[0] == '#') continue;
      std::vector<std::string> fields;
      size_t f = 0;
      for (size_t t; (t = line.find('\t', f)) != std::string::npos; f = t + 1)
        fields.push_back(line.substr(f, t - f));
      fields.push_back(line.substr(f));
      lines.push_back(fields);
    }
    return lines;
  }

  std::string m_folder = vexatest::MakeTempFolder("actions");
  TAdvRef<TSettings> m_settings = AdvNew<TSettings>();
  TAdvRef<TTrackingLog> m_log = AdvNew<TTrackingLog>();
  TAdvRef<TUsers> m_users = AdvNew<TUsers>();
  TAdvRef<TCompressFile> m_file = AdvNew<TCompressFile>();
  TAdvRef<THitIndicies> m_store = AdvNew<THitIndicies>();
  TAdvRef<TAlertQueue> m_queue = AdvNew<TAlertQueue>();
  TAlertActionContext m_context;
  std::vector<TAdvRef<TEmailTask>> m_sent;
};

TEST_F(AlertActionsTest, AppendTableLaysOutColumnsRightAligned) {
  auto body = AdvNew<TAdvStrings>();
  AppendTable(*body, {"Name", "Hits"}, {{"abc.com", "3"}}, {"Total: 1", "3"});
  std::vector<std::string> lines;
  for (int i = 0; i < body->Count(); ++i) lines.push_back(body->GetItem(i));
  const std::string separator(14, '-');
  EXPECT_EQ(lines, (std::vector<std::string>{"", separator, "    Name  Hits  ", separator,
                                             " abc.com     3  ", separator, "Total: 1     3  ",
                                             separator}));
}

TEST_F(AlertActionsTest, RoundedSizeHalvesToEven) {
  struct {
    int64_t Bytes, Divisor, Expected;
  } cases[] = {{1536, 1024, 2}, {2560, 1024, 2}, {3584, 1024, 4},      {1535, 1024, 1},
               {0, 1024, 0},    {777, 1, 777},   {524288, 1048576, 0}, {1572864, 1048576, 2}};
  for (const auto& c : cases) EXPECT_EQ(RoundedSize(c.Bytes, c.Divisor), c.Expected) << c.Bytes;
}

TEST_F(AlertActionsTest, SessionAlertMailHasHeaderAndSitesTable) {
  Fold(*MakeHit("www.a.com", At(10, 0, 0), 1000));
  TSession* session = Fold(*MakeHit("www.a.com", At(10, 2, 0), 536));
  auto alert = MakeAlert("Big Downloads", session);
  auto trigger = MakeTrigger(true);
  m_queue->Append(alert.Get(), trigger.Get());
  DispatchAlerts(*m_queue, m_context);

  EXPECT_EQ(m_queue->Count(), 0);
  ASSERT_EQ(m_sent.size(), 1u);
  const TEmailTask& mail = *m_sent[0];
  EXPECT_EQ(mail.Subject(), "Alert mail");
  EXPECT_EQ(mail.Tos().AsText(), "boss@example.com");
  EXPECT_EQ(mail.Ccs().AsText(), "audit@example.com");
  EXPECT_EQ(mail.Bccs().Count(), 0);
  const std::string separator(52, '-');
  EXPECT_EQ(BodyLines(mail), (std::vector<std::string>{
                                 "",
                                 "Alert: Big Downloads",
                                 "User: u101 [10.1.2.3]",
                                 "Started: 05/03/2024 10:00:00",
                                 "Elapsed: 00:02:00",
                                 "",
                                 separator,
                                 "Site/Recipient  Hits  Size (KB)        Last Accessed  ",
                                 separator,
                                 "     www.a.com     2          2  05/03/2024 10:02:00  ",
                                 separator,
                                 "      Total: 1     2          2  ",
                                 separator,
                             }));
}

TEST_F(AlertActionsTest, SitesTableRoundsEachSiteAndTheTotal) {
  Fold(*MakeHit("www.a.com", At(10, 0, 0), 1536));
  TSession* session = Fold(*MakeHit("www.b.com", At(10, 1, 0), 2560));
  auto alert = MakeAlert("Sites", session);
  auto trigger = MakeTrigger(true);
  m_queue->Append(alert.Get(), trigger.Get());
  DispatchAlerts(*m_queue, m_context);
  ASSERT_EQ(m_sent.size(), 1u);
  const auto lines = BodyLines(*m_sent[0]);
  auto hasLine = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(hasLine("     www.a.com     1          2  05/03/2024 10:00:00  "));
  EXPECT_TRUE(hasLine("     www.b.com     1          2  05/03/2024 10:01:00  "));
  EXPECT_TRUE(hasLine("      Total: 2     2          4  "));
}

TEST_F(AlertActionsTest, CumulativeAlertMailHasSessionsTableWithoutHits) {
  m_settings->SetSizeUnit(kSizeMegabytes);
  Fold(*MakeHit("www.a.com", At(9, 0, 0), 1048576));
  Fold(*MakeHit("www.b.com", At(9, 0, 30), 1048576));
  Fold(*MakeHit("www.a.com", At(12, 0, 0), 524288));
  TSession* last = Fold(*MakeHit("www.a.com", At(12, 0, 10), 524288));
  ASSERT_EQ(m_users->FindUser("u101")->Sessions().Count(), 2);
  auto alert = MakeAlert("Daily Volume", last);
  alert->SetOverall(true);
  auto trigger = MakeTrigger(true);
  m_queue->Append(alert.Get(), trigger.Get());
  DispatchAlerts(*m_queue, m_context);
  ASSERT_EQ(m_sent.size(), 1u);
  const auto lines = BodyLines(*m_sent[0]);
  ASSERT_EQ(lines.size(), 5u + 4 + 2 + 3);
  EXPECT_EQ(lines[3], "Started: 05/03/2024 12:00:00");
  EXPECT_EQ(lines[7], "      Session Start  Sites  Elapsed (H:M:S)  Hits  Size (MB)  ");
  EXPECT_EQ(lines[9], "05/03/2024 09:00:00      2         00:00:30     2       2.00  ");
  EXPECT_EQ(lines[10], "05/03/2024 12:00:00      1         00:00:10     2       1.00  ");
  EXPECT_EQ(lines[12], "           Total: 2      3         00:00:40     4       3.00  ");
}

TEST_F(AlertActionsTest, HitAlertMailHasHitsTableAndFooter) {
  m_settings->SetSizeUnit(kSizeMegabytes);
  auto first = MakeHit("www.a.com", At(10, 0, 0), 2097152, "/big.iso", "Downloads");
  auto second = MakeHit("www.b.com", EncodeDate(2024, 3, 6), 1048576, "/x.zip", "Downloads");
  second->SetStatus(kStatusFailed);
  Fold(*first);
  TSession* session = Fold(*second);
  auto alert = MakeAlert("Downloads", session);
  alert->Hits().AddValue(Store(*first));
  alert->Hits().AddValue(Store(*second));
  auto trigger = MakeTrigger(true);
  m_queue->Append(alert.Get(), trigger.Get());
  DispatchAlerts(*m_queue, m_context);
  ASSERT_EQ(m_sent.size(), 1u);
  const auto lines = BodyLines(*m_sent[0]);
  const std::vector<std::string> tail(lines.end() - 13, lines.end());
  const std::string separator(74, '-');
  EXPECT_EQ(tail,
            (std::vector<std::string>{
                "",
                separator,
                "          Initiated  Site/Recipient  Resource/Subject  Size(MB)    Profile  ",
                separator,
                "05/03/2024 10:00:00       www.a.com          /big.iso      2.00  Downloads  ",
                "         06/03/2024       www.b.com            /x.zip      1.00  Downloads  ",
                separator,
                "           Total: 2                                        2.00             ",
                separator,
                "",
                "Generated by Vexa 2.2",
                kAlertMailWebAddress,
                kAlertMailSupportAddress,
            }));
}

TEST_F(AlertActionsTest, GoneUserLeavesOutHeaderAndSessionTables) {
  auto alert = MakeAlert("Renamed", nullptr);
  alert->SetUser("nobody");
  auto trigger = MakeTrigger(true);
  m_queue->Append(alert.Get(), trigger.Get());
  alert->SetOverall(true);
  m_queue->Append(alert.Get(), trigger.Get());
  DispatchAlerts(*m_queue, m_context);
  ASSERT_EQ(m_sent.size(), 2u);
  EXPECT_EQ(m_sent[0]->Body().Count(), 0);
  EXPECT_EQ(m_sent[1]->Body().Count(), 0);
}

TEST_F(AlertActionsTest, NotifyOffStillLogsEveryQueuedItem) {
  TSession* session = Fold(*MakeHit("www.a.com", At(10, 0, 0), 100));
  auto hit = MakeHit("www.a.com", At(10, 0, 5), 100, "/p");
  Fold(*hit);
  auto alert = MakeAlert("Refire", session);
  alert->Hits().AddValue(Store(*hit));
  auto quiet = MakeTrigger(false);
  for (int i = 0; i < 3; ++i) m_queue->Append(alert.Get(), quiet.Get());
  DispatchAlerts(*m_queue, m_context);
  EXPECT_TRUE(m_sent.empty());
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0][1], "10:00:05.000");
  EXPECT_EQ(lines[0][2], "u101");
  EXPECT_EQ(lines[0][5], "Refire");
  EXPECT_EQ(lines[0][7], "http://www.a.com/p");
}

TEST_F(AlertActionsTest, NotifyIsReadAtDispatchTime) {
  TSession* session = Fold(*MakeHit("www.a.com", At(10, 0, 0), 100));
  auto alert = MakeAlert("Late switch", session);
  auto trigger = MakeTrigger(false);
  m_queue->Append(alert.Get(), trigger.Get());
  trigger->SetNotify(true);
  trigger->SetSubject("changed later");
  DispatchAlerts(*m_queue, m_context);
  ASSERT_EQ(m_sent.size(), 1u);
  EXPECT_EQ(m_sent[0]->Subject(), "Alert mail");  // the copy taken when queued
}

TEST_F(AlertActionsTest, FailingItemIsNeverRepeatedAndLaterItemsWait) {
  TSession* session = Fold(*MakeHit("www.a.com", At(10, 0, 0), 100));
  std::vector<TAdvRef<TAlert>> alerts;
  std::vector<TAdvRef<TTrigger>> triggers;
  for (const char* name : {"one", "two", "three", "four"}) {
    alerts.push_back(MakeAlert(name, session));
    triggers.push_back(MakeTrigger(true, name));
    m_queue->Append(alerts.back().Get(), triggers.back().Get());
  }
  m_context.SendEmail = [this](TEmailTask* task) {
    TAdvRef<TEmailTask> held(task);
    if (task->Subject() == "two") throw std::runtime_error("relay refused the hand-over");
    m_sent.push_back(held);
  };
  EXPECT_THROW(DispatchAlerts(*m_queue, m_context), std::runtime_error);
  ASSERT_EQ(m_sent.size(), 1u);
  ASSERT_EQ(m_queue->Count(), 2);
  EXPECT_EQ(m_queue->Item(0)->Subject(), "three");
  EXPECT_EQ(m_queue->Item(1)->Subject(), "four");

  // The next dispatch goes on where the last one stopped.
  DispatchAlerts(*m_queue, m_context);
  EXPECT_EQ(m_queue->Count(), 0);
  std::vector<std::string> subjects;
  for (const auto& task : m_sent) subjects.push_back(task->Subject());
  EXPECT_EQ(subjects, (std::vector<std::string>{"one", "three", "four"}));
  std::vector<std::string> logged;
  for (const auto& line : LogLines()) logged.push_back(line[5]);
  EXPECT_EQ(logged, (std::vector<std::string>{"one", "two", "three", "four"}));
}

}  // namespace
