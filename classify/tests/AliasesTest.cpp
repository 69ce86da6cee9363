#include "classify/Aliases.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classify/ClassifyClasses.h"
#include "core/AdvFactories.h"
#include "monitor/Hits.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

class AliasesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCoreClasses();
    RegisterClassifyClasses();
  }

  template <class T = TAliases>
  static TAdvRef<T> Table(
      std::initializer_list<std::pair<const char*, std::vector<std::string>>> aliases) {
    TAdvRef<T> table = AdvNew<T>();
    for (const auto& [name, patterns] : aliases) {
      TAlias* alias = table->FindOrAddAlias(name);
      for (const std::string& pattern : patterns) alias->Add(pattern);
    }
    return table;
  }
};

TEST_F(AliasesTest, ExactPatternsWinOverMasksAndLongerMasksOverShorter) {
  auto users = Table(
      {{"Wide", {"10.*"}}, {"Narrow", {"10.1.*"}}, {"Exact", {"10.1.2.3"}}, {"Later", {"10.2.*"}}});
  struct Case {
    const char* raw;
    const char* name;
  } cases[] = {
      {"10.1.2.3", "Exact"},           // exact first
      {"10.1.2.4", "Narrow"},          // the longer mask is tried first
      {"10.9.9.9", "Wide"},            //
      {"10.2.0.1", "Later"},           // same length as 10.1.*: the one added last
      {"10.1.2.3 ", "Narrow"},         // exact means the whole text
      {"EXACT", "Exact"},              // an alias name finds its own alias, in any case
      {"192.168.0.1", "192.168.0.1"},  // nothing matches: unchanged
  };
  for (const Case& c : cases) {
    EXPECT_EQ(users->Lookup(c.raw), c.name) << c.raw;
    EXPECT_EQ(users->LookupView(c.raw), c.name) << c.raw;  // the engine's copy-free form
  }
  EXPECT_EQ(users->LookupDefaultView("10.9.9.9", kMiscellaneous), kMiscellaneous);  // exact only
  EXPECT_EQ(users->LookupDefaultView("10.1.2.3", kMiscellaneous), "Exact");
}

TEST_F(AliasesTest, EqualLengthMasksPreferTheOneAddedLast) {
  auto users = Table({{"First", {"10.1.*"}}, {"Second", {"10.*.9"}}});
  EXPECT_EQ(users->Lookup("10.1.9"), "Second");
}

TEST_F(AliasesTest, AnAliasNameAlwaysFindsItselfEvenWhenAnotherListsIt) {
  auto users = Table({{"Sales", {"Front Desk"}}, {"Front Desk", {"u101"}}});
  EXPECT_EQ(users->Lookup("front desk"), "Front Desk");
  EXPECT_EQ(users->Lookup("u101"), "Front Desk");
}

TEST_F(AliasesTest, CombinedHostIndexRenamesSourcesWithSitePatterns) {
  auto users = Table({{"Jane", {"jdoe", "jane@example.com"}}});
  auto sites = Table<TSitenames>({{"Servers", {"10.1.*"}}, {"Intranet", {"intranet.local"}}});
  TAdvRef<THosts> hosts = AdvNew<THosts>();
  hosts->SetSources(users.Get(), sites.Get());
  EXPECT_EQ(hosts->Lookup("10.1.2.3"), "10.1.2.3");  // never built lazily
  hosts->Reindex();
  EXPECT_EQ(hosts->Lookup("10.1.2.3"), "Servers");  // a client address, named by a site pattern
  EXPECT_EQ(hosts->Lookup("JDOE"), "Jane");
  EXPECT_EQ(hosts->Lookup("intranet.local"), "Intranet");
  EXPECT_EQ(hosts->Lookup("other"), "other");
  EXPECT_EQ(hosts->Count(), 0);

  // Edits reach the combined index only through a rebuild.
  sites->FindOrAddAlias("Printers")->Add("10.1.9.*");
  EXPECT_EQ(hosts->Lookup("10.1.9.1"), "Servers");
  hosts->Reindex();
  EXPECT_EQ(hosts->Lookup("10.1.9.1"), "Printers");
}

TEST_F(AliasesTest, DepartmentsAreLookedUpWithTheAliasedUserName) {
  auto users = Table({{"Front Desk", {"u101"}}});
  auto departments = Table<TDepartments>({{"Reception", {"u101"}}});
  TAdvRef<THosts> hosts = AdvNew<THosts>();
  hosts->BuildFrom({users.Get()});
  const std::string source = hosts->Lookup("u101");
  EXPECT_EQ(source, "Front Desk");
  EXPECT_EQ(departments->Lookup(source), kMiscellaneous);
  departments->Alias(0)->Add("Front Desk");
  departments->Reindex();
  EXPECT_EQ(departments->Lookup(source), "Reception");
}

