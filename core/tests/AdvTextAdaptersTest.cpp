#include "core/AdvTextAdapters.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/AdvFiles.h"
#include "core/tests/StreamTestHelpers.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

using streamtest::Contents;
using streamtest::MemoryWith;
using streamtest::TCountingStream;

namespace {

using Lines = std::vector<std::string>;

// Every line of `bytes`, read to the end of the stream.
Lines ReadLines(const std::string& bytes, bool loneCRIgnored = false, bool trim = true) {
  auto memory = MemoryWith(bytes);
  auto text = AdvNew<TAdvTextAdapter>(memory.Get());
  text->Reset();
  text->SetLoneCRIgnored(loneCRIgnored);
  text->SetTrimLeading(trim);
  Lines lines;
  while (text->More()) lines.emplace_back(text->ReadLine());
  EXPECT_EQ(text->TextPosition(), int64_t(bytes.size()));
  return lines;
}

// Two-byte text, low byte first, of an ASCII text.
std::string Wide(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

struct TDecodeCase {
  const char* Name;
  std::string Bytes;
  Lines Expected;
};

TEST(AdvTextAdapter, DecodesEachEncoding) {
  const TDecodeCase cases[] = {
      {"one byte", "one\r\ntwo\nthree", {"one", "two", "three"}},
      {"one byte, final line end", "one\r\n", {"one"}},
      {"UTF-8 marker",
       "\xEF\xBB\xBF"
       "a\r\nb",
       {"a", "b"}},
      {"two-byte with marker", "\xFF\xFE" + Wide("first\r\nsecond"), {"first", "second"}},
      {"two-byte without marker", Wide("hi\nthere\r\n"), {"hi", "there"}},
      {"two-byte units beyond one byte",
       // a, alpha (03B1: low byte kept), 010A (LF low byte, not a line end),
       // 0100 (zero low byte: dropped), b
       std::string("\xFF\xFE"
                   "a\0\xB1\x03\x0A\x01\x00\x01"
                   "b\0",
                   12),
       {"a\xB1~b"}},
      {"zero bytes dropped", std::string("ab\0c\0\nd", 7), {"abc", "d"}},
      {"empty lines kept", "a\r\n\r\n\nb", {"a", "", "", "b"}},
      {"a single byte", "x", {"x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ReadLines(c.Bytes), c.Expected);
  }
  EXPECT_EQ(ReadLines(""), Lines{});
}

TEST(AdvTextAdapter, FoldsUtf8PairsOnlyBeforeAContinuationByte) {
  const TDecodeCase cases[] = {
      {"C3 A9 is E9", "caf\xC3\xA9", {"caf\xE9"}},
      {"C2 A0 is A0", "\xC2\xA0x", {"\xA0x"}},
      {"C3 80 and C3 BF", "\xC3\x80\xC3\xBF", {"\xC0\xFF"}},
      {"C3 before a letter stays",
       "\xC3"
       "A",
       {"\xC3"
        "A"}},
      {"C2 before a line end stays", "\xC2\r\nz", {"\xC2", "z"}},
      {"C3 at the very end stays", "ab\xC3", {"ab\xC3"}},
      {"lead before a pair", "\xC2\xC3\xA9", {"\xC2\xE9"}},
      {"other bytes unchanged", "\x80\xE9\xFF", {"\x80\xE9\xFF"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ReadLines(c.Bytes), c.Expected);
  }
  // Two-byte text is never folded.
  EXPECT_EQ(ReadLines(std::string("\xFF\xFE\xC3\0\xA9\0", 6)), Lines{"\xC3\xA9"});
}

TEST(AdvTextAdapter, LoneCREndsALineUnlessIgnored) {
  EXPECT_EQ(ReadLines("a\rb\r\nc"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(ReadLines("a\rb\r\nc", true), (Lines{"ab", "c"}));
  EXPECT_EQ(ReadLines("a\r", true), (Lines{"a"}));
  EXPECT_EQ(ReadLines(Wide("a\rb\nc"), true), (Lines{"ab", "c"}));
}

TEST(AdvTextAdapter, TrimLeadingSkipsControlsAndSpacesAtTheStart) {
  EXPECT_EQ(ReadLines(" \t\x01x y \n  \nz"), (Lines{"x y ", "", "z"}));
  EXPECT_EQ(ReadLines(" \tx\n", false, false), (Lines{" \tx"}));
}

TEST(AdvTextAdapter, NewAdapterReadsNothingUntilResetOrLimited) {
  auto memory = MemoryWith("line\n");
  auto text = AdvNew<TAdvTextAdapter>(memory.Get());
  EXPECT_FALSE(text->More());
  EXPECT_TRUE(text->AtEnd());
  text->Reset();
  EXPECT_TRUE(text->More());
  EXPECT_EQ(text->ReadLine(), "line");
  EXPECT_TRUE(text->AtEnd());
}

TEST(AdvTextAdapter, TextPositionSkipToAndLimit) {
  const std::string name = vexatest::MakeTempFolder("text") + "/lines.txt";
  vexatest::WriteFileText(name, "alpha\r\nbeta\r\ngamma\r\ndelta");
  auto file = AdvNew<TAdvFile>(name, TAdvFile::kNormalAttributes, 3, 0);
  auto text = AdvNew<TAdvTextAdapter>(file.Get());
  text->Reset();
  EXPECT_EQ(text->TextPosition(), 0);
  EXPECT_EQ(text->ReadLine(), "alpha");
  EXPECT_EQ(text->TextPosition(), 7);
  EXPECT_EQ(text->ReadLine(), "beta");
  const int64_t gamma = text->TextPosition();
  EXPECT_EQ(gamma, 13);

  text->SkipTo(7);
  EXPECT_EQ(text->ReadLine(), "beta");
  text->SetTextPosition(gamma);
  EXPECT_EQ(text->ReadLine(), "gamma");
  EXPECT_EQ(text->ReadLine(), "delta");
  EXPECT_EQ(text->TextPosition(), 25);
  EXPECT_FALSE(text->More());

  // A limit ends the text where the caller says, here after "beta".
  text->SetLimit(13);
  text->SetTextPosition(0);
  Lines lines;
  while (text->More()) lines.emplace_back(text->ReadLine());
  EXPECT_EQ(lines, (Lines{"alpha", "beta"}));

  // A limit in the middle of a line cuts the line there.
  text->SetLimit(9);
  text->SetTextPosition(7);
  EXPECT_EQ(text->ReadLine(), "be");
  EXPECT_FALSE(text->More());
}

TEST(AdvTextAdapter, SkipToReadsForwardOverAStreamThatCannotSeek) {
  auto memory = MemoryWith("skip me\nread me\nthen me\n");
  TCountingStream forward(*memory);
  auto text = AdvNew<TAdvTextAdapter>(&forward);
  text->Reset();
  text->SkipTo(8);
  EXPECT_EQ(text->ReadLine(), "read me");
  EXPECT_EQ(text->TextPosition(), 16);
  EXPECT_THROW(text->SkipTo(0), EAdvTextAdapter);
  EXPECT_EQ(text->TextPosition(), 16);
  text->SkipTo(20);  // inside what was read ahead
  EXPECT_EQ(text->ReadLine(), "me");
  EXPECT_FALSE(text->More());
}

TEST(AdvTextAdapter, LinesCrossBufferBoundaries) {
  const uint32_t kBuffer = TAdvTextAdapter::kBufferSize;
  // A CR LF split between two fills, then a pair split between two fills.
  const std::string first(kBuffer - 1, 'a');
  const std::string second(kBuffer - 6, 'b');
  EXPECT_EQ(ReadLines(first + "\r\n" + second + "\nabc\xC3\xA9!"),
            (Lines{first, second, "abc\xE9!"}));
  // The same with a lone CR, ignored and not.
  EXPECT_EQ(ReadLines(first + "\rz"), (Lines{first, "z"}));
  const std::string shorter(kBuffer - 3, 'c');
  EXPECT_EQ(ReadLines("q\n" + shorter + "\rz", true), (Lines{"q", shorter + "z"}));
  // Two-byte text: a line of 40,000 characters spans two fills.
  const std::string wideLine(40000, 'w');
  EXPECT_EQ(ReadLines("\xFF\xFE" + Wide(wideLine + "\r\nend")), (Lines{wideLine, "end"}));
}

TEST(AdvTextAdapter, LineTooLongRaisesAndLeavesTheRestUnread) {
  const uint32_t kLine = TAdvTextAdapter::kLineSize;
  const std::string longest(kLine - 1, 'x');
  EXPECT_EQ(ReadLines(longest + "\nnext"), (Lines{longest, "next"}));

  auto memory = MemoryWith(std::string(kLine, 'y') + std::string(100, 'z') + "\nnext");
  auto text = AdvNew<TAdvTextAdapter>(memory.Get());
  text->Reset();
  try {
    text->ReadLine();
    FAIL() << "a line of 65,536 characters was accepted";
  } catch (const EAdvTextAdapter& e) {
    EXPECT_EQ(e.Message(), "(TAdvTextAdapter.ReadLine): Line too long");
  }
  EXPECT_EQ(text->TextPosition(), kLine);
  EXPECT_EQ(text->ReadLine(), std::string(100, 'z'));
  EXPECT_EQ(text->ReadLine(), "next");
}

TEST(AdvTextAdapter, WriteLineAddsCRLF) {
  auto target = AdvNew<TAdvStretchMemory>();
  auto text = AdvNew<TAdvTextAdapter>(target.Get());
  text->WriteLine("first");
  text->WriteLine("");
  text->WriteLine("caf\xE9");
  EXPECT_EQ(Contents(*target), "first\r\n\r\ncaf\xE9\r\n");
}

}  // namespace
