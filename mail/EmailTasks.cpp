#include "mail/EmailTasks.h"

#include "core/AdvFilers.h"
#include "mail/AdvMAPIs.h"
#include "mail/AdvMails.h"

ADV_CLASS_IMPL(TEmailTask, TTask)
ADV_CLASS_IMPL(TEmailDispatcher, TAdvTask)

namespace {

// The subject of a task that nobody has given one: the maker's name, the
// product title and " Report".
constexpr const char* kReportSubject = "Varnex Vexa 2.2 Report";

TAdvRef<TAdvStrings> NewAddressList() {
  auto list = AdvNew<TAdvStrings>();
  list->SetSeparator(";");
  list->SetDuplicates(TAdvDuplicates::Ignore);
  return list;
}

}  // namespace

// ---------------------------------------------------------------------------
// TEmailTask

TEmailTask::TEmailTask()
    : m_tos(NewAddressList()),
      m_ccs(NewAddressList()),
      m_bccs(NewAddressList()),
      m_body(AdvNew<TAdvStrings>()) {
  m_body->SetSeparator("\r\n");
  m_subject = kReportSubject;
}

void TEmailTask::Define(TAdvFiler& filer) {
  TTask::Define(filer);
  filer.Field("Tos").DefineObjectRef(m_tos);
  filer.Field("Ccs").DefineObjectRef(m_ccs);
  filer.Field("Bccs").DefineObjectRef(m_bccs);
  filer.Field("Subject").DefineString(m_subject);
  filer.Field("Body").DefineObjectRef(m_body);
  if (!m_tos) m_tos = NewAddressList();
  if (!m_ccs) m_ccs = NewAddressList();
  if (!m_bccs) m_bccs = NewAddressList();
  if (!m_body) m_body = AdvNew<TAdvStrings>();
}

void TEmailTask::Assign(const TAdvObject& source) {
  TTask::Assign(source);
  const auto& other = static_cast<const TEmailTask&>(source);
  m_tos->Assign(*other.m_tos);
  m_ccs->Assign(*other.m_ccs);
  m_bccs->Assign(*other.m_bccs);
  m_body->Assign(*other.m_body);
  m_subject = other.m_subject;
}

void TEmailTask::Clear() {
  TTask::Clear();
  m_tos->Clear();
  m_ccs->Clear();
  m_bccs->Clear();
  m_body->Clear();
  m_subject = kReportSubject;
}

bool TEmailTask::HasRecipients() const {
  return m_tos->Count() > 0;
}

void TEmailTask::SendSmtp(const std::string& server, int32_t port, const std::string& attachment,
                          const std::string& sender) {
  TSmtpAccount account;
  account.Server = server;
  account.Port = port;
  account.Sender = sender;
  SendSmtp(account, attachment);
}

void TEmailTask::SendSmtp(const TSmtpAccount& account, const std::string& attachment,
                          const std::shared_ptr<TAdvCancelSignal>& cancel) {
  auto mail = AdvNew<TAdvMail>();
  mail->SetCancelSignal(cancel);
  mail->SetConnectTimeout(account.ConnectTimeout);
  mail->SetReceiveTimeout(account.ReplyTimeout);
  mail->SetSendTimeout(account.SendTimeout);
  mail->SetUseStartTls(account.StartTls);
  mail->SetTrustFile(account.TrustFile);
  mail->SetUserName(account.UserName);
  mail->SetPassword(account.Password);
  mail->SetSender(account.Sender);
  mail->Recipients().Assign(*m_tos);
  mail->CopyRecipients().Assign(*m_ccs);
  mail->BlindRecipients().Assign(*m_bccs);
  mail->SetSubject(m_subject);
  mail->Body().Assign(*m_body);
  if (m_html) mail->SetContentType("text/html");
  if (!attachment.empty()) mail->Attachments().Add(attachment);

  mail->Connect(account.Server + ":" + std::to_string(account.Port));
  try {
    mail->Send();
  } catch (...) {
    mail->Close();
    throw;
  }
  mail->Close();
}

bool TEmailTask::SendMapi(const std::string& profile, const std::string& password,
                          const std::string& attachment, bool skipLogon) {
  auto mapi = AdvNew<TAdvMAPI>();
  if (!skipLogon) {
    mapi->SetProfileName(profile);
    mapi->SetPassword(password);
    mapi->Logon();
  }
  mapi->SetShowDialog(false);
  mapi->ToList().Assign(*m_tos);
  mapi->CcList().Assign(*m_ccs);
  mapi->BccList().Assign(*m_bccs);
  mapi->SetSubject(m_subject);
  mapi->Body().Assign(*m_body);
  if (!attachment.empty()) mapi->Attachments().Add(attachment);
  return mapi->Send();
}

// ---------------------------------------------------------------------------
// TEmailDispatcher

TEmailDispatcher::TEmailDispatcher()
    : m_queue(AdvNew<TAdvCircular>(kCapacity)),
      m_account(std::make_shared<const TSmtpAccount>()),
      m_cancel(std::make_shared<TAdvCancelSignal>()) {}

void TEmailDispatcher::SetAccount(const TSmtpAccount& account) {
  m_account.store(std::make_shared<const TSmtpAccount>(account), std::memory_order_release);
}

std::shared_ptr<const TSmtpAccount> TEmailDispatcher::Account() const {
  return m_account.load(std::memory_order_acquire);
}

bool TEmailDispatcher::Add(TEmailTask* task) {
  TAdvRef<TEmailTask> held(task);  // the caller's reference, in every case
  if (!held) return false;
  const uint32_t wait = m_congested ? 0 : m_addWait;
  if (!m_queue->Put(held.Get(), wait)) {
    m_congested = true;
    Drop(held);
    return false;
  }
  held.Detach();  // the queue owns it now
  m_queued.fetch_add(1, std::memory_order_acq_rel);
  m_congested = false;
  m_wake.Signal();
  return true;
}

void TEmailDispatcher::Drop(TAdvRef<TEmailTask>& task) {
  m_dropped.fetch_add(1, std::memory_order_acq_rel);
  if (m_onDropped) m_onDropped(*task);
}

void TEmailDispatcher::Step() {
  if (m_queue->IsEmpty()) {
    m_wake.WaitFor(kIdleWait);
    return;
  }
  TAdvRef<TAdvObject> taken = m_queue->Get(0);
  auto* task = AdvCast<TEmailTask>(taken.Get());
  if (!task) return;
  try {
    task->SendSmtp(*Account(), std::string(), m_cancel);
    m_sent.fetch_add(1, std::memory_order_acq_rel);
  } catch (const std::exception& error) {
    // Lost, not retried; the owner hears of it when it asked to.
    m_failed.fetch_add(1, std::memory_order_acq_rel);
    if (m_onSendFailed) {
      try {
        m_onSendFailed(*task, error);
      } catch (...) {
        // The report is the owner's; its failure must not end the thread.
      }
    }
  } catch (...) {
    m_failed.fetch_add(1, std::memory_order_acq_rel);
  }
}

void TEmailDispatcher::Terminate() {
  m_continue.store(false, std::memory_order_release);
  m_cancel->Cancel();
  m_wake.Signal();
}