TEST_F(AliasesTest, HitsAreNamedAsTheEngineNamesThem) {
  auto users = Table({{"Front Desk", {"u101"}}});
  auto sites = Table<TSitenames>({{"Search", {"www.google.com"}}, {"Servers", {"10.1.*"}}});
  auto departments = Table<TDepartments>({{"Reception", {"u101"}}, {"Admin", {"Servers"}}});
  auto types = Table<TFileTypes>({{"Web Pages", {".html", "/"}}});
  TAdvRef<THosts> hosts = AdvNew<THosts>();
  hosts->BuildFrom({users.Get(), sites.Get()});
  TAdvRef<TVexaHit> hit = AdvNew<TVexaHit>();
  struct Case {
    const char* source;
    const char* url;
    const char* name;
    const char* site;
    const char* department;
    const char* type;
  } cases[] = {
      {"u101", "http://www.google.com/index.html", "Front Desk", "Search", "Miscellaneous",
       "Web Pages"},
      {"10.1.2.3", "http://10.1.9.9/", "Servers", "Servers", "Admin", "Web Pages"},
      {"u102", "http://example.com/a.zip", "u102", "example.com", "Miscellaneous", "Miscellaneous"},
      {"u103", "http://example.com/readme", "u103", "example.com", "Miscellaneous",
       "Miscellaneous"},
  };
  for (const Case& c : cases) {
    hit->SetProtocol(kProtocolWeb);
    hit->SetSource(c.source);
    hit->ApplyURL(std::string(c.url));
    ApplyAliases(*hit, *hosts, *departments, *types);
    EXPECT_EQ(hit->Source(), c.name) << c.source;
    EXPECT_EQ(hit->Destination(), c.site) << c.url;
    EXPECT_EQ(hit->Department(), c.department) << c.source;
    EXPECT_EQ(hit->FileTypeAlias(), c.type) << c.url;
  }
}

TEST_F(AliasesTest, QuickCommandsAddPatternsOrRenameAnAlias) {
  TAdvRef<TAliases> users = AdvNew<TAliases>();
  int notified = 0;
  users->SetChangeHandler([&] { ++notified; });
  AssignUserAlias(*users, "Jane", "jdoe");  // neither exists: a new alias
  EXPECT_EQ(notified, 1);
  users->AddAlias("u101");
  AssignUserAlias(*users, "Front Desk", "u101");  // an alias is called raw: renamed
  EXPECT_EQ(users->Alias(1)->Name(), "Front Desk");
  EXPECT_EQ(users->Alias(1)->Count(), 0);
  AssignUserAlias(*users, "Jane", "Front Desk");  // Jane exists: a pattern
  EXPECT_EQ(users->Alias(0)->PatternsText(), "jdoe, Front Desk");
  EXPECT_EQ(notified, 4);
  TAdvRef<TFileTypes> types = AdvNew<TFileTypes>();
  AssignAlias(*types, "HTML File", ".html");
  AssignAlias(*types, "HTML File", ".htm");
  EXPECT_EQ(types->Alias(0)->PatternsText(), ".html, .htm");
  EXPECT_THROW(AssignAlias(*types, "Bad", "[x"), EAdvanced);
}

TEST_F(AliasesTest, FileTypesAndDepartmentsFallBackToMiscellaneousAndIgnoreMasks) {
  auto types = Table<TFileTypes>({{"Images", {".jpg", ".png", ".*"}}});
  auto departments = Table<TDepartments>({{"Sales", {"u1*", "anne"}}});
  EXPECT_EQ(types->Lookup(".JPG"), "Images");
  EXPECT_EQ(types->Lookup(".gif"), kMiscellaneous);
  EXPECT_EQ(types->Lookup(".*"), kMiscellaneous);  // a mask never matches here
  EXPECT_EQ(types->Lookup(""), kMiscellaneous);
  EXPECT_EQ(departments->Lookup("Anne"), "Sales");
  EXPECT_EQ(departments->Lookup("u101"), kMiscellaneous);
  TAdvRef<TDepartments> empty = AdvNew<TDepartments>();
  EXPECT_EQ(empty->Lookup("anyone"), kMiscellaneous);
}

