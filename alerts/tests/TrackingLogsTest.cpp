#include "alerts/TrackingLogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "classify/Aliases.h"
#include "core/AdvDates.h"
#include "monitor/Hits.h"
#include "platform/Clock.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kDirectives =
    "#Software: Varnex Vexa Tracking Log 2.2.2.1\r\n"
    "#Version: 1.0\r\n"
    "#Fields: date\ttime\tx-user\tc-ip\tx-protocol\tx-alert\tx-destination\tcs-uri\t"
    "x-subject\tbytes\ttime-taken\r\n";

struct THitSpec {
  std::string Source = "10.0.0.5";
  std::string Destination = "www.example.com";
  std::string Resource = "/index.html";
  std::string Query;
  double Initiated = EncodeDateTime(2009, 1, 31, 10, 20, 30, 456);
  uint8_t Protocol = kProtocolWeb;
  uint32_t Address = 0x0A000005;
  uint32_t In = 1000, Out = 234;
  uint32_t TimeTaken = 0;
};

TAdvRef<TVexaHit> MakeHit(const THitSpec& spec) {
  auto hit = AdvNew<TVexaHit>();
  hit->SetSource(spec.Source);
  hit->SetDestination(spec.Destination);
  hit->SetResource(spec.Resource);
  hit->SetQuery(spec.Query);
  hit->SetInitiated(spec.Initiated);
  hit->SetProtocol(spec.Protocol);
  hit->Data().SourceAddress = spec.Address;
  hit->Data().SourceSize = spec.In;
  hit->Data().DestinationSize = spec.Out;
  hit->Data().TimeTaken = spec.TimeTaken;
  return hit;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  size_t from = 0;
  for (size_t at; (at = text.find(separator, from)) != std::string::npos;
       from = at + separator.size())
    pieces.push_back(text.substr(from, at - from));
  pieces.push_back(text.substr(from));
  return pieces;
}

class TrackingLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = vexatest::MakeTempFolder("track");
    m_settings->SetTrackingLogLocation(m_folder);
    m_settings->SetTrackingLogActivity(true);
    m_settings->SetTrackingLogAlerts(true);
    m_log->SetSettings(m_settings.Get());
  }
  void TearDown() override { platform::SetCurrentClock(nullptr); }

  std::string File(const std::string& name) const {
    return vexatest::ReadFileText(m_folder + "/" + name);
  }
  static std::string DayFile(const std::string& date, const std::string& user = {}) {
    return "Varnex Vexa Tracking Log " + date + (user.empty() ? "" : " " + user) + ".log";
  }
  // The event lines of a file (directives left out), each split into fields.
  std::vector<std::vector<std::string>> Lines(const std::string& name) const {
    std::vector<std::vector<std::string>> lines;
    for (const std::string& line : Split(File(name), "\r\n"))
      if (!line.empty() && line[0] != '#') lines.push_back(Split(line, "\t"));
    return lines;
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string m_folder;
  TAdvRef<TSettings> m_settings = AdvNew<TSettings>();
  TAdvRef<TTrackingLog> m_log = AdvNew<TTrackingLog>();
};

TEST_F(TrackingLogTest, WritesActivityLineWithDirectivesInDailyFile) {
  THitSpec spec;
  spec.Query = "q=1";
  spec.TimeTaken = 3723000;  // 1:02:03
  m_log->WriteHit(*MakeHit(spec));
  m_log->Flush();
  const std::string text = File(DayFile("2009-01-31"));
  EXPECT_EQ(text, std::string(kDirectives) +
                      "2009-01-31\t10:20:30.456\t10.0.0.5\t10.0.0.5\thttp\t-\twww.example.com\t"
                      "http://www.example.com/index.html?q=1\t-\t1234\t01:02:03\r\n");
}

