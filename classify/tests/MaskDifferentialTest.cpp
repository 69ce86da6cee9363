// The mask matcher against two oracles on many random masks and texts:
//
// 1. A reference written plainly from the mask rules: compile to states, then
//    the exhaustive backtracking search with its stack of (position, state)
//    entries. It takes exponential time on star-heavy masks, so it only sees
//    short texts; the fast matcher must give exactly its answers, and raise
//    for exactly the masks it rejects, at the same position.
// 2. glibc's fnmatch, on the subset of masks where both rule sets agree.
#include <fnmatch.h>
#include <gtest/gtest.h>

#include <bitset>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "classify/AdvMasks.h"

namespace {

// ---------------------------------------------------------------------------
// Reference matcher

// Text characters are read as ints; kEnd stands for the end of the text, and
// only the final terminator state matches it.
constexpr int kEnd = 256;

enum class RefKind { Literal, Any, Set, Pair };

struct RefState {
  bool Skip = false;
  RefKind Kind = RefKind::Literal;
  int Literal = 0;
  bool Negate = false;
  std::bitset<257> Set;
  int Lead = 0, Trail = 0;
};

int Upper(int c) {
  return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

struct RefMask {
  std::vector<RefState> States;
  std::optional<int> ErrorAt;  // 1-based position of the fault
};

RefMask RefCompile(const std::string& mask, const std::bitset<256>& leadBytes) {
  RefMask out;
  bool skip = false;
  int cards = 0;
  auto at = [&](size_t i) { return int(static_cast<unsigned char>(mask[i])); };
  auto emit = [&](RefState s, size_t i) -> bool {
    s.Skip = skip;
    if (skip) ++cards;
    skip = false;
    out.States.push_back(s);
    if (cards > 30) out.ErrorAt = int(i) + 1;
    return !out.ErrorAt;
  };
  size_t i = 0;
  const size_t n = mask.size();
  while (i < n) {
    const int c = at(i);
    if (c == '*') {
      skip = true;
      ++i;
      continue;
    }
    if (c == '?') {
      if (!skip) {
        RefState s;
        s.Kind = RefKind::Any;
        if (!emit(s, i)) return out;
      }
      ++i;
      continue;
    }
    if (c == '[') {
      RefState s;
      s.Kind = RefKind::Set;
      ++i;
      if (i < n && mask[i] == '!') {
        s.Negate = true;
        ++i;
      }
      int previous = -1;
      while (i < n && mask[i] != ']') {
        const int m = at(i);
        if (m == '-') {
          if (previous < 0) {
            out.ErrorAt = int(i) + 1;
            return out;
          }
          ++i;
          if (i >= n) break;
          for (int b = previous; b <= Upper(at(i)); ++b) s.Set.set(size_t(b));
          ++i;
        } else if (leadBytes.test(size_t(m))) {
          ++i;
        } else {
          previous = Upper(m);
          s.Set.set(size_t(previous));
          ++i;
        }
      }
      if (i >= n || s.Set.none()) {
        out.ErrorAt = int(i) + 1;
        return out;
      }
      if (!emit(s, i)) return out;
      ++i;
      continue;
    }
    if (leadBytes.test(size_t(c)) && i + 1 < n) {
      RefState s;
      s.Kind = RefKind::Pair;
      s.Lead = c;
      s.Trail = at(i + 1);
      if (!emit(s, i + 1)) return out;
      i += 2;
      continue;
    }
    RefState s;
    s.Literal = Upper(c);
    if (!emit(s, i)) return out;
    ++i;
  }
  RefState terminator;
  terminator.Literal = kEnd;
  emit(terminator, n);
  return out;
}

struct RefText {
  const std::string& Text;
  int At(size_t p) const {
    return p < Text.size() ? int(static_cast<unsigned char>(Text[p])) : kEnd;
  }
};

bool RefCanMatch(const RefState& s, const RefText& t, size_t p) {
  switch (s.Kind) {
    case RefKind::Literal:
      return Upper(t.At(p)) == s.Literal;
    case RefKind::Any:
      return t.At(p) != kEnd;
    case RefKind::Set:
      return t.At(p) != kEnd && s.Set.test(size_t(Upper(t.At(p)))) != s.Negate;
    case RefKind::Pair:
      return t.At(p) == s.Lead && t.At(p + 1) == s.Trail;
  }
  return false;
}

bool RefMatches(const std::vector<RefState>& states, const std::string& text) {
  struct Entry {
    size_t Position, State;
  };
  Entry stack[30];
  int depth = 0;
  const RefText t{text};
  size_t position = 0, first = 0;
  for (;;) {
    bool matched = true;
    for (size_t s = first; s < states.size(); ++s) {
      const RefState& state = states[s];
      if (state.Skip) {
        while (position < text.size() && !RefCanMatch(state, t, position)) ++position;
        if (position < text.size()) {
          if (depth == 30) {
            ADD_FAILURE() << "backtracking stack overflow";
            return false;
          }
          stack[depth++] = {position + 1, s};
        }
      }
      if (!RefCanMatch(state, t, position)) {
        matched = false;
        break;
      }
      position += state.Kind == RefKind::Pair ? 2 : 1;
    }
    if (matched) return true;
    if (depth == 0) return false;
    --depth;
    position = stack[depth].Position;
    first = stack[depth].State;
  }
}

// ---------------------------------------------------------------------------
// Generators

std::string Pick(std::mt19937& rng, const std::vector<std::string>& pieces, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += pieces[rng() % pieces.size()];
  return out;
}

// A text built to fit the mask more often than chance would: stars become a
// few random bytes, everything else a byte drawn from `alphabet`, or the mask
// byte itself in either case.
std::string NearText(std::mt19937& rng, const std::string& mask, const std::string& alphabet) {
  std::string out;
  for (char c : mask) {
    const unsigned roll = rng() % 8;
    if (c == '*') {
      for (unsigned k = rng() % 4; k > 0; --k) out += alphabet[rng() % alphabet.size()];
    } else if (c == '[' || c == ']' || c == '!' || c == '?' || roll < 3) {
      if (rng() % 3) out += alphabet[rng() % alphabet.size()];
    } else {
      out += (roll & 1) ? c : char(c ^ 0x20);
    }
  }
  return out;
}

struct Tally {
  int Masks = 0, Invalid = 0, Texts = 0, Hits = 0;
};

void CompareWithReference(const std::string& mask, const std::vector<std::string>& texts,
                          const std::bitset<256>& leadBytes, Tally& tally) {
  const RefMask ref = RefCompile(mask, leadBytes);
  ++tally.Masks;
  TAdvRef<TAdvMask> fast;
  try {
    fast = AdvNew<TAdvMask>(mask);
  } catch (const EAdvanced& e) {
    ++tally.Invalid;
    ASSERT_TRUE(ref.ErrorAt) << "fast matcher rejects '" << mask << "': " << e.Message();
    EXPECT_EQ(e.BareMessage(),
              "'" + mask + "' is an invalid mask at (" + std::to_string(*ref.ErrorAt) + ")");
    return;
  }
  ASSERT_FALSE(ref.ErrorAt) << "reference rejects '" << mask << "' at " << *ref.ErrorAt;
  for (const std::string& text : texts) {
    const bool expected = RefMatches(ref.States, text);
    ++tally.Texts;
    tally.Hits += expected;
    ASSERT_EQ(fast->Matches(text), expected) << "mask '" << mask << "' text '" << text << "'";
  }
}

void RunReferenceDifferential(uint32_t seed, const std::bitset<256>& leadBytes) {
  std::mt19937 rng(seed);
  const std::vector<std::string> maskPieces = {
      "a", "b", "A", "z", "-",     "0",      "9",     "*",    "*",    "*",    "?",
      "?", "[", "]", "!", "[a-c]", "[!0-9]", "[z-a]", "\xC9", "\xE9", "\x81", std::string(1, '\0')};
  const std::string alphabet = std::string("aAbBzZ0-]!\xC9\xE9\x81") + std::string(1, '\0');
  Tally tally;
  for (int m = 0; m < 6000 && !testing::Test::HasFatalFailure(); ++m) {
    const std::string mask = Pick(rng, maskPieces, int(rng() % 10));
    std::vector<std::string> texts;
    for (int k = 0; k < 20; ++k) {
      std::string text;
      for (unsigned len = rng() % 9; len > 0; --len) text += alphabet[rng() % alphabet.size()];
      texts.push_back(text);
      texts.push_back(NearText(rng, mask, alphabet));
    }
    CompareWithReference(mask, texts, leadBytes, tally);
  }
  // The run means something only if it saw both answers and both outcomes.
  EXPECT_GT(tally.Invalid, tally.Masks / 20);
  EXPECT_GT(tally.Hits, tally.Texts / 20);
  EXPECT_LT(tally.Hits, tally.Texts - tally.Texts / 20);
}

TEST(MaskDifferential, AgreesWithReferenceRules) {
  RunReferenceDifferential(20240601, {});
}

TEST(MaskDifferential, AgreesWithReferenceRulesUnderDoubleByteCodePage) {
  TAdvByteSet lead;
  lead.Add(0x81);
  lead.Add(0xC9);
  SetMaskLeadBytes(lead);
  struct Restore {
    ~Restore() { SetMaskLeadBytes({}); }
  } restore;
  std::bitset<256> refLead;
  refLead.set(0x81);
  refLead.set(0xC9);
  RunReferenceDifferential(77, refLead);
}

TEST(MaskDifferential, AgreesWithReferenceOnManyStarsAndLongerTexts) {
  std::mt19937 rng(5);
  Tally tally;
  for (int m = 0; m < 400 && !HasFatalFailure(); ++m) {
    std::string mask;
    for (unsigned k = 1 + rng() % 6; k > 0; --k) mask += Pick(rng, {"*", "*a", "*ab", "?", "b"}, 1);
    std::vector<std::string> texts;
    for (int k = 0; k < 10; ++k) texts.push_back(Pick(rng, {"a", "b", "ab"}, int(rng() % 12)));
    CompareWithReference(mask, texts, {}, tally);
  }
  EXPECT_GT(tally.Hits, 0);
}

// ---------------------------------------------------------------------------
// fnmatch (FNM_NOESCAPE | FNM_CASEFOLD, no FNM_PATHNAME or FNM_PERIOD, C
// locale) agrees with the mask rules on the masks generated below. Where the
// two differ, the generator stays out:
// - a `?` right after a `*` is dropped here (*? matches the empty text);
//   fnmatch still wants one byte for it;
// - set bounds are upper-cased here, so a range across the letters ([0-z],
//   [_-~]) holds different bytes, and a reversed range ([z-a]) keeps its low
//   bound as a member; fnmatch orders ranges by collation;
// - here the byte after `-` is always the upper bound, even `]`; fnmatch
//   reads a trailing `-` as a member;
// - [] and [!] are errors here; fnmatch reads []...] and [!]...] with `]` as
//   a member; an unclosed `[` is an error here and a literal in fnmatch;
// - `^` negates a set and [:alpha:] names a class in fnmatch; both are plain
//   members here; there is no escape character here;
// - case folding here is ASCII only; bytes from 0x80 up are left out;
// - a mask holds at most 30 `*` groups here.

std::string RandomSet(std::mt19937& rng) {
  static const std::vector<std::string> items = {"a", "b",   "c",   "A",   "B",   "0",
                                                 "1", "a-c", "b-z", "0-5", "A-C", "x-x"};
  std::string set = rng() % 3 ? "[" : "[!";
  set += Pick(rng, items, 1 + int(rng() % 3));
  return set + "]";
}

std::string RandomFnmatchMask(std::mt19937& rng) {
  std::string mask;
  bool afterStar = false;
  for (unsigned n = rng() % 9; n > 0; --n) {
    const unsigned roll = rng() % 10;
    if (roll < 2) {
      mask += '*';
      afterStar = true;
      continue;
    }
    if (roll < 4) {
      if (afterStar) continue;
      mask += '?';
    } else if (roll < 5) {
      mask += RandomSet(rng);
    } else {
      mask += "abcABC.-x0"[rng() % 10];
    }
    afterStar = false;
  }
  return mask;
}

TEST(MaskDifferential, AgreesWithFnmatchWhereTheRulesMeet) {
  std::mt19937 rng(99);
  const std::string alphabet = "abcABCxyz.-019";
  int texts = 0, hits = 0;
  for (int m = 0; m < 6000 && !HasFatalFailure(); ++m) {
    const std::string mask = RandomFnmatchMask(rng);
    TAdvRef<TAdvMask> fast = AdvNew<TAdvMask>(mask);
    for (int k = 0; k < 30; ++k) {
      std::string text;
      if (k % 2) {
        text = NearText(rng, mask, alphabet);
      } else {
        for (unsigned len = rng() % 10; len > 0; --len) text += alphabet[rng() % alphabet.size()];
      }
      const bool expected = fnmatch(mask.c_str(), text.c_str(), FNM_NOESCAPE | FNM_CASEFOLD) == 0;
      ++texts;
      hits += expected;
      ASSERT_EQ(fast->Matches(text), expected) << "mask '" << mask << "' text '" << text << "'";
    }
  }
  EXPECT_GT(hits, texts / 20);
}

}  // namespace
