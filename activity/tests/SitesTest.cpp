#include "activity/Sites.h"

#include <gtest/gtest.h>

#include <string>

#include "activity/ActivityClasses.h"
#include "core/AdvFactories.h"
#include "core/AdvMemories.h"

#include "activity/tests/ActivityFixtures.h"

namespace {

using activitytest::At;
using activitytest::MakeHit;
using activitytest::THitSpec;

const TSiteEntry& Count(TSites& sites, const THitSpec& spec) {
  return sites.AddHit(*MakeHit(spec));
}

TEST(Sites, FailedUntilOneHitSucceeds) {
  auto sites = AdvNew<TSites>();
  Count(*sites, {.Initiated = At(10, 0, 0), .Status = kStatusBlocked});
  EXPECT_TRUE(Count(*sites, {.Initiated = At(10, 0, 1), .Status = kStatusFailed}).Failed());
  Count(*sites, {.Initiated = At(10, 0, 2), .Status = kStatusCached});
  const TSiteEntry& site = Count(*sites, {.Initiated = At(10, 0, 3), .Status = kStatusBlocked});
  EXPECT_FALSE(site.Failed());
  EXPECT_EQ(site.Hits(), 4);
  EXPECT_EQ(sites->Count(), 1);
}

TEST(Sites, ProtocolFollowsTheLastHitCountedAccessedTheLatestTime) {
  auto sites = AdvNew<TSites>();
  Count(*sites, {.Initiated = At(10, 0, 0), .Protocol = kProtocolWeb});
  EXPECT_EQ(Count(*sites, {.Initiated = At(10, 0, 0), .Protocol = kProtocolSecureWeb}).Protocol(),
            kProtocolSecureWeb);
  const TSiteEntry& site =
      Count(*sites, {.Initiated = At(9, 0, 0), .Protocol = kProtocolFileTransfer});
  EXPECT_EQ(site.Protocol(), kProtocolFileTransfer);
  EXPECT_EQ(site.Accessed(), At(10, 0, 0));
}

TEST(Sites, MergeSitesAddsCopiesAndMergesByName) {
  auto mine = AdvNew<TSites>();
  auto theirs = AdvNew<TSites>();
  Count(*mine, {.Destination = "a.com", .Initiated = At(10, 0, 0)});
  Count(*theirs, {.Destination = "A.com",
                  .Initiated = At(11, 0, 0),
                  .Size = 50,
                  .Protocol = kProtocolMail,
                  .Status = kStatusFailed});
  Count(*theirs, {.Destination = "b.com", .Initiated = At(9, 0, 0)});
  mine->MergeSites(*theirs);
  ASSERT_EQ(mine->Count(), 2);
  const TSiteEntry& kept = mine->Site(0);
  EXPECT_EQ(kept.Name(), "a.com");
  EXPECT_EQ(kept.Hits(), 2);
  EXPECT_EQ(kept.Size(), 150);
  EXPECT_EQ(kept.Accessed(), At(11, 0, 0));
  EXPECT_EQ(kept.Protocol(), kProtocolMail);
  EXPECT_FALSE(kept.Failed());
  const TSiteEntry* copy = mine->FindSite("B.COM");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Name(), "b.com");
  EXPECT_EQ(copy->Hits(), 1);
  // A copy: counting on in one table leaves the other alone.
  Count(*mine, {.Destination = "b.com"});
  EXPECT_EQ(theirs->FindSite("b.com")->Hits(), 1);
}

// Past the few sites found by a walk the table keeps an index; every site
// is still found under any case, once, in the order first seen, and a copy
// of the table holds the same.
TEST(Sites, ManySitesAreFoundByNameInAnyCase) {
  auto sites = AdvNew<TSites>();
  const int count = 300;
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < count; ++i) {
      const std::string name = (round ? "SITE" : "site") + std::to_string(i) + ".test";
      Count(*sites, {.Destination = name, .Size = uint32_t(i)});
    }
  auto copy = AdvNew<TSites>();
  copy->Assign(*sites);
  for (const TSites* table : {sites.Get(), copy.Get()}) {
    ASSERT_EQ(table->Count(), count);
    for (int i = 0; i < count; ++i) {
      const std::string name = "site" + std::to_string(i) + ".test";
      EXPECT_EQ(table->Site(i).Name(), name);
      const TSiteEntry* site = table->FindSite("Site" + std::to_string(i) + ".TEST");
      ASSERT_NE(site, nullptr) << name;
      EXPECT_EQ(site->Name(), name);
      EXPECT_EQ(site->Hits(), 2);
      EXPECT_EQ(site->Size(), 2 * i);
    }
    EXPECT_EQ(table->FindSite("site300.test"), nullptr);
  }
  sites->Clear();
  EXPECT_EQ(sites->Count(), 0);
  EXPECT_EQ(sites->FindSite("site1.test"), nullptr);
  EXPECT_EQ(copy->FindSite("site1.test")->Hits(), 2);
}

TEST(Sites, SiteURLCarriesTheProtocolsPrefix) {
  auto sites = AdvNew<TSites>();
  EXPECT_EQ(Count(*sites, {.Destination = "bank.com", .Protocol = kProtocolSecureWeb}).SiteURL(),
            "https://bank.com");
  EXPECT_EQ(Count(*sites, {.Destination = "proxy.net", .Protocol = kProtocolSocks}).SiteURL(),
            "proxy.net");
  EXPECT_EQ(Count(*sites, {.Destination = "bob@x.org", .Protocol = kProtocolMail}).SiteURL(),
            "mailto:bob@x.org");
}

// A session's sites were once written as a hash of site summaries; such
// files still load, sites of one name (any case) count as one, and the
// table writes the same form back.
class TSummarySites : public TSummaries {
  ADV_CLASS(TSummarySites)
  TAdvClass EntryClass() const override { return &TSite::ClassInfo; }
  std::string PersistedClassName() const override { return "TSites"; }
};
ADV_CLASS_IMPL(TSummarySites, TSummaries)

TEST(Sites, FilesOfSiteSummariesLoadAndRoundTrip) {
  auto written = AdvNew<TSummarySites>();
  for (const char* name : {"a.com", "b.com", "A.COM"}) {
    TAdvRef<TSite> site = AdvNew<TSite>();
    site->SetName(name);
    site->AddHit(*MakeHit({.Destination = name, .Initiated = At(10, 0, 0), .Size = 10}));
    written->Add(site.Get());
    site.Detach();
  }
  RegisterCoreClasses();
  AdvFactory().RegisterAll(ActivityClasses());
  auto stream = AdvNew<TAdvMemory>(4096);
  written->SaveToStream(*stream);
  stream->SetPosition(0);
  auto sites = AdvNew<TSites>();
  sites->LoadFromStream(*stream);
  ASSERT_EQ(sites->Count(), 2);
  EXPECT_EQ(sites->FindSite("a.com")->Hits(), 2);
  EXPECT_EQ(sites->FindSite("a.com")->Size(), 20);
  EXPECT_EQ(sites->FindSite("b.com")->Accessed(), At(10, 0, 0));

  auto again = AdvNew<TAdvMemory>(4096);
  sites->SaveToStream(*again);
  again->SetPosition(0);
  auto reread = AdvNew<TSummarySites>();
  reread->LoadFromStream(*again);
  ASSERT_EQ(reread->Count(), 2);
  const auto* a = static_cast<TSite*>(reread->FindByName("A.com"));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Hits(), 2);
  EXPECT_EQ(a->Size(), 20);
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
