#include "monitor/Hits.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

namespace {

TAdvRef<TVexaHit> WebHit(std::string_view host, std::string_view resource,
                         uint8_t protocol = kProtocolWeb) {
  auto hit = AdvNew<TVexaHit>();
  hit->Clear();
  hit->SetProtocol(protocol);
  hit->SetDestination(host);
  hit->SetResource(resource);
  return hit;
}

TEST(Hit, NewHitIsAllZeroAndClearSetsTheDefaults) {
  auto hit = AdvNew<TVexaHit>();
  const auto* bytes = reinterpret_cast<const uint8_t*>(&hit->Data());
  for (size_t i = 0; i < sizeof(THitData); ++i) ASSERT_EQ(bytes[i], 0) << i;

  hit->SetSource("alice");
  hit->SetReference(7);
  hit->Data().Tag3 = 5;
  hit->Data().Reserved2[3] = 9;
  hit->SetDepartment("Sales");
  hit->SetFileTypeAlias("Web page");
  hit->Clear();
  EXPECT_EQ(hit->Source(), "");
  EXPECT_EQ(hit->Protocol(), kProtocolUnknown);
  EXPECT_EQ(hit->Status(), kStatusSuccessful);
  EXPECT_EQ(hit->Position(), -1);
  EXPECT_EQ(hit->Reference(), 0u);
  EXPECT_EQ(hit->Data().Tag1, -1);
  EXPECT_EQ(hit->Data().Tag2, -1);
  EXPECT_EQ(hit->Data().Tag3, 0);
  EXPECT_EQ(hit->Data().Reserved2[3], 0);
  EXPECT_FALSE(hit->HasReference());
  EXPECT_EQ(hit->Department(), "Sales");
  EXPECT_EQ(hit->FileTypeAlias(), "Web page");
}

TEST(Hit, TextsAreCutAt255Characters) {
  auto hit = AdvNew<TVexaHit>();
  hit->SetSource(std::string(300, 'x'));
  EXPECT_EQ(hit->Source().size(), 255u);
  hit->SetDepartment(std::string(256, 'd'));
  EXPECT_EQ(hit->Department().size(), 255u);
}

TEST(Hit, ApplyURLSplitsHostPathAndQuery) {
  struct Case {
    const char* url;
    const char* destination;
    const char* resource;
    const char* query;
  };
  const Case cases[] = {
      {"http://srv:8080/a/b.html?x=1", "srv", "/a/b.html", "x=1"},
      {"mailto:<jo@mail.example.com>", "mail.example.com", "/", ""},
      {"plainhost", "plainhost", "/", ""},
      {"ftp://user:pw@ftp.example.com/pub/f.tgz", "ftp.example.com", "/pub/f.tgz", ""},
      {"www.example.com/search?q=a?b", "www.example.com", "/search", "q=a?b"},
      {"https://host/", "host", "/", ""},
      {"/path/only", "", "/path/only", ""},
      {"", "", "/", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    auto hit = AdvNew<TVexaHit>();
    hit->ApplyURL(std::string(c.url));
    EXPECT_EQ(hit->Destination(), c.destination);
    EXPECT_EQ(hit->Resource(), c.resource);
    EXPECT_EQ(hit->Query(), c.query);
  }
}

TEST(Hit, ApplyURLCutsLongPartsAndRefusesNull) {
  auto hit = AdvNew<TVexaHit>();
  hit->ApplyURL("http://" + std::string(300, 'h') + "/" + std::string(300, 'p') + "?" +
                std::string(300, 'q'));
  EXPECT_EQ(hit->Destination(), std::string(255, 'h'));
  EXPECT_EQ(hit->Resource(), "/" + std::string(254, 'p'));
  EXPECT_EQ(hit->Query(), std::string(255, 'q'));
  try {
    hit->ApplyURL(nullptr);
    FAIL() << "no error";
  } catch (const EAdvanced& e) {
    EXPECT_STREQ(e.what(), "(TVexaHit.ApplyURL): Parameter not assigned");
  }
}

TEST(Hit, FileTypeByProtocolAndPath) {
  struct Case {
    uint8_t protocol;
    const char* resource;
    const char* fileType;
  };
  const Case cases[] = {
      {kProtocolWeb, "/dir/", "/"},
      {kProtocolWeb, "/dir/page", ""},
      {kProtocolWeb, "/a.b/c", ""},
      {kProtocolWeb, "/file.tar.gz", ".gz"},
      {kProtocolWeb, "/x.HTML", ".HTML"},
      {kProtocolWeb, "/my file.v-1~{x}", ".v-1~{x}"},
      {kProtocolWeb, "/a_b.c_d", ""},
      {kProtocolWeb, "/a.b%20c", ""},
      {kProtocolWeb, ".", "."},
      {kProtocolWeb, "x", ""},
      {kProtocolWeb, "", ""},
      {kProtocolSecureWeb, "/s.php", ".php"},
      {kProtocolFileTransfer, "/pub/f.zip", ".zip"},
      {kProtocolSocks, "/", "/"},
      {kProtocolGopher, "/g.txt", ".txt"},
      {kProtocolMail, "/ignored.html", ".eml"},
      {kProtocolNews, "", ".nws"},
      {kProtocolTelnet, "/x.html", ""},
      {kProtocolStreamingMedia, "/x.asf", ""},
      {kProtocolDomainNameLookup, "/x.html", ""},
      {kProtocolUnknown, "/x.html", ""},
      {200, "/x.html", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.resource) + " protocol " + std::to_string(c.protocol));
    EXPECT_EQ(WebHit("h", c.resource, c.protocol)->FileType(), c.fileType);
  }
}

TEST(Hit, MatchTextJoinsLowerCaseHostAndPathByProtocol) {
  EXPECT_EQ(WebHit("WWW.Ex.COM", "/Path/ÄB")->MatchText(), "www.ex.com/path/Äb");
  EXPECT_EQ(WebHit("to@x.org", "Hello THERE", kProtocolMail)->MatchText(), "hello there");
  EXPECT_EQ(WebHit("Telnet.Host", "/ignored", kProtocolTelnet)->MatchText(), "telnet.host");
  // The largest texts fill the documented buffer exactly.
  auto full = WebHit(std::string(255, 'H'), std::string(255, 'P'));
  char buffer[THit::kMatchTextSize];
  std::memset(buffer, 'z', sizeof(buffer));
  full->MatchText(buffer);
  EXPECT_EQ(std::strlen(buffer), 510u);
  EXPECT_EQ(std::string(buffer), std::string(255, 'h') + std::string(255, 'p'));
}

TEST(Hit, SubjectDropsReplyAndForwardPrefixes) {
  struct Case {
    const char* resource;
    const char* subject;
  };
  const Case cases[] = {
      {"RE: Fw:  Re:Hello", "Hello"},   {"Report", "Report"},       {"> fw re", ""},
      {"re\tfw:\r\n Weekly", "Weekly"}, {"Fwd: News", "Fwd: News"}, {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.resource);
    EXPECT_EQ(WebHit("h", c.resource, kProtocolMail)->Subject(), c.subject);
  }
  // A full field reads as its first 254 characters, as a terminated text.
  EXPECT_EQ(WebHit("h", std::string(255, 's'), kProtocolMail)->Subject(), std::string(254, 's'));
  EXPECT_EQ(WebHit("h", std::string("Hi\0there", 8), kProtocolMail)->Subject(), "Hi");
}

TEST(Hit, DomainIsTheLastRunOfLettersAfterADot) {
  EXPECT_EQ(WebHit("www.example.com", "/")->Domain(), "com");
  EXPECT_EQ(WebHit("shop.example.com.au:8080", "/")->Domain(), "au");
  EXPECT_EQ(WebHit("example.com.", "/")->Domain(), "com");
  EXPECT_EQ(WebHit("10.0.0.1", "/")->Domain(), "");
  EXPECT_EQ(WebHit("localhost", "/")->Domain(), "");
  EXPECT_EQ(WebHit("", "/")->Domain(), "");
}

TEST(Hit, SearchTermsTakeTheFirstKnownParameterDecoded) {
  struct Case {
    const char* query;
    const char* terms;
  };
  const Case cases[] = {
      {"hl=en&q=%22red+car%22&x=1", "red car"},
      {"ask=cheap+flights", "cheap flights"},
      {"q", ""},
      {"p=1&q=foo", "1"},
      {"Search_String=A%2fB", "A/B"},
      {"QUERY=x&q=y", "x"},
      {"x=1&y=2", ""},
      {"q=100%", "100"},
      {"q=a%zzb", "ab"},
      {"q=a%4", "a"},
      {"q=line%0Abreak%7Fand%00nul", "line break and nul"},
      {"q=\"\"quoted\"\"", "quoted"},
      {"q=%22%22", ""},
      {"q=", ""},
      {"=x&q=z", "z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    auto hit = WebHit("h", "/");
    hit->SetQuery(c.query);
    EXPECT_EQ(hit->SearchTerms(), c.terms);
  }
}

TEST(Hit, URLByProtocol) {
  EXPECT_EQ(WebHit("www.a.com", "/x.html")->URL(), "http://www.a.com/x.html");
  EXPECT_EQ(WebHit("s.a.com", "/", kProtocolSecureWeb)->URL(), "https://s.a.com/");
  EXPECT_EQ(WebHit("to@a.com", "Subject", kProtocolMail)->URL(), "mailto:to@a.com");
  EXPECT_EQ(WebHit("proxy.a.com", "/p", kProtocolSocks)->URL(), "proxy.a.com/p");
  EXPECT_EQ(WebHit("host", "/p", kProtocolTelnet)->URL(), "telnet:host");
  EXPECT_EQ(WebHit("host", "/p", kProtocolDomainNameLookup)->URL(), "host");
  EXPECT_EQ(WebHit("host", "/p", 99)->URL(), "host");

  auto news = WebHit("comp.lang.c", "/", kProtocolNews);
  EXPECT_EQ(news->URL(), "news://0.0.0.0/comp.lang.c");
  news->Data().StoredDestinationAddress = 0xC0A80A01;
  news->SetDestination("/alt.test");
  EXPECT_EQ(news->URL(), "news://192.168.10.1/alt.test");
}

TEST(Hit, SizeDoesNotWrap) {
  auto hit = AdvNew<TVexaHit>();
  hit->Data().SourceSize = UINT32_MAX;
  hit->Data().DestinationSize = UINT32_MAX;
  EXPECT_EQ(hit->Size(), 8589934590ull);
}

TEST(Hit, DatePartsAndStamps) {
  auto hit = AdvNew<TVexaHit>();
  // Sunday 2011-03-06 09:05:30.
  hit->SetInitiated(40608.0 + (9 * 3600 + 5 * 60 + 30) / 86400.0);
  EXPECT_EQ(hit->Day(), 40608);
  EXPECT_EQ(hit->Year(), 2011);
  EXPECT_EQ(hit->Month(), 2);
  EXPECT_EQ(hit->Week(), 10);
  EXPECT_EQ(hit->DayOfWeek(), 0);
  EXPECT_EQ(hit->Hour(), 9);
  EXPECT_EQ(hit->SecondStamp(), 40608LL * 86400 + 9 * 3600 + 5 * 60 + 30);
  EXPECT_EQ(hit->MinuteStamp(), 40608LL * 1440 + 9 * 60 + 6);  // 05:30 rounds up
  EXPECT_EQ(hit->MillisecondStamp(), (40608LL * 86400 + 9 * 3600 + 5 * 60 + 30) * 1000);

  // Ties round to even.
  hit->SetInitiated(2.5 / 1440);
  ASSERT_EQ(hit->Initiated() * 1440, 2.5);
  EXPECT_EQ(hit->MinuteStamp(), 2);
  hit->SetInitiated(3.5 / 1440);
  ASSERT_EQ(hit->Initiated() * 1440, 3.5);
  EXPECT_EQ(hit->MinuteStamp(), 4);

  // Nothing before the epoch, and no overflow from a date a loader got wrong.
  hit->SetInitiated(-3.5);
  EXPECT_EQ(hit->Day(), 0);
  EXPECT_EQ(hit->DayOfWeek(), 6);  // 1899-12-30 was a Saturday
  hit->SetInitiated(1e300);
  EXPECT_EQ(hit->Day(), INT32_MAX);
  EXPECT_EQ(hit->MillisecondStamp(), INT64_MAX);
  hit->SetInitiated(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(hit->Day(), 0);
  EXPECT_EQ(hit->SecondStamp(), 0);
}

TEST(Hit, HasReferenceFailedAndScheme) {
  auto hit = AdvNew<TVexaHit>();
  hit->Clear();
  EXPECT_FALSE(hit->HasReference());
  hit->SetPosition(0);
  EXPECT_TRUE(hit->HasReference());
  hit->SetPosition(-1);
  hit->SetReference(3);
  EXPECT_TRUE(hit->HasReference());

  const std::pair<uint8_t, bool> statuses[] = {{kStatusSuccessful, false},
                                               {kStatusFailed, true},
                                               {kStatusBlocked, true},
                                               {kStatusCached, false},
                                               {9, false}};
  for (auto [status, failed] : statuses) {
    hit->SetStatus(status);
    EXPECT_EQ(hit->Failed(), failed) << int(status);
  }
  hit->SetProtocol(kProtocolGopher);
  EXPECT_EQ(hit->Scheme(), "gopher://");
}

TEST(Hit, AssignCopiesEverythingButReference) {
  auto source = WebHit("dest", "/r");
  source->SetSource("src");
  source->SetQuery("q=1");
  source->SetExtraText1("e1");
  source->SetExtraText2("e2");
  source->SetExtraText3("e3");
  source->SetProfile("News");
  source->SetReference(42);
  source->Data().SourceAddress = 1;
  source->Data().DestinationAddress = 2;
  source->SetInitiated(123.25);
  source->Data().TimeTaken = 77;
  source->Data().Tag1 = 11;
  source->Data().Tag2 = 12;
  source->Data().Tag3 = 13;
  source->SetDepartment("Sales");
  source->SetFileTypeAlias("Page");

  auto slot = AdvNew<TVexaHit>();
  slot->SetReference(5);
  slot->Assign(*source);
  EXPECT_EQ(slot->Reference(), 5u);
  slot->SetReference(42);
  EXPECT_EQ(std::memcmp(&slot->Data(), &source->Data(), sizeof(THitData)), 0);

  // A plain THit leaves the classification fields alone.
  auto plain = AdvNew<THit>();
  plain->Assign(*source);
  EXPECT_EQ(plain->Destination(), "dest");
  EXPECT_EQ(plain->Data().Department.Length, 0);
  EXPECT_THROW(slot->Assign(*plain), EAdvAssign);
}

TEST(Hit, ProtocolAndStatusTables) {
  EXPECT_EQ(HitProtocolName(kProtocolStreamingMedia), "Streaming Media");
  EXPECT_EQ(HitProtocolShortName(kProtocolMail), "smtp");
  EXPECT_EQ(HitProtocolShortName(kProtocolNews), "nntp");
  EXPECT_EQ(HitProtocolScheme(kProtocolFileTransfer), "ftp://");
  EXPECT_EQ(HitProtocolName(kProtocolUnknown), "Unknown");
  EXPECT_EQ(HitProtocolName(250), "Unknown");
  EXPECT_EQ(HitProtocolShortName(250), "");
  uint8_t code = 0;
  ASSERT_TRUE(HitProtocolByName("domain name LOOKUP", code));
  EXPECT_EQ(code, kProtocolDomainNameLookup);
  EXPECT_FALSE(HitProtocolByName("Web2", code));

  EXPECT_EQ(HitStatusName(kStatusCached), "Cached");
  EXPECT_EQ(HitStatusName(4), "");
  EXPECT_EQ(HitStatusLabel(THitStatusChoice::Failed, false), "Successful");
  EXPECT_EQ(HitStatusLabel(THitStatusChoice::Blocked, false), "Not blocked");
  EXPECT_EQ(HitStatusLabel(THitStatusChoice::Cached, true), "Cached");
  EXPECT_EQ(DottedAddress(0x0A000001), "10.0.0.1");
}

}  // namespace
