#include "mail/AdvSMTPs.h"

#include "core/AdvAscii.h"
#include "core/AdvShell.h"
#include "mail/MailTexts.h"
#include "platform/Sockets.h"

ADV_CLASS_IMPL(TAdvSMTP, TAdvSocket)

namespace {

// Queued output is sent once this much has gathered, so a long message
// goes out in large writes without being held whole in memory.
constexpr size_t kFlushSize = 16384;

// A text from outside, fit for an error message: control bytes become "?".
std::string Printable(std::string_view text) {
  std::string out(text.substr(0, 200));
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  return out;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

TAdvSMTP::TAdvSMTP() : m_recipients(AdvNew<TAdvStrings>()), m_body(AdvNew<TAdvStrings>()) {
  m_recipients->SetSeparator(";");
}

std::string TAdvSMTP::LocalName() {
  const std::string name = platform::LocalHostName();
  return name.empty() ? "localhost" : name;
}

// ---------------------------------------------------------------------------
// Replies

void TAdvSMTP::ReadLine(std::string& text) {
  text.clear();
  // One byte per read: replies are short, and reading no further than the
  // line's end keeps the stream in step for STARTTLS.
  char c = 0;
  for (;;) {
    Read(&c, 1);
    if (c == '\n') break;
    if (c == '\r') continue;
    if (text.size() >= kMaxReplyLine) Error("Receive", "The server's reply line is too long");
    text += c;
  }
}

void TAdvSMTP::Receive() {
  Flush();
  m_replyLines.clear();
  std::string line;
  ReadLine(line);
  if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2]))
    Error("Receive", "Invalid reply from the server: '" + Printable(line) + "'");
  m_replyCode = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  m_replyText = line.size() > 4 ? line.substr(4) : std::string();
  m_replyLines.push_back(m_replyText);
  // A line whose fourth character is "-" has another after it; "250-" alone
  // is such a line too.
  while (line.size() >= 4 && line[3] == '-') {
    if (m_replyLines.size() >= kMaxReplyLines) Error("Receive", "The server's reply is too long");
    ReadLine(line);
    m_replyLines.push_back(line.size() > 4 ? line.substr(4) : std::string());
  }
  if (m_replyCode >= 400) RaiseReply("Receive");
}

void TAdvSMTP::RaiseReply(std::string_view operation) const {
  throw EAdvSMTP(this, m_replyText + "[" + std::to_string(m_replyCode) + "]", operation);
}

void TAdvSMTP::WriteText(std::string_view text) {
  m_output.append(text);
  if (m_output.size() >= kFlushSize) Flush();
}

void TAdvSMTP::Flush() {
  if (m_output.empty()) return;
  std::string pending;
  pending.swap(m_output);
  Write(pending.data(), static_cast<uint32_t>(pending.size()));
}

void TAdvSMTP::Command(const std::string& line) {
  WriteText(line + "\r\n");
  Receive();
}

// ---------------------------------------------------------------------------
// Connecting

void TAdvSMTP::Connect(const std::string& address) {
  m_output.clear();
  m_authMechanism.clear();
  TAdvSocket::Connect(address);
  try {
    Receive();  // the greeting
    if (m_startTls || !m_userName.empty())
      ExtendedGreet();
    else
      Greet();
  } catch (...) {
    Close();
    throw;
  }
}

void TAdvSMTP::Greet() {
  Command("HELO " + LocalName());
}

bool TAdvSMTP::Offers(std::string_view capability, std::string* parameters) const {
  // EHLO reply lines after the first: a keyword, then blank-separated
  // parameters (some servers still write "AUTH=PLAIN LOGIN").
  for (size_t i = 1; i < m_replyLines.size(); ++i) {
    const std::string& line = m_replyLines[i];
    if (line.size() < capability.size() ||
        !SameTextAscii(line.substr(0, capability.size()), capability))
      continue;
    if (line.size() > capability.size() && line[capability.size()] != ' ' &&
        line[capability.size()] != '=')
      continue;
    if (parameters)
      *parameters = line.size() > capability.size() ? line.substr(capability.size() + 1) : "";
    return true;
  }
  return false;
}

