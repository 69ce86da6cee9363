// Mail through the desktop's own mail program.
//
// The senders hand a message (recipients, subject, note text, attachments)
// to the user's mail program, which shows it in its compose window. On this
// platform the hand-over is `xdg-email`, run with an argument vector (never a
// shell). Where it is missing, or finds no mail program, the desktop mail is
// "not available": every call reports the user-cancelled result, which the
// senders do not treat as an error, so nothing is sent, Send returns false
// and nothing is raised. The program is looked up at each call, so a mail
// program installed while the application runs is found.
//
// The desktop offers no sessions: Logon checks availability and leaves
// Session at 0, and there is nothing to log off. The originator, profile and
// password are not used (the mail program sends from its own account), and
// the compose window is always shown.
//
// Result codes are the messaging interface's: 0 success, 1 the user
// cancelled (or nothing is available), other codes raise the sender's error
// with MapiErrorText.
//
// Thread safety: a sender object is used by one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/AdvStrings.h"

constexpr int32_t kMapiSuccess = 0;
constexpr int32_t kMapiUserAbort = 1;
constexpr int32_t kMapiFailure = 2;
constexpr int32_t kMapiAttachmentNotFound = 11;
constexpr int32_t kMapiAttachmentOpenFailure = 12;
constexpr int32_t kMapiBadRecipientType = 15;

// "Operation was successful", "The user canceled one of the dialog boxes." ...
// and "Unspecified error [%d]" for codes without a text of their own.
std::string MapiErrorText(int32_t code);

// One message for the desktop's mail program. Texts are the program's byte
// texts; they are passed on as UTF-8.
struct TDesktopMessage {
  std::vector<std::string> To, Cc, Bcc;
  std::string Subject;
  std::string NoteText;
  std::vector<std::string> Attachments;
};

// Hands `message` to xdg-email and waits up to `waitMs` for it: a result
// code as above. A mail program that keeps xdg-email waiting past that time
// has accepted the message.
int32_t SendDesktopMessage(const TDesktopMessage& message, int32_t waitMs = 5000);
// Whether a desktop mail hand-over can be started at all.
bool DesktopMailAvailable();

class TAdvMAPI : public TAdvObject {
  ADV_CLASS(TAdvMAPI)
  ADV_RAISES(EAdvMAPI)

  TAdvMAPI();

  virtual void Logon();
  virtual void Logoff();
  // Trims every address (writing the trimmed form back into its list),
  // then hands the message over: true when it was accepted, false when the
  // user cancelled or no desktop mail is available.
  virtual bool Send();

  uintptr_t Session() const { return m_session; }
  const std::string& ProfileName() const { return m_profileName; }
  void SetProfileName(const std::string& name) { m_profileName = name; }
  void SetPassword(const std::string& password) { m_password = password; }
  const std::string& Originator() const { return m_originator; }
  void SetOriginator(const std::string& originator) { m_originator = originator; }
  const std::string& Subject() const { return m_subject; }
  void SetSubject(const std::string& subject) { m_subject = subject; }
  bool ShowDialog() const { return m_showDialog; }
  void SetShowDialog(bool show) { m_showDialog = show; }
  uintptr_t WindowHandle() const { return m_windowHandle; }
  void SetWindowHandle(uintptr_t handle) { m_windowHandle = handle; }
  TAdvStrings& Body() const { return *m_body; }
  TAdvStrings& ToList() const { return *m_toList; }
  TAdvStrings& CcList() const { return *m_ccList; }
  TAdvStrings& BccList() const { return *m_bccList; }
  TAdvStrings& Attachments() const { return *m_attachments; }

 protected:
  void BeforeDestruction() override;

 private:
  uintptr_t m_session = 0;
  std::string m_profileName, m_password, m_originator, m_subject;
  bool m_showDialog = false;
  uintptr_t m_windowHandle = 0;
  TAdvRef<TAdvStrings> m_body, m_toList, m_ccList, m_bccList, m_attachments;
};

// The same sender for interactive use: ";"-separated lists, the note text as
// one text, no logon, errors raised as EMAPI.
class TMAPI : public TAdvObject {
  ADV_CLASS(TMAPI)
  ADV_RAISES(EMAPI)

  TMAPI();

  virtual bool Send();

  uintptr_t Session() const { return 0; }
  const std::string& Originator() const { return m_originator; }
  void SetOriginator(const std::string& originator) { m_originator = originator; }
  const std::string& Subject() const { return m_subject; }
  void SetSubject(const std::string& subject) { m_subject = subject; }
  const std::string& NoteText() const { return m_noteText; }
  void SetNoteText(const std::string& text) { m_noteText = text; }
  bool ShowDialog() const { return m_showDialog; }
  void SetShowDialog(bool show) { m_showDialog = show; }
  TAdvStrings& ToList() const { return *m_toList; }
  TAdvStrings& CcList() const { return *m_ccList; }
  TAdvStrings& BccList() const { return *m_bccList; }
  TAdvStrings& Attachments() const { return *m_attachments; }

 private:
  std::string m_originator, m_subject, m_noteText;
  bool m_showDialog = false;
  TAdvRef<TAdvStrings> m_toList, m_ccList, m_bccList, m_attachments;
};