TEST_F(TrackingLogTest, FieldsFollowTheProtocol) {
  struct TCase {
    uint8_t Protocol;
    std::string Resource, Query;
    std::string Protocol5, Uri8, Subject9;
  } cases[] = {
      {kProtocolWeb, "<unspecified>", "", "http", "http://www.example.com/", "-"},
      {kProtocolSecureWeb, "/a b", "", "https", "https://www.example.com/a b", "-"},
      {kProtocolTelnet, "/x", "", "telnet", "-", "-"},
      {kProtocolMail, "RE: Fw: budget", "", "smtp", "-", "budget"},
      {kProtocolUnknown, "/x", "", "", "-", "-"},
  };
  for (const TCase& c : cases) {
    THitSpec spec;
    spec.Protocol = c.Protocol;
    spec.Resource = c.Resource;
    spec.Query = c.Query;
    m_log->WriteHit(*MakeHit(spec));
  }
  m_log->Flush();
  const auto lines = Lines(DayFile("2009-01-31"));
  ASSERT_EQ(lines.size(), std::size(cases));
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(lines[i].size(), 11u);
    EXPECT_EQ(lines[i][4], cases[i].Protocol5);
    EXPECT_EQ(lines[i][7], cases[i].Uri8);
    EXPECT_EQ(lines[i][8], cases[i].Subject9);
  }
}

TEST_F(TrackingLogTest, UserComesFromUserNamesAndZeroAddressIsZeros) {
  auto names = AdvNew<TAliases>();
  names->FindOrAddAlias("John Smith")->Add("10.0.0.5");
  m_log->SetUserNames(names.Get());
  THitSpec spec;
  spec.Address = 0;
  m_log->WriteHit(*MakeHit(spec));
  m_log->Flush();
  const auto lines = Lines(DayFile("2009-01-31"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0][2], "John Smith");
  EXPECT_EQ(lines[0][3], "0.0.0.0");
}

TEST_F(TrackingLogTest, MidnightStartsNewFileAndReopenedFileGetsNoDirectives) {
  THitSpec before, after;
  before.Initiated = EncodeDateTime(2009, 1, 31, 23, 59, 59, 999);
  after.Initiated = EncodeDateTime(2009, 2, 1, 0, 0, 0, 0);
  m_log->WriteHit(*MakeHit(before));
  m_log->WriteHit(*MakeHit(after));
  EXPECT_EQ(m_log->FileName(), DayFile("2009-02-01"));
  // A late hit of the earlier day goes back to that day's file.
  m_log->WriteHit(*MakeHit(before));
  m_log->Close();

  EXPECT_EQ(Files(), (std::vector<std::string>{DayFile("2009-01-31"), DayFile("2009-02-01")}));
  const std::string first = File(DayFile("2009-01-31"));
  EXPECT_EQ(first.find(kDirectives), 0u);
  EXPECT_EQ(first.find("#Software", 1), std::string::npos);
  EXPECT_EQ(Lines(DayFile("2009-01-31")).size(), 2u);
  EXPECT_EQ(Lines(DayFile("2009-02-01"))[0][1], "00:00:00.000");
  EXPECT_EQ(Lines(DayFile("2009-01-31"))[0][1], "23:59:59.999");
}

