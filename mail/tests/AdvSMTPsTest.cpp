#include "mail/AdvSMTPs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "mail/tests/SmtpFixture.h"
#include "testing/TestFiles.h"

namespace {

using mailtest::TSmtpFixture;

TAdvRef<TAdvSMTP> MakeClient(const std::string& sender, std::initializer_list<const char*> to,
                             std::initializer_list<const char*> body) {
  auto client = AdvNew<TAdvSMTP>();
  client->SetSender(sender);
  for (const char* address : to) client->Recipients().Add(address);
  for (const char* line : body) client->Body().Add(line);
  client->SetReceiveTimeout(5000);
  return client;
}

// Connect, Send, Close, as every caller does; the error text, or empty.
std::string Transact(TAdvSMTP& client, const std::string& address, int* code = nullptr,
                     std::string* exceptionClass = nullptr) {
  try {
    client.Connect(address);
    client.Send();
    client.Close();
    return {};
  } catch (const EAdvanced& e) {
    client.Close();
    const auto* internet = dynamic_cast<const EAdvInternet*>(&e);
    if (code) *code = internet ? internet->Code() : 0;
    if (exceptionClass) *exceptionClass = e.ClassName();
    return e.Message();
  }
}

std::string Helo() {
  return "HELO " + TAdvSMTP::LocalName() + "\r\n";
}

TEST(AdvSMTPTest, DeliversToARealServerWithStuffedLines) {
  TSmtpFixture server;
  ASSERT_TRUE(server.Started());
  auto client = MakeClient("alerts@vexa.test", {"a@x.test", "b@x.test"},
                           {"first", ".", ".hidden", "", "last"});
  EXPECT_EQ(Transact(*client, server.Address()), "");
  EXPECT_EQ(server.Envelope(1), "MAIL alerts@vexa.test\nRCPT a@x.test\nRCPT b@x.test\n");
  EXPECT_EQ(server.Message(1),
            "From: alerts@vexa.test\r\nTo: <a@x.test>,<b@x.test>\r\n\r\n"
            "first\r\n.\r\n.hidden\r\n\r\nlast\r\n");
}

TEST(AdvSMTPTest, SpeaksTheExactDialogueWithoutQuit) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  auto client = MakeClient("s@x", {"a@x", "b@x"}, {".", ".x", "y"});
  EXPECT_EQ(Transact(*client, server.Address()), "");
  EXPECT_EQ(client->ReplyCode(), 250);
  EXPECT_EQ(client->ReplyText(), "queued");
  const std::string wire = "From: s@x\r\nTo: <a@x>,<b@x>\r\n\r\n..\r\n..x\r\ny\r\n";
  EXPECT_EQ(server.Wire(1), wire);
  EXPECT_EQ(server.Session(1), Helo() +
                                   "MAIL FROM: <s@x>\r\nRCPT TO: <a@x>\r\nRCPT TO: <b@x>\r\n"
                                   "DATA\r\n" +
                                   wire + ".\r\n");
}

TEST(AdvSMTPTest, LogTextCannotEndTheMessageOrInjectCommands) {
  TSmtpFixture server;
  ASSERT_TRUE(server.Started());
  auto client = MakeClient("s@x.test", {"a@x.test"},
                           {"GET /x\r\n.\r\nMAIL FROM: <evil@y.test>\r\nRCPT TO: <victim@y.test>",
                            "bare\rcarriage\nreturns"});
  EXPECT_EQ(Transact(*client, server.Address()), "");
  EXPECT_EQ(server.Message(1),
            "From: s@x.test\r\nTo: <a@x.test>\r\n\r\nGET /x\r\n.\r\nMAIL FROM: <evil@y.test>\r\n"
            "RCPT TO: <victim@y.test>\r\nbare\r\ncarriage\r\nreturns\r\n");
  EXPECT_EQ(server.MessageCount(), 1);
}

