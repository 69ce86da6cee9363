// The MIME message: the SMTP client with copy and blind-copy recipients, a
// subject, a date, file attachments and a fixed layout (one text part, then
// each attachment as base64).
//
// The layout of a message with one attachment: the header block, an empty
// line, the boundary line, the text part's headers, an empty line, the text,
// an empty line, the boundary line, the attachment's headers, an empty line,
// base64 lines of at most 72 characters, an empty line, the closing boundary
// line. Blind-copy recipients receive RCPT TO and appear in no header.
//
// The subject must stay on its line (no CR or LF); a subject that is not
// plain ASCII is sent as RFC 2047 encoded words. The Date header carries the
// UTC offset in force at that instant ("+0000" on UTC).
//
// Thread safety: as TAdvSMTP.
#pragma once

#include <string>

#include "mail/AdvSMTPs.h"

class TAdvMail : public TAdvSMTP {
  ADV_CLASS(TAdvMail)

  TAdvMail();

  void SendHeaders() override;
  // Recipients, then CopyRecipients, then BlindRecipients, each in order.
  void SendAllRecipients() override;
  void SendBody() override;
  // Makes a new Boundary, then the SMTP transaction.
  void Send() override;
  // One attachment part: headers, then the file in base64 lines of 54
  // bytes each. An unreadable file raises the file error mid-message; the
  // caller closes the connection and the message is never completed.
  virtual void SendAttachment(const std::string& path);

  TAdvStrings& Attachments() const { return *m_attachments; }
  TAdvStrings& CopyRecipients() const { return *m_copyRecipients; }
  TAdvStrings& BlindRecipients() const { return *m_blindRecipients; }
  const std::string& Subject() const { return m_subject; }
  void SetSubject(const std::string& subject) { m_subject = subject; }
  const std::string& Boundary() const { return m_boundary; }
  const std::string& ContentType() const { return m_contentType; }
  void SetContentType(const std::string& type) { m_contentType = type; }

  // Whole seconds from 1970-01-01 00:00 to the current local time, the
  // eight upper-case hexadecimal digits of `address` (first byte first),
  // then "==".
  static std::string MakeBoundary(uint32_t address);

 protected:
  void CheckContent() const override;

 private:
  TAdvRef<TAdvStrings> m_attachments;
  TAdvRef<TAdvStrings> m_copyRecipients;
  TAdvRef<TAdvStrings> m_blindRecipients;
  std::string m_subject;
  std::string m_boundary;
  std::string m_contentType = "text/plain";
};
