#include "mail/EmailSettings.h"

#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TEmailSettings, TAdvPersistent)

namespace {

TAdvRef<TAdvStrings> NewAddressList() {
  auto list = AdvNew<TAdvStrings>();
  list->SetSeparator(";");
  return list;
}

}  // namespace

TEmailSettings::TEmailSettings()
    : m_tosLast(NewAddressList()), m_ccsLast(NewAddressList()), m_bccsLast(NewAddressList()) {
  Reset();
}

void TEmailSettings::Reset() {
  m_style = 0;
  m_server = kDefaultServer;
  m_port = kDefaultPort;
  m_sender = kDefaultSender;
  m_tosLast->Clear();
  m_tosLast->Add(kDefaultSender);
  m_ccsLast->Clear();
  m_bccsLast->Clear();
  m_smtpOnly = false;
  m_startTls = false;
  m_trustFile.clear();
  m_userName.clear();
  m_password.clear();
}

void TEmailSettings::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("Style").DefineEnumerated(m_style);
  filer.Field("Server").DefineString(m_server);
  filer.Field("Port").DefineInteger(m_port);
  filer.Field("Sender").DefineString(m_sender);
  if (filer.HasOptional(TAdvFilerKind::Object)) filer.Field("TosLast").DefineObjectRef(m_tosLast);
  if (filer.HasOptional(TAdvFilerKind::Object)) filer.Field("CcsLast").DefineObjectRef(m_ccsLast);
  if (filer.HasOptional(TAdvFilerKind::Object)) filer.Field("BccsLast").DefineObjectRef(m_bccsLast);
  if (filer.HasOptional(TAdvFilerKind::Boolean)) filer.Field("SmtpOnly").DefineBoolean(m_smtpOnly);
  if (filer.HasOptional(TAdvFilerKind::Boolean)) filer.Field("StartTls").DefineBoolean(m_startTls);
  if (filer.HasOptional(TAdvFilerKind::String)) filer.Field("TrustFile").DefineString(m_trustFile);
  if (filer.HasOptional(TAdvFilerKind::String)) filer.Field("UserName").DefineString(m_userName);
  if (filer.HasOptional(TAdvFilerKind::String)) filer.Field("Password").DefineString(m_password);
  // A stored list read as null (a damaged file) must not leave a hole.
  if (!m_tosLast) m_tosLast = NewAddressList();
  if (!m_ccsLast) m_ccsLast = NewAddressList();
  if (!m_bccsLast) m_bccsLast = NewAddressList();
}

void TEmailSettings::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& other = static_cast<const TEmailSettings&>(source);
  m_style = other.m_style;
  m_server = other.m_server;
  m_port = other.m_port;
  m_sender = other.m_sender;
  m_tosLast->Assign(*other.m_tosLast);
  m_ccsLast->Assign(*other.m_ccsLast);
  m_bccsLast->Assign(*other.m_bccsLast);
  m_smtpOnly = other.m_smtpOnly;
  m_startTls = other.m_startTls;
  m_trustFile = other.m_trustFile;
  m_userName = other.m_userName;
  m_password = other.m_password;
}

bool TEmailSettings::IsValid() const {
  return m_style == 0 && !m_server.empty() && m_port != 0 && !m_sender.empty();
}

void TEmailSettings::SetPortText(const std::string& text) {
  int32_t port = 0;
  bool valid = !text.empty() && text.size() <= 5;
  for (char c : text) {
    if (c < '0' || c > '9') valid = false;
    if (valid) port = port * 10 + (c - '0');
  }
  m_port = valid && port >= 1 && port <= 65535 ? port : kDefaultPort;
}

TSmtpAccount TEmailSettings::Account() const {
  TSmtpAccount account;
  account.Server = m_server;
  account.Port = m_port;
  account.Sender = m_sender;
  account.StartTls = m_startTls;
  account.TrustFile = m_trustFile;
  account.UserName = m_userName;
  account.Password = m_password;
  return account;
}
