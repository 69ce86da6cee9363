#include "core/AdvShell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace fs = std::filesystem;

namespace {

// A file written by a detached process: waits for it to be complete (a line
// "end" closes it), for up to five seconds.
std::string AwaitRecord(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    const std::string text = vexatest::ReadFileText(path);
    if (text.size() >= 4 && text.compare(text.size() - 4, 4, "end\n") == 0) return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return vexatest::ReadFileText(path);
}

// A stand-in xdg-open that records its arguments, one a line, then "end".
class FakeXdgOpen {
 public:
  FakeXdgOpen()
      : m_record(vexatest::MakeTempFolder("record") + "/args"),
        m_program("xdg-open", "printf '%s\\n' \"$@\" end > '" + m_record + "'") {}
  std::string Record() const { return vexatest::ReadFileText(m_record); }
  void Remove() { m_program.Remove(); }
  void HideSystemPath() { m_program.HideSystemPath(); }

 private:
  std::string m_record;
  vexatest::ScopedFakeProgram m_program;
};

TEST(AdvShell, UrlEncodingRoundTrips) {
  const struct {
    const char *Text, *Encoded;
  } cases[] = {
      {"Alert: web & mail", "Alert:%20web%20%26%20mail"},
      {"a/b.c;d?e", "a/b.c;d?e"},
      {"100%", "100%25"},
      {"line\r\nnext", "line%0D%0Anext"},
      {"caf\xE9", "caf%E9"},
      {"x=1+2", "x%3D1%2B2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UrlEncode(c.Text), c.Encoded) << c.Text;
    EXPECT_EQ(UrlDecode(c.Encoded), c.Text) << c.Encoded;
  }
  const struct {
    const char *Text, *Decoded;
  } odd[] = {
      {"a%2", "a"},  {"a%", "a"},      {"%", ""},       {"a%zz b", "a b"},
      {"%4g1", "1"}, {"%41%42", "AB"}, {"%e9", "\xE9"}, {"plain+text", "plain+text"},
  };
  for (const auto& c : odd) EXPECT_EQ(UrlDecode(c.Text), c.Decoded) << c.Text;
}

TEST(AdvShell, Base64FollowsTheStandardAlphabet) {
  const struct {
    const char *Bytes, *Encoded;
  } cases[] = {{"", ""},
               {"f", "Zg=="},
               {"fo", "Zm8="},
               {"foo", "Zm9v"},
               {"foob", "Zm9vYg=="},
               {"fooba", "Zm9vYmE="},
               {"foobar", "Zm9vYmFy"},
               {"\xFF\xFE\xFD", "//79"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Base64Encode(c.Bytes), c.Encoded);
    std::string decoded = "x";
    EXPECT_TRUE(Base64Decode(c.Encoded, decoded)) << c.Encoded;
    EXPECT_EQ(decoded, c.Bytes);
  }
  std::string decoded = "kept";
  EXPECT_TRUE(Base64Decode("Zm9v\r\nYmFy", decoded));
  EXPECT_EQ(decoded, "foobar");
  EXPECT_TRUE(Base64Decode("Zm8", decoded));  // fill left out
  EXPECT_EQ(decoded, "fo");
  decoded = "kept";
  for (const char* bad : {"Zm9v!", "Z", "Zm9vY", "Zg=", "Zg===", "Zg==Zg==", "Zm8=="}) {
    EXPECT_FALSE(Base64Decode(bad, decoded)) << bad;
    EXPECT_EQ(decoded, "kept");
  }
}

TEST(AdvShell, MailUrlsEncodeSubjectAndBody) {
  EXPECT_EQ(MailToUrl("admin@example.com", "", ""), "mailto:admin@example.com");
  EXPECT_EQ(MailToUrl("a@b.c", "Hits & alerts", ""), "mailto:a@b.c?Subject=Hits%20%26%20alerts");
  EXPECT_EQ(MailToUrl("a@b.c", "", "x y"), "mailto:a@b.c?Body=x%20y");
  EXPECT_EQ(MailToUrl("a@b.c", "s", "b"), "mailto:a@b.c?Subject=s&Body=b");
}

TEST(AdvShell, SplitParametersKeepsQuotedBlanks) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitParameters("  -u  admin "), V({"-u", "admin"}));
  EXPECT_EQ(SplitParameters("\"John Smith\" x\"y z\""), V({"John Smith", "xy z"}));
  EXPECT_EQ(SplitParameters("\"\" a"), V({"", "a"}));
  EXPECT_EQ(SplitParameters("a;b|c $HOME"), V({"a;b|c", "$HOME"}));
  EXPECT_EQ(SplitParameters(""), V());
}

