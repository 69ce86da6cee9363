#include "loaders/W3cParser.h"

#include <gtest/gtest.h>

#include "loaders/tests/LoaderTestSupport.h"

using namespace loadertest;

namespace {

int64_t Utc(int32_t y, int32_t mo, int32_t d, int32_t h, int32_t mi, int32_t s) {
  return (DaysFromCivilDate(y, mo, d) * 86400 + h * 3600 + mi * 60 + s);
}

TEST(W3cParser, FollowsANewFieldsLineInTheMiddleOfAWebServerLog) {
  TW3cParser parser;
  const std::string text = ReadData("w3c-webserver.log");
  const TParsed parsed = ParseText(parser, text);
  ASSERT_TRUE(parsed.Errors.empty()) << parsed.Errors[0].Message;
  ASSERT_EQ(parsed.Hits.size(), 6u);
  const auto& h = parsed.Hits;

  EXPECT_EQ(h[0]->Source(), "192.168.1.20");
  EXPECT_EQ(h[0]->Data().SourceAddress, 0xC0A80114u);
  EXPECT_EQ(h[0]->Destination(), "10.0.0.5");
  EXPECT_EQ(h[0]->Resource(), "/default.htm");
  EXPECT_EQ(h[0]->Query(), "");
  EXPECT_EQ(h[0]->Protocol(), kProtocolWeb);
  EXPECT_EQ(h[0]->Data().DestinationPort, 80);
  EXPECT_EQ(h[0]->Data().TimeTaken, 15u);
  EXPECT_EQ(h[0]->ExtraText3(), "Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
  EXPECT_DOUBLE_EQ(h[0]->Initiated(), LocalOf(Utc(2026, 12, 9, 8, 0, 1)));
  EXPECT_EQ(h[0]->Position(), int64_t(text.find("2026-12-09 08:00:01 10.0.0.5")));

  EXPECT_EQ(h[1]->Source(), "CORP\\jsmith");
  EXPECT_EQ(h[1]->Resource(), "/search.aspx");
  EXPECT_EQ(h[1]->Query(), "q=red+car&page=2");
  EXPECT_EQ(h[2]->Protocol(), kProtocolSecureWeb);
  EXPECT_EQ(h[2]->Status(), kStatusFailed);  // 401
  EXPECT_EQ(h[2]->ExtraText1(), "POST");
  EXPECT_EQ(h[3]->Status(), kStatusFailed);  // 404
  EXPECT_EQ(h[3]->Data().SourceSize, 0u);    // no byte columns yet

  // After the second #Fields: the byte counts are read.
  EXPECT_EQ(h[4]->Data().SourceSize, 48213u);
  EXPECT_EQ(h[4]->Data().DestinationSize, 412u);
  EXPECT_EQ(h[4]->Data().TimeTaken, 5u);
  EXPECT_EQ(h[5]->Data().SourceSize, 30144512u);
  EXPECT_EQ(h[5]->Query(), "v=2");
  EXPECT_EQ(h[5]->Data().TimeTaken, 2250u);
  EXPECT_EQ(parser.ColumnCount(), 16u);
}

TEST(W3cParser, ReadsAProxyLogWithActionsAndQuotedFields) {
  TW3cParser parser;
  const TParsed parsed = ParseText(parser, ReadData("w3c-proxy.log"));
  ASSERT_TRUE(parsed.Errors.empty()) << parsed.Errors[0].Message;
  ASSERT_EQ(parsed.Hits.size(), 5u);
  const auto& h = parsed.Hits;

  EXPECT_EQ(h[0]->Source(), "jsmith");
  EXPECT_EQ(h[0]->Destination(), "www.example.test");
  EXPECT_EQ(h[0]->Resource(), "/news/today.html");
  EXPECT_EQ(h[0]->Status(), kStatusSuccessful);
  EXPECT_EQ(h[0]->Data().SourceSize, 5120u);
  EXPECT_EQ(h[0]->Data().DestinationSize, 380u);
  EXPECT_EQ(h[0]->Data().TimeTaken, 120u);
  EXPECT_EQ(h[0]->ExtraText2(), "TCP_MISS");
  EXPECT_EQ(h[0]->ExtraText3(), "Mozilla/5.0 (X11; Linux x86_64)");

  EXPECT_EQ(h[1]->Source(), "10.1.2.4");
  EXPECT_EQ(h[1]->Status(), kStatusBlocked);
  EXPECT_EQ(h[2]->Protocol(), kProtocolSecureWeb);  // CONNECT tunnel
  EXPECT_EQ(h[2]->Destination(), "mail.example.test");
  EXPECT_EQ(h[2]->Data().DestinationPort, 443);
  EXPECT_EQ(h[3]->Source(), "amiller");  // quoted user name
  EXPECT_EQ(h[3]->Status(), kStatusCached);
  EXPECT_EQ(h[3]->Resource(), "/img/a%20b.png");
  EXPECT_EQ(h[3]->Query(), "v=1");
  EXPECT_EQ(h[4]->Protocol(), kProtocolFileTransfer);
  EXPECT_EQ(h[4]->Destination(), "ftp.example.test");
}

TEST(W3cParser, ReadsFirewallLogsAndFullUris) {
  TW3cParser parser;
  const TParsed parsed = ParseText(
      parser,
      "#Version: 1.5\n"
      "#Fields: date time action protocol src-ip dst-ip src-port dst-port size tcpflags path\n"
      "2026-12-09 10:00:00 ALLOW TCP 192.168.1.9 93.184.216.34 50123 443 60 S SEND\n"
      "2026-12-09 10:00:01 DROP UDP 192.168.1.9 8.8.8.8 50124 53 70 - RECEIVE\n"
      "#Fields: date time c-ip cs-username cs-method cs-uri sc-status time-taken\n"
      "2026-12-09 10:00:02.250 10.0.0.1 - GET http://a.test/b.html?c=1 200 0.015\n");
  ASSERT_TRUE(parsed.Errors.empty()) << parsed.Errors[0].Message;
  ASSERT_EQ(parsed.Hits.size(), 3u);
  const auto& h = parsed.Hits;
  EXPECT_EQ(h[0]->Source(), "192.168.1.9");
  EXPECT_EQ(h[0]->Destination(), "93.184.216.34");
  EXPECT_EQ(h[0]->Data().DestinationAddress, 0x5DB8D822u);
  EXPECT_EQ(h[0]->Data().SourcePort, 50123);
  EXPECT_EQ(h[0]->Data().DestinationPort, 443);
  EXPECT_EQ(h[0]->Protocol(), kProtocolSecureWeb);
  EXPECT_EQ(h[0]->Data().SourceSize, 60u);
  EXPECT_EQ(h[0]->Status(), kStatusSuccessful);
  EXPECT_EQ(h[1]->Protocol(), kProtocolDomainNameLookup);
  EXPECT_EQ(h[1]->Status(), kStatusBlocked);
  EXPECT_EQ(h[2]->Destination(), "a.test");
  EXPECT_EQ(h[2]->Resource(), "/b.html");
  EXPECT_EQ(h[2]->Query(), "c=1");
  EXPECT_EQ(h[2]->Data().TimeTaken, 15u);
  EXPECT_DOUBLE_EQ(h[2]->Initiated(), LocalOf(Utc(2026, 12, 9, 10, 0, 2), 250));
}

TEST(W3cParser, RefusesDataItCannotPlace) {
  TW3cParser parser;
  const TParsed parsed = ParseText(parser,
                                   "2026-12-09 10:00:00 1.2.3.4 GET /\n"  // before #Fields:
                                   "#Fields: date time c-ip cs-method cs-uri-stem cs(User-Agent)\n"
                                   "2026-12-09 10:00:00 1.2.3.4 GET\n"
                                   "2026-12-09 10:00:00 1.2.3.4 GET / \"unterminated\n"
                                   "2026-13-09 10:00:00 1.2.3.4 GET / -\n"
                                   "2026-12-09 10:00:00 1.2.3.4 GET / -\n");
  EXPECT_EQ(parsed.Hits.size(), 1u);
  ASSERT_EQ(parsed.Errors.size(), 4u);
  EXPECT_EQ(parsed.Errors[0].First, 0);
  EXPECT_EQ(parsed.Errors[0].Message, "Data line before a #Fields: directive");
}

TEST(W3cParser, ResetForgetsTheFieldsOfTheLastFile) {
  TW3cParser parser;
  ParseText(parser, "#Fields: date time c-ip\n");
  EXPECT_EQ(parser.ColumnCount(), 3u);
  parser.Reset();
  const TParsed parsed = ParseText(parser, "2026-12-09 10:00:00 1.2.3.4\n");
  EXPECT_EQ(parsed.Errors.size(), 1u);
}

}  // namespace
