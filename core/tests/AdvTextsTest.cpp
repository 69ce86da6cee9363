#include "core/AdvTexts.h"

#include <gtest/gtest.h>

namespace {

TEST(AdvTexts, ReplaceAllResumesAfterTheReplacement) {
  const struct {
    const char *Text, *Find, *Replacement;
    bool CaseSensitive;
    const char* Expected;
  } cases[] = {
      {"a-b-c", "-", "+", true, "a+b+c"},
      {"aaa", "a", "aa", true, "aaaaaa"},  // never rescans what it inserted
      {"abab", "ab", "", true, ""},
      {"Hello HELLO hello", "hello", "x", false, "x x x"},
      {"Hello HELLO hello", "hello", "x", true, "Hello HELLO x"},
      {"caf\xE9 CAF\xC9", "caf\xE9", "-", false, "- CAF\xC9"},  // only ASCII letters fold
      {"text", "", "x", true, "text"},
      {"ab", "abc", "x", true, "ab"},
      {"xxabxx", "ab", "ab", true, "xxabxx"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceAll(c.Text, c.Find, c.Replacement, c.CaseSensitive), c.Expected) << c.Text;
}

TEST(AdvTexts, PaddingFillsToTheWidth) {
  EXPECT_EQ(PadCentre("abc", ' ', 6), " abc  ");
  EXPECT_EQ(PadCentre("abc", '*', 7), "**abc**");
  EXPECT_EQ(PadCentre("abcdef", ' ', 3), "abcdef");
  EXPECT_EQ(PadLeft("7", '0', 3), "007");
  EXPECT_EQ(PadRight("ab", '.', 4), "ab..");
  EXPECT_EQ(PadRight("abcd", '.', 4), "abcd");
  EXPECT_EQ(PadLeft("ab", ' ', -3), "ab");
  EXPECT_EQ(RepeatChar('=', 3), "===");
  EXPECT_EQ(RepeatChar('=', -1), "");
}

TEST(AdvTexts, PluraliseFollowsTheEnglishRules) {
  const struct {
    const char* Word;
    int64_t Count;
    const char* Expected;
  } cases[] = {
      {"match", 2, "matches"}, {"month", 2, "months"}, {"day", 2, "days"},  {"city", 2, "cities"},
      {"box", 1, "box"},       {"box", 0, "boxes"},    {"bus", 3, "buses"}, {"quiz", 2, "quizes"},
      {"hadj", 2, "hadjes"},   {"by", 2, "bys"},       {"spy", 2, "spies"}, {"key", 2, "keys"},
      {"CITY", 2, "CITies"},   {"hit", 2, "hits"},     {"", 2, ""},         {"rule", -1, "rules"},
      {"yyy", 2, "yyies"},     {"alias", 1, "alias"},
  };
  for (const auto& c : cases) EXPECT_EQ(Pluralise(c.Word, c.Count), c.Expected) << c.Word;
}

TEST(AdvTexts, SplitCharCutsAndSkipsLeadingBlanks) {
  const struct {
    const char* Buffer;
    char Separator;
    bool KeepEmpty;
    int32_t Limit;
    std::vector<std::string_view> Expected;
  } cases[] = {
      {"a,b,c", ',', false, 10, {"a", "b", "c"}},
      {"a, b,  c", ',', false, 10, {"a", "b", "c"}},
      {" a,b", ',', false, 10, {" a", "b"}},  // only after a cut
      {"a,,b,", ',', false, 10, {"a", "b"}},
      {"a,,b,", ',', true, 10, {"a", "", "b", ""}},
      {"a, ,b", ',', true, 10, {"a", "", "b"}},
      {"a  b", ' ', false, 10, {"a", "b"}},
      {"a  b", ' ', true, 10, {"a", "", "b"}},
      {"a,b,c,d", ',', false, 2, {"a", "b,c,d"}},
      {"a,b", ',', false, 1, {"a,b"}},
      {"", ',', true, 10, {}},
      {"abc", ',', false, 0, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string_view> parts;
    EXPECT_EQ(SplitChar(c.Buffer, c.Separator, c.KeepEmpty, parts, c.Limit),
              int32_t(c.Expected.size()))
        << c.Buffer;
    EXPECT_EQ(parts, c.Expected) << c.Buffer;
  }
}

TEST(AdvTexts, SplitAtAndLastIndex) {
  std::string before = "x", after = "y";
  EXPECT_TRUE(SplitAt("key=value=more", "=", before, after));
  EXPECT_EQ(before, "key");
  EXPECT_EQ(after, "value=more");
  EXPECT_FALSE(SplitAt("novalue", "=", before, after));
  EXPECT_EQ(before, "");
  EXPECT_EQ(after, "");
  EXPECT_EQ(LastIndexOfChar('/', "a/b/c"), 4);
  EXPECT_EQ(LastIndexOfChar('/', "abc"), 0);
}

TEST(AdvTexts, CaseAndEndings) {
  EXPECT_EQ(UpperAscii("abc\xE9-z"), "ABC\xE9-Z");
  EXPECT_EQ(LowerAscii("ABC\xC9-Z"), "abc\xC9-z");
  EXPECT_EQ(Capitalise("hELLO"), "Hello");
  EXPECT_EQ(Capitalise("A"), "a");
  EXPECT_EQ(EnsurePrefix("", '/'), "/");
  EXPECT_EQ(EnsurePrefix("/a", '/'), "/a");
  EXPECT_EQ(EnsureSuffix("", '/'), "");
  EXPECT_EQ(EnsureSuffix("a", '/'), "a/");
  EXPECT_EQ(EnsureSuffix("a/", '/'), "a/");
  EXPECT_EQ(RemovePrefixChar("//a", '/'), "/a");
  EXPECT_EQ(EnsureEnding("Report.TXT", ".txt"), "Report.TXT");
  EXPECT_EQ(EnsureEnding("Report", ".txt"), "Report.txt");
  EXPECT_EQ(RemoveEnding("Report.TXT", ".txt"), "Report");
  EXPECT_EQ(RemoveEnding("Report", ".txt"), "Report");
  EXPECT_EQ(TrimSet("--[a-b]--", "-[]"), "a-b");
  EXPECT_EQ(TrimSet("----", "-"), "");
  EXPECT_TRUE(IsTrueText("tRUE"));
  EXPECT_FALSE(IsTrueText("yes"));
  EXPECT_EQ(ByteSum("\x01\xFF"), 256u);
}

}  // namespace
