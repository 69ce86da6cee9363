#include "loaders/SquidParser.h"

#include <gtest/gtest.h>

#include "loaders/tests/LoaderTestSupport.h"
#include "testing/TestEnvironment.h"

using namespace loadertest;

namespace {

TEST(SquidParser, ReadsTheSampleWrittenByTheProxy) {
  TSquidParser parser;
  const TParsed parsed = ParseText(parser, ReadData("squid-5.7-native.log"));
  ASSERT_TRUE(parsed.Errors.empty()) << parsed.Errors[0].Message;
  ASSERT_EQ(parsed.Hits.size(), 33u);

  const TVexaHit& first = *parsed.Hits[0];
  EXPECT_EQ(first.Source(), "alice");
  EXPECT_EQ(first.Data().SourceAddress, 0x7F000001u);
  EXPECT_EQ(first.Destination(), "www.example.test");
  EXPECT_EQ(first.Resource(), "/");
  EXPECT_EQ(first.Data().DestinationPort, 18080);
  EXPECT_EQ(first.Protocol(), kProtocolWeb);
  EXPECT_EQ(first.Status(), kStatusSuccessful);
  EXPECT_EQ(first.Data().SourceSize, 298u);
  EXPECT_EQ(first.Data().TimeTaken, 18u);
  EXPECT_EQ(first.Position(), 0);
  EXPECT_DOUBLE_EQ(first.Initiated(), LocalOf(1796855800, 456));
  EXPECT_EQ(first.ExtraText1(), "GET");
  EXPECT_EQ(first.ExtraText2(), "TCP_MISS/200");
  EXPECT_EQ(first.ExtraText3(), "text/html");
  // The second line starts right after the first one's LF.
  EXPECT_EQ(parsed.Hits[1]->Position(), 122);
}

TEST(SquidParser, MapsOutcomesUsersQueriesAndTunnels) {
  TSquidParser parser;
  const TParsed parsed = ParseText(parser, ReadData("squid-5.7-native.log"));
  ASSERT_EQ(parsed.Hits.size(), 33u);
  const auto& h = parsed.Hits;
  // Missing page, denied without a user, cached revalidation.
  EXPECT_EQ(h[2]->Status(), kStatusFailed);
  EXPECT_EQ(h[3]->Status(), kStatusBlocked);
  EXPECT_EQ(h[3]->Source(), "127.0.0.1");
  EXPECT_EQ(h[6]->Status(), kStatusCached);
  // A query with "+".
  EXPECT_EQ(h[5]->Resource(), "/news/today.html");
  EXPECT_EQ(h[5]->Query(), "q=item+5");
  // The 407 challenge carries no user.
  EXPECT_EQ(h[26]->Status(), kStatusBlocked);
  EXPECT_EQ(h[26]->Source(), "127.0.0.1");
  // A blank inside the user name: one field more, same meaning.
  EXPECT_EQ(h[27]->Source(), "john smith");
  EXPECT_EQ(h[27]->Query(), "a=1&q=red+car");
  EXPECT_EQ(h[27]->ExtraText3(), "text/html");
  // A doubled backslash is one backslash of a domain user.
  EXPECT_EQ(h[28]->Source(), "domain\\mary");
  EXPECT_EQ(h[28]->Query(), "id=%41%42");
  EXPECT_EQ(h[29]->ExtraText1(), "POST");
  EXPECT_EQ(h[29]->Status(), kStatusFailed);
  // A failed tunnel: host:port, Secure Web.
  EXPECT_EQ(h[31]->Protocol(), kProtocolSecureWeb);
  EXPECT_EQ(h[31]->Destination(), "www.example.test");
  EXPECT_EQ(h[31]->Resource(), "/");
  EXPECT_EQ(h[31]->Data().DestinationPort, 443);
  EXPECT_EQ(h[31]->Status(), kStatusFailed);
  // An aborted request: no status, 5 s.
  EXPECT_EQ(h[32]->Status(), kStatusFailed);
  EXPECT_EQ(h[32]->Data().TimeTaken, 5002u);
}

TEST(SquidParser, ReadsTheDefaultLoggingOfRealServers) {
  struct TCase {
    const char* Line;
    const char* Source;
    uint8_t Protocol;
    uint8_t Status;
    const char* Destination;
    const char* Resource;
    const char* Query;
  };
  const TCase cases[] = {
      // Query strings stripped by default: the "?" stays, nothing after it.
      {"1796855800.100 12 10.0.0.7 TCP_MISS/200 512 GET http://s.test/find? bob "
       "HIER_DIRECT/1.2.3.4 "
       "text/html",
       "bob", kProtocolWeb, kStatusSuccessful, "s.test", "/find", ""},
      {"1796855800.100 3 10.0.0.7 TCP_TUNNEL/200 8123 CONNECT mail.test:443 - HIER_DIRECT/1.2.3.4 "
       "-",
       "10.0.0.7", kProtocolSecureWeb, kStatusSuccessful, "mail.test", "/", ""},
      {"1796855800.100 3 10.0.0.7 TCP_MEM_HIT/200 10 GET https://a.test/x.js - HIER_NONE/- "
       "application/javascript",
       "10.0.0.7", kProtocolSecureWeb, kStatusCached, "a.test", "/x.js", ""},
      {"1796855800.100 3 10.0.0.7 TCP_MISS/226 900 GET ftp://ftp.test/pub/a.zip - "
       "HIER_DIRECT/1.2.3.4 application/zip",
       "10.0.0.7", kProtocolFileTransfer, kStatusSuccessful, "ftp.test", "/pub/a.zip", ""},
      {"1796855800.100 3 10.0.0.7 TCP_DENIED_REPLY/403 10 GET http://x.test/ ann HIER_NONE/- -",
       "ann", kProtocolWeb, kStatusBlocked, "x.test", "/", ""},
      // Two blanks in a user name, and tabs between the fields.
      {"1796855800.100\t3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/ mary ann lee "
       "HIER_DIRECT/1.2.3.4 -",
       "mary ann lee", kProtocolWeb, kStatusSuccessful, "x.test", "/", ""},
      // Result codes in any case; the words count wherever they stand.
      {"1796855800.100 3 10.0.0.7 tcp_refresh_unmodified/304 10 GET http://x.test/ - "
       "HIER_DIRECT/1.2.3.4 -",
       "10.0.0.7", kProtocolWeb, kStatusCached, "x.test", "/", ""},
      {"1796855800.100 3 10.0.0.7 TCP_HIT_ABORTED/200 10 GET http://x.test/ - HIER_NONE/- -",
       "10.0.0.7", kProtocolWeb, kStatusFailed, "x.test", "/", ""},
      {"1796855800.100 3 10.0.0.7 TCP_MISS/503 10 GET http://x.test/ - HIER_NONE/- -", "10.0.0.7",
       kProtocolWeb, kStatusFailed, "x.test", "/", ""},
      {"1796855800.100 3 10.0.0.7 NONE_NONE_TIMEDOUT/000 0 GET http://x.test/ - HIER_NONE/- -",
       "10.0.0.7", kProtocolWeb, kStatusFailed, "x.test", "/", ""},
      // A line written with CR LF.
      {"1796855800.100 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/ - HIER_DIRECT/1.2.3.4 -\r",
       "10.0.0.7", kProtocolWeb, kStatusSuccessful, "x.test", "/", ""},
  };
  TSquidParser parser;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    const TParsed parsed = ParseText(parser, std::string(c.Line) + "\n");
    ASSERT_EQ(parsed.Hits.size(), 1u);
    const TVexaHit& hit = *parsed.Hits[0];
    EXPECT_EQ(hit.Source(), c.Source);
    EXPECT_EQ(hit.Protocol(), c.Protocol);
    EXPECT_EQ(hit.Status(), c.Status);
    EXPECT_EQ(hit.Destination(), c.Destination);
    EXPECT_EQ(hit.Resource(), c.Resource);
    EXPECT_EQ(hit.Query(), c.Query);
  }
}

