#include "mail/AdvMails.h"

#include <cmath>

#include "core/AdvCaches.h"
#include "core/AdvDates.h"
#include "core/AdvFiles.h"
#include "core/AdvFormats.h"
#include "core/AdvShell.h"
#include "mail/MailTexts.h"

ADV_CLASS_IMPL(TAdvMail, TAdvSMTP)

namespace {

// Bytes of the file per base64 line: 54 bytes make 72 characters.
constexpr uint32_t kAttachmentPiece = 54;

// The file's name without its folder, fit for a quoted header parameter.
std::string AttachmentName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 32 || c == 127 || c == '"' || c == '\\') c = '_';
  return name;
}

}  // namespace

TAdvMail::TAdvMail()
    : m_attachments(AdvNew<TAdvStrings>()),
      m_copyRecipients(AdvNew<TAdvStrings>()),
      m_blindRecipients(AdvNew<TAdvStrings>()) {
  m_copyRecipients->SetSeparator(";");
  m_blindRecipients->SetSeparator(";");
}

std::string TAdvMail::MakeBoundary(uint32_t address) {
  const auto seconds =
      static_cast<int64_t>(std::llround((AdvNow() - kUnixEpochDateTime) * 86400.0));
  return std::to_string(seconds) + AdvFormat("%.8x", {address}) + "==";
}

void TAdvMail::CheckContent() const {
  TAdvSMTP::CheckContent();
  AddressesOf(*m_copyRecipients);
  AddressesOf(*m_blindRecipients);
  if (!IsSafeHeaderText(m_subject)) Error("Send", "The subject must be one line");
  if (!IsSafeHeaderText(m_contentType) || m_contentType.find('"') != std::string::npos)
    Error("Send", "Invalid content type '" + m_contentType + "'");
}

void TAdvMail::Send() {
  uint32_t address = 0;
  try {
    address = GetLocalAddress();
  } catch (const EAdvInternet&) {
    address = 0;  // a fixed value keeps the layout
  }
  m_boundary = MakeBoundary(address);
  TAdvSMTP::Send();
}

void TAdvMail::SendAllRecipients() {
  TAdvSMTP::SendAllRecipients();
  SendRecipients(*m_copyRecipients);
  SendRecipients(*m_blindRecipients);
}

void TAdvMail::SendHeaders() {
  WriteText("From: " + Sender() + "\r\n");
  WriteText("To: " + AngleList(Recipients()) + "\r\n");
  WriteText("Cc: " + AngleList(*m_copyRecipients) + "\r\n");
  WriteText("Subject: " + EncodeHeaderText(m_subject) + "\r\n");
  WriteText("Date: " + RfcDateText(AdvNow()) + "\r\n");
  WriteText("MIME-Version: 1.0\r\n");
  WriteText("Content-Type: multipart/mixed; boundary=\"" + m_boundary + "\"\r\n");
  WriteText("Content-Transfer-Encoding: 7bit\r\n");
}

void TAdvMail::SendBody() {
  WriteText("--" + m_boundary + "\r\n");
  WriteText("Content-Type: " + m_contentType + "\r\n");
  WriteText("Content-Disposition: inline\r\n");
  WriteText("\r\n");
  TAdvSMTP::SendBody();
  for (int32_t i = 0; i < m_attachments->Count(); ++i) SendAttachment(m_attachments->GetItem(i));
  WriteText("\r\n--" + m_boundary + "--\r\n");
}

void TAdvMail::SendAttachment(const std::string& path) {
  WriteText("\r\n--" + m_boundary + "\r\n");
  WriteText("Content-Type: application/octet-stream\r\n");
  WriteText("Content-Disposition: attachment; filename=\"" + AttachmentName(path) + "\"\r\n");
  WriteText("Content-Transfer-Encoding: base64\r\n");
  WriteText("\r\n");
  // Shared both ways: the file may be a report another part of the program
  // (or another program) still has open.
  auto file = AdvNew<TAdvFile>();
  file->OpenFile(path, platform::kFileModeRead, platform::kFileShareReadWrite);
  auto cache = AdvNew<TAdvCacheAdapter>(file.Get(), 64 * 1024);
  char piece[kAttachmentPiece];
  for (int64_t left = file->GetSize(); left > 0;) {
    const uint32_t count = left < kAttachmentPiece ? static_cast<uint32_t>(left) : kAttachmentPiece;
    cache->Read(piece, count);
    WriteText(Base64Encode(std::string_view(piece, count)) + "\r\n");
    left -= count;
  }
}
