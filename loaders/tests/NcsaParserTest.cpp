#include "loaders/NcsaParser.h"

#include <gtest/gtest.h>

#include "loaders/tests/LoaderTestSupport.h"
#include "testing/TestEnvironment.h"

using namespace loadertest;

namespace {

TEST(NcsaParser, ReadsTheCombinedSampleOfAWebServer) {
  TNcsaParser parser;
  const TParsed parsed = ParseText(parser, ReadData("nginx-1.22-combined.log"));
  ASSERT_TRUE(parsed.Errors.empty()) << parsed.Errors[0].Message;
  ASSERT_EQ(parsed.Hits.size(), 17u);
  const auto& h = parsed.Hits;

  EXPECT_EQ(h[0]->Source(), "127.0.0.1");
  EXPECT_EQ(h[0]->Data().SourceAddress, 0x7F000001u);
  EXPECT_EQ(h[0]->Destination(), "");
  EXPECT_EQ(h[0]->Resource(), "/");
  EXPECT_EQ(h[0]->Protocol(), kProtocolWeb);
  EXPECT_EQ(h[0]->Status(), kStatusSuccessful);
  EXPECT_EQ(h[0]->Data().SourceSize, 3u);
  EXPECT_EQ(h[0]->ExtraText3(), "curl/7.88.1");
  EXPECT_DOUBLE_EQ(h[0]->Initiated(), LocalOf(1796855811));  // 2026-12-09 22:36:51 UTC

  EXPECT_EQ(h[1]->Source(), "user1");
  EXPECT_EQ(h[1]->Resource(), "/page1.html");
  EXPECT_EQ(h[1]->Query(), "n=1");
  EXPECT_EQ(h[1]->Status(), kStatusFailed);

  // Referer, and quotes inside the agent written as \x22.
  EXPECT_EQ(h[13]->ExtraText2(), "http://ref.example.test/a?b=c");
  EXPECT_EQ(h[13]->ExtraText3(), "Mozilla/5.0 (X11; Linux x86_64) \"quoted\" agent");
  EXPECT_EQ(h[14]->ExtraText1(), "POST");
  EXPECT_EQ(h[15]->Resource(), "/%7Euser/file%20name.pdf");
  EXPECT_EQ(h[15]->Query(), "x=%22y%22");
  // A user name with bytes written as \xHH: the UTF-8 bytes themselves.
  EXPECT_EQ(h[16]->Source(),
            "\xC3\xBCn\xC3\xAF"
            "code");
}

TEST(NcsaParser, HonoursTheZoneOffsetOfEachLine) {
  vexatest::ScopedTimeZone zone("Europe/Berlin");
  TNcsaParser parser;
  const TParsed parsed =
      ParseText(parser,
                "1.2.3.4 - - [09/Dec/2026:22:36:51 +0000] \"GET / HTTP/1.1\" 200 3\n"
                "1.2.3.4 - - [09/Dec/2026:23:36:51 +0100] \"GET / HTTP/1.1\" 200 3\n"
                "1.2.3.4 - - [09/Dec/2026:17:06:51 -0530] \"GET / HTTP/1.1\" 200 3\n");
  ASSERT_EQ(parsed.Hits.size(), 3u);
  const double expected = EncodeDateTime(2026, 12, 9, 23, 36, 51);  // Berlin, winter
  for (const auto& hit : parsed.Hits) EXPECT_DOUBLE_EQ(hit->Initiated(), expected);
}

TEST(NcsaParser, ReadsCommonFormatAndProxyCombinedLines) {
  struct TCase {
    const char* Line;
    const char* Source;
    uint8_t Protocol;
    uint8_t Status;
    const char* Destination;
    const char* Resource;
    const char* Query;
    uint16_t Port;
  };
  const TCase cases[] = {
      // Common format: no referer, no agent; "-" bytes.
      {"10.1.1.1 - frank [10/Oct/2026:13:55:36 -0700] \"GET /apache_pb.gif HTTP/1.0\" 304 -",
       "frank", kProtocolWeb, kStatusCached, "", "/apache_pb.gif", "", 0},
      // The proxy's combined log: absolute URLs and its result code.
      {"10.1.1.2 - ann [10/Oct/2026:13:55:36 +0000] \"GET http://www.test:8080/a/b?c=d HTTP/1.1\" "
       "200 1500 \"-\" \"Mozilla/5.0\" TCP_MEM_HIT:HIER_NONE",
       "ann", kProtocolWeb, kStatusCached, "www.test", "/a/b", "c=d", 8080},
      {"10.1.1.2 - - [10/Oct/2026:13:55:36 +0000] \"CONNECT mail.test:443 HTTP/1.1\" 200 7000 "
       "\"-\" \"-\" TCP_TUNNEL:HIER_DIRECT",
       "10.1.1.2", kProtocolSecureWeb, kStatusSuccessful, "mail.test", "/", "", 443},
      {"10.1.1.2 - - [10/Oct/2026:13:55:36 +0000] \"GET http://bad.test/ HTTP/1.1\" 200 70 "
       "\"-\" \"-\" TCP_DENIED:HIER_NONE",
       "10.1.1.2", kProtocolWeb, kStatusBlocked, "bad.test", "/", "", 0},
      // An ident but no user; an escaped quote inside the agent.
      {"10.1.1.3 joe - [10/Oct/2026:13:55:36 +0000] \"GET /x HTTP/1.1\" 500 0 \"-\" \"a "
       "\\\"b\\\"\"",
       "joe", kProtocolWeb, kStatusFailed, "", "/x", "", 0},
      // A request the server could not read.
      {"10.1.1.4 - - [10/Oct/2026:13:55:36 +0000] \"\\x16\\x03\\x01\" 400 157 \"-\" \"-\"",
       "10.1.1.4", kProtocolUnknown, kStatusFailed, "", "", "", 0},
      {"10.1.1.4 - - [10/Oct/2026:13:55:36 +0000] \"GET ftp://f.test/a.zip HTTP/1.0\" 200 1",
       "10.1.1.4", kProtocolFileTransfer, kStatusSuccessful, "f.test", "/a.zip", "", 0},
  };
  TNcsaParser parser;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    const TParsed parsed = ParseText(parser, std::string(c.Line) + "\r\n");
    ASSERT_EQ(parsed.Hits.size(), 1u);
    const TVexaHit& hit = *parsed.Hits[0];
    EXPECT_EQ(hit.Source(), c.Source);
    EXPECT_EQ(hit.Protocol(), c.Protocol);
    EXPECT_EQ(hit.Status(), c.Status);
    EXPECT_EQ(hit.Destination(), c.Destination);
    EXPECT_EQ(hit.Resource(), c.Resource);
    EXPECT_EQ(hit.Query(), c.Query);
    EXPECT_EQ(hit.Data().DestinationPort, c.Port);
  }
}

