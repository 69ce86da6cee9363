// The SMTP client: one mail transaction over a TCP socket.
//
// Callers fill Sender, Recipients and Body, then Connect("host:port"), Send,
// and Close (also when Connect or Send failed). Connect reads the greeting
// and introduces the client with HELO; Send runs MAIL FROM, one RCPT TO per
// recipient, DATA, the content and the final ".". No QUIT is sent: the caller
// closes the connection after the final reply.
//
// Two additions for relays that want them, both off by default (the dialogue
// is then exactly the one above): with StartTls the client introduces itself
// with EHLO, requires the server to offer STARTTLS, encrypts the connection
// (the certificate must verify, see TAdvInternet::StartTls) and says EHLO
// again; with a UserName it then logs in with AUTH PLAIN or, when the server
// offers only that, AUTH LOGIN. The password is only ever sent over an
// encrypted connection.
//
// Everything the server says is bounds-checked: a reply line is at most
// kMaxReplyLine bytes, a reply at most kMaxReplyLines lines, and its code is
// three digits. Addresses are checked before the first command is sent (see
// MailTexts.h), so a bad address costs nothing but the error.
//
// Thread safety: one thread uses a client; Cancel (TAdvInternet) may come
// from another.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvStrings.h"
#include "mail/AdvSockets.h"

class TAdvSMTP : public TAdvSocket {
  ADV_CLASS(TAdvSMTP)
  ADV_RAISES(EAdvSMTP)

  static constexpr size_t kMaxReplyLine = 4096;
  static constexpr size_t kMaxReplyLines = 512;

  TAdvSMTP();

  // The socket's Connect, then the greeting and HELO (or the EHLO, STARTTLS
  // and AUTH exchange when asked for). A failure closes the socket.
  void Connect(const std::string& address) override;

  // Reads one reply (with its continuation lines); raises EAdvSMTP with the
  // reply text followed by "[code]" for a code of 400 or more.
  virtual void Receive();
  // One line without its CR and LF.
  virtual void ReadLine(std::string& text);
  // Queues `text` for the server; it goes out before the next reply is read
  // (or once enough has gathered).
  virtual void WriteText(std::string_view text);
  // "RCPT TO: <address>" and its reply for every address of `list`.
  virtual void SendRecipients(const TAdvStrings& list);
  // "From:" and "To:" lines.
  virtual void SendHeaders();
  virtual void SendAllRecipients();
  // Every Body entry as stuffed message lines (see BodyEntryText).
  virtual void SendBody();
  // SendHeaders, the empty line, SendBody.
  virtual void SendContent();
  // The whole transaction after Connect.
  virtual void Send();

  const std::string& Sender() const { return m_sender; }
  void SetSender(const std::string& sender) { m_sender = sender; }
  // Separator ";": entries may themselves hold several addresses.
  TAdvStrings& Recipients() const { return *m_recipients; }
  TAdvStrings& Body() const { return *m_body; }

  int32_t ReplyCode() const { return m_replyCode; }
  // The text of the reply's first line, from its fifth character on.
  const std::string& ReplyText() const { return m_replyText; }
  // The text of every line of the last reply (EHLO capabilities).
  const std::vector<std::string>& ReplyLines() const { return m_replyLines; }

  // The name this client gives in HELO/EHLO: the system's host name, or
  // "localhost" when it reports none.
  static std::string LocalName();

  bool UseStartTls() const { return m_startTls; }
  void SetUseStartTls(bool use) { m_startTls = use; }
  // A PEM file of certificates to trust instead of the system's; empty for
  // the system's.
  const std::string& TrustFile() const { return m_trustFile; }
  void SetTrustFile(const std::string& file) { m_trustFile = file; }
  const std::string& UserName() const { return m_userName; }
  void SetUserName(const std::string& name) { m_userName = name; }
  void SetPassword(const std::string& password) { m_password = password; }
  // The mechanism the last login used: "PLAIN", "LOGIN" or empty.
  const std::string& AuthMechanism() const { return m_authMechanism; }

 protected:
  // The addresses of `list`: entries cut at ";", trimmed, empties dropped;
  // raises "Invalid address '%s'" (operation "Send") for an unsafe one.
  std::vector<std::string> AddressesOf(const TAdvStrings& list) const;
  // "<a>,<b>" of the addresses of `list`.
  std::string AngleList(const TAdvStrings& list) const;
  // Checks what Send will put on the wire before anything is sent.
  virtual void CheckContent() const;
  // Sends what WriteText queued.
  void Flush();
  // Raises EAdvSMTP for `operation` with the last reply text and code.
  [[noreturn]] void RaiseReply(std::string_view operation) const;

 private:
  void Greet();
  void ExtendedGreet();
  bool Offers(std::string_view capability, std::string* parameters = nullptr) const;
  void Authenticate();
  void Command(const std::string& line);

  std::string m_sender;
  TAdvRef<TAdvStrings> m_recipients;
  TAdvRef<TAdvStrings> m_body;
  int32_t m_replyCode = 0;
  std::string m_replyText;
  std::vector<std::string> m_replyLines;
  std::string m_output;  // queued by WriteText, sent by Flush

  bool m_startTls = false;
  std::string m_trustFile;
  std::string m_userName;
  std::string m_password;
  std::string m_authMechanism;
};
