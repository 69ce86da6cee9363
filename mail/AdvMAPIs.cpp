#include "mail/AdvMAPIs.h"

#include <cstdio>
#include <cstdlib>

#include "core/AdvFormats.h"
#include "mail/MailTexts.h"
#include "platform/FileSystem.h"
#include "platform/Processes.h"

ADV_CLASS_IMPL(TAdvMAPI, TAdvObject)
ADV_CLASS_IMPL(TMAPI, TAdvObject)

namespace {

constexpr const char* kDesktopMailProgram = "xdg-email";

// xdg-email's exit codes.
constexpr int kXdgSyntaxError = 1;
constexpr int kXdgFileMissing = 2;
constexpr int kXdgToolMissing = 3;
constexpr int kXdgNoPermission = 5;

std::string Trimmed(std::string_view text) {
  size_t first = 0, last = text.size();
  while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
  while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
  return std::string(text.substr(first, last - first));
}

// Trims every entry of `list` in place and returns the entries that are not
// empty. An entry that xdg-email could take for an option, or that holds a
// control byte, is refused by `sender` (operation "Send").
std::vector<std::string> TrimmedAddresses(const TAdvObject& sender, TAdvStrings& list) {
  std::vector<std::string> addresses;
  for (int32_t i = 0; i < list.Count(); ++i) {
    const std::string address = Trimmed(list.GetItem(i));
    list.SetItem(i, address);
    if (address.empty()) continue;
    if (address[0] == '-' || !IsSafeHeaderText(address) || address.find('\t') != std::string::npos)
      sender.Error("Send", "Invalid address '" + address + "'");
    addresses.push_back(address);
  }
  return addresses;
}

std::vector<std::string> Entries(const TAdvStrings& list) {
  std::vector<std::string> entries;
  for (int32_t i = 0; i < list.Count(); ++i) entries.push_back(list.GetItem(i));
  return entries;
}

// 0 and 1 pass; other codes raise through `sender`. True for 0.
bool Accepted(const TAdvObject& sender, int32_t code, std::string_view operation) {
  if (code == kMapiSuccess) return true;
  if (code == kMapiUserAbort) return false;
  sender.Error(operation, MapiErrorText(code));
  return false;  // not reached: Error raises
}

}  // namespace

std::string MapiErrorText(int32_t code) {
  static const char* const kTexts[] = {
      "Operation was successful",
      "The user canceled one of the dialog boxes.",
      "One or more unspecified errors occurred.",
      "There was no default logon, and the user failed to log on successfully when the logon "
      "dialog box was displayed.",
      "An attachment could not be written to a temporary file because there was not enough "
      "space on the disk.",
      "There was insufficient memory to save the message.",
      "Access denied.",
      nullptr,
      "There are too many sessions open simultaneously.",
      "There were too many file attachments.",
      "There were too many recipients.",
      "An attachment could not be located at the specified path. Either the drive letter was "
      "invalid, the path was not found on that drive, or the file was not found in that path.",
      "The specified attachment could not be opened.",
      "An attachment could not be written to a temporary file.",
      "A recipient did not appear in the address list.",
      "The recipient type was invalid.",
      "No messages.",
      "An invalid message identifier was provided.",
      "The text in the message was too large.",
      "An invalid session handle was provided.",
      "Type not supported.",
      "The name requested has not been or could not be resolved to a unique address list entry.",
      "Message in use.",
      "Network failure.",
      "The value of the edit fields was outside the range of 0 through 4.",
      "One or more recipients were invalid or did not resolve to any address.",
      "The operation was not supported by the underlying messaging system.",
  };
  constexpr int32_t kCount = sizeof kTexts / sizeof kTexts[0];
  if (code >= 0 && code < kCount && kTexts[code]) return kTexts[code];
  return AdvFormat("Unspecified error [%d]", {code});
}

bool DesktopMailAvailable() {
  const char* path = std::getenv("PATH");
  std::string_view folders = path ? path : "";
  while (!folders.empty()) {
    const size_t colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    if (!folder.empty() &&
        platform::IsExecutableFile(std::string(folder) + "/" + kDesktopMailProgram))
      return true;
    if (colon == std::string_view::npos) break;
    folders.remove_prefix(colon + 1);
  }
  return false;
}

