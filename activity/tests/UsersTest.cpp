#include "activity/Users.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "activity/ActivityClasses.h"
#include "activity/Reports.h"
#include "activity/tests/ActivityFixtures.h"
#include "core/AdvBinaryFilers.h"
#include "core/AdvFactories.h"
#include "core/AdvPaths.h"
#include "platform/Clock.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

using activitytest::At;
using activitytest::MakeAlert;
using activitytest::MakeHit;
using activitytest::SecondsAt;
using activitytest::THitSpec;
using activitytest::TRecordingSink;

// The engine's per-hit step.
TSession* Fold(TUsers& users, const THitSpec& spec, int64_t gap = 300) {
  TAdvRef<TVexaHit> hit = MakeHit(spec);
  TUser* user = users.FindForHit(*hit);
  user->Sessions().SetGap(gap);
  return user->Sessions().AddHit(*hit);
}

std::vector<std::string> Names(const TReport& report) {
  std::vector<std::string> names;
  for (int i = 0; i < report.Count(); ++i) names.push_back(report.GetSummary(i)->Name());
  return names;
}

TEST(Users, FoldingCountsTheUserAndItsLatestHit) {
  auto users = AdvNew<TUsers>();
  Fold(*users, {.Source = "u101",
                .Destination = "a.com",
                .Initiated = At(10, 0, 0),
                .Protocol = kProtocolSecureWeb,
                .Address = 0x0A010203});
  // Older hit: counted, but the latest stays.
  Fold(*users, {.Source = "U101",
                .Destination = "b.com",
                .Initiated = At(9, 0, 0),
                .Protocol = kProtocolMail,
                .Address = 0x0A0A0A0A});
  TUser* user = users->FindUser("u101");
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(users->Count(), 1);
  EXPECT_EQ(user->Hits(), 2);
  EXPECT_EQ(user->Size(), 200);
  EXPECT_EQ(user->Destination(), "a.com");
  EXPECT_EQ(user->Protocol(), kProtocolSecureWeb);
  EXPECT_EQ(user->IP(), 0x0A010203u);
  EXPECT_EQ(user->Accessed(), At(10, 0, 0));

  // Same time counts as the latest; no address keeps the known one.
  Fold(*users, {.Source = "u101", .Destination = "c.com", .Initiated = At(10, 0, 0)});
  EXPECT_EQ(user->Destination(), "c.com");
  EXPECT_EQ(user->IP(), 0x0A010203u);
  EXPECT_EQ(user->Sessions().Count(), 2);
}

TEST(Users, ActiveUntilTheGapHasPassed) {
  auto users = AdvNew<TUsers>();
  Fold(*users, {.Destination = "news.site", .Initiated = At(10, 0, 0)});
  TUser* user = users->FindUser("u101");
  EXPECT_TRUE(user->IsActive(At(10, 5, 0)));
  EXPECT_EQ(user->StatusText(At(10, 5, 0)), "news.site");
  EXPECT_FALSE(user->IsActive(At(10, 5, 1)));
  EXPECT_EQ(user->StatusText(At(10, 5, 1)), "Idle");
  // A clock set back before the last hit reads active, not idle.
  EXPECT_TRUE(user->IsActive(At(9, 0, 0)));
}

TEST(Users, RenameMergesIntoAnExistingUserAndRenamesItsAlerts) {
  auto users = AdvNew<TUsers>();
  Fold(*users, {.Source = "u101", .Initiated = At(10, 0, 0)});
  Fold(*users, {.Source = "Front Desk", .Initiated = At(10, 3, 0)});
  Fold(*users, {.Source = "Front Desk", .Initiated = At(14, 0, 0)});
  TUser* old = users->FindUser("u101");
  old->Alerts().Add(MakeAlert("Gaming", At(10, 0, 0), "u101").Detach());
  old->Sessions().GetSession(0)->AddAlert(MakeAlert("Chat", At(10, 0, 0), "u101").Get());

  TRecordingSink sink;
  TUser* merged = users->RenameUser("U101", "front desk", &sink);
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(users->Count(), 1);
  EXPECT_EQ(users->FindUser("u101"), nullptr);
  EXPECT_EQ(merged->Name(), "Front Desk");
  EXPECT_EQ(merged->Hits(), 3);
  ASSERT_EQ(merged->Sessions().Count(), 2);
  EXPECT_EQ(merged->Sessions().GetSession(0)->Hits(), 2);
  auto* userAlert = static_cast<activitytest::TTestAlert*>(merged->Alerts().GetItem(0));
  auto* sessionAlert =
      static_cast<activitytest::TTestAlert*>(merged->Sessions().GetSession(0)->Alerts().GetItem(0));
  EXPECT_EQ(userAlert->User, "Front Desk");
  EXPECT_EQ(sessionAlert->User, "Front Desk");

  // A plain rename keeps the user object, now found under the new name.
  TUser* renamed = users->RenameUser("Front Desk", "Reception", nullptr);
  EXPECT_EQ(renamed, merged);
  EXPECT_EQ(users->FindUser("reception"), merged);
  EXPECT_EQ(users->FindUser("Front Desk"), nullptr);
  EXPECT_EQ(users->RenameUser("nobody", "x", nullptr), nullptr);
}

