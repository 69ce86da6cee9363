#include "classify/Profiles.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "classify/Aliases.h"
#include "classify/ClassifyClasses.h"
#include "core/AdvAscii.h"
#include "core/AdvDictionaries.h"
#include "core/AdvFactories.h"
#include "core/AdvTexts.h"
#include "monitor/Hits.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

struct TProfileSpec {
  std::string Name;
  std::vector<std::string> Includes;
  std::vector<std::string> Excludes;
};

TAdvRef<TProfiles> MakeProfiles(const std::vector<TProfileSpec>& specs) {
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  for (const TProfileSpec& spec : specs) {
    TAdvRef<TProfile> profile = AdvNew<TProfile>(spec.Name);
    for (const auto& keyword : spec.Includes) profile->AddInclude(keyword);
    for (const auto& keyword : spec.Excludes) profile->AddExclude(keyword);
    profiles->Add(profile.Detach());
  }
  return profiles;
}

class ProfilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCoreClasses();
    RegisterClassifyClasses();
  }
};

TEST_F(ProfilesTest, EarliestStartThenShortestKeywordThenExcludesDecide) {
  struct Case {
    std::vector<TProfileSpec> profiles;
    const char* text;
    const char* category;
  } cases[] = {
      {{}, "anything", "Miscellaneous"},
      {{{"A", {"zz"}, {}}, {"B", {"yy"}, {}}}, "yyzz", "B"},      // earliest start
      {{{"A", {"ab"}, {}}, {"B", {"abc"}, {}}}, "abc", "A"},      // shortest at a start
      {{{"A", {"ab"}, {"q"}}, {"B", {"abc"}, {}}}, "abcq", "B"},  // vetoed: the longer one
      {{{"A", {"ab"}, {"q"}}, {"B", {"abc"}, {}}}, "abq", "Miscellaneous"},
      {{{"A", {"ab"}, {"q"}}, {"B", {"abc"}, {}}, {"C", {"q"}, {}}}, "abq", "C"},  // a later start
      {{{"A", {"news"}, {}}, {"B", {"news"}, {}}}, "news.example", "B"},  // later profile owns it
      {{{"News", {"NEWS"}, {}}}, "www.news.example", "News"},             // case folded
      {{{"News", {"news"}, {}}}, "WWW.NEWS.EXAMPLE", "News"},
      {{{"A", {"abcd"}, {}}, {"B", {"bc"}, {}}}, "abce", "B"},  // a prefix that is no keyword
      {{{"A", {"a", "abcdef"}, {"z"}}, {"B", {"abc"}, {"z"}}}, "abcdefz", "Miscellaneous"},
      {{{"A", {"x"}, {"ab"}}, {"B", {"b"}, {}}}, "xab", "B"},  // excludes look at the whole text
  };
  for (const Case& c : cases) {
    auto profiles = MakeProfiles(c.profiles);
    EXPECT_EQ(profiles->Classify(c.text), c.category) << c.text;
  }
}

TEST_F(ProfilesTest, UnpreparedListsAnswerMiscellaneous) {
  auto profiles = MakeProfiles({{"Games", {"game"}, {}}});
  EXPECT_TRUE(profiles->Prepared());
  profiles->Unprepare();
  EXPECT_EQ(profiles->Classify("games.example"), "Miscellaneous");
  profiles->Prepare();
  EXPECT_EQ(profiles->Classify("games.example"), "Games");
  // Keyword edits inside a profile wait for Rebuild.
  profiles->Profile(0)->AddExclude("example");
  EXPECT_EQ(profiles->Classify("games.example"), "Games");
  profiles->Rebuild();
  EXPECT_EQ(profiles->Classify("games.example"), "Miscellaneous");
}

