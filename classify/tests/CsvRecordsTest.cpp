#include "classify/CsvRecords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classify/Aliases.h"
#include "classify/Profiles.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

using TLines = std::vector<std::vector<std::string>>;

TEST(CsvRecords, ParsesCellsByTheProgramsRules) {
  struct Case {
    std::string text;
    TLines lines;
  } cases[] = {
      {"a,,b", {{"a", "", "b"}}},
      {"a,", {{"a", ""}}},
      {" a , b ", {{"a ", "b "}}},  // blanks before a cell go, after it stay
      {"", {}},
      {"\r\n", {{}}},
      {"a\r\n\r\nb\n", {{"a"}, {}, {"b"}}},
      {"\"x, \"\"y\"\"\",z", {{"x, \"y\"", "z"}}},
      {"\"two\r\nlines\",\"\"\r\nnext", {{"two\r\nlines", ""}, {"next"}}},
      {"a\tb", {{"a", "b"}}},  // a byte below a space ends an unquoted cell
      {"\"q\"tail,x", {{"q", "tail", "x"}}},
      {"\xEF\xBB\xBF"
       "a,b\rc",
       {{"a", "b"}, {"c"}}},
      {std::string("a\0b", 3), {{"a", "b"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvParse(c.text), c.lines) << c.text;
}

TEST(CsvRecords, RefusesAQuotedCellThatNeverCloses) {
  try {
    CsvParse("a\r\n\"b,\r\nc");
    FAIL();
  } catch (const EAdvanced& e) {
    EXPECT_EQ(e.BareMessage(), "The quoted cell that begins on line 2 is not closed");
  }
}

TEST(CsvRecords, QuotesEveryCell) {
  EXPECT_EQ(CsvQuoteCell("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvLine({"a", "", "b,c"}), "\"a\",\"\",\"b,c\"");
  EXPECT_EQ(CsvLine({}), "");
}

// Texts a spreadsheet or a careless editor produces.
const std::vector<std::string> kAwkward = {
    "comma, inside",
    "\"quoted\"",
    "  leading and trailing  ",
    "two\r\nlines",
    "tab\there",
    "semi;colon",
    "caf\xE9",
    "'single'",
    "trailing,",
    "\"",
};

TEST(CsvRecords, AliasesSurviveARoundTripWithAwkwardCells) {
  const std::string file = vexatest::MakeTempFolder("csv") + "/aliases.csv";
  TAdvRef<TAliases> table = AdvNew<TAliases>();
  for (const std::string& name : kAwkward) {
    TAlias* alias = table->FindOrAddAlias(name);
    for (const std::string& pattern : kAwkward) alias->Add(name + "|" + pattern);
    alias->Add("10.1.*");
  }
  table->FindOrAddAlias("No patterns");
  ExportAliasesCSV(*table, file);

  TAdvRef<TAliases> loaded = AdvNew<TAliases>();
  EXPECT_TRUE(ImportAliasesCSV(*loaded, file, false).empty());
  ASSERT_EQ(loaded->Count(), table->Count());
  for (int i = 0; i < table->Count(); ++i) {
    EXPECT_EQ(loaded->Alias(i)->Name(), table->Alias(i)->Name());
    EXPECT_EQ(loaded->Alias(i)->AsText(), table->Alias(i)->AsText());
  }
  EXPECT_FALSE(loaded->Editing());
}

TEST(CsvRecords, AliasImportMergesSkipsAndReports) {
  const std::string file = vexatest::MakeTempFolder("csv") + "/aliases.csv";
  vexatest::WriteFileText(file,
                          "Jane,jdoe,,\"  \",[bad,j*\r\n"
                          "\r\n"
                          ",orphan\r\n"
                          "JANE,jane@example.com\r\n"
                          "John\r\n");
  TAdvRef<TAliases> table = AdvNew<TAliases>();
  table->FindOrAddAlias("Jane")->Add("jd");
  table->FindOrAddAlias("Keep");
  int notified = 0;
  table->SetChangeHandler([&] { ++notified; });
  const auto problems = ImportAliasesCSV(*table, file, true);
  EXPECT_EQ(notified, 1);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("'[bad'"), std::string::npos);
  EXPECT_NE(problems[1].find("Line 3"), std::string::npos);
  ASSERT_EQ(table->Count(), 3);
  EXPECT_EQ(table->Alias(0)->PatternsText(), "jd, jdoe, j*, jane@example.com");
  EXPECT_EQ(table->Alias(2)->Name(), "John");
  EXPECT_EQ(table->Lookup("jx"), "Jane");  // the index was rebuilt

  TAdvRef<TAliases> replaced = AdvNew<TAliases>();
  replaced->FindOrAddAlias("Gone");
  ImportAliasesCSV(*replaced, file, false);
  EXPECT_EQ(replaced->IndexOfAlias("Gone"), -1);
}

TEST(CsvRecords, AnImportThatCannotBeParsedChangesNothing) {
  const std::string folder = vexatest::MakeTempFolder("csv");
  vexatest::WriteFileText(folder + "/open.csv", "New,pattern\r\n\"Broken,x\r\n");
  TAdvRef<TAliases> table = AdvNew<TAliases>();
  table->FindOrAddAlias("Old")->Add("old");
  int notified = 0;
  table->SetChangeHandler([&] { ++notified; });
  EXPECT_THROW(ImportAliasesCSV(*table, folder + "/open.csv", false), EAdvanced);
  EXPECT_THROW(ImportAliasesCSV(*table, folder + "/missing.csv", false), EAdvanced);
  ASSERT_EQ(table->Count(), 1);
  EXPECT_EQ(table->Alias(0)->Name(), "Old");
  EXPECT_EQ(notified, 0);
  EXPECT_FALSE(table->Editing());

  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  profiles->IncludeKeyword("Games", "chess");
  EXPECT_THROW(ImportProfilesCSV(*profiles, folder + "/open.csv", false), EAdvanced);
  EXPECT_EQ(profiles->Count(), 1);
}

TEST(CsvRecords, ProfilesSurviveARoundTripWithAwkwardCells) {
  const std::string file = vexatest::MakeTempFolder("csv") + "/profiles.csv";
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  for (size_t i = 0; i < kAwkward.size(); ++i) {
    TAdvRef<TProfile> profile = AdvNew<TProfile>(kAwkward[i]);
    profile->SetDescription(i % 2 ? kAwkward[(i + 3) % kAwkward.size()] : "");
    for (size_t k = 0; k < kAwkward.size(); k += 1 + i % 3) profile->AddInclude(kAwkward[k]);
    if (i % 3 == 0) profile->AddExclude(kAwkward[(i + 1) % kAwkward.size()] + "x");
    profiles->Add(profile.Detach());
  }
  ExportProfilesCSV(*profiles, file);

  TAdvRef<TProfiles> loaded = AdvNew<TProfiles>();
  loaded->IncludeKeyword("Replaced", "gone");
  EXPECT_TRUE(ImportProfilesCSV(*loaded, file, false).empty());
  ASSERT_EQ(loaded->Count(), profiles->Count());
  for (int i = 0; i < profiles->Count(); ++i) {
    const TProfile* a = profiles->Profile(i);
    const TProfile* b = loaded->Profile(i);
    EXPECT_EQ(b->Name(), a->Name());
    EXPECT_EQ(b->Description(), a->Description());
    EXPECT_EQ(b->Includes().AsText(), a->Includes().AsText());
    EXPECT_EQ(b->Excludes().AsText(), a->Excludes().AsText());
  }
}

TEST(CsvRecords, ProfileImportMergesIntoProfilesOfTheSameName) {
  const std::string file = vexatest::MakeTempFolder("csv") + "/profiles.csv";
  vexatest::WriteFileText(file,
                          "GAMES,ignored cell\r\n"
                          "From the file\r\n"
                          "poker,,chess\r\n"
                          "casino\r\n"
                          "News\r\n"
                          "Daily news\r\n"
                          "news\r\n"
                          "\r\n"
                          "Dangling\r\n");
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  profiles->IncludeKeyword("Games", "bridge");
  profiles->Profile(0)->SetDescription("Mine");
  int notified = 0;
  profiles->SetChangeHandler([&] { ++notified; });
  EXPECT_TRUE(ImportProfilesCSV(*profiles, file, true).empty());
  EXPECT_EQ(notified, 1);
  ASSERT_EQ(profiles->Count(), 2);  // the record ending after its name is ignored
  EXPECT_EQ(profiles->Profile(0)->Name(), "GAMES");
  EXPECT_EQ(profiles->Profile(0)->Description(), "Mine");
  EXPECT_EQ(profiles->Profile(0)->IncludesText(), "bridge, chess, poker");
  EXPECT_EQ(profiles->Profile(0)->ExcludesText(), "casino");
  EXPECT_EQ(profiles->Profile(1)->Description(), "Daily news");
  EXPECT_EQ(profiles->Classify("www.news.example"), "News");  // rebuilt
}

}  // namespace
