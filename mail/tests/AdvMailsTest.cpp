#include "mail/AdvMails.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/AdvDates.h"
#include "core/AdvShell.h"
#include "mail/tests/SmtpFixture.h"
#include "platform/Clock.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

using mailtest::TSmtpFixture;

// Pins the program's clock to a local date-time for one test.
class ScopedClock {
 public:
  explicit ScopedClock(double localDateTime) : m_clock(UtcFromLocalDateTime(localDateTime)) {
    platform::SetCurrentClock(&m_clock);
  }
  ~ScopedClock() { platform::SetCurrentClock(nullptr); }

 private:
  platform::TManualClock m_clock;
};

TAdvRef<TAdvMail> MakeMail(std::initializer_list<const char*> body) {
  auto mail = AdvNew<TAdvMail>();
  mail->SetSender("alerts@vexa.test");
  mail->Recipients().Add("a@x.test");
  mail->SetSubject("Daily report");
  for (const char* line : body) mail->Body().Add(line);
  mail->SetReceiveTimeout(5000);
  return mail;
}

std::string Transact(TAdvMail& mail, const std::string& address) {
  try {
    mail.Connect(address);
    mail.Send();
    mail.Close();
    return {};
  } catch (const EAdvanced& e) {
    mail.Close();
    return e.Message();
  }
}

// `text` with every placeholder replaced by its value.
std::string Fill(std::string text,
                 std::initializer_list<std::pair<std::string, std::string>> values) {
  for (const auto& [placeholder, value] : values)
    for (size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size()))
      text.replace(at, placeholder.size(), value);
  return text;
}

std::string Bytes(size_t count, int seed) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 131 + seed) & 0xFF);
  return bytes;
}

// The base64 lines of the attachment that follows `header` in `message`,
// decoded; `longest` receives the longest line's length.
std::string DecodedAttachment(const std::string& message, const std::string& header,
                              size_t* longest = nullptr) {
  size_t at = message.find(header);
  if (at == std::string::npos) return "<no attachment>";
  at = message.find("\r\n\r\n", at) + 4;
  std::string decoded;
  size_t widest = 0;
  for (;;) {
    const size_t end = message.find("\r\n", at);
    const std::string line = message.substr(at, end - at);
    if (line.empty()) break;
    widest = std::max(widest, line.size());
    std::string piece;
    if (!Base64Decode(line, piece)) return "<bad base64: " + line + ">";
    decoded += piece;
    at = end + 2;
  }
  if (longest) *longest = widest;
  return decoded;
}

TEST(AdvMailTest, SendsTheFixedMimeLayoutByteForByte) {
  TSmtpFixture server;
  ASSERT_TRUE(server.Started());
  const std::string folder = vexatest::MakeTempFolder("att");
  const std::string file = folder + "/data.bin";
  const std::string content = Bytes(55, 7);
  vexatest::WriteFileText(file, content);

  ScopedClock clock(EncodeDateTime(2011, 3, 6, 9, 5, 1));
  auto mail = MakeMail({"line", "."});
  mail->CopyRecipients().Add("c@x.test");
  mail->BlindRecipients().Add("hidden@x.test");
  mail->Attachments().Add(file);
  EXPECT_EQ(Transact(*mail, server.Address()), "");

  const std::string boundary = "1299402301" + std::string("7F000001==");
  EXPECT_EQ(mail->Boundary(), boundary);
  const std::string encoded = Base64Encode(content);
  const std::string expected =
      "From: alerts@vexa.test\r\n"
      "To: <a@x.test>\r\n"
      "Cc: <c@x.test>\r\n"
      "Subject: Daily report\r\n"
      "Date: Sun, 6 Mar 2011 09:05:01 +0000\r\n"
      "MIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed; boundary=\"{B}\"\r\n"
      "Content-Transfer-Encoding: 7bit\r\n"
      "\r\n"
      "--{B}\r\n"
      "Content-Type: text/plain\r\n"
      "Content-Disposition: inline\r\n"
      "\r\n"
      "line\r\n"
      ".\r\n"
      "\r\n"
      "--{B}\r\n"
      "Content-Type: application/octet-stream\r\n"
      "Content-Disposition: attachment; filename=\"data.bin\"\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "\r\n"
      "{72}\r\n"
      "{4}\r\n"
      "\r\n"
      "--{B}--\r\n";
  EXPECT_EQ(server.Message(1), Fill(expected, {{"{B}", boundary},
                                               {"{72}", encoded.substr(0, 72)},
                                               {"{4}", encoded.substr(72)}}));
  EXPECT_EQ(encoded.substr(72).size(), 4u);
  EXPECT_EQ(encoded.substr(74), "==");
  // Blind copies go to the envelope only.
  EXPECT_EQ(server.Envelope(1),
            "MAIL alerts@vexa.test\nRCPT a@x.test\nRCPT c@x.test\nRCPT hidden@x.test\n");
}