class UsersPurge : public testing::Test {
 protected:
  void SetUp() override {
    m_users = AdvNew<TUsers>();
    m_active = AdvNew<TOnlineUsers>();
    m_idle = AdvNew<TOfflineUsers>();
  }

  void Purge(int64_t cutoff, double now, bool sortRecent = true) {
    m_users->Purge({.CutoffSeconds = cutoff, .Gap = 300, .Now = now, .SortRecent = sortRecent},
                   *m_active, *m_idle, &m_sink);
  }

  TAdvRef<TUsers> m_users;
  TAdvRef<TOnlineUsers> m_active;
  TAdvRef<TOfflineUsers> m_idle;
  TRecordingSink m_sink;
};

TEST_F(UsersPurge, BeforeTodayDropsYesterdayAndKeepsSessionsEndingAfterMidnight) {
  // u1 ended before midnight; u2 has an old session and one spanning midnight.
  Fold(*m_users, {.Source = "u1", .Initiated = At(23, 50, 0, 5)});
  Fold(*m_users, {.Source = "u2", .Initiated = At(20, 0, 0, 5)});
  Fold(*m_users, {.Source = "u2", .Initiated = At(23, 58, 0, 5)});
  Fold(*m_users, {.Source = "u2", .Initiated = At(0, 2, 0, 6)});
  m_users->FindUser("u2")->Sessions().GetSession(0)->AddAlert(MakeAlert("Old", 0).Get());
  m_users->FindUser("u2")->Sessions().GetSession(1)->AddAlert(MakeAlert("New", 0).Get());

  // The engine asks the settings for the cut-off at the first refresh after
  // midnight; here the start of day 6.
  Purge(SecondsAt(0, 0, 0, 6), At(0, 3, 0, 6));
  EXPECT_EQ(m_users->FindUser("u1"), nullptr);
  TUser* u2 = m_users->FindUser("u2");
  ASSERT_NE(u2, nullptr);
  ASSERT_EQ(u2->Sessions().Count(), 1);
  EXPECT_EQ(u2->Sessions().GetSession(0)->Start(), SecondsAt(23, 58, 0, 5));
  EXPECT_EQ(u2->Hits(), 2);  // recounted from the kept session
  EXPECT_EQ(u2->Size(), 200);
  EXPECT_EQ(m_sink.Grouped, std::vector<std::string>{"New"});
  EXPECT_EQ(Names(*m_active), std::vector<std::string>{"u2"});
  // The report's totals count what was kept, not what was purged.
  EXPECT_EQ(m_active->TotalHits(), 2);
  EXPECT_EQ(m_active->TotalSessions(), 1);
  EXPECT_EQ(m_idle->Count(), 0);
}

TEST_F(UsersPurge, ByAgeDismissesOldUserAlertsAndFilesActiveAndIdle) {
  Fold(*m_users, {.Source = "busy", .Initiated = At(11, 58, 0)});
  Fold(*m_users, {.Source = "quiet", .Initiated = At(11, 0, 0)});
  TUser* busy = m_users->FindUser("busy");
  busy->Alerts().Add(MakeAlert("Early", At(9, 0, 0)).Detach());
  busy->Alerts().Add(MakeAlert("Recent", At(11, 58, 0)).Detach());

  // One hour of data kept at noon.
  Purge(SecondsAt(11, 0, 0), At(12, 0, 0));
  EXPECT_EQ(m_users->FindUser("quiet"), nullptr);  // its last session ended at the cut-off
  ASSERT_EQ(busy->Alerts().Count(), 1);
  EXPECT_EQ(busy->Alerts().GetItem(0)->Name(), "Recent");
  EXPECT_EQ(m_sink.Dismissed, std::vector<std::string>{"Early"});
  EXPECT_EQ(m_sink.Grouped, std::vector<std::string>{"Recent"});
  EXPECT_EQ(Names(*m_active), std::vector<std::string>{"busy"});

  Purge(SecondsAt(11, 0, 0), At(12, 10, 0));
  EXPECT_EQ(m_active->Count(), 0);
  EXPECT_EQ(Names(*m_idle), std::vector<std::string>{"busy"});
  EXPECT_EQ(m_sink.Clears, 2);
}