TEST(AdvSMTPTest, RecipientListsAreSplitAndTrimmed) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  auto client = MakeClient("s@x", {" a@x ; b@x;;", " ", "c@x"}, {"body"});
  EXPECT_EQ(Transact(*client, server.Address()), "");
  EXPECT_NE(server.Session(1).find("RCPT TO: <a@x>\r\nRCPT TO: <b@x>\r\nRCPT TO: <c@x>\r\nDATA"),
            std::string::npos);
  EXPECT_NE(server.Wire(1).find("To: <a@x>,<b@x>,<c@x>\r\n"), std::string::npos);
}

TEST(AdvSMTPTest, BadEnvelopesFailBeforeMailFrom) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  struct Case {
    const char* Sender;
    std::initializer_list<const char*> To;
    const char* Error;
  } cases[] = {
      {"s@x", {}, "(TAdvSMTP.Send): No recipients specified"},
      {"s@x", {" ; ", ""}, "(TAdvSMTP.Send): No recipients specified"},
      {"s@x",
       {"a@x>\r\nRCPT TO: <evil@y"},
       "(TAdvSMTP.Send): Invalid address 'a@x>??RCPT TO: <evil@y'"},
      {"s@x", {"<a@x>"}, "(TAdvSMTP.Send): Invalid address '<a@x>'"},
      {"s@x\r\nRCPT TO: <evil@y>",
       {"a@x"},
       "(TAdvSMTP.Send): Invalid address 's@x??RCPT TO: <evil@y>'"},
  };
  int session = 0;
  for (const Case& c : cases) {
    auto client = MakeClient(c.Sender, c.To, {"body"});
    EXPECT_EQ(Transact(*client, server.Address()), c.Error);
    EXPECT_EQ(server.Session(++session), Helo()) << c.Error;
  }
}

// What a scripted server answers at one step, and what the client reports.
struct StepCase {
  const char* Step;
  const char* Answer;
  const char* Error;        // the whole message
  const char* LastCommand;  // the last command the server received, or ""
};

TEST(AdvSMTPTest, EveryStepFailsCleanlyOnErrorsAndDisconnection) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  const StepCase cases[] = {
      {"greeting", "421 busy, try later", "(TAdvSMTP.Receive): busy, try later[421]", ""},
      {"greeting", "554 go away", "(TAdvSMTP.Receive): go away[554]", ""},
      {"helo", "451 hold on", "(TAdvSMTP.Receive): hold on[451]", "HELO"},
      {"helo", "501 who are you", "(TAdvSMTP.Receive): who are you[501]", "HELO"},
      {"mail", "452 full", "(TAdvSMTP.Receive): full[452]", "MAIL FROM: <s@x>"},
      {"mail", "553 no such sender", "(TAdvSMTP.Receive): no such sender[553]", "MAIL FROM: <s@x>"},
      {"rcpt", "450 mailbox busy", "(TAdvSMTP.Receive): mailbox busy[450]", "RCPT TO: <a@x>"},
      {"rcpt", "550 no such user", "(TAdvSMTP.Receive): no such user[550]", "RCPT TO: <a@x>"},
      {"data", "451 local error", "(TAdvSMTP.Receive): local error[451]", "DATA"},
      {"data", "554 no data for you", "(TAdvSMTP.Receive): no data for you[554]", "DATA"},
      {"data", "250 odd", "(TAdvSMTP.Send): odd[250]", "DATA"},
      {"message", "452 no room", "(TAdvSMTP.Receive): no room[452]", "."},
      {"message", "552 too big", "(TAdvSMTP.Receive): too big[552]", "."},
      {"greeting", "close", "(TAdvSMTP.Read): Disconnection detected", ""},
      {"helo", "close", "(TAdvSMTP.Read): Disconnection detected", "HELO"},
      {"mail", "close", "(TAdvSMTP.Read): Disconnection detected", "MAIL FROM: <s@x>"},
      {"rcpt", "close", "(TAdvSMTP.Read): Disconnection detected", "RCPT TO: <a@x>"},
      {"data", "close", "(TAdvSMTP.Read): Disconnection detected", "DATA"},
      {"message", "close", "(TAdvSMTP.Read): Disconnection detected", "."},
      {"rcpt", "partial", "(TAdvSMTP.Read): Disconnection detected", "RCPT TO: <a@x>"},
      {"greeting", "hello there",
       "(TAdvSMTP.Receive): Invalid reply from the server: 'hello there'", ""},
      {"mail", "25", "(TAdvSMTP.Receive): Invalid reply from the server: '25'", "MAIL FROM: <s@x>"},
  };
  int session = 0;
  for (const StepCase& c : cases) {
    server.SetScript(std::string("{\"") + c.Step + "\": \"" + c.Answer + "\"}");
    auto client = MakeClient("s@x", {"a@x"}, {"body"});
    EXPECT_EQ(Transact(*client, server.Address()), c.Error) << c.Step << " " << c.Answer;
    EXPECT_EQ(client->State(), TAdvSocketState::Closed);
    const std::string transcript = server.Session(++session);
    // The transcript ends with the failing step's command: nothing was sent
    // after the failure (no RCPT after a refused MAIL, no DATA after a
    // refused RCPT, no content after a refused DATA).
    std::string last = c.LastCommand;
    if (last == "HELO") last = Helo().substr(0, Helo().size() - 2);
    if (last.empty()) {
      EXPECT_EQ(transcript, "") << c.Step << " " << c.Answer;
    } else {
      const std::string ending = last + "\r\n";
      EXPECT_TRUE(transcript.size() >= ending.size() &&
                  transcript.compare(transcript.size() - ending.size(), ending.size(), ending) == 0)
          << c.Step << " " << c.Answer << ": " << transcript;
    }
  }
}

