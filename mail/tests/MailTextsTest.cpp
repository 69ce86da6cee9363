#include "mail/MailTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/AdvShell.h"

namespace {

TEST(MailTextsTest, AddressEntriesAreSplitTrimmedAndEmptiesDropped) {
  std::vector<std::string> addresses;
  AppendAddresses(" a@x ;b@y;; \t;", addresses);
  AppendAddresses("c@z", addresses);
  AppendAddresses("", addresses);
  AppendAddresses(" ; ", addresses);
  EXPECT_EQ(addresses, (std::vector<std::string>{"a@x", "b@y", "c@z"}));
}

TEST(MailTextsTest, AddressesAndHeadersRefuseWhatWouldBreakTheirFraming) {
  EXPECT_TRUE(IsSafeAddress("alerts@example.test"));
  EXPECT_TRUE(IsSafeAddress("Ann Smith (desk)@x"));
  for (const char* bad :
       {"a@x>\r\nRCPT TO: <evil@y", "a\n@x", "<a@x>", "a@x>", "a\x01@x", "a\x7f@x"})
    EXPECT_FALSE(IsSafeAddress(bad)) << bad;
  EXPECT_TRUE(IsSafeHeaderText("Alert: <user> hit\tsite"));
  EXPECT_FALSE(IsSafeHeaderText("Alert\r\nBcc: evil@y"));
  EXPECT_FALSE(IsSafeHeaderText("Alert\n"));
}

TEST(MailTextsTest, Utf8IsRecognisedStrictly) {
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(
      IsValidUtf8("Gr\xC3\xBC\xC3\x9F"
                  "e \xE2\x82\xAC \xF0\x9F\x98\x80"));
  for (const char* bad :
       {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFC", "caf\xE9", "\xC3"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(MailTextsTest, HeaderTextIsEncodedOnlyWhenItIsNotPlainAscii) {
  EXPECT_EQ(EncodeHeaderText("Vexa Report: 3 alerts"), "Vexa Report: 3 alerts");
  EXPECT_EQ(EncodeHeaderText("caf\xC3\xA9"), "=?UTF-8?B?" + Base64Encode("caf\xC3\xA9") + "?=");
  EXPECT_EQ(EncodeHeaderText("caf\xE9"), "=?windows-1252?B?" + Base64Encode("caf\xE9") + "?=");
}

TEST(MailTextsTest, LongEncodedHeadersFoldIntoShortWordsWithoutSplittingCharacters) {
  std::string subject;
  for (int i = 0; i < 40; ++i) subject += "\xE2\x82\xAC";  // 40 euro signs, 120 bytes
  const std::string encoded = EncodeHeaderText(subject);
  std::string decoded;
  size_t start = 0;
  while (start < encoded.size()) {
    size_t end = encoded.find("\r\n ", start);
    if (end == std::string::npos) end = encoded.size();
    const std::string word = encoded.substr(start, end - start);
    EXPECT_LE(word.size(), 75u);
    ASSERT_EQ(word.rfind("=?UTF-8?B?", 0), 0u);
    ASSERT_EQ(word.substr(word.size() - 2), "?=");
    std::string bytes;
    ASSERT_TRUE(Base64Decode(word.substr(10, word.size() - 12), bytes));
    EXPECT_TRUE(IsValidUtf8(bytes)) << "a character was split";
    decoded += bytes;
    start = end + 3;
  }
  EXPECT_EQ(decoded, subject);
}

TEST(MailTextsTest, BodyEntriesBecomeStuffedLinesWhateverTheirLineBreaks) {
  struct Case {
    const char* Entry;
    const char* Wire;
  } cases[] = {
      {"plain", "plain\r\n"},
      {"", "\r\n"},
      {".", "..\r\n"},
      {".hidden", "..hidden\r\n"},
      {"a.b", "a.b\r\n"},
      {"one\r\ntwo\rthree\nfour", "one\r\ntwo\r\nthree\r\nfour\r\n"},
      {"log\r\n.\r\nMAIL FROM: <x>", "log\r\n..\r\nMAIL FROM: <x>\r\n"},
      {"x\n\n.y", "x\r\n\r\n..y\r\n"},
      {"end\r\n", "end\r\n\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(BodyEntryText(c.Entry), c.Wire) << c.Entry;
}

TEST(MailTextsTest, OverlongLinesAreCutWithinTheLineLimit) {
  const std::string text = BodyEntryText(std::string(2000, 'a'));
  EXPECT_EQ(text, std::string(998, 'a') + "\r\n" + std::string(998, 'a') + "\r\n" +
                      std::string(4, 'a') + "\r\n");
  const std::string dotted = BodyEntryText("." + std::string(998, 'b'));
  EXPECT_EQ(dotted, ".." + std::string(996, 'b') + "\r\n" + std::string(2, 'b') + "\r\n");
}

}  // namespace
