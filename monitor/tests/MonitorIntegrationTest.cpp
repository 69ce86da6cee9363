// The whole path as the program runs it: a folder of Squid logs read by the
// shipped loader module on the inputs' own threads, drained by the engine's
// cycle with a hit trigger and a session trigger and the tracking log on.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "activity/Reports.h"
#include "activity/Users.h"
#include "alerts/Alerts.h"
#include "alerts/Triggers.h"
#include "app/Settings.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"
#include "monitor/MonitorFolders.h"
#include "monitor/Monitors.h"
#include "monitor/tests/MonitorFixture.h"

namespace monitortest {
namespace {

struct TLog {
  std::vector<std::string> Lines;
  int Casino = 0;
  std::map<std::string, int> HitsOf;
};

// `count` requests of one user every `step` seconds from `from`, to the
// casino at the given offsets and to an ordinary site otherwise.
void Visit(TLog& log, const std::string& client, const std::string& user, int64_t from, int count,
           int step, std::set<int> casinoAt) {
  for (int i = 0; i < count; ++i) {
    const bool casino = casinoAt.count(i) > 0;
    const std::string url = casino ? "http://casino.example.com/play?stake=" + std::to_string(i)
                                   : "http://www.example.com/news/" + std::to_string(i) + ".html";
    log.Lines.push_back(
        SquidLine(from + int64_t(i) * step * 1000, client, "TCP_MISS/200", 1000 + i, url, user));
    if (casino) ++log.Casino;
    ++log.HitsOf[user == "-" ? client : user];
  }
}

TEST_F(MonitorTest, LogFolderThroughTheEngineGivesUsersSessionsAlertsAndTrackingLines) {
  m_clock.SetUtcMilliseconds(UtcMs(2024, 3, 5, 12, 0, 0));
  EnableTrackingLog();
  THitTrigger& casino = AddSiteTrigger("Gambling", {"casino.example.com"});
  casino.SetPriority(kPriorityHigh);
  auto session = AdvNew<TSessionTrigger>();
  session->SetName("Long session");
  session->SetTime(600);
  m_monitor->Triggers().Add(session.Detach());

  // Two files: alice (two sessions, 20 minutes apart) and bob in one, a
  // client without a user name in the other.
  TLog first;
  Visit(first, "10.0.0.1", "alice", UtcMs(2024, 3, 5, 9, 0, 0), 16, 60, {5, 10});
  Visit(first, "10.0.0.1", "alice", UtcMs(2024, 3, 5, 9, 40, 0), 3, 60, {1});
  Visit(first, "10.0.0.2", "bob", UtcMs(2024, 3, 5, 10, 0, 0), 5, 60, {2});
  TLog second;
  Visit(second, "10.0.0.3", "-", UtcMs(2024, 3, 5, 11, 0, 0), 11, 120, {});
  const std::string folder = m_folder + "/proxy";
  std::filesystem::create_directories(folder);
  for (auto [name, log] : {std::pair{"access.log", &first}, std::pair{"cache.log", &second}}) {
    std::ofstream out(folder + "/" + name, std::ios::binary);
    for (const std::string& line : log->Lines) out << line << '\n';
  }
  const int total = int(first.Lines.size() + second.Lines.size());

  auto input = AdvNew<TMonitorFolder>();
  input->SetFolder(new TFolder(folder));
  input->SetLoader(SquidLoader().Detach());
  input->SetIgnoreModifiedTime(true);
  input->SetTimer(20);
  m_monitor->Inputs().AddInput(input.Detach());  // starts its thread

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (m_monitor->Counters().Accepted < total && std::chrono::steady_clock::now() < deadline) {
    if (!m_monitor->ProcessCycle()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(m_monitor->Counters().Accepted, total);
  EXPECT_TRUE(m_errors.empty()) << m_errors[0];
  m_monitor->RefreshStatus();

  // Users and sessions.
  TUsers& users = m_monitor->Users();
  ASSERT_EQ(users.Count(), 3);
  struct ExpectedUser {
    const char* name;
    int sessions;
    int hits;
  };
  for (const ExpectedUser& e :
       {ExpectedUser{"alice", 2, 19}, ExpectedUser{"bob", 1, 5}, ExpectedUser{"10.0.0.3", 1, 11}}) {
    TUser* user = users.FindUser(e.name);
    ASSERT_NE(user, nullptr) << e.name;
    EXPECT_EQ(user->Sessions().Count(), e.sessions) << e.name;
    EXPECT_EQ(user->Hits(), e.hits) << e.name;
  }
  EXPECT_EQ(users.FindUser("alice")->Sessions().GetSession(0)->ElapsedSeconds(), 900);

  // Alerts: the casino alert of each user collects its casino hits, which
  // read back from the store; the long sessions have a session alert.
  std::map<std::string, int> casinoHits;
  for (const char* name : {"alice", "bob"}) {
    TUser* user = users.FindUser(name);
    ASSERT_EQ(user->Alerts().Count(), 1) << name;
    auto* alert = static_cast<TAlert*>(user->Alerts().GetItem(0));
    EXPECT_EQ(alert->Name(), "Gambling");
    EXPECT_EQ(alert->Priority(), kPriorityHigh);
    alert->Hits().ForEachNumber([&](int32_t n) {
      TVexaHit* hit = m_monitor->HitIndex().GetHit(n);
      EXPECT_EQ(hit->Destination(), "casino.example.com");
      EXPECT_EQ(hit->Source(), name);
      ++casinoHits[name];
    });
  }
  EXPECT_EQ(casinoHits["alice"], 3);
  EXPECT_EQ(casinoHits["bob"], 1);
  EXPECT_EQ(users.FindUser("alice")->Sessions().GetSession(0)->Alerts().Count(), 1);
  EXPECT_EQ(users.FindUser("alice")->Sessions().GetSession(1)->Alerts().Count(), 0);
  EXPECT_EQ(users.FindUser("bob")->Sessions().GetSession(0)->Alerts().Count(), 0);
  EXPECT_EQ(users.FindUser("10.0.0.3")->Sessions().GetSession(0)->Alerts().Count(), 1);
  ASSERT_NE(m_monitor->Groups().FindGroup("Gambling"), nullptr);
  EXPECT_EQ(m_monitor->Groups().FindGroup("Gambling")->Count(), 2);
  ASSERT_NE(m_monitor->Groups().FindGroup("Long session"), nullptr);
  EXPECT_EQ(m_monitor->Groups().FindGroup("Long session")->Count(), 2);
  EXPECT_TRUE(m_monitor->AlertRaised());

  // Tracking log: one activity line per hit, one alert line per casino hit
  // (the hit trigger re-fires); the session trigger, without Notify, is
  // never queued.
  std::map<std::string, int> activity;
  int alertLines = 0;
  for (const std::string& line : TrackingLines()) {
    std::vector<std::string> fields;
    size_t from = 0;
    for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
      fields.push_back(line.substr(from, tab - from));
    fields.push_back(line.substr(from));
    ASSERT_EQ(fields.size(), 11u) << line;
    if (fields[5] == "-") {
      ++activity[fields[2]];
    } else {
      EXPECT_EQ(fields[5], "Gambling");
      EXPECT_EQ(fields[6], "casino.example.com");
      ++alertLines;
    }
  }
  EXPECT_EQ(activity["alice"], 19);
  EXPECT_EQ(activity["bob"], 5);
  EXPECT_EQ(activity["10.0.0.3"], 11);
  EXPECT_EQ(alertLines, first.Casino + second.Casino);
}

}  // namespace
}  // namespace monitortest
