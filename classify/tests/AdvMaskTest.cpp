#include "classify/AdvMasks.h"

#include "core/AdvStrings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

struct MatchCase {
  const char* Mask;
  const char* Text;
  bool Matches;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
  *os << "mask '" << c.Mask << "' text '" << c.Text << "'";
}

class AdvMaskMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(AdvMaskMatch, MatchesAsDocumented) {
  const MatchCase& c = GetParam();
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>(c.Mask);
  EXPECT_EQ(mask->Matches(c.Text), c.Matches) << "mask '" << c.Mask << "' text '" << c.Text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdvMaskMatch,
    testing::Values(
        // A lone star matches everything; the empty mask only the empty text.
        MatchCase{"*", "", true}, MatchCase{"*", "anything at all", true}, MatchCase{"", "", true},
        MatchCase{"", "a", false},
        // *? is * : it matches the empty rest as well.
        MatchCase{"*?", "", true}, MatchCase{"*?", "x", true}, MatchCase{"a*?", "a", true},
        MatchCase{"*??x", "x", true},
        // ? needs one byte.
        MatchCase{"a?c", "abc", true}, MatchCase{"a?c", "ac", false},
        MatchCase{"abc?", "abc", false}, MatchCase{"?", "", false},
        // ASCII case only.
        MatchCase{"*.LOG", "access.log", true}, MatchCase{"A*", "apple", true},
        MatchCase{"\xC9*", "\xE9t\xE9", false}, MatchCase{"\xC9*", "\xC9t\xE9", true},
        // Sets, ranges, negation.
        MatchCase{"[a-c]x", "Bx", true}, MatchCase{"[a-c]x", "dx", false},
        MatchCase{"[!0-9]*", "x1", true}, MatchCase{"[!0-9]*", "1x", false},
        MatchCase{"[!0-9]*", "", false}, MatchCase{"[z-a]", "z", true},
        MatchCase{"[z-a]", "Z", true}, MatchCase{"[z-a]", "m", false},
        MatchCase{"[z-a]", "a", false},
        // A range's low bound stays for the next range: [a-c-e] is A..E.
        MatchCase{"[a-c-e]", "e", true},
        // Bounds are upper-cased, so [_-~] holds no letter a text can supply.
        MatchCase{"[_-~]", "_", true}, MatchCase{"[_-~]", "b", false},
        // The end of the mask anchors the end of the text.
        MatchCase{"*.log", "a.log.1", false}, MatchCase{"access*.log", "access.2024.log", true},
        MatchCase{"access*.log", "xaccess.log", false}, MatchCase{"10.1.*", "10.1.2.3", true},
        MatchCase{"*ab*ab", "abab", true}, MatchCase{"*ab*ab", "aba", false},
        MatchCase{"*a*b*c*", "xaxbxcx", true}, MatchCase{"*a*b*c*", "cba", false}));

TEST(AdvMask, ZeroByteInTextIsNotTheEnd) {
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>("a?");
  EXPECT_TRUE(mask->Matches(std::string("a\0", 2)));
  EXPECT_FALSE(mask->Matches(std::string("a\0b", 3)));
  mask->SetMask(std::string("a\0", 2));
  EXPECT_FALSE(mask->Matches("a"));
  EXPECT_TRUE(mask->Matches(std::string("a\0", 2)));
}

struct BadMask {
  const char* Mask;
  int Position;
};

void PrintTo(const BadMask& c, std::ostream* os) {
  *os << "mask '" << c.Mask << "'";
}

class AdvMaskInvalid : public testing::TestWithParam<BadMask> {};