TEST_F(ProfilesTest, ClassifiesHitsByTheirMatchText) {
  auto profiles = MakeProfiles({{"Mail", {"invoice"}, {}}, {"Web", {"example"}, {}}});
  TAdvRef<TVexaHit> hit = AdvNew<TVexaHit>();
  hit->SetProtocol(kProtocolMail);
  hit->SetDestination("mail.example.com");
  hit->SetResource("Your INVOICE");
  profiles->ClassifyHit(*hit);
  EXPECT_EQ(hit->Profile(), "Mail");  // the subject alone

  hit->SetProfile("");
  hit->SetResource("hello");
  profiles->ClassifyHit(*hit);
  EXPECT_EQ(hit->Profile(), "Miscellaneous");  // the host is not part of a mail's text

  hit->SetProfile("");
  hit->SetProtocol(kProtocolTelnet);
  hit->SetDestination("host.example.com");
  hit->SetResource("invoice");
  profiles->ClassifyHit(*hit);
  EXPECT_EQ(hit->Profile(), "Web");  // the host alone

  hit->SetProfile("Loader's own");
  profiles->ClassifyHit(*hit);
  EXPECT_EQ(hit->Profile(), "Loader's own");
}

TEST_F(ProfilesTest, KeywordsMoveBetweenListsAndBlankOnesAreIgnored) {
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  int notified = 0;
  profiles->SetChangeHandler([&] { ++notified; });
  profiles->ExcludeKeyword("Games", "Chess");
  EXPECT_EQ(notified, 1);  // the profile was made
  profiles->IncludeKeyword("GAMES", "chess");
  profiles->IncludeKeyword("Games", "");
  profiles->IncludeKeyword("Games", "  ");
  profiles->ExcludeKeyword("Games", "");
  profiles->IncludeKeyword("games", "Poker");
  profiles->IncludeKeyword("Games", "POKER");
  ASSERT_EQ(profiles->Count(), 1);
  EXPECT_EQ(profiles->Profile(0)->IncludesText(), "chess, Poker");
  EXPECT_EQ(profiles->Profile(0)->Excludes().Count(), 0);
  EXPECT_EQ(profiles->KeywordCount(), 2);
  EXPECT_EQ(notified, 1);
  TAdvRef<TProfiles> other = AdvNew<TProfiles>();
  other->IncludeKeyword("Blank", "");
  EXPECT_EQ(other->Count(), 0);
}

TEST_F(ProfilesTest, MergeRespectsTheOtherListOfEachProfile) {
  auto mine = MakeProfiles({{"Games", {"chess", "poker"}, {"casino"}}});
  mine->Profile(0)->SetDescription("Mine");
  auto theirs =
      MakeProfiles({{"GAMES", {"casino", "bridge"}, {"poker", "lotto"}}, {"News", {"news"}, {}}});
  theirs->Profile(0)->SetDescription("Theirs");
  int notified = 0;
  mine->SetChangeHandler([&] { ++notified; });
  mine->Merge(*theirs);
  EXPECT_EQ(notified, 1);
  ASSERT_EQ(mine->Count(), 2);
  EXPECT_EQ(mine->Profile(0)->Description(), "Mine");
  EXPECT_EQ(mine->Profile(0)->IncludesText(), "bridge, chess, poker");
  EXPECT_EQ(mine->Profile(0)->ExcludesText(), "casino, lotto");
  EXPECT_EQ(mine->Profile(1)->Name(), "News");
  EXPECT_EQ(mine->Classify("bridge.example"), "Games");
}

TEST_F(ProfilesTest, SavesAndLoadsItsXmlFile) {
  const std::string file = vexatest::MakeTempFolder("profiles") + "/Default.Profiles";
  auto profiles =
      MakeProfiles({{"Games & <Fun>", {"chess", "poker"}, {"casino"}}, {"Empty", {}, {}}});
  profiles->Profile(0)->SetDescription("Board and card games");
  profiles->SaveToFile(file);
  const std::string xml = vexatest::ReadFileText(file);
  EXPECT_EQ(xml.rfind("<object name=\"Profiles\" classname=\"TProfiles\">\r\n", 0), 0u) << xml;
  EXPECT_NE(xml.find("<object name=\"Includes\" classname=\"TAdvStrings\">"), std::string::npos);
  EXPECT_NE(xml.find("<string name=\"Description\"><![CDATA[Board and card games]]></string>"),
            std::string::npos);
  EXPECT_EQ(xml.find("Enabled"), std::string::npos);

  TAdvRef<TProfiles> loaded = AdvNew<TProfiles>();
  int notified = 0;
  loaded->SetChangeHandler([&] { ++notified; });
  loaded->LoadFromFile(file);
  EXPECT_EQ(notified, 1);
  ASSERT_EQ(loaded->Count(), 2);
  EXPECT_EQ(loaded->Profile(0)->Name(), "Games & <Fun>");
  EXPECT_EQ(loaded->Profile(0)->Description(), "Board and card games");
  EXPECT_EQ(loaded->Profile(0)->IncludesText(), "chess, poker");
  EXPECT_EQ(loaded->Profile(0)->ExcludesText(), "casino");
  EXPECT_EQ(loaded->Classify("chess.example"), "Games & <Fun>");
  loaded->SaveToFile(file + "2");
  EXPECT_EQ(vexatest::ReadFileText(file + "2"), xml);
}

