#include "monitor/HitFilters.h"

#include <gtest/gtest.h>

#include "core/AdvBinaryFilers.h"
#include "core/AdvFactories.h"
#include "core/AdvMemories.h"
#include "monitor/Hits.h"
#include "monitor/MonitorFolders.h"
#include "testing/TestEnvironment.h"

namespace {

void RegisterAll() {
  RegisterCoreClasses();
  RegisterMonitorFolderClasses();
}

TAdvRef<TVexaHit> Hit(uint8_t protocol, std::string_view profile, std::string_view department = {},
                      uint8_t status = kStatusSuccessful) {
  auto hit = AdvNew<TVexaHit>();
  hit->SetProtocol(protocol);
  hit->SetProfile(profile);
  hit->SetDepartment(department);
  hit->SetStatus(status);
  return hit;
}

template <class T>
TAdvRef<T> Category(std::initializer_list<const char*> includes,
                    std::initializer_list<const char*> excludes) {
  auto filter = AdvNew<T>();
  for (const char* name : includes) filter->Includes().Add(name);
  for (const char* name : excludes) filter->Excludes().Add(name);
  return filter;
}

TEST(HitFilters, SuccessFilterDropsFailedAndBlockedButNotCached) {
  auto filter = AdvNew<TSuccessFilter>();
  struct {
    uint8_t Status;
    bool Passes;
  } cases[] = {{kStatusSuccessful, true},
               {kStatusCached, true},
               {kStatusFailed, false},
               {kStatusBlocked, false}};
  for (const auto& c : cases)
    EXPECT_EQ(filter->Passes(*Hit(kProtocolWeb, "News", {}, c.Status)), c.Passes)
        << HitStatusName(c.Status);
}

TEST(HitFilters, CategoryListsIgnoreCaseAndDuplicatesAndJoinWithCommas) {
  auto filter = Category<TDepartmentFilter>({"sales", "Support", "SALES"}, {"Finance"});
  EXPECT_EQ(filter->Includes().Count(), 2);
  EXPECT_EQ(filter->IncludesText(), "sales, Support");
  EXPECT_TRUE(filter->Contains("SUPPORT"));
  EXPECT_FALSE(filter->Contains("Finance"));  // Excludes takes no part
  EXPECT_TRUE(filter->Passes(*Hit(kProtocolWeb, "", "Sales")));
  EXPECT_FALSE(filter->Passes(*Hit(kProtocolWeb, "", "Finance")));
  EXPECT_FALSE(filter->Passes(*Hit(kProtocolWeb, "", "")));
}

TEST(HitFilters, MiscellaneousProfilePassesOnlyWhenSelected) {
  auto without = Category<TProfileFilter>({"News"}, {"Games", "Miscellaneous"});
  auto with = Category<TProfileFilter>({"News", "miscellaneous"}, {"Games"});
  auto misc = Hit(kProtocolWeb, "Miscellaneous");
  EXPECT_FALSE(without->Passes(*misc));
  EXPECT_TRUE(with->Passes(*misc));
}

TEST(HitFilters, ProtocolFilterMatchesDisplayNames) {
  auto filter = Category<TProtocolFilter>({"secure web", "Mail"}, {"Web"});
  EXPECT_TRUE(filter->Passes(*Hit(kProtocolSecureWeb, "")));
  EXPECT_TRUE(filter->Passes(*Hit(kProtocolMail, "")));
  EXPECT_FALSE(filter->Passes(*Hit(kProtocolWeb, "")));
  // A code out of range reads as Unknown.
  auto unknown = Category<TProtocolFilter>({"Unknown"}, {"Web"});
  EXPECT_TRUE(unknown->Passes(*Hit(200, "")));
}

TEST(HitFilters, IsActiveNeedsBothListsAndBaseFollowsEnabled) {
  EXPECT_FALSE((Category<TProfileFilter>({}, {"News"})->IsActive()));
  EXPECT_FALSE((Category<TProfileFilter>({"News"}, {})->IsActive()));
  EXPECT_TRUE((Category<TProfileFilter>({"News"}, {"Games"})->IsActive()));
  auto success = AdvNew<TSuccessFilter>();
  EXPECT_TRUE(success->IsActive());
  success->SetEnabled(false);
  EXPECT_FALSE(success->IsActive());
  EXPECT_FALSE(success->Contains("anything"));
}

TEST(HitFilters, ListPassesOnlyWhatEveryFilterPasses) {
  auto filters = AdvNew<TFilters>();
  EXPECT_TRUE(filters->Passes(*Hit(kProtocolMail, "Games", "", kStatusFailed)));
  auto protocols = Category<TProtocolFilter>({"Web"}, {"Mail", "News"});
  auto profiles = Category<TProfileFilter>({"News"}, {"Games", "Miscellaneous"});
  // Not consulted once on the list.
  profiles->SetEnabled(false);
  filters->Build({protocols.Get(), profiles.Get()});
  ASSERT_EQ(filters->Count(), 1);  // disabled candidates are not kept
  profiles->SetEnabled(true);
  filters->Build({protocols.Get(), profiles.Get()});
  ASSERT_EQ(filters->Count(), 2);
  filters->Filter(1)->SetEnabled(false);
  struct {
    uint8_t Protocol;
    const char* Profile;
    bool Passes;
  } cases[] = {{kProtocolWeb, "news", true},
               {kProtocolWeb, "Games", false},
               {kProtocolMail, "News", false},
               {kProtocolSecureWeb, "News", false}};
  for (const auto& c : cases)
    EXPECT_EQ(filters->Passes(*Hit(c.Protocol, c.Profile)), c.Passes)
        << int(c.Protocol) << " " << c.Profile;
}

TEST(HitFilters, BuildKeepsOnlyEnabledActiveCandidatesInOrder) {
  auto filters = AdvNew<TFilters>();
  filters->Add(AdvNew<TSuccessFilter>().Detach());  // emptied first
  auto failed = AdvNew<TSuccessFilter>();
  auto nothing = Category<TProfileFilter>({}, {"News", "Games"});
  auto everything = Category<TProtocolFilter>({"Web", "Mail"}, {});
  auto departments = Category<TDepartmentFilter>({"Sales"}, {"Finance"});
  filters->Build({failed.Get(), nothing.Get(), everything.Get(), nullptr, departments.Get()});
  ASSERT_EQ(filters->Count(), 2);
  // The candidates themselves are kept, not copies.
  EXPECT_EQ(filters->Filter(0), failed.Get());
  EXPECT_EQ(filters->Filter(1), departments.Get());
}

TEST(HitFilters, ReplaceFreesTheOldFilterAndChecksItsArguments) {
  auto filters = AdvNew<TFilters>();
  auto first = AdvNew<TSuccessFilter>();
  filters->Build({first.Get()});
  auto second = Category<TProfileFilter>({"News"}, {"Games"});
  second->Retain();  // the list's reference
  filters->Replace(0, second.Get());
  EXPECT_EQ(filters->Filter(0), second.Get());
  EXPECT_EQ(first->ReferenceCount(), 0);  // only the local owner is left
  auto spare = AdvNew<TSuccessFilter>();
  EXPECT_THROW(filters->Replace(1, spare.Get()), EFilter);
  EXPECT_THROW(filters->Replace(0, nullptr), EFilter);
  EXPECT_EQ(filters->Filter(0), second.Get());
}

TEST(HitFilters, StoredOnTheirOwnAsXml) {
  RegisterAll();
  std::string file = vexatest::MakeTempFolder("filters") + "/input.filters";
  auto filters = AdvNew<TFilters>();
  auto departments = Category<TDepartmentFilter>({"Sales", "R&D <lab>"}, {"Finance"});
  departments->SetName("Departments");
  filters->Build({AdvNew<TSuccessFilter>().Get(), departments.Get()});
  filters->SaveToFile(file);
  auto loaded = AdvNew<TFilters>();
  loaded->LoadFromFile(file);
  ASSERT_EQ(loaded->Count(), 2);
  EXPECT_EQ(loaded->Filter(0)->ClassName(), "TSuccessFilter");
  auto* category = AdvCast<TDepartmentFilter>(loaded->Filter(1));
  ASSERT_TRUE(category);
  EXPECT_EQ(category->Name(), "Departments");
  EXPECT_EQ(category->IncludesText(), "Sales, R&D <lab>");
  EXPECT_EQ(category->ExcludesText(), "Finance");
  // The loaded lists keep the filter's rules.
  category->Includes().Add("sales");
  EXPECT_EQ(category->Includes().Count(), 2);
  EXPECT_TRUE(category->Passes(*Hit(kProtocolWeb, "", "SALES")));
}

// ---------------------------------------------------------------------------
// Inside an input

TAdvRef<TMonitorFolder> InputWithFilters() {
  auto input = AdvNew<TMonitorFolder>();
  input->SetFolder(new TFolder(vexatest::MakeTempFolder("in") + "/"));
  input->SetTimer(1500);
  input->SetIgnore(true);
  auto protocols = Category<TProtocolFilter>({"Web"}, {"Mail"});
  auto profiles = Category<TProfileFilter>({"News", "Miscellaneous"}, {"Games"});
  input->Filters().Build({AdvNew<TSuccessFilter>().Get(), profiles.Get(), protocols.Get()});
  return input;
}

TEST(HitFilters, PersistInsideTheInputAndCopyWithIt) {
  RegisterAll();
  std::string folder = vexatest::MakeTempFolder("state");
  auto inputs = AdvNew<TMonitorFolders>();
  inputs->Add(InputWithFilters().Detach());
  inputs->SaveToFile(folder + "/Default.Inputs");
  auto loaded = AdvNew<TMonitorFolders>();
  loaded->LoadFromFile(folder + "/Default.Inputs");
  ASSERT_EQ(loaded->Count(), 1);
  TMonitorFolder& input = *loaded->Input(0);
  EXPECT_EQ(input.Timer(), 1500u);
  EXPECT_TRUE(input.Ignore());  // the field after the filters still lines up
  ASSERT_EQ(input.Filters().Count(), 3);
  EXPECT_EQ(loaded->FilterCount(), 3);
  EXPECT_EQ(input.Filters().Filter(0)->ClassName(), "TSuccessFilter");
  EXPECT_EQ(input.Filters().Filter(1)->ClassName(), "TProfileFilter");
  EXPECT_EQ(input.Filters().Filter(2)->ClassName(), "TProtocolFilter");
  EXPECT_TRUE(input.Filters().Passes(*Hit(kProtocolWeb, "Miscellaneous")));
  EXPECT_FALSE(input.Filters().Passes(*Hit(kProtocolMail, "News")));
  EXPECT_FALSE(input.Filters().Passes(*Hit(kProtocolWeb, "News", "", kStatusBlocked)));

  auto copy = AdvNew<TMonitorFolder>();
  copy->Assign(input);
  ASSERT_EQ(copy->Filters().Count(), 3);
  EXPECT_NE(copy->Filters().Filter(1), input.Filters().Filter(1));
  EXPECT_EQ(static_cast<TCategoryFilter*>(copy->Filters().Filter(1))->IncludesText(),
            "News, Miscellaneous");
}

TEST(HitFilters, InputStoredWithoutFiltersStillLoads) {
  RegisterAll();
  // The stored form of an input from before filters were kept with it.
  auto memory = AdvNew<TAdvMemory>(4096u);
  {
    auto writer = AdvNew<TAdvWriter>();
    writer->SetStream(memory.Get());
    std::string className = "TMonitorFolder";
    writer->DefineClass(className);
    writer->DefineBegin();
    bool enabled = false, resolve = true, ignore = true, ignoreModified = true;
    int32_t timer = 2500;
    writer->Field("Enabled").DefineBoolean(enabled);
    writer->Field("Resolve").DefineBoolean(resolve);
    writer->Field("Timer").DefineInteger(timer);
    writer->Field("Ignore").DefineBoolean(ignore);
    TAdvRef<TFolder> folder(new TFolder("/var/log/proxy/"));
    writer->Field("Folder").DefineObjectRef(folder);
    std::string loader;
    writer->Field("Loader").DefineString(loader);
    writer->Field("IgnoreModifiedTime").DefineBoolean(ignoreModified);
    writer->DefineEnd();
  }
  memory->SetPosition(0);
  auto input = AdvNew<TMonitorFolder>();
  input->Filters().Add(AdvNew<TSuccessFilter>().Detach());
  input->LoadFromStream(*memory);
  EXPECT_FALSE(input->Enabled());
  EXPECT_TRUE(input->Resolve());
  EXPECT_EQ(input->Timer(), 2500u);
  EXPECT_TRUE(input->Ignore());
  EXPECT_TRUE(input->IgnoreModifiedTime());
  EXPECT_EQ(input->Folder().Name(), "/var/log/proxy/");
  // What an input without stored filters has: none.
  EXPECT_EQ(input->Filters().Count(), 0);
  EXPECT_TRUE(input->Filters().Passes(*Hit(kProtocolMail, "Games", "", kStatusFailed)));
}

}  // namespace