TEST_F(AliasesTest, SuggestsNames) {
  TAdvRef<TAliases> users = AdvNew<TAliases>();
  TAdvRef<TFileTypes> types = AdvNew<TFileTypes>();
  struct Case {
    const char* raw;
    const char* name;
  } userCases[] = {{"DOMAIN\\u101", "U101"},
                   {"X", "x"},
                   {"jane.doe@example.com", "Jane.doe"},
                   {"CORP\\Jane@mail@host", "Corp\\jane@mail"},
                   {"a\\b\\c", "B\\c"},
                   {"", ""}},
    typeCases[] = {{".html", "HTML File"}, {".HTML", "HTML File"}, {"readme", "readme"}};
  for (const Case& c : userCases) EXPECT_EQ(users->SuggestName(c.raw), c.name) << c.raw;
  for (const Case& c : typeCases) EXPECT_EQ(types->SuggestName(c.raw), c.name) << c.raw;
}

TEST_F(AliasesTest, KnowsWhichTextsNeedNoAlias) {
  auto sites = Table<TSitenames>({{"Servers", {"10.1.*"}}});
  EXPECT_TRUE(sites->IsKnown("intranet"));
  EXPECT_TRUE(sites->IsKnown("10.1.2.3"));
  EXPECT_FALSE(sites->IsKnown("10.2.2.3"));
  EXPECT_FALSE(sites->IsKnown("jane@example.com"));
  EXPECT_TRUE(sites->IsKnown("Servers"));
  auto types = Table<TFileTypes>({{"Images", {".jpg"}}});
  EXPECT_TRUE(types->IsKnown(".jpg"));
  EXPECT_FALSE(types->IsKnown(".gif"));  // Miscellaneous is not a name
  EXPECT_FALSE(types->IsKnown("Miscellaneous"));
  auto users = Table({{"Jane", {"jdoe"}}});
  EXPECT_TRUE(users->IsKnown("jdoe"));
  EXPECT_FALSE(users->IsKnown("other"));
}

TEST_F(AliasesTest, PatternsAreCheckedWhereTheyEnter) {
  TAdvRef<TAliases> users = AdvNew<TAliases>();
  TAlias* alias = users->FindOrAddAlias("Jane");
  EXPECT_EQ(alias->Add(""), -1);
  EXPECT_EQ(alias->Add(" \t"), -1);
  alias->Insert(0, "");
  EXPECT_THROW(alias->Add("10.[1"), EAdvanced);
  EXPECT_THROW(alias->Insert(0, "[x"), EAdvanced);
  EXPECT_EQ(alias->Add("jdoe"), 0);
  EXPECT_EQ(alias->Add("JDOE"), 0);  // already there, ignoring case
  EXPECT_EQ(alias->Add("10.1.*"), 1);
  EXPECT_EQ(alias->Count(), 2);
  EXPECT_EQ(alias->PatternsText(), "jdoe, 10.1.*");
  EXPECT_EQ(users->PatternCount(), 2);
  EXPECT_THROW(users->AddAlias(" "), EAdvanced);
  // A second alias of the same name is not added.
  EXPECT_EQ(users->AddAlias("JANE"), 0);
  EXPECT_EQ(users->Add(AdvNew<TAlias>("jane").Detach()), 0);
  EXPECT_EQ(users->Count(), 1);
  EXPECT_EQ(users->IndexOfAlias("nobody"), -1);
}

TEST_F(AliasesTest, IndexIsBuiltOnFirstLookupAndKeptUntilReindex) {
  auto users = Table({{"Jane", {"j*"}}});
  EXPECT_FALSE(users->Indexed());
  EXPECT_EQ(users->Lookup("jdoe"), "Jane");
  EXPECT_TRUE(users->Indexed());
  users->FindOrAddAlias("John")->Add("jd*");
  EXPECT_EQ(users->Lookup("jdoe"), "Jane");  // remembered, and the index is as built
  users->Reindex();
  EXPECT_EQ(users->Lookup("jdoe"), "John");
  users->Clear();
  EXPECT_FALSE(users->Indexed());
  EXPECT_EQ(users->Lookup("jdoe"), "jdoe");
}

TEST_F(AliasesTest, MemoisedWildcardAnswersStayRightPastTheMemoBound) {
  auto users = Table({{"Even", {"*0", "*2", "*4", "*6", "*8"}}});
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 10000; ++i) {
      const std::string raw = "host" + std::to_string(i);
      ASSERT_EQ(users->Lookup(raw), i % 2 == 0 ? "Even" : raw) << raw;
    }
  // The raw text comes back exactly as given, case included.
  EXPECT_EQ(users->Lookup("HOST1"), "HOST1");
  EXPECT_EQ(users->Lookup("Host1"), "Host1");
}