TEST_P(AdvMaskInvalid, RaisesWithPosition) {
  const BadMask& c = GetParam();
  try {
    AdvNew<TAdvMask>(c.Mask);
    FAIL() << "no error for '" << c.Mask << "'";
  } catch (const EAdvanced& e) {
    EXPECT_STREQ(e.ClassType()->Name, "EAdvanced");
    EXPECT_EQ(e.Message(), std::string("(TAdvMask.SetMask): '") + c.Mask +
                               "' is an invalid mask at (" + std::to_string(c.Position) + ")");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, AdvMaskInvalid,
                         testing::Values(BadMask{"x[a", 4}, BadMask{"[]", 2}, BadMask{"[!]", 3},
                                         BadMask{"[", 2}, BadMask{"[!", 3}, BadMask{"[-a]", 2},
                                         BadMask{"a[!-a]", 4}, BadMask{"[a-", 4},
                                         // The byte after `-` is the bound, even a `]`.
                                         BadMask{"[a-]", 5}));

std::string Stars(int groups, bool trailing) {
  std::string mask;
  for (int i = 0; i < groups; ++i) mask += (trailing && i == groups - 1) ? "*" : "*x";
  return mask;
}

TEST(AdvMask, ThirtyStarGroupsCompileThirtyOneDoNot) {
  EXPECT_NO_THROW(AdvNew<TAdvMask>(Stars(30, false)));
  EXPECT_NO_THROW(AdvNew<TAdvMask>(Stars(30, true)));
  EXPECT_NO_THROW(AdvNew<TAdvMask>("**" + Stars(30, true)));  // a run of stars is one group
  const std::string inner = Stars(31, false);
  try {
    AdvNew<TAdvMask>(inner);
    FAIL();
  } catch (const EAdvanced& e) {
    // Found at the x after the 31st star.
    EXPECT_EQ(e.BareMessage(), "'" + inner + "' is an invalid mask at (62)");
  }
  const std::string trailing = Stars(31, true);
  try {
    AdvNew<TAdvMask>(trailing);
    FAIL();
  } catch (const EAdvanced& e) {
    // A trailing star is counted at the end of the mask.
    EXPECT_EQ(e.BareMessage(), "'" + trailing + "' is an invalid mask at (62)");
  }
}

TEST(AdvMask, FailedSetMaskLeavesTheMaskAsItWas) {
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>("*.log");
  EXPECT_THROW(mask->SetMask("[oops"), EAdvanced);
  EXPECT_EQ(mask->Mask(), "*.log");
  EXPECT_TRUE(mask->Matches("a.log"));
  EXPECT_THROW(mask->MatchMask("a.log", "[]"), EAdvanced);
  EXPECT_TRUE(mask->Matches("a.log"));
}

TEST(AdvMask, CompilesToDocumentedStates) {
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>("*?a[!b-c]?*");
  ASSERT_EQ(mask->StateCount(), 4);
  EXPECT_EQ(mask->State(0).Kind, TAdvMaskKind::Literal);
  EXPECT_TRUE(mask->State(0).SkipTo);
  EXPECT_EQ(mask->State(0).Literal, 'A');
  EXPECT_EQ(mask->State(1).Kind, TAdvMaskKind::Set);
  EXPECT_TRUE(mask->State(1).Negate);
  EXPECT_TRUE(mask->State(1).Members.Contains('B'));
  EXPECT_FALSE(mask->State(1).Members.Contains('b'));
  EXPECT_EQ(mask->State(2).Kind, TAdvMaskKind::Any);
  EXPECT_FALSE(mask->State(2).SkipTo);
  EXPECT_EQ(mask->State(3).Kind, TAdvMaskKind::End);
  EXPECT_TRUE(mask->State(3).SkipTo);
}

TEST(AdvMask, MatchMaskRecompilesAndLastMatchIndexWalksBackwards) {
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>();
  EXPECT_TRUE(mask->MatchMask("abc", "A?C"));
  EXPECT_EQ(mask->Mask(), "A?C");
  TAdvRef<TAdvStrings> strings = AdvNew<TAdvStrings>();
  EXPECT_EQ(mask->LastMatchIndex(*strings), -1);
  strings->SetAsText("abc\r\nx\r\nABC\r\ny");
  EXPECT_EQ(mask->LastMatchIndex(*strings), 2);
  mask->SetMask("z");
  EXPECT_EQ(mask->LastMatchIndex(*strings), -1);
}

TEST(AdvMask, AssignAndCloneCopyTheMask) {
  TAdvRef<TAdvMask> source = AdvNew<TAdvMask>("*.txt");
  TAdvRef<TAdvMask> target = AdvNew<TAdvMask>("x");
  target->Assign(*source);
  EXPECT_EQ(target->Mask(), "*.txt");
  EXPECT_TRUE(target->Matches("A.TXT"));
  TAdvRef<TAdvObject> copy(source->Clone());
  EXPECT_TRUE(AdvCast<TAdvMask>(copy.Get())->Matches("b.txt"));
  EXPECT_EQ(source->ResultText(), "*.txt");
}

// A star-heavy mask that a plain backtracking search would take years on.
TEST(AdvMask, PathologicalMasksFinishFast) {
  const std::string as(10000, 'a');
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(AdvNew<TAdvMask>("*a*a*a*a*a*a*b")->Matches(as));
  EXPECT_FALSE(AdvNew<TAdvMask>("*a*a*a*a*a*a*b*")->Matches(as));
  EXPECT_FALSE(AdvNew<TAdvMask>("*a*a*a*a*a*a*b*a")->Matches(as));
  EXPECT_TRUE(AdvNew<TAdvMask>("*a*a*a*a*a*a*a")->Matches(as));
  EXPECT_FALSE(AdvNew<TAdvMask>(Stars(29, true) + "b")->Matches(as));
  EXPECT_FALSE(AdvNew<TAdvMask>("*" + std::string(50, 'a') + "b*")->Matches(as));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(2));
}

TEST(AdvMask, DoubleByteLiteralsWhenTheCodePageHasLeadBytes) {
  TAdvByteSet lead;
  lead.Add(0x81);
  SetMaskLeadBytes(lead);
  struct Restore {
    ~Restore() { SetMaskLeadBytes({}); }
  } restore;
  // Bytes written in octal: \201 is the lead byte 0x81.
  // The pair matches exactly: its trail byte is not upper-cased.
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>("\201a*");
  ASSERT_EQ(mask->State(0).Kind, TAdvMaskKind::DoubleByte);
  EXPECT_TRUE(mask->Matches("\201a"));
  EXPECT_FALSE(mask->Matches("\201A"));
  EXPECT_TRUE(AdvNew<TAdvMask>("*\201a")->Matches("xx\201a"));
  EXPECT_FALSE(AdvNew<TAdvMask>("*\201a")->Matches("xx\201ab"));
  // A lead byte cut off by the end of the mask is a plain byte.
  EXPECT_TRUE(AdvNew<TAdvMask>("a\201")->Matches("A\201"));
  // Inside a set only the lead byte is skipped; its trail is a member.
  TAdvRef<TAdvMask> set = AdvNew<TAdvMask>("[\201b]");
  EXPECT_TRUE(set->Matches("B"));
  EXPECT_FALSE(set->Matches("\201"));
  EXPECT_THROW(AdvNew<TAdvMask>("[\x81]"), EAdvanced);
}

TEST(HasWildcards, OnlyStarQuestionAndOpeningBracket) {
  EXPECT_FALSE(HasWildcards("a]b"));
  EXPECT_FALSE(HasWildcards("a!b"));
  EXPECT_FALSE(HasWildcards(""));
  EXPECT_TRUE(HasWildcards("a[b"));
  EXPECT_TRUE(HasWildcards("a*"));
  EXPECT_TRUE(HasWildcards("?"));
}

}  // namespace