TEST_F(UsersPurge, ZeroCutoffKeepsEverythingButUsersWithoutSessions) {
  Fold(*m_users, {.Source = "a", .Initiated = At(1, 0, 0, 1)});
  m_users->AddEntry("ghost");  // as a damaged file could leave one
  Purge(0, At(12, 0, 0));
  EXPECT_NE(m_users->FindUser("a"), nullptr);
  EXPECT_EQ(m_users->FindUser("ghost"), nullptr);
}

TEST_F(UsersPurge, ReportsSortedByRecentActivityOrByName) {
  Fold(*m_users, {.Source = "carol", .Initiated = At(11, 58, 0)});
  Fold(*m_users, {.Source = "alice", .Initiated = At(11, 57, 0)});
  Fold(*m_users, {.Source = "Bob", .Initiated = At(11, 59, 0)});
  Fold(*m_users, {.Source = "dave", .Initiated = At(11, 59, 0)});
  Purge(0, At(12, 0, 0), true);
  EXPECT_EQ(Names(*m_active), (std::vector<std::string>{"Bob", "dave", "carol", "alice"}));
  Purge(0, At(12, 0, 0), false);
  EXPECT_EQ(Names(*m_active), (std::vector<std::string>{"alice", "Bob", "carol", "dave"}));
}

TEST_F(UsersPurge, WithoutReportsPurgesAndGroupsAlertsButFilesNoUser) {
  Fold(*m_users, {.Source = "busy", .Initiated = At(11, 58, 0)});
  Fold(*m_users, {.Source = "quiet", .Initiated = At(11, 0, 0)});
  m_users->FindUser("busy")->Alerts().Add(MakeAlert("Recent", At(11, 58, 0)).Detach());
  Purge(0, At(12, 0, 0));
  ASSERT_EQ(m_active->Count(), 1);
  m_users->Purge({.CutoffSeconds = SecondsAt(11, 0, 0), .Now = At(12, 0, 0), .FillReports = false},
                 *m_active, *m_idle, &m_sink);
  EXPECT_EQ(m_users->FindUser("quiet"), nullptr);
  EXPECT_NE(m_users->FindUser("busy"), nullptr);
  EXPECT_EQ(m_sink.Grouped, std::vector<std::string>{"Recent"});
  EXPECT_EQ(m_active->Count(), 0);
  EXPECT_EQ(m_idle->Count(), 0);
}

TEST_F(UsersPurge, IsActiveReadsTheGapOfTheRefresh) {
  Fold(*m_users, {.Source = "a", .Initiated = At(10, 0, 0)}, 3600);
  m_users->Purge({.CutoffSeconds = 0, .Gap = 60, .Now = At(10, 2, 0)}, *m_active, *m_idle, nullptr);
  EXPECT_EQ(Names(*m_idle), std::vector<std::string>{"a"});
}

// ---------------------------------------------------------------------------

class UsersFile : public testing::Test {
 protected:
  void SetUp() override {
    RegisterCoreClasses();
    AdvFactory().RegisterAll(ActivityClasses());
    m_file = vexatest::MakeTempFolder("users") + "/" + kUsersFileName;
  }
  std::string m_file;
};