TEST_F(ProfilesTest, ReadsOlderFiles) {
  const std::string file = vexatest::MakeTempFolder("older") + "/Old.Profiles";
  // The older header, a profile without a description but with Enabled, and
  // blank and duplicate keywords that newer code never writes.
  vexatest::WriteFileText(
      file,
      "<object name=\"Profiles\" classname=\"TProfiles\">\r\n"
      "  <string name=\"Title\"><![CDATA[Profiles]]></string>\r\n"
      "  <string name=\"Author\"><![CDATA[]]></string>\r\n"
      "  <string name=\"Version\"><![CDATA[1]]></string>\r\n"
      "  <object name=\"List\" classname=\"TAdvList\">\r\n"
      "    <item name=\"Item[0]\">\r\n"
      "      <object name=\"Object\" classname=\"TProfile\">\r\n"
      "        <string name=\"Name\"><![CDATA[Games]]></string>\r\n"
      "        <object name=\"Includes\" classname=\"TAdvStrings\">\r\n"
      "          <item name=\"Item[0]\"><string "
      "name=\"String\"><![CDATA[poker]]></string></item>\r\n"
      "          <item name=\"Item[1]\"><string name=\"String\"><![CDATA[]]></string></item>\r\n"
      "          <item name=\"Item[2]\"><string "
      "name=\"String\"><![CDATA[Chess]]></string></item>\r\n"
      "          <item name=\"Item[3]\"><string "
      "name=\"String\"><![CDATA[POKER]]></string></item>\r\n"
      "        </object>\r\n"
      "        <nil name=\"Excludes\"></nil>\r\n"
      "        <boolean name=\"Enabled\">True</boolean>\r\n"
      "      </object>\r\n"
      "    </item>\r\n"
      "  </object>\r\n"
      "</object>\r\n");
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  profiles->LoadFromFile(file);
  ASSERT_EQ(profiles->Count(), 1);
  EXPECT_EQ(profiles->Profile(0)->Description(), "");
  EXPECT_EQ(profiles->Profile(0)->IncludesText(), "Chess, poker");
  EXPECT_EQ(profiles->Profile(0)->Excludes().Count(), 0);
  EXPECT_EQ(profiles->Classify("pokerstars.example"), "Games");
}

TEST_F(ProfilesTest, AFileThatCannotBeReadLeavesTheListUnchanged) {
  const std::string folder = vexatest::MakeTempFolder("badprofiles");
  auto profiles = MakeProfiles({{"Games", {"chess"}, {}}});
  const std::string aliases = folder + "/Wrong.Profiles";
  vexatest::WriteFileText(aliases,
                          "<object name=\"Aliases\" classname=\"TAliases\">\r\n</object>\r\n");
  const std::string garbage = folder + "/Garbage.Profiles";
  vexatest::WriteFileText(garbage, "not xml at all");
  for (const std::string& file : {aliases, garbage, folder + "/Missing.Profiles"}) {
    try {
      profiles->LoadFromFile(file);
      ADD_FAILURE() << file;
    } catch (const EAdvanced& e) {
      EXPECT_EQ(e.BareMessage(), "No Profiles found in " + file);
    }
    ASSERT_EQ(profiles->Count(), 1);
    EXPECT_EQ(profiles->Classify("chess.example"), "Games");
  }
}