TEST(SquidParser, RefusesMalformedLinesWithTheirOffsets) {
  const std::string good =
      "1796855800.100 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/ - HIER_DIRECT/1.2.3.4 -\n";
  const char* bad[] = {
      "garbage\n",
      "1796855800.100 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/\n",
      "17968x5800.100 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/ - HIER_DIRECT/1.2.3.4 -\n",
      "1796855800.100 3 10.0.0.7 TCP_MISS 10 GET http://x.test/ - HIER_DIRECT/1.2.3.4 -\n",
      "1796855800.100 3 10.0.0.7 TCP_MISS/2x0 10 GET http://x.test/ - HIER_DIRECT/1.2.3.4 -\n",
      "1796855800.100 3 10.0.0.7 TCP_MISS/200 -5 GET http://x.test/ - HIER_DIRECT/1.2.3.4 -\n",
  };
  TSquidParser parser;
  for (const char* line : bad) {
    SCOPED_TRACE(line);
    const std::string text = good + line + good;
    const TParsed parsed = ParseText(parser, text);
    EXPECT_EQ(parsed.Hits.size(), 2u);
    ASSERT_EQ(parsed.Errors.size(), 1u);
    EXPECT_EQ(parsed.Errors[0].First, int64_t(good.size()));
    EXPECT_EQ(parsed.Errors[0].Last, int64_t(good.size() + std::strlen(line) - 1));
    EXPECT_EQ(parsed.Hits[1]->Position(), int64_t(good.size() + std::strlen(line)));
  }
}

