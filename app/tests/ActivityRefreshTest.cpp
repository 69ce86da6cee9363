// The refresh as the engine runs it: the time from the program's clock, the
// cut-off and the threshold from the settings, the purge of the activity.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "activity/Reports.h"
#include "activity/Users.h"
#include "app/Settings.h"
#include "core/AdvDates.h"
#include "platform/Clock.h"

namespace {

class ActivityRefresh : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetCurrentClock(&m_clock);
    m_settings = AdvNew<TSettings>();
    m_users = AdvNew<TUsers>();
    m_active = AdvNew<TOnlineUsers>();
    m_idle = AdvNew<TOfflineUsers>();
  }
  void TearDown() override { platform::SetCurrentClock(nullptr); }

  void SetClock(int day, int hour, int minute, int second) {
    m_clock.SetUtcMilliseconds(
        UtcFromLocalDateTime(EncodeDateTime(2024, 3, day, hour, minute, second)));
  }

  void Hit(const char* user, int day, int hour, int minute, int second) {
    auto hit = AdvNew<TVexaHit>();
    hit->Clear();
    hit->SetSource(user);
    hit->SetDestination("www.example.com");
    hit->SetInitiated(EncodeDateTime(2024, 3, day, hour, minute, second));
    TUser* found = m_users->FindForHit(*hit);
    found->Sessions().SetGap(m_settings->Threshold());
    found->Sessions().AddHit(*hit);
  }

  void Refresh() {
    const double now = AdvNow();
    m_users->Purge({.CutoffSeconds = m_settings->PurgeCutoffSeconds(now),
                    .Gap = m_settings->Threshold(),
                    .Now = now,
                    .SortRecent = m_settings->SortRecent()},
                   *m_active, *m_idle, nullptr);
  }

  std::vector<std::string> Active() const {
    std::vector<std::string> names;
    for (int i = 0; i < m_active->Count(); ++i) names.push_back(m_active->GetUser(i)->Name());
    return names;
  }

  platform::TManualClock m_clock;
  TAdvRef<TSettings> m_settings;
  TAdvRef<TUsers> m_users;
  TAdvRef<TOnlineUsers> m_active;
  TAdvRef<TOfflineUsers> m_idle;
};

TEST_F(ActivityRefresh, BeforeTodayPurgesAtTheFirstRefreshAfterMidnight) {
  m_settings->SetPurgeMode(kPurgeBeforeToday);
  Hit("evening", 5, 23, 50, 0);
  Hit("night", 5, 23, 58, 0);
  SetClock(5, 23, 59, 0);
  Refresh();
  EXPECT_EQ(Active(), (std::vector<std::string>{"night"}));
  EXPECT_EQ(m_idle->Count(), 1);

  // The session of "night" goes on past midnight; "evening" stayed away.
  Hit("night", 6, 0, 1, 0);
  SetClock(6, 0, 1, 30);
  Refresh();
  EXPECT_EQ(m_users->Count(), 1);
  EXPECT_EQ(Active(), (std::vector<std::string>{"night"}));
  EXPECT_EQ(m_users->FindUser("night")->Sessions().Count(), 1);
}

TEST_F(ActivityRefresh, ClockSetBackPurgesNothingItShouldNot) {
  m_settings->SetPurgeAge(3600000);
  Hit("u1", 5, 12, 0, 0);
  SetClock(5, 12, 1, 0);
  Refresh();
  EXPECT_EQ(Active(), (std::vector<std::string>{"u1"}));

  // Someone sets the clock back two hours: the activity is from the future
  // now, but it is neither purged nor read as idle.
  SetClock(5, 10, 1, 0);
  Refresh();
  EXPECT_EQ(Active(), (std::vector<std::string>{"u1"}));
  // A hit logged by the corrected clock opens its own session.
  Hit("u1", 5, 10, 2, 0);
  EXPECT_EQ(m_users->FindUser("u1")->Sessions().Count(), 2);

  // Back on time, an hour and a quarter later, the retention window works on.
  SetClock(5, 13, 15, 0);
  Refresh();
  EXPECT_EQ(m_users->Count(), 0);
}

}  // namespace