int32_t SendDesktopMessage(const TDesktopMessage& message, int32_t waitMs) {
  if (!DesktopMailAvailable()) return kMapiUserAbort;
  // Every text goes as UTF-8; the mail program's compose window uses the
  // platform's line breaks.
  std::vector<std::string> arguments{kDesktopMailProgram, "--utf8"};
  for (const std::string& cc : message.Cc)
    arguments.insert(arguments.end(), {"--cc", TextAsUtf8(cc)});
  for (const std::string& bcc : message.Bcc)
    arguments.insert(arguments.end(), {"--bcc", TextAsUtf8(bcc)});
  if (!message.Subject.empty())
    arguments.insert(arguments.end(), {"--subject", TextAsUtf8(message.Subject)});
  if (!message.NoteText.empty()) {
    std::string body;
    for (size_t i = 0; i < message.NoteText.size(); ++i) {
      if (message.NoteText[i] == '\r' && i + 1 < message.NoteText.size() &&
          message.NoteText[i + 1] == '\n')
        continue;
      body += message.NoteText[i];
    }
    arguments.insert(arguments.end(), {"--body", TextAsUtf8(body)});
  }
  for (const std::string& file : message.Attachments)
    arguments.insert(arguments.end(), {"--attach", file});
  for (const std::string& to : message.To) arguments.push_back(TextAsUtf8(to));

  const int32_t pid = platform::StartProcess(arguments);
  if (pid < 0) return kMapiUserAbort;
  const int exitCode = platform::WaitForProcess(pid, waitMs);
  if (exitCode == platform::kProcessStillRunning) {
    platform::ReleaseProcess(pid);
    return kMapiSuccess;
  }
  switch (exitCode) {
    case 0:
      return kMapiSuccess;
    case kXdgFileMissing:
      return kMapiAttachmentNotFound;
    case kXdgNoPermission:
      return kMapiAttachmentOpenFailure;
    case kXdgToolMissing:
      return kMapiUserAbort;  // no mail program: not available
    case kXdgSyntaxError:
    default:
      return kMapiFailure;
  }
}

// ---------------------------------------------------------------------------
// TAdvMAPI

TAdvMAPI::TAdvMAPI()
    : m_body(AdvNew<TAdvStrings>()),
      m_toList(AdvNew<TAdvStrings>()),
      m_ccList(AdvNew<TAdvStrings>()),
      m_bccList(AdvNew<TAdvStrings>()),
      m_attachments(AdvNew<TAdvStrings>()) {
  m_toList->SetSeparator(",");
  m_ccList->SetSeparator(",");
  m_bccList->SetSeparator(",");
}

void TAdvMAPI::BeforeDestruction() {
  try {
    if (m_session != 0) Logoff();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
}

void TAdvMAPI::Logon() {
  // No sessions on the desktop: an unavailable mail program answers as a
  // cancelled logon would, which is not an error.
  Accepted(*this, DesktopMailAvailable() ? kMapiSuccess : kMapiUserAbort, "Logon");
}

void TAdvMAPI::Logoff() {
  m_session = 0;
}

bool TAdvMAPI::Send() {
  TDesktopMessage message;
  message.To = TrimmedAddresses(*this, *m_toList);
  message.Cc = TrimmedAddresses(*this, *m_ccList);
  message.Bcc = TrimmedAddresses(*this, *m_bccList);
  message.Subject = m_subject;
  for (int32_t i = 0; i < m_body->Count(); ++i) {
    if (i > 0) message.NoteText += "\r\n";
    message.NoteText += m_body->GetItem(i);
  }
  message.Attachments = Entries(*m_attachments);
  return Accepted(*this, SendDesktopMessage(message), "Send");
}

// ---------------------------------------------------------------------------
// TMAPI

TMAPI::TMAPI()
    : m_toList(AdvNew<TAdvStrings>()),
      m_ccList(AdvNew<TAdvStrings>()),
      m_bccList(AdvNew<TAdvStrings>()),
      m_attachments(AdvNew<TAdvStrings>()) {
  m_toList->SetSeparator(";");
  m_ccList->SetSeparator(";");
  m_bccList->SetSeparator(";");
}

bool TMAPI::Send() {
  TDesktopMessage message;
  message.To = TrimmedAddresses(*this, *m_toList);
  message.Cc = TrimmedAddresses(*this, *m_ccList);
  message.Bcc = TrimmedAddresses(*this, *m_bccList);
  message.Subject = m_subject;
  message.NoteText = m_noteText;
  message.Attachments = Entries(*m_attachments);
  return Accepted(*this, SendDesktopMessage(message), "Send");
}