TEST_F(UsersFile, RoundTripsUsersSessionsAndSites) {
  auto users = AdvNew<TUsers>();
  Fold(*users, {.Source = "u101",
                .Destination = "a.com",
                .Initiated = At(10, 0, 0),
                .Status = kStatusBlocked,
                .Address = 0xC0A80001});
  Fold(*users, {.Source = "u101",
                .Destination = "b.com",
                .Initiated = At(13, 0, 0),
                .Protocol = kProtocolFileTransfer});
  Fold(*users, {.Source = "u202", .Initiated = At(11, 0, 0)});
  SaveUsersFile(*users, m_file);

  auto loaded = AdvNew<TUsers>();
  EXPECT_EQ(LoadUsersFile(*loaded, m_file), "");
  ASSERT_EQ(loaded->Count(), 2);
  TUser* user = loaded->FindUser("U101");
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->Hits(), 2);
  EXPECT_EQ(user->IP(), 0xC0A80001u);
  EXPECT_EQ(user->Destination(), "b.com");
  EXPECT_EQ(user->Protocol(), kProtocolFileTransfer);
  EXPECT_EQ(user->Accessed(), At(13, 0, 0));
  ASSERT_EQ(user->Sessions().Count(), 2);
  const TSiteEntry* site = user->Sessions().GetSession(0)->Sites().FindSite("A.COM");
  ASSERT_NE(site, nullptr);
  EXPECT_TRUE(site->Failed());
  EXPECT_EQ(user->Sessions().GetSession(1)->Start(), SecondsAt(13, 0, 0));
  // Folding goes on into the loaded sessions.
  TSession* session = user->Sessions().AddHit(*MakeHit({.Initiated = At(13, 2, 0)}));
  EXPECT_EQ(session, user->Sessions().GetSession(1));
}

// The same binary form written a field at a time by one thread: a large
// table takes the two-thread path only with the plain writer.
class TOneThreadWriter : public TAdvWriter {
  ADV_CLASS(TOneThreadWriter)
};
ADV_CLASS_IMPL(TOneThreadWriter, TAdvWriter)

// A table large enough to be written by two threads gives the bytes the
// one-thread walk gives, and loads back whole.
TEST_F(UsersFile, ALargeTableWrittenByTwoThreadsHasTheOneThreadBytes) {
  auto users = AdvNew<TUsers>();
  const int count = TUsers::kParallelSaveFrom + 3 * int(TUsers::kSaveRun) + 17;
  for (int i = 0; i < count; ++i) {
    const std::string name = "user" + std::to_string(i);
    const std::string site = "site" + std::to_string(i % 97) + ".example";
    Fold(*users, {.Source = name, .Destination = site, .Initiated = At(10, i % 60, 0)});
    if (i % 3 == 0)
      Fold(*users, {.Source = name, .Destination = "x.example", .Initiated = At(12, 0, 0)});
  }
  const std::string plain = m_file + ".plain";
  SaveUsersFile(*users, m_file);
  users->SaveToFile(plain, &TOneThreadWriter::ClassInfo);
  const std::string bytes = vexatest::ReadFileText(m_file);
  ASSERT_GT(bytes.size(), 100000u);
  EXPECT_TRUE(bytes == vexatest::ReadFileText(plain));

  auto loaded = AdvNew<TUsers>();
  EXPECT_EQ(LoadUsersFile(*loaded, m_file), "");
  EXPECT_EQ(loaded->Count(), count);
  ASSERT_NE(loaded->FindUser("user3"), nullptr);
  EXPECT_EQ(loaded->FindUser("user3")->Sessions().Count(), 2);
}

TEST_F(UsersFile, DamagedFileIsKeptAsideAndChangesNothing) {
  auto users = AdvNew<TUsers>();
  Fold(*users, {.Source = "u101", .Initiated = At(10, 0, 0)});
  SaveUsersFile(*users, m_file);
  std::string bytes = vexatest::ReadFileText(m_file);
  vexatest::WriteFileText(m_file, bytes.substr(0, bytes.size() * 2 / 3));

  auto live = AdvNew<TUsers>();
  Fold(*live, {.Source = "running", .Initiated = At(10, 0, 0)});
  const std::string error = LoadUsersFile(*live, m_file);
  EXPECT_NE(error, "");
  EXPECT_EQ(live->Count(), 1);
  EXPECT_NE(live->FindUser("running"), nullptr);
  EXPECT_FALSE(FileExists(m_file));
  EXPECT_EQ(vexatest::ReadFileText(m_file + ".bad"), bytes.substr(0, bytes.size() * 2 / 3));

  // A missing file is no error and changes nothing either.
  EXPECT_EQ(LoadUsersFile(*live, m_file), "");
  EXPECT_EQ(live->Count(), 1);
}

TEST_F(UsersFile, LoadedUserReplacesTheLiveTable) {
  auto saved = AdvNew<TUsers>();
  Fold(*saved, {.Source = "stored", .Initiated = At(10, 0, 0)});
  SaveUsersFile(*saved, m_file);
  auto live = AdvNew<TUsers>();
  Fold(*live, {.Source = "old", .Initiated = At(10, 0, 0)});
  EXPECT_EQ(LoadUsersFile(*live, m_file), "");
  EXPECT_EQ(live->Count(), 1);
  EXPECT_NE(live->FindUser("stored"), nullptr);
}

}  // namespace