TEST_F(TrackingLogTest, AlertWithoutHitUsesClockAndPlaceholders) {
  platform::TManualClock clock(UtcFromLocalDateTime(EncodeDateTime(2009, 3, 4, 5, 6, 7, 8)));
  platform::SetCurrentClock(&clock);
  m_log->WriteAlertLine("jsmith", 0xC0A80001, "Too Much Browsing", nullptr);
  m_log->Flush();
  const auto lines = Lines(DayFile("2009-03-04"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            (std::vector<std::string>{"2009-03-04", "05:06:07.008", "jsmith", "192.168.0.1", "-",
                                      "Too Much Browsing", "-", "-", "-", "0", "00:00:00"}));
}

TEST_F(TrackingLogTest, SwitchesSelectLineKinds) {
  m_settings->SetTrackingLogActivity(false);
  m_log->WriteHit(*MakeHit({}));
  m_log->WriteAlertLine("u", 0, "T", MakeHit({}).Get());
  m_settings->SetTrackingLogAlerts(false);
  m_log->WriteAlertLine("u", 0, "T2", MakeHit({}).Get());
  m_log->Flush();
  const auto lines = Lines(DayFile("2009-01-31"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0][5], "T");
  EXPECT_EQ(lines[0][4], "http");
}

TEST_F(TrackingLogTest, FiltersByUserOrDepartment) {
  auto departments = AdvNew<TDepartments>();
  departments->FindOrAddAlias("Sales")->Add("10.0.0.5");
  m_log->SetDepartments(departments.Get());

  m_settings->SetTrackingLogFilterMode(kTrackListedUsers);
  m_settings->TrackingLogFilterCriteria().Add("BOB");
  EXPECT_TRUE(m_log->PassesFilter("bob"));
  EXPECT_FALSE(m_log->PassesFilter("10.0.0.5"));

  m_settings->SetTrackingLogFilterMode(kTrackListedDepartments);
  m_settings->TrackingLogFilterCriteria().Clear();
  m_settings->TrackingLogFilterCriteria().Add("Miscellaneous");
  EXPECT_TRUE(m_log->PassesFilter("bob"));
  EXPECT_FALSE(m_log->PassesFilter("10.0.0.5"));

  m_settings->SetTrackingLogFilterMode(7);
  EXPECT_TRUE(m_log->PassesFilter("anyone"));
}

TEST_F(TrackingLogTest, PerUserFilesWithUnsafeNamesStayInFolder) {
  m_settings->SetTrackingLogPerUser(true);
  const std::string names[] = {
      "alice", "DOMAIN\\bob", "../../etc/passwd", ".hidden", std::string("tab\there", 8),
      "bob",   "alice"};
  for (const std::string& user : names) {
    THitSpec spec;
    spec.Source = user;
    m_log->WriteHit(*MakeHit(spec));
  }
  m_log->Close();
  EXPECT_EQ(Files(), (std::vector<std::string>{
                         DayFile("2009-01-31", "DOMAIN_bob"),
                         DayFile("2009-01-31", "___.._etc_passwd"),
                         DayFile("2009-01-31", "_hidden"),
                         DayFile("2009-01-31", "alice"),
                         DayFile("2009-01-31", "bob"),
                         DayFile("2009-01-31", "tab_here"),
                     }));
  EXPECT_EQ(Lines(DayFile("2009-01-31", "alice")).size(), 2u);
  // The user field keeps the real name (made safe only for the file name).
  EXPECT_EQ(Lines(DayFile("2009-01-31", "DOMAIN_bob"))[0][2], "DOMAIN\\bob");
}

TEST_F(TrackingLogTest, OverlongUserIsCutToFileNameLimit) {
  m_settings->SetTrackingLogPerUser(true);
  THitSpec spec;
  spec.Source = std::string(255, 'u');
  m_log->WriteHit(*MakeHit(spec));
  m_log->Close();
  const auto files = Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].size(), TTrackingLog::kMaxFileName);
  EXPECT_EQ(Lines(files[0])[0][2], spec.Source);
}

TEST_F(TrackingLogTest, ControlCharactersCannotForgeLinesOrFields) {
  THitSpec spec;
  spec.Source = "eve\r\n2009-01-31\t00:00:00.000\tadmin";
  spec.Destination = "evil.example\tx";
  spec.Protocol = kProtocolMail;
  spec.Resource = "hello\nworld\x7f";
  m_log->WriteHit(*MakeHit(spec));
  m_log->WriteAlertLine("a\tb", 0, "name\r\nforged", MakeHit({}).Get());
  m_log->Flush();
  const auto lines = Lines(DayFile("2009-01-31"));
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(lines[0].size(), 11u);
  EXPECT_EQ(lines[0][2], "eve  2009-01-31 00:00:00.000 admin");
  EXPECT_EQ(lines[0][6], "evil.example x");
  EXPECT_EQ(lines[0][8], "hello world ");
  ASSERT_EQ(lines[1].size(), 11u);
  EXPECT_EQ(lines[1][2], "a b");
  EXPECT_EQ(lines[1][5], "name  forged");
}

TEST_F(TrackingLogTest, LocaleTimeSeparatorIsUsed) {
  TAdvFormatSettings format;
  format.TimeSeparator = ".";
  m_settings->SetFormatSettings(format);
  THitSpec spec;
  spec.TimeTaken = 3723000;
  m_log->WriteHit(*MakeHit(spec));
  m_log->Flush();
  const auto lines = Lines(DayFile("2009-01-31"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0][1], "10.20.30.456");
  EXPECT_EQ(lines[0][10], "01.02.03");
}