TEST_F(AliasesTest, ChangesNotifyOnceOutsideAndAfterBatches) {
  TAdvRef<TAliases> users = AdvNew<TAliases>();
  int notified = 0;
  users->SetChangeHandler([&] { ++notified; });
  users->AddAlias("A");
  users->AddAlias("a");  // nothing inserted
  EXPECT_EQ(notified, 1);
  users->FindOrAddAlias("A")->Add("x");  // patterns touch nothing
  EXPECT_EQ(notified, 1);
  users->DeleteByIndex(0);
  EXPECT_EQ(notified, 2);
  users->BeginChanges();
  users->AddAlias("B");
  users->AddAlias("C");
  users->Clear();
  EXPECT_EQ(notified, 2);
  users->EndChanges();
  EXPECT_EQ(notified, 3);
}

TEST_F(AliasesTest, MergeAddsUnlistedPatternsByIdentity) {
  auto mine = Table<TSitenames>({{"Search", {"www.google.com", "*.bing.com"}}, {"Intranet", {}}});
  auto theirs = Table<TSitenames>({{"Search", {"WWW.GOOGLE.COM", "duckduckgo.com", "*.yahoo.com"}},
                                   {"Servers", {"10.1.*", "", "intranet"}},
                                   {"Mail", {"*.bing.com", "mail.example.com"}}});
  mine->Merge(*theirs);
  ASSERT_EQ(mine->Count(), 4);
  EXPECT_EQ(mine->Alias(0)->PatternsText(),
            "www.google.com, *.bing.com, duckduckgo.com, *.yahoo.com");
  // "intranet" names an alias here: taking it as a pattern would hide that alias.
  EXPECT_EQ(mine->Alias(2)->Name(), "Servers");
  EXPECT_EQ(mine->Alias(2)->PatternsText(), "10.1.*");
  EXPECT_EQ(mine->Alias(3)->PatternsText(), "mail.example.com");
  mine->Reindex();
  EXPECT_EQ(mine->Lookup("duckduckgo.com"), "Search");
  EXPECT_EQ(mine->Lookup("10.1.0.7"), "Servers");
}

TEST_F(AliasesTest, SavesAndLoadsItsXmlFile) {
  const std::string folder = vexatest::MakeTempFolder("aliases");
  auto sites = Table<TSitenames>({{"Servers & <Hosts>", {"10.1.*", "db.local"}}, {"Empty", {}}});
  const std::string file = folder + "/Default.SiteNames";
  sites->SaveToFile(file);
  const std::string xml = vexatest::ReadFileText(file);
  EXPECT_EQ(xml.rfind("<object name=\"Sitenames\" classname=\"TSitenames\">\r\n", 0), 0u) << xml;
  EXPECT_NE(xml.find("<object name=\"Object\" classname=\"TAlias\">"), std::string::npos);
  EXPECT_NE(xml.find("<string name=\"Name\"><![CDATA[Servers &amp; &lt;Hosts&gt;]]></string>"),
            std::string::npos);
  EXPECT_NE(xml.find("<string name=\"String\"><![CDATA[10.1.*]]></string>"), std::string::npos);

  TAdvRef<TSitenames> loaded = AdvNew<TSitenames>();
  int notified = 0;
  loaded->SetChangeHandler([&] { ++notified; });
  loaded->LoadFromFile(file);
  EXPECT_EQ(notified, 1);
  ASSERT_EQ(loaded->Count(), 2);
  EXPECT_EQ(loaded->Alias(0)->Name(), "Servers & <Hosts>");
  EXPECT_EQ(loaded->Alias(0)->PatternsText(), "10.1.*, db.local");
  EXPECT_EQ(loaded->Alias(1)->Count(), 0);
  EXPECT_TRUE(loaded->LoadProblems().empty());
  EXPECT_EQ(loaded->Lookup("10.1.4.4"), "Servers & <Hosts>");
}

