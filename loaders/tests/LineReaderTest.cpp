#include "loaders/LineReader.h"

#include <gtest/gtest.h>

#include "loaders/LogDetect.h"
#include "loaders/LogParsers.h"
#include "loaders/tests/LoaderTestSupport.h"
#include "testing/TestEnvironment.h"

using namespace loadertest;

namespace {

TEST(LineReader, LeavesAnUnfinishedLineForTheNextPass) {
  TTextSource source("one\r\ntwo\nthr");
  TLineReader reader(16);
  TLogLine line;
  int64_t limit = int64_t(source.Text().size());
  ASSERT_EQ(reader.Next(source, 0, limit, line), TLineResult::Line);
  EXPECT_EQ(line.Text, "one");
  EXPECT_EQ(line.First, 0);
  EXPECT_EQ(line.Last, 4);
  EXPECT_EQ(line.Next, 5);
  ASSERT_EQ(reader.Next(source, 5, limit, line), TLineResult::Line);
  EXPECT_EQ(line.Text, "two");
  EXPECT_EQ(reader.Next(source, 9, limit, line), TLineResult::NeedMore);

  // The writer finishes the line and adds another one.
  source.Text() += "ee\nfour\n";
  limit = int64_t(source.Text().size());
  ASSERT_EQ(reader.Next(source, 9, limit, line), TLineResult::Line);
  EXPECT_EQ(line.Text, "three");
  ASSERT_EQ(reader.Next(source, line.Next, limit, line), TLineResult::Line);
  EXPECT_EQ(line.Text, "four");
  EXPECT_EQ(reader.Next(source, line.Next, limit, line), TLineResult::NeedMore);
}

TEST(LineReader, ReadsNoFurtherThanTheSizeTheHostSaw) {
  TTextSource source("one\ntwo\n");
  TLineReader reader(16);
  TLogLine line;
  ASSERT_EQ(reader.Next(source, 0, 6, line), TLineResult::Line);
  EXPECT_EQ(reader.Next(source, 4, 6, line), TLineResult::NeedMore);
}

TEST(LineReader, SkipsAByteOrderMarkAtTheStartOnly) {
  TTextSource source("\xEF\xBB\xBF#Version: 1.0\n\xEF\xBB\xBFx\n");
  TLineReader reader;
  TLogLine line;
  const int64_t limit = int64_t(source.Text().size());
  ASSERT_EQ(reader.Next(source, 0, limit, line), TLineResult::Line);
  EXPECT_EQ(line.Text, "#Version: 1.0");
  EXPECT_EQ(line.First, 0);
  ASSERT_EQ(reader.Next(source, line.Next, limit, line), TLineResult::Line);
  EXPECT_EQ(line.Text, "\xEF\xBB\xBFx");
}

TEST(LineReader, ReportsALineLongerThanItsBufferOnceItEnds) {
  const std::string longLine(100, 'x');
  TTextSource source("ab\n" + longLine);
  TLineReader reader(16);
  TLogLine line;
  ASSERT_EQ(reader.Next(source, 0, int64_t(source.Text().size()), line), TLineResult::Line);
  EXPECT_EQ(reader.Next(source, 3, int64_t(source.Text().size()), line), TLineResult::NeedMore);
  source.Text() += "\nok\n";
  const int64_t limit = int64_t(source.Text().size());
  ASSERT_EQ(reader.Next(source, 3, limit, line), TLineResult::TooLong);
  EXPECT_EQ(line.First, 3);
  EXPECT_EQ(line.Last, 103);
  ASSERT_EQ(reader.Next(source, line.Next, limit, line), TLineResult::Line);
  EXPECT_EQ(line.Text, "ok");
}

TEST(LogDetect, TellsEachSampleByItsFirstLines) {
  EXPECT_EQ(DetectLogFormat(ReadData("squid-5.7-native.log")), TDetectedFormat::Squid);
  EXPECT_EQ(DetectLogFormat(ReadData("nginx-1.22-combined.log")), TDetectedFormat::Ncsa);
  EXPECT_EQ(DetectLogFormat(ReadData("w3c-webserver.log")), TDetectedFormat::W3c);
  EXPECT_EQ(DetectLogFormat(ReadData("w3c-proxy.log")), TDetectedFormat::W3c);
  EXPECT_EQ(DetectLogFormat("\n\n#Fields: date time\n"), TDetectedFormat::W3c);
  // Not yet a complete line, or nothing known.
  EXPECT_EQ(DetectLogFormat("1796855800.456     18 127.0.0.1 TCP_MISS/200"),
            TDetectedFormat::Unknown);
  EXPECT_EQ(DetectLogFormat(""), TDetectedFormat::Unknown);
  EXPECT_EQ(DetectLogFormat("hello world\n"), TDetectedFormat::Unknown);
}

TEST(LocalTimes, AgreesWithTheLibraryAcrossAChangeOfOffset) {
  vexatest::ScopedTimeZone zone("Europe/Berlin");
  TLocalTimes times;
  // 2026-03-29 01:00 UTC clocks go forward; walk across it in 7-minute steps.
  const int64_t start = (DaysFromCivilDate(2026, 3, 29) * 86400 - 2 * 3600) * 1000;
  for (int64_t t = start; t < start + 4 * 3600 * 1000; t += 7 * 60 * 1000 + 123) {
    ASSERT_DOUBLE_EQ(times.FromUtc(t), LocalDateTimeFromUtc(t)) << t;
  }
  // And backwards in time, as a rotated older file would be read.
  for (int64_t t = start + 4 * 3600 * 1000; t > start; t -= 11 * 60 * 1000) {
    ASSERT_DOUBLE_EQ(times.FromUtc(t), LocalDateTimeFromUtc(t)) << t;
  }
}

}  // namespace