void TAdvSMTP::ExtendedGreet() {
  Command("EHLO " + LocalName());
  if (m_startTls) {
    if (!Offers("STARTTLS")) Error("Connect", "The server does not offer STARTTLS");
    Command("STARTTLS");
    if (m_replyCode != 220) RaiseReply("Connect");
    StartTls(Host(), m_trustFile);
    Command("EHLO " + LocalName());
  }
  if (!m_userName.empty()) Authenticate();
}

void TAdvSMTP::Authenticate() {
  if (!IsEncrypted())
    Error("Connect", "The password is only sent over an encrypted connection (STARTTLS)");
  std::string mechanisms;
  if (!Offers("AUTH", &mechanisms)) Error("Connect", "The server does not offer AUTH");
  auto offered = [&mechanisms](std::string_view name) {
    for (size_t start = 0; start < mechanisms.size();) {
      size_t end = mechanisms.find(' ', start);
      if (end == std::string::npos) end = mechanisms.size();
      if (SameTextAscii(std::string_view(mechanisms).substr(start, end - start), name)) return true;
      start = end + 1;
    }
    return false;
  };
  if (offered("PLAIN")) {
    m_authMechanism = "PLAIN";
    Command("AUTH PLAIN " + Base64Encode(std::string(1, '\0') + m_userName + '\0' + m_password));
  } else if (offered("LOGIN")) {
    m_authMechanism = "LOGIN";
    Command("AUTH LOGIN");
    if (m_replyCode != 334) RaiseReply("Connect");
    Command(Base64Encode(m_userName));
    if (m_replyCode != 334) RaiseReply("Connect");
    Command(Base64Encode(m_password));
  } else {
    Error("Connect", "The server offers neither AUTH PLAIN nor AUTH LOGIN");
  }
  if (m_replyCode != 235) RaiseReply("Connect");
}

// ---------------------------------------------------------------------------
// Sending

std::vector<std::string> TAdvSMTP::AddressesOf(const TAdvStrings& list) const {
  std::vector<std::string> addresses;
  for (int32_t i = 0; i < list.Count(); ++i) AppendAddresses(list.GetItem(i), addresses);
  for (const std::string& address : addresses)
    if (!IsSafeAddress(address)) Error("Send", "Invalid address '" + Printable(address) + "'");
  return addresses;
}

std::string TAdvSMTP::AngleList(const TAdvStrings& list) const {
  std::string text;
  for (const std::string& address : AddressesOf(list)) {
    if (!text.empty()) text += ",";
    text += "<" + address + ">";
  }
  return text;
}

void TAdvSMTP::CheckContent() const {
  if (!IsSafeAddress(m_sender)) Error("Send", "Invalid address '" + Printable(m_sender) + "'");
  if (AddressesOf(*m_recipients).empty()) Error("Send", "No recipients specified");
}

void TAdvSMTP::SendRecipients(const TAdvStrings& list) {
  for (const std::string& address : AddressesOf(list)) Command("RCPT TO: <" + address + ">");
}

void TAdvSMTP::SendAllRecipients() {
  SendRecipients(*m_recipients);
}

void TAdvSMTP::SendHeaders() {
  WriteText("From: " + m_sender + "\r\n");
  WriteText("To: " + AngleList(*m_recipients) + "\r\n");
}

void TAdvSMTP::SendBody() {
  for (int32_t i = 0; i < m_body->Count(); ++i) WriteText(BodyEntryText(m_body->GetItem(i)));
}

void TAdvSMTP::SendContent() {
  SendHeaders();
  WriteText("\r\n");
  SendBody();
}

void TAdvSMTP::Send() {
  CheckContent();
  Command("MAIL FROM: <" + m_sender + ">");
  SendAllRecipients();
  Command("DATA");
  // Anything but "go ahead" means the server is not reading a message: the
  // content would be taken for commands.
  if (m_replyCode != 354) RaiseReply("Send");
  SendContent();
  Command(".");
}
