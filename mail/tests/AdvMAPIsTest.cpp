#include "mail/AdvMAPIs.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

// A stand-in xdg-email that writes each argument in brackets on its own
// line to a file and ends with `exitCode`.
struct FakeDesktopMail {
  std::string Record = vexatest::MakeTempFolder("xdg") + "/args.txt";
  vexatest::ScopedFakeProgram Program;

  explicit FakeDesktopMail(int exitCode = 0)
      : Program("xdg-email",
                "printf '[%s]\\n' \"$@\" > '" + Record + "'\nexit " + std::to_string(exitCode)) {}
  std::string Arguments() const { return vexatest::ReadFileText(Record); }
};

std::string MapiError(TAdvObject& sender) {
  try {
    if (auto* mapi = AdvCast<TAdvMAPI>(&sender)) mapi->Send();
    if (auto* mapi = AdvCast<TMAPI>(&sender)) mapi->Send();
  } catch (const EAdvanced& e) {
    return e.ClassName() + " " + e.Message();
  }
  return {};
}

TEST(AdvMAPITest, HandsTheWholeMessageToTheDesktopMailProgram) {
  FakeDesktopMail desktop;
  auto mapi = AdvNew<TAdvMAPI>();
  mapi->Logon();
  mapi->ToList().Add(" a@x.test ");
  mapi->ToList().Add("b@x.test");
  mapi->CcList().Add("c@x.test");
  mapi->BccList().Add("d@x.test");
  mapi->SetSubject("Alert: caf\xE9");
  mapi->Body().Add("line one");
  mapi->Body().Add("line two");
  mapi->Attachments().Add("/tmp/report one.html");
  EXPECT_TRUE(mapi->Send());
  EXPECT_EQ(desktop.Arguments(),
            "[--utf8]\n[--cc]\n[c@x.test]\n[--bcc]\n[d@x.test]\n[--subject]\n[Alert: caf\xC3\xA9]\n"
            "[--body]\n[line one\nline two]\n[--attach]\n[/tmp/report one.html]\n[a@x.test]\n"
            "[b@x.test]\n");
  // Trimmed addresses are written back into the list.
  EXPECT_EQ(mapi->ToList().GetItem(0), "a@x.test");
  EXPECT_EQ(mapi->Session(), 0u);
}

TEST(AdvMAPITest, WithoutADesktopMailProgramNothingIsSentAndNothingRaised) {
  FakeDesktopMail desktop;
  desktop.Program.Remove();
  desktop.Program.HideSystemPath();
  auto mapi = AdvNew<TAdvMAPI>();
  mapi->Logon();
  mapi->ToList().Add("a@x.test");
  EXPECT_FALSE(mapi->Send());
  EXPECT_FALSE(DesktopMailAvailable());
  auto interactive = AdvNew<TMAPI>();
  interactive->ToList().Add("a@x.test");
  EXPECT_FALSE(interactive->Send());
}

TEST(AdvMAPITest, TheProgramsFailuresBecomeTheMessagingErrors) {
  struct Case {
    int ExitCode;
    bool Sent;
    const char* Error;
  } cases[] = {
      {0, true, ""},
      {3, false, ""},  // no mail program behind xdg-email: not available
      {2, false,
       "EAdvMAPI (TAdvMAPI.Send): An attachment could not be located at the specified path. "
       "Either the drive letter was invalid, the path was not found on that drive, or the file "
       "was not found in that path."},
      {5, false, "EAdvMAPI (TAdvMAPI.Send): The specified attachment could not be opened."},
      {4, false, "EAdvMAPI (TAdvMAPI.Send): One or more unspecified errors occurred."},
  };
  for (const Case& c : cases) {
    FakeDesktopMail desktop(c.ExitCode);
    auto mapi = AdvNew<TAdvMAPI>();
    mapi->ToList().Add("a@x.test");
    EXPECT_EQ(MapiError(*mapi), c.Error) << c.ExitCode;
  }
}

TEST(AdvMAPITest, TheInteractiveSenderUsesSemicolonListsAndItsOwnErrors) {
  FakeDesktopMail desktop(4);
  auto interactive = AdvNew<TMAPI>();
  EXPECT_EQ(interactive->ToList().Separator(), ";");
  interactive->ToList().SetAsText("a@x.test; b@x.test");
  interactive->SetNoteText("one\r\ntwo");
  EXPECT_EQ(MapiError(*interactive),
            "EMAPI (TMAPI.Send): One or more unspecified errors occurred.");
  EXPECT_EQ(desktop.Arguments(), "[--utf8]\n[--body]\n[one\ntwo]\n[a@x.test]\n[b@x.test]\n");
}

TEST(AdvMAPITest, AddressesThatCouldPassForOptionsAreRefused) {
  FakeDesktopMail desktop;
  auto mapi = AdvNew<TAdvMAPI>();
  mapi->ToList().Add("--attach=/etc/shadow");
  EXPECT_EQ(MapiError(*mapi), "EAdvMAPI (TAdvMAPI.Send): Invalid address '--attach=/etc/shadow'");
  EXPECT_EQ(desktop.Arguments(), "");
}

TEST(AdvMAPITest, ErrorTextsFollowTheTableAndNameUnknownCodes) {
  EXPECT_EQ(MapiErrorText(0), "Operation was successful");
  EXPECT_EQ(MapiErrorText(26),
            "The operation was not supported by the underlying messaging system.");
  EXPECT_EQ(MapiErrorText(7), "Unspecified error [7]");
  EXPECT_EQ(MapiErrorText(27), "Unspecified error [27]");
  EXPECT_EQ(MapiErrorText(-1), "Unspecified error [-1]");
}

}  // namespace