TEST(AdvShell, DocumentsAndAddressesGoToTheDefaultHandler) {
  FakeXdgOpen fake;
  EXPECT_TRUE(OpenUrl("www.example.com/a b"));
  EXPECT_EQ(fake.Record(), "http://www.example.com/a b\nend\n");
  EXPECT_TRUE(OpenUrl("HTTPS://example.com"));
  EXPECT_EQ(fake.Record(), "HTTPS://example.com\nend\n");
  EXPECT_TRUE(OpenMail("a@b.c", "Alert", "Body text"));
  EXPECT_EQ(fake.Record(), "mailto:a@b.c?Subject=Alert&Body=Body%20text\nend\n");
  const std::string document = vexatest::MakeTempFolder("docs") + "/report.txt";
  vexatest::WriteFileText(document, "report");
  EXPECT_TRUE(ShellOpen(document, "ignored"));
  EXPECT_EQ(fake.Record(), document + "\nend\n");
  EXPECT_FALSE(OpenUrl(""));
  EXPECT_FALSE(ShellOpen(""));

  fake.Remove();
  fake.HideSystemPath();
  EXPECT_FALSE(OpenUrl("example.com"));
  EXPECT_FALSE(OpenMail("a@b.c", "", ""));
  EXPECT_FALSE(ShellOpen(document));
}

TEST(AdvShell, ProgramsGetTheirParametersLiterally) {
  const std::string folder = vexatest::MakeTempFolder("programs");
  const std::string record = folder + "/record";
  const std::string program = folder + "/tool";
  vexatest::WriteScript(program, "printf '%s\\n' \"$@\" end > '" + record + "'\nexit 4");

  EXPECT_EQ(RunAndWait(program, "\"John Smith\" ;rm -rf $HOME `id`"), 4);
  EXPECT_EQ(vexatest::ReadFileText(record), "John Smith\n;rm\n-rf\n$HOME\n`id`\nend\n");
  EXPECT_EQ(RunProgramAndWait({program, "a b", "$(id)"}), 4);
  EXPECT_EQ(vexatest::ReadFileText(record), "a b\n$(id)\nend\n");

  fs::remove(record);
  EXPECT_TRUE(ShellOpen(program, "x|y"));
  EXPECT_EQ(AwaitRecord(record), "x|y\nend\n");

  fs::remove(record);
  EXPECT_TRUE(StartProgram({program, "detached"}));
  EXPECT_EQ(AwaitRecord(record), "detached\nend\n");

  EXPECT_EQ(RunProgramAndWait({"no-such-program-anywhere"}), -1);
  EXPECT_FALSE(StartProgram({"no-such-program-anywhere"}));
  EXPECT_EQ(RunAndWait(std::string()), -1);
}

TEST(AdvShell, SystemInformation) {
  // The kernel's release, e.g. "6.1.0-18-amd64", gives "Linux 6.1 [6.1.0]".
  int major = 0, minor = 0, build = 0;
  ASSERT_EQ(sscanf(vexatest::ReadFileText("/proc/sys/kernel/osrelease").c_str(), "%d.%d.%d", &major,
                   &minor, &build),
            3);
  EXPECT_EQ(OperatingSystemText(), "Linux " + std::to_string(major) + "." + std::to_string(minor) +
                                       " [" + std::to_string(major) + "." + std::to_string(minor) +
                                       "." + std::to_string(build) + "]");
  EXPECT_TRUE(IsNtFamily());
  EXPECT_TRUE(IsNt5OrLater());
  EXPECT_TRUE(IsNt6OrLater());
  EXPECT_EQ(LanguageName(), "C");  // the tests run with LC_ALL=C
}

TEST(AdvShell, SpecialFoldersFollowXdg) {
  const std::string home = vexatest::IsolatedHome();
  EXPECT_EQ(SpecialFolder(TSpecialFolder::ApplicationData), home + "/.config");
  EXPECT_EQ(SpecialFolder(TSpecialFolder::LocalApplicationData), home + "/.local/state");
  EXPECT_EQ(SpecialFolder(TSpecialFolder::MyDocuments), home + "/Documents");
  EXPECT_EQ(SpecialFolder(TSpecialFolder::StartUp), home + "/.config/autostart");
  EXPECT_EQ(SpecialFolder(TSpecialFolder::Desktop), home + "/Desktop");
  EXPECT_EQ(SpecialFolder(TSpecialFolder::CommonApplicationData), "/usr/local/share");
  EXPECT_EQ(SpecialFolder(TSpecialFolder::RecycleBin), home + "/.local/share/Trash");
  EXPECT_EQ(SpecialFolder(TSpecialFolder::ControlPanel), "");
  EXPECT_EQ(SpecialFolder(TSpecialFolder::ProgramFiles), "");
  setenv("XDG_CONFIG_HOME", "/elsewhere", 1);
  EXPECT_EQ(SpecialFolder(TSpecialFolder::ApplicationData), "/elsewhere");
  setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
}

}  // namespace