TEST(AdvMailTest, WithoutAttachmentsOrCopiesTheLayoutStaysMultipart) {
  TSmtpFixture server;
  ASSERT_TRUE(server.Started());
  auto mail = MakeMail({"only text"});
  mail->SetContentType("text/html");
  EXPECT_EQ(Transact(*mail, server.Address()), "");
  const std::string message = server.Message(1);
  const std::string& b = mail->Boundary();
  EXPECT_NE(message.find("\r\nCc: \r\nSubject: "), std::string::npos);
  const std::string tail = "\r\n\r\n--" + b +
                           "\r\nContent-Type: text/html\r\n"
                           "Content-Disposition: inline\r\n\r\nonly text\r\n\r\n--" +
                           b + "--\r\n";
  EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
}

TEST(AdvMailTest, AttachmentsArriveAsTheirOriginalBytes) {
  TSmtpFixture server;
  ASSERT_TRUE(server.Started());
  const std::string folder = vexatest::MakeTempFolder("att");
  const std::string empty = folder + "/empty.txt", binary = folder + "/all bytes.dat";
  vexatest::WriteFileText(empty, "");
  const std::string content = Bytes(10000, 3);
  vexatest::WriteFileText(binary, content);
  auto mail = MakeMail({"two files"});
  mail->Attachments().Add(empty);
  mail->Attachments().Add(binary);
  EXPECT_EQ(Transact(*mail, server.Address()), "");

  const std::string message = server.Message(1);
  const std::string& b = mail->Boundary();
  // The empty file: its headers, the empty line, and at once the next part.
  EXPECT_NE(message.find("filename=\"empty.txt\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                         "\r\n--" +
                         b + "\r\n"),
            std::string::npos);
  size_t longest = 0;
  EXPECT_EQ(DecodedAttachment(message, "filename=\"all bytes.dat\"", &longest), content);
  EXPECT_EQ(longest, 72u);
}

TEST(AdvMailTest, TheDateCarriesTheOffsetInForce) {
  vexatest::ScopedTimeZone zone("Europe/Berlin");
  TSmtpFixture server;
  ASSERT_TRUE(server.Started());
  {
    ScopedClock clock(EncodeDateTime(2011, 7, 14, 18, 30, 0));
    auto mail = MakeMail({"summer"});
    EXPECT_EQ(Transact(*mail, server.Address()), "");
  }
  {
    ScopedClock clock(EncodeDateTime(2011, 12, 24, 8, 0, 9));
    auto mail = MakeMail({"winter"});
    EXPECT_EQ(Transact(*mail, server.Address()), "");
  }
  EXPECT_NE(server.Message(1).find("\r\nDate: Thu, 14 Jul 2011 18:30:00 +0200\r\n"),
            std::string::npos);
  EXPECT_NE(server.Message(2).find("\r\nDate: Sat, 24 Dec 2011 08:00:09 +0100\r\n"),
            std::string::npos);
}

TEST(AdvMailTest, SubjectsAreEncodedOrRefused) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  auto mail = MakeMail({"body"});
  mail->SetSubject("Caf\xC3\xA9 alert");
  EXPECT_EQ(Transact(*mail, server.Address()), "");
  EXPECT_NE(
      server.Wire(1).find("\r\nSubject: =?UTF-8?B?" + Base64Encode("Caf\xC3\xA9 alert") + "?=\r\n"),
      std::string::npos);

  auto injected = MakeMail({"body"});
  injected->SetSubject("Alert\r\nBcc: evil@y.test");
  EXPECT_EQ(Transact(*injected, server.Address()), "(TAdvMail.Send): The subject must be one line");
  EXPECT_EQ(server.Session(2), "HELO " + TAdvSMTP::LocalName() + "\r\n");
}

TEST(AdvMailTest, AnUnreadableAttachmentLeavesTheMessageIncomplete) {
  TSmtpFixture server;
  ASSERT_TRUE(server.Started());
  auto mail = MakeMail({"body"});
  mail->Attachments().Add(vexatest::MakeTempFolder("att") + "/missing.bin");
  const std::string error = Transact(*mail, server.Address());
  EXPECT_EQ(error.rfind("(TAdvFile.Open): Unable to open file [", 0), 0u) << error;
  EXPECT_NE(error.find("/missing.bin'"), std::string::npos) << error;
  EXPECT_EQ(server.MessageCount(), 0);
}

}  // namespace