// The matcher as a trie with a full child table per node (the library's
// TAdvDictionary) runs it, step by step: the compact trie must give the
// same answer for every text.
std::string ReferenceClassify(const std::vector<TProfileSpec>& specs, const std::string& text) {
  TAdvRef<TAdvDictionary> includes = AdvNew<TAdvDictionary>();
  std::vector<TAdvRef<TAdvDictionary>> excludes;
  std::vector<TAdvRef<TAdvNamed>> owners;
  for (const TProfileSpec& spec : specs) {
    owners.push_back(AdvNew<TAdvNamed>(spec.Name));
    excludes.push_back(AdvNew<TAdvDictionary>());
    for (const auto& k : spec.Excludes)
      excludes.back()->AddWord(LowerAscii(k), owners.back().Get());
    for (const auto& k : spec.Includes) includes->AddWord(LowerAscii(k), owners.back().Get());
  }
  auto accepts = [&](TAdvObject* owner) {
    for (size_t i = 0; i < owners.size(); ++i) {
      if (owners[i].Get() != owner) continue;
      int count;
      for (size_t s = 0; s < text.size(); ++s)
        if (excludes[i]->Walk(std::string_view(text).substr(s), count)->Terminal()) return false;
    }
    return true;
  };
  for (size_t s = 0; s < text.size(); ++s) {
    int count;
    const TAdvDictionary* node = includes->Walk(std::string_view(text).substr(s), count);
    size_t at = s + count;
    while (node->Terminal()) {
      if (accepts(node->Data())) return static_cast<TAdvNamed*>(node->Data())->Name();
      if (at >= text.size()) break;
      const TAdvDictionary* child = node->Child(uint8_t(text[at]));
      if (!child) break;
      node = child->Walk(std::string_view(text).substr(at + 1), count);
      at += 1 + count;
    }
  }
  return "Miscellaneous";
}

TEST_F(ProfilesTest, CompactTrieAnswersAsAFullTableTrieWould) {
  std::mt19937 random(20240611);
  auto word = [&](int maxLength) {
    std::string w;
    const int length = 1 + int(random() % maxLength);
    for (int i = 0; i < length; ++i) w += "abcAB."[random() % 6];
    return w;
  };
  for (int round = 0; round < 60; ++round) {
    std::vector<TProfileSpec> specs;
    const int count = 1 + int(random() % 5);
    for (int p = 0; p < count; ++p) {
      TProfileSpec spec{"P" + std::to_string(p), {}, {}};
      for (int k = int(random() % 8); k > 0; --k) spec.Includes.push_back(word(5));
      for (int k = int(random() % 3); k > 0; --k) spec.Excludes.push_back(word(4));
      specs.push_back(spec);
    }
    auto profiles = MakeProfiles(specs);
    for (int t = 0; t < 40; ++t) {
      const std::string text = LowerAscii(word(30));
      ASSERT_EQ(profiles->ClassifyLowered(text), ReferenceClassify(specs, text))
          << "round " << round << " text " << text;
    }
  }
}

TEST_F(ProfilesTest, AHundredThousandKeywordsFitInAFewMegabytes) {
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  profiles->BeginChanges();
  std::mt19937 random(7);
  for (int p = 0; p < 50; ++p) {
    TAdvRef<TProfile> profile = AdvNew<TProfile>("Category " + std::to_string(p));
    for (int k = 0; k < 2000; ++k) {
      std::string keyword;
      for (int length = 6 + int(random() % 10); length > 0; --length)
        keyword += char('a' + random() % 26);
      profile->AddInclude(keyword);
    }
    profiles->Add(profile.Detach());
  }
  profiles->EndChanges();
  EXPECT_GT(profiles->KeywordCount(), 99000);
  EXPECT_LT(profiles->SizeInBytes(), size_t(40) << 20);
  const std::string keyword = profiles->Profile(17)->Includes().GetItem(5);
  EXPECT_EQ(profiles->Classify("www." + keyword + ".example"), "Category 17");
}

}  // namespace