TEST(SquidParser, FillsEveryFieldAfterAnEarlierLine) {
  // The host does not clear the scratch hit between reads.
  TSquidParser parser;
  auto hit = AdvNew<TVexaHit>();
  ASSERT_EQ(parser.Parse("1796855800.1 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/a?b=1 ann "
                         "HIER_DIRECT/1.2.3.4 text/html",
                         5, *hit),
            TParseResult::Hit);
  hit->SetProfile("Leftover");
  ASSERT_EQ(parser.Parse("1796855800.1 3 10.0.0.7 TCP_MISS/200 10 CONNECT y.test:443 - "
                         "HIER_DIRECT/1.2.3.4 -",
                         9, *hit),
            TParseResult::Hit);
  EXPECT_EQ(hit->Profile(), "");
  EXPECT_EQ(hit->Query(), "");
  EXPECT_EQ(hit->Source(), "10.0.0.7");
  EXPECT_EQ(hit->Position(), 9);
  EXPECT_DOUBLE_EQ(hit->Initiated(), LocalOf(1796855800, 100));
}

TEST(SquidParser, TimesAreLocalAndShiftedByTheLoadersOffset) {
  vexatest::ScopedTimeZone zone("Australia/Sydney");
  TSquidParser parser;
  auto hit = AdvNew<TVexaHit>();
  // 2026-12-09 22:36:40 UTC is 2026-12-10 09:36:40 in Sydney (daylight time).
  ASSERT_EQ(parser.Parse("1796855800.000 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/ - "
                         "HIER_DIRECT/1.2.3.4 -",
                         0, *hit),
            TParseResult::Hit);
  EXPECT_DOUBLE_EQ(hit->Initiated(), EncodeDateTime(2026, 12, 10, 9, 36, 40));
  parser.SetTimeOffset(-1.0 / 24);
  ASSERT_EQ(parser.Parse("1796855800.000 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/ - "
                         "HIER_DIRECT/1.2.3.4 -",
                         0, *hit),
            TParseResult::Hit);
  EXPECT_NEAR(hit->Initiated(), EncodeDateTime(2026, 12, 10, 8, 36, 40), 1e-9);
}

}  // namespace