TEST_F(TrackingLogTest, UnopenableFileDropsLinesAndRecoversLater) {
  const std::string missing = m_folder + "/later";
  m_settings->SetTrackingLogLocation(missing);
  platform::TManualClock clock(UtcFromLocalDateTime(EncodeDateTime(2009, 1, 31, 12, 0, 0)), 5000);
  platform::SetCurrentClock(&clock);
  m_log->WriteHit(*MakeHit({}));
  EXPECT_EQ(m_log->FileName(), "");
  fs::create_directory(missing);
  // Within the retry interval the open is not tried again.
  m_log->WriteHit(*MakeHit({}));
  EXPECT_EQ(m_log->FileName(), "");
  clock.Advance(TTrackingLog::kRetryInterval);
  m_log->WriteHit(*MakeHit({}));
  m_log->Close();
  const std::string text = vexatest::ReadFileText(missing + "/" + DayFile("2009-01-31"));
  EXPECT_EQ(text.find(kDirectives), 0u);
  EXPECT_EQ(Split(text, "\r\n").size(), 3u + 1 + 1);  // directives, one line, final empty
}

TEST_F(TrackingLogTest, KeepsFilesOpenWhileUsedAndClosesIdleOnesAtFlush) {
  m_settings->SetTrackingLogPerUser(true);
  auto write = [&](const std::string& user) {
    THitSpec spec;
    spec.Source = user;
    m_log->WriteHit(*MakeHit(spec));
  };
  for (const char* user : {"alice", "bob", "alice", "bob"}) write(user);
  EXPECT_EQ(m_log->OpenFileCount(), 2u);
  m_log->Flush();
  EXPECT_EQ(m_log->OpenFileCount(), 2u);
  EXPECT_EQ(Lines(DayFile("2009-01-31", "bob")).size(), 2u);
  write("alice");
  m_log->Flush();
  EXPECT_EQ(m_log->OpenFileCount(), 1u);
  m_log->Flush();
  EXPECT_EQ(m_log->OpenFileCount(), 0u);
  EXPECT_EQ(Lines(DayFile("2009-01-31", "alice")).size(), 3u);

  // More users than files kept open: the least recently used is closed,
  // and no line is lost.
  for (size_t i = 0; i <= TTrackingLog::kMaxOpenFiles; ++i) write("user" + std::to_string(i));
  EXPECT_EQ(m_log->OpenFileCount(), TTrackingLog::kMaxOpenFiles);
  write("user0");
  m_log->Close();
  EXPECT_EQ(m_log->OpenFileCount(), 0u);
  EXPECT_EQ(Lines(DayFile("2009-01-31", "user0")).size(), 2u);
  EXPECT_EQ(Lines(DayFile("2009-01-31", "user32")).size(), 1u);
}

TEST_F(TrackingLogTest, NewLocationTakesEffectWithNextLine) {
  m_log->WriteHit(*MakeHit({}));
  const std::string other = vexatest::MakeTempFolder("track2");
  m_settings->SetTrackingLogLocation(other);
  m_log->WriteHit(*MakeHit({}));
  m_log->Close();
  EXPECT_EQ(Lines(DayFile("2009-01-31")).size(), 1u);
  EXPECT_EQ(vexatest::ReadFileText(other + "/" + DayFile("2009-01-31")).find(kDirectives), 0u);
}

TEST_F(TrackingLogTest, EmptyLocationWritesNothing) {
  m_settings->SetTrackingLogLocation("");
  m_log->WriteHit(*MakeHit({}));
  m_log->Close();
  EXPECT_EQ(m_log->FileName(), "");
  EXPECT_TRUE(Files().empty());
}

TEST_F(TrackingLogTest, LinesReachTheFileWhenTheBlockFills) {
  const std::string name = DayFile("2009-01-31");
  size_t written = 0;
  // Only the directives reach the file until a block is full.
  while (File(name).size() <= std::string(kDirectives).size()) {
    m_log->WriteHit(*MakeHit({}));
    ASSERT_LT(++written, 10000u);
  }
  EXPECT_GT(File(name).size(), TTrackingLog::kBlockSize);
  m_log = nullptr;  // freeing the log writes the rest
  EXPECT_EQ(Lines(name).size(), written);
}

TEST_F(TrackingLogTest, AppendsToExistingFileWithoutDirectives) {
  const std::string name = DayFile("2009-01-31");
  vexatest::WriteFileText(m_folder + "/" + name, "#kept\r\n");
  m_log->WriteHit(*MakeHit({}));
  m_log->Close();
  const std::string text = File(name);
  EXPECT_EQ(text.find("#kept\r\n2009-01-31\t"), 0u);
  EXPECT_EQ(text.find("#Software"), std::string::npos);
}

}  // namespace
