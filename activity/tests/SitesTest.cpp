#include "activity/Sites.h"

#include <gtest/gtest.h>

#include <string>

#include "activity/tests/ActivityFixtures.h"

namespace {

using activitytest::At;
using activitytest::MakeHit;
using activitytest::THitSpec;

TSite* Count(TSites& sites, const THitSpec& spec) {
  return static_cast<TSite*>(sites.FindForHit(*MakeHit(spec)));
}

TEST(Sites, FailedUntilOneHitSucceeds) {
  auto sites = AdvNew<TSites>();
  TSite* site = Count(*sites, {.Initiated = At(10, 0, 0), .Status = kStatusBlocked});
  Count(*sites, {.Initiated = At(10, 0, 1), .Status = kStatusFailed});
  EXPECT_TRUE(site->Failed());
  Count(*sites, {.Initiated = At(10, 0, 2), .Status = kStatusCached});
  Count(*sites, {.Initiated = At(10, 0, 3), .Status = kStatusBlocked});
  EXPECT_FALSE(site->Failed());
  EXPECT_EQ(site->Hits(), 4);
  EXPECT_EQ(sites->Count(), 1);
}

TEST(Sites, ProtocolFollowsTheLastHitCountedAccessedTheLatestTime) {
  auto sites = AdvNew<TSites>();
  TSite* site = Count(*sites, {.Initiated = At(10, 0, 0), .Protocol = kProtocolWeb});
  Count(*sites, {.Initiated = At(10, 0, 0), .Protocol = kProtocolSecureWeb});
  EXPECT_EQ(site->Protocol(), kProtocolSecureWeb);
  Count(*sites, {.Initiated = At(9, 0, 0), .Protocol = kProtocolFileTransfer});
  EXPECT_EQ(site->Protocol(), kProtocolFileTransfer);
  EXPECT_EQ(site->Accessed(), At(10, 0, 0));
}

TEST(Sites, MergeSitesAddsCopiesAndMergesByName) {
  auto mine = AdvNew<TSites>();
  auto theirs = AdvNew<TSites>();
  TSite* kept = Count(*mine, {.Destination = "a.com", .Initiated = At(10, 0, 0)});
  Count(*theirs, {.Destination = "A.com",
                  .Initiated = At(11, 0, 0),
                  .Size = 50,
                  .Protocol = kProtocolMail,
                  .Status = kStatusFailed});
  TSite* other = Count(*theirs, {.Destination = "b.com", .Initiated = At(9, 0, 0)});
  mine->MergeSites(*theirs);
  EXPECT_EQ(mine->Count(), 2);
  EXPECT_EQ(kept->Hits(), 2);
  EXPECT_EQ(kept->Size(), 150);
  EXPECT_EQ(kept->Accessed(), At(11, 0, 0));
  EXPECT_EQ(kept->Protocol(), kProtocolMail);
  EXPECT_FALSE(kept->Failed());
  TSite* copy = mine->FindSite("b.com");
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, other);
  EXPECT_EQ(copy->Hits(), 1);
}

TEST(Sites, SiteURLCarriesTheProtocolsPrefix) {
  auto sites = AdvNew<TSites>();
  EXPECT_EQ(Count(*sites, {.Destination = "bank.com", .Protocol = kProtocolSecureWeb})->SiteURL(),
            "https://bank.com");
  EXPECT_EQ(Count(*sites, {.Destination = "proxy.net", .Protocol = kProtocolSocks})->SiteURL(),
            "proxy.net");
  EXPECT_EQ(Count(*sites, {.Destination = "bob@x.org", .Protocol = kProtocolMail})->SiteURL(),
            "mailto:bob@x.org");
}

TEST(Sites, SuggestKeyword) {
  const struct {
    const char* Host;
    const char* Keyword;
  } kCases[] = {
      {"www.abc.def", "abc"}, {"FTP.abc.def", "abc"}, {"www.abc", "abc"},
      {"mail.abc.def", ""},   {"www.", ""},           {"ww", ""},
      {"Www.X.y.z", "X"},
  };
  for (const auto& c : kCases) EXPECT_EQ(SuggestKeyword(c.Host), c.Keyword) << c.Host;
}

}  // namespace