TEST(AdvSMTPTest, ASilentServerTimesOutAtEveryStep) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  for (const char* step : {"greeting", "helo", "mail", "rcpt", "data", "message"}) {
    server.SetScript(std::string("{\"") + step + "\": \"silent\"}");
    auto client = MakeClient("s@x", {"a@x"}, {"body"});
    client->SetReceiveTimeout(150);
    int code = 0;
    std::string kind;
    const std::string error = Transact(*client, server.Address(), &code, &kind);
    EXPECT_EQ(code, ETIMEDOUT) << step << ": " << error;
    EXPECT_EQ(kind, "EAdvInternet") << step;
    EXPECT_EQ(error.rfind("(TAdvSMTP.Read-recv): ", 0), 0u) << error;
  }
}

TEST(AdvSMTPTest, MultiLineRepliesAreConsumedWholeIncludingBareContinuations) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  server.SetScript(R"({"greeting": "220-first line\n220-\n220 last line",
                       "helo": "250-\n250 fixture",
                       "rcpt": "250-accepted\n250-\n250 really"})");
  auto client = MakeClient("s@x", {"a@x", "b@x"}, {"body"});
  EXPECT_EQ(Transact(*client, server.Address()), "");
  // In step: every command got its own reply, so the transaction ended on
  // the reply to the final ".".
  EXPECT_EQ(client->ReplyText(), "queued");
  EXPECT_EQ(server.Wire(1), "From: s@x\r\nTo: <a@x>,<b@x>\r\n\r\nbody\r\n");
}

TEST(AdvSMTPTest, TheFirstLineGivesTheReplyAndTheRestAreKept) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  server.SetScript(R"({"rcpt": "550-first\n550 second"})");
  auto client = MakeClient("s@x", {"a@x"}, {"body"});
  EXPECT_EQ(Transact(*client, server.Address()), "(TAdvSMTP.Receive): first[550]");
  EXPECT_EQ(client->ReplyLines(), (std::vector<std::string>{"first", "second"}));
}

TEST(AdvSMTPTest, AnOverlongReplyLineIsRefused) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  server.SetScript("{\"greeting\": \"220 " + std::string(5000, 'x') + "\"}");
  auto client = MakeClient("s@x", {"a@x"}, {"body"});
  EXPECT_EQ(Transact(*client, server.Address()),
            "(TAdvSMTP.Receive): The server's reply line is too long");
}