TEST(NcsaParser, RefusesMalformedLines) {
  const char* bad[] = {
      "1.2.3.4 - -\n",
      "1.2.3.4 - - 09/Dec/2026:22:36:51 +0000 \"GET / HTTP/1.1\" 200 3\n",
      "1.2.3.4 - - [09/Dec/2026:22:36:51] \"GET / HTTP/1.1\" 200 3\n",
      "1.2.3.4 - - [32/Dec/2026:22:36:51 +0000] \"GET / HTTP/1.1\" 200 3\n",
      "1.2.3.4 - - [09/Dez/2026:22:36:51 +0000] \"GET / HTTP/1.1\" 200 3\n",
      "1.2.3.4 - - [09/Dec/2026:22:36:51 +0000] \"GET / HTTP/1.1 200 3\n",
      "1.2.3.4 - - [09/Dec/2026:22:36:51 +0000] \"GET / HTTP/1.1\" OK 3\n",
      "1.2.3.4 - - [09/Dec/2026:22:36:51 +0000] \"GET / HTTP/1.1\" 200\n",
  };
  TNcsaParser parser;
  for (const char* line : bad) {
    SCOPED_TRACE(line);
    const TParsed parsed = ParseText(parser, line);
    EXPECT_TRUE(parsed.Hits.empty());
    ASSERT_EQ(parsed.Errors.size(), 1u);
    EXPECT_EQ(parsed.Errors[0].First, 0);
    EXPECT_EQ(parsed.Errors[0].Last, int64_t(std::strlen(line) - 1));
  }
}

}  // namespace