TEST_F(AliasesTest, LoadsTheOlderStringMatchLayout) {
  const std::string file = vexatest::MakeTempFolder("legacy") + "/Old.UserNames";
  vexatest::WriteFileText(file,
                          "<object name=\"Match\" classname=\"TAdvMatch\">\r\n"
                          "  <item name=\"Item[0]\">\r\n"
                          "    <string name=\"Key\"><![CDATA[Sales]]></string>\r\n"
                          "    <string name=\"Value\"><![CDATA[ u101\r\nu102\r\n]]></string>\r\n"
                          "  </item>\r\n"
                          "  <item name=\"Item[1]\">\r\n"
                          "    <string name=\"Key\"><![CDATA[Lab]]></string>\r\n"
                          "    <string name=\"Value\"><![CDATA[pc-*\n\n[bad\nPC-*]]></string>\r\n"
                          "  </item>\r\n"
                          "</object>\r\n");
  TAdvRef<TAliases> users = AdvNew<TAliases>();
  users->LoadFromFile(file);
  ASSERT_EQ(users->Count(), 2);
  EXPECT_EQ(users->Alias(0)->Name(), "Sales");
  EXPECT_EQ(users->Alias(0)->PatternsText(), "u101, u102");
  EXPECT_EQ(users->Alias(1)->PatternsText(), "pc-*");
  ASSERT_EQ(users->LoadProblems().size(), 1u);
  EXPECT_NE(users->LoadProblems()[0].find("'[bad'"), std::string::npos);
}

TEST_F(AliasesTest, BadPatternsInAFileAreSkippedAndTheRestIndexes) {
  const std::string file = vexatest::MakeTempFolder("bad") + "/Default.UserNames";
  vexatest::WriteFileText(
      file,
      "<object name=\"Aliases\" classname=\"TAliases\">\r\n"
      "  <item name=\"Item[0]\">\r\n"
      "    <object name=\"Object\" classname=\"TAlias\">\r\n"
      "      <string name=\"Name\"><![CDATA[Lab]]></string>\r\n"
      "      <item name=\"Item[0]\"><string name=\"String\"><![CDATA[10.[2]]></string></item>\r\n"
      "      <item name=\"Item[1]\"><string name=\"String\"><![CDATA[]]></string></item>\r\n"
      "      <item name=\"Item[2]\"><string name=\"String\"><![CDATA[10.1.*]]></string></item>\r\n"
      "      <item name=\"Item[3]\"><string name=\"String\"><![CDATA[10.1.*]]></string></item>\r\n"
      "    </object>\r\n"
      "  </item>\r\n"
      "  <item name=\"Item[1]\">\r\n"
      "    <object name=\"Object\" classname=\"TAlias\">\r\n"
      "      <string name=\"Name\"><![CDATA[]]></string>\r\n"
      "    </object>\r\n"
      "  </item>\r\n"
      "</object>\r\n");
  TAdvRef<TAliases> users = AdvNew<TAliases>();
  users->LoadFromFile(file);
  ASSERT_EQ(users->Count(), 1);
  EXPECT_EQ(users->Alias(0)->PatternsText(), "10.1.*");
  ASSERT_EQ(users->LoadProblems().size(), 2u);
  EXPECT_NE(users->LoadProblems()[0].find("invalid mask"), std::string::npos);
  users->BuildIndex();
  EXPECT_TRUE(users->IndexProblems().empty());
  EXPECT_EQ(users->Lookup("10.1.0.1"), "Lab");
}

TEST_F(AliasesTest, AFileThatCannotBeReadLeavesTheTableAsItWas) {
  const std::string folder = vexatest::MakeTempFolder("unreadable");
  auto users = Table({{"Jane", {"jdoe"}}});
  const std::string truncated = folder + "/Truncated.UserNames";
  users->SaveToFile(truncated);
  std::string xml = vexatest::ReadFileText(truncated);
  vexatest::WriteFileText(truncated, xml.substr(0, xml.size() / 2));
  TAdvRef<TAliases> other = Table({{"John", {"jsmith"}}});
  int notified = 0;
  other->SetChangeHandler([&] { ++notified; });
  const std::string profiles = folder + "/Wrong.UserNames";
  vexatest::WriteFileText(profiles,
                          "<object name=\"Profiles\" classname=\"TProfiles\">\r\n</object>\r\n");
  for (const std::string& file : {truncated, profiles, folder + "/Missing.UserNames"}) {
    other->Reindex();
    EXPECT_THROW(other->LoadFromFile(file), EAdvanced) << file;
    ASSERT_EQ(other->Count(), 1);
    EXPECT_EQ(other->Alias(0)->Name(), "John");
    EXPECT_EQ(other->Lookup("jsmith"), "John");
  }
  EXPECT_EQ(notified, 0);
}

TEST_F(AliasesTest, RecognisesDottedAddresses) {
  for (const char* yes : {"10.1.2.3", "0.0.0.0", "255.255.255.255"}) EXPECT_TRUE(IsDottedIPv4(yes));
  for (const char* no :
       {"10.1.2", "10.1.2.3.4", "256.1.1.1", "1.2.3.x", "", "1..2.3", "1.2.3.4 ", "0001.1.1.1"})
    EXPECT_FALSE(IsDottedIPv4(no)) << no;
}

}  // namespace