TEST(AdvSMTPTest, ARejectedRecipientStopsTheRealServerTransaction) {
  TSmtpFixture server({"--reject", "nobody@x.test"});
  ASSERT_TRUE(server.Started());
  auto client = MakeClient("s@x.test", {"a@x.test", "nobody@x.test"}, {"body"});
  EXPECT_EQ(Transact(*client, server.Address()),
            "(TAdvSMTP.Receive): 5.1.1 <nobody@x.test>: Recipient address rejected[550]");
  EXPECT_EQ(server.MessageCount(), 0);
}

// ---------------------------------------------------------------------------
// Encryption and login

TEST(AdvSMTPTest, StartTlsAndAuthPlainDeliverOverAnEncryptedConnection) {
  TSmtpFixture server({"--tls", "--auth", "vexa:secret"});
  ASSERT_TRUE(server.Started());
  auto client = MakeClient("s@x.test", {"a@x.test"}, {"over TLS", "."});
  client->SetUseStartTls(true);
  client->SetTrustFile(server.CertificateFile());
  client->SetUserName("vexa");
  client->SetPassword("secret");
  EXPECT_EQ(Transact(*client, server.Address()), "");
  EXPECT_EQ(client->AuthMechanism(), "PLAIN");
  EXPECT_EQ(server.Envelope(1), "MAIL s@x.test\nRCPT a@x.test\nTLS yes\n");
  EXPECT_EQ(server.Message(1), "From: s@x.test\r\nTo: <a@x.test>\r\n\r\nover TLS\r\n.\r\n");
  EXPECT_EQ(vexatest::ReadFileText(server.Folder() + "/auth.log"), "PLAIN vexa ok\n");
}

TEST(AdvSMTPTest, AuthLoginIsUsedWhenPlainIsNotOffered) {
  TSmtpFixture server({"--tls", "--auth", "vexa:secret", "--auth-exclude", "PLAIN"});
  ASSERT_TRUE(server.Started());
  auto client = MakeClient("s@x.test", {"a@x.test"}, {"body"});
  client->SetUseStartTls(true);
  client->SetTrustFile(server.CertificateFile());
  client->SetUserName("vexa");
  client->SetPassword("secret");
  EXPECT_EQ(Transact(*client, server.Address()), "");
  EXPECT_EQ(client->AuthMechanism(), "LOGIN");
  EXPECT_EQ(vexatest::ReadFileText(server.Folder() + "/auth.log"), "LOGIN vexa ok\n");
  EXPECT_EQ(server.MessageCount(), 1);
}

TEST(AdvSMTPTest, EncryptionAndLoginFailuresAreClear) {
  TSmtpFixture server({"--tls", "--auth", "vexa:secret"});
  ASSERT_TRUE(server.Started());
  struct Case {
    bool StartTls;
    bool Trusted;
    const char* Password;
    const char* Error;
  } cases[] = {
      {true, true, "wrong", "(TAdvSMTP.Receive): 5.7.8 Authentication credentials invalid[535]"},
      {true, false, "secret",
       "(TAdvSMTP.StartTls): The server's certificate was refused: self-signed certificate"},
      {false, true, "secret",
       "(TAdvSMTP.Connect): The password is only sent over an encrypted connection (STARTTLS)"},
  };
  for (const Case& c : cases) {
    auto client = MakeClient("s@x.test", {"a@x.test"}, {"body"});
    client->SetUseStartTls(c.StartTls);
    if (c.Trusted) client->SetTrustFile(server.CertificateFile());
    client->SetUserName("vexa");
    client->SetPassword(c.Password);
    const std::string error = Transact(*client, server.Address());
    EXPECT_EQ(error.substr(0, std::string(c.Error).size()), c.Error) << error;
  }
  EXPECT_EQ(server.MessageCount(), 0);
}

TEST(AdvSMTPTest, StartTlsIsRequiredWhenAskedFor) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  auto client = MakeClient("s@x", {"a@x"}, {"body"});
  client->SetUseStartTls(true);
  EXPECT_EQ(Transact(*client, server.Address()),
            "(TAdvSMTP.Connect): The server does not offer STARTTLS");
  EXPECT_EQ(server.Session(1), "EHLO " + TAdvSMTP::LocalName() + "\r\n");
}

}  // namespace
