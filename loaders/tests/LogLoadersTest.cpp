#include "loaders/LogLoaders.h"

#include <gtest/gtest.h>

#include <fstream>

#include "loaders/tests/LoaderTestSupport.h"
#include "monitor/Hits.h"
#include "monitor/Inputs.h"
#include "testing/TestEnvironment.h"

using namespace loadertest;

namespace {

void WriteFile(const std::string& path, const std::string& text, bool append = false) {
  std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out << text;
}

struct TPass {
  std::vector<TAdvRef<TVexaHit>> Hits;
  std::string Error;  // class and message of a raised error
  bool Read = false;  // the loader supplied a format
};

// One visit of a file as the input does it: open, FormatFor, Begin,
// HasMore/Read until done, End, close.
TPass RunPass(TLoader& loader, TFile& file) {
  TPass pass;
  file.OpenInput();
  if (TFormat* format = loader.FormatFor(file)) {
    pass.Read = true;
    format->Begin();
    try {
      while (format->HasMore()) {
        const int64_t before = file.Index();
        const bool filled = format->Read(*file.ScratchHit());
        if (file.Index() <= before) break;
        if (filled) {
          auto copy = AdvNew<TVexaHit>();
          copy->Assign(*file.ScratchHit());
          pass.Hits.push_back(copy);
        }
      }
    } catch (const EAdvanced& error) {
      pass.Error = error.ClassName() + ": " + error.BareMessage();
    }
    format->End();
  }
  file.CloseInput();
  return pass;
}

class LogLoaders : public ::testing::Test {
 protected:
  std::string m_folder = vexatest::MakeTempFolder("loaders");
};

TEST_F(LogLoaders, VarnexTellsEachSampleApartAndReadsItWhole) {
  struct TCase {
    const char* Sample;
    size_t Hits;
  };
  const TCase cases[] = {{"squid-5.7-native.log", 33},
                         {"nginx-1.22-combined.log", 17},
                         {"w3c-webserver.log", 6},
                         {"w3c-proxy.log", 5}};
  auto loader = AdvNew<TVarnexLoader>();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Sample);
    const std::string path = m_folder + "/" + c.Sample;
    WriteFile(path, ReadData(c.Sample));
    auto file = AdvNew<TFile>(path);
    const TPass pass = RunPass(*loader, *file);
    EXPECT_EQ(pass.Error, "");
    EXPECT_EQ(pass.Hits.size(), c.Hits);
    EXPECT_EQ(file->Index(), file->Count());
    EXPECT_EQ(file->Hits(), c.Hits);
    EXPECT_GT(file->UsedSize(), 0);
  }
}

TEST_F(LogLoaders, LeavesAnUnfinishedLineForTheNextPass) {
  const std::string path = m_folder + "/access.log";
  const std::string line =
      "1796855800.100 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/ ann HIER_DIRECT/1.2.3.4 -\n";
  WriteFile(path, line + line + line.substr(0, 30));
  auto loader = AdvNew<TSquidLoader>();
  auto file = AdvNew<TFile>(path);
  TPass pass = RunPass(*loader, *file);
  EXPECT_EQ(pass.Error, "");
  EXPECT_EQ(pass.Hits.size(), 2u);
  EXPECT_EQ(file->Index(), int64_t(2 * line.size()));

  WriteFile(path, line.substr(30), true);
  pass = RunPass(*loader, *file);
  ASSERT_EQ(pass.Hits.size(), 1u);
  EXPECT_EQ(pass.Hits[0]->Position(), int64_t(2 * line.size()));
  EXPECT_EQ(file->Index(), int64_t(3 * line.size()));
}

TEST_F(LogLoaders, AMalformedLineRaisesAFormatErrorAtItsStart) {
  const std::string path = m_folder + "/access.log";
  const std::string line =
      "1796855800.100 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/ ann HIER_DIRECT/1.2.3.4 -\n";
  WriteFile(path, line + "not a log line\n" + line);
  auto loader = AdvNew<TSquidLoader>();
  auto file = AdvNew<TFile>(path);
  const TPass pass = RunPass(*loader, *file);
  EXPECT_EQ(pass.Hits.size(), 1u);
  EXPECT_EQ(pass.Error, "EFormat: Too few fields in the access log line");
  EXPECT_EQ(file->Index(), int64_t(line.size()));
}

TEST_F(LogLoaders, AResumedW3cLogStillKnowsItsFields) {
  const std::string path = m_folder + "/ex261209.log";
  const std::string text = ReadData("w3c-webserver.log");
  WriteFile(path, text);
  auto file = AdvNew<TFile>(path);
  {
    auto loader = AdvNew<TW3cLoader>();
    ASSERT_EQ(RunPass(*loader, *file).Hits.size(), 6u);
  }
  // The program restarts: a new loader, the stored read position.
  WriteFile(path,
            "2026-12-09 09:00:05 10.0.0.5 GET /late.html - 443 - 192.168.1.9 Mozilla/5.0 200 0 0 "
            "777 300 4\n",
            true);
  auto loader = AdvNew<TW3cLoader>();
  const TPass pass = RunPass(*loader, *file);
  EXPECT_EQ(pass.Error, "");
  ASSERT_EQ(pass.Hits.size(), 1u);
  EXPECT_EQ(pass.Hits[0]->Resource(), "/late.html");
  EXPECT_EQ(pass.Hits[0]->Data().SourceSize, 777u);
}

TEST_F(LogLoaders, TheTimezoneShiftsEveryTime) {
  const std::string path = m_folder + "/access.log";
  WriteFile(path,
            "1796855800.000 3 10.0.0.7 TCP_MISS/200 10 GET http://x.test/ - HIER_DIRECT/1.2.3.4 "
            "-\n");
  auto loader = AdvNew<TVarnexLoader>();
  loader->SetTimezone("+10:00");
  auto file = AdvNew<TFile>(path);
  const TPass pass = RunPass(*loader, *file);
  ASSERT_EQ(pass.Hits.size(), 1u);
  EXPECT_NEAR(pass.Hits[0]->Initiated(), LocalOf(1796855800) + 10.0 / 24, 1e-9);
}

TEST_F(LogLoaders, VarnexLeavesFilesItCannotTellUnread) {
  auto loader = AdvNew<TVarnexLoader>();
  for (const char* text : {"", "1796855800.000 3 10.0.0.7 TCP_MI", "hello world\n"}) {
    SCOPED_TRACE(text);
    const std::string path = m_folder + "/unknown.log";
    WriteFile(path, text);
    auto file = AdvNew<TFile>(path);
    EXPECT_FALSE(RunPass(*loader, *file).Read);
    EXPECT_EQ(file->Index(), 0);
  }
  auto folder = AdvNew<TFolder>(m_folder);
  EXPECT_EQ(loader->FormatFor(*folder), nullptr);
  EXPECT_TRUE(loader->Supports(&TFile::ClassInfo));
  EXPECT_FALSE(loader->Supports(&TFolder::ClassInfo));
}

TEST(LogLoaderClasses, ListsTheFourLoadersByName) {
  TAdvRef<TLoaderClasses> classes(NewLogLoaderClasses());
  ASSERT_EQ(classes->Count(), 4);
  for (const char* name : {"Varnex", "Squid", "NCSA", "W3C"}) {
    EXPECT_GE(classes->IndexOfName(name), 0) << name;
  }
  EXPECT_EQ(classes->GetByName("varnex"), &TVarnexLoader::ClassInfo);
}

}  // namespace
