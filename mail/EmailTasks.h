// E-mail tasks and the dispatcher that sends them in the background.
//
// A TEmailTask is one message (recipients, subject, body lines, an HTML
// flag) that can send itself over SMTP or hand itself to the desktop's mail
// program. Alert notifications are composed on the engine's thread and
// handed to the TEmailDispatcher, which a TAdvTaskAdapter runs on its own
// thread from start-up to shutdown; it sends the tasks one at a time, in the
// order they were added, always over SMTP.
//
// Hand-over and its bounds. The queue holds 16 tasks. Add waits at most
// AddWait milliseconds for room; a task that still finds no room is dropped,
// counted and reported through OnDropped (on the caller's thread), so the
// thread that adds (the user interface) is never held for good by a slow or
// unreachable relay. While the queue stays full after a drop, further tasks
// are dropped at once rather than waiting again; the first Add that finds
// room ends that.
//
// Sending and its bounds. Every send runs with the account's time-outs, and
// Terminate cancels the send in progress (the socket is shut down), so
// stopping the dispatcher never waits for a silent relay. A task that fails
// is counted and reported through OnSendFailed (on the dispatcher's thread);
// it is not retried, and the next task is sent.
//
// Settings. The dispatcher never reads the live settings object: the owner
// publishes an account value with SetAccount (any thread), which replaces an
// immutable snapshot atomically; each send takes the snapshot current at its
// start.
//
// Thread safety: Add from one producer thread; the step runs on the
// dispatcher's thread; SetAccount, Terminate, Continue and the counters may be
// used from any thread. Callbacks are set before the dispatcher runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "alerts/Tasks.h"
#include "core/AdvCirculars.h"
#include "core/AdvStrings.h"
#include "core/AdvTasks.h"
#include "mail/EmailSettings.h"

class TEmailTask : public TTask {
  ADV_CLASS(TEmailTask)

  TEmailTask();

  void Define(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;
  // Enabled again, the four lists empty, the subject the product's report
  // title.
  void Clear() override;

  // One SMTP transaction to server:port as `sender`, with the file at
  // `attachment` (none when empty). Raises the socket, SMTP and file errors.
  virtual void SendSmtp(const std::string& server, int32_t port, const std::string& attachment,
                        const std::string& sender);
  // The same through an account (encryption, login, time-outs); `cancel`
  // (may be null) lets another thread abort the transaction.
  void SendSmtp(const TSmtpAccount& account, const std::string& attachment,
                const std::shared_ptr<TAdvCancelSignal>& cancel = nullptr);
  // Hands the message to the desktop's mail program; false when it was not
  // taken (no mail program, or the user cancelled).
  virtual bool SendMapi(const std::string& profile, const std::string& password,
                        const std::string& attachment, bool skipLogon);
  // Tos is not empty.
  virtual bool HasRecipients() const;

  TAdvStrings& Tos() const { return *m_tos; }
  TAdvStrings& Ccs() const { return *m_ccs; }
  TAdvStrings& Bccs() const { return *m_bccs; }
  TAdvStrings& Body() const { return *m_body; }
  const std::string& Subject() const { return m_subject; }
  void SetSubject(const std::string& subject) { m_subject = subject; }
  bool Html() const { return m_html; }
  void SetHtml(bool html) { m_html = html; }

 private:
  TAdvRef<TAdvStrings> m_tos, m_ccs, m_bccs, m_body;  // never null
  std::string m_subject;
  bool m_html = false;  // not stored
};

class TEmailDispatcher : public TAdvTask {
  ADV_CLASS(TEmailDispatcher)

  static constexpr uint32_t kCapacity = 16;
  // How long an idle step waits for a task before it ends.
  static constexpr uint32_t kIdleWait = 500;
  static constexpr uint32_t kDefaultAddWait = 1000;

  using TDroppedEvent = std::function<void(const TEmailTask& task)>;
  using TFailedEvent = std::function<void(const TEmailTask& task, const std::exception& error)>;

  TEmailDispatcher();

  // Takes the caller's reference to `task` in every case. True when the task
  // was queued; false when it was dropped (see the file comment) or is null.
  bool Add(TEmailTask* task);

  // Sends the oldest task, or waits up to kIdleWait for one.
  void Step() override;
  // Continue := false, and the send in progress is cancelled.
  void Terminate() override;
  bool Continue() override { return m_continue.load(std::memory_order_acquire); }

  // Publishes the account that the next sends use.
  void SetAccount(const TSmtpAccount& account);
  std::shared_ptr<const TSmtpAccount> Account() const;

  uint32_t AddWait() const { return m_addWait; }
  void SetAddWait(uint32_t milliseconds) { m_addWait = milliseconds; }
  void SetOnDropped(TDroppedEvent handler) { m_onDropped = std::move(handler); }
  void SetOnSendFailed(TFailedEvent handler) { m_onSendFailed = std::move(handler); }

  uint64_t SentCount() const { return m_sent.load(std::memory_order_acquire); }
  uint64_t FailedCount() const { return m_failed.load(std::memory_order_acquire); }
  uint64_t DroppedCount() const { return m_dropped.load(std::memory_order_acquire); }
  // Tasks queued by Add and not yet sent or failed (the one being sent
  // included): 0 once everything handed over has been dealt with.
  uint64_t PendingCount() const {
    const uint64_t done = m_sent.load(std::memory_order_acquire) +
                          m_failed.load(std::memory_order_acquire);
    const uint64_t queued = m_queued.load(std::memory_order_acquire);
    return queued > done ? queued - done : 0;
  }

 private:
  void Drop(TAdvRef<TEmailTask>& task);

  TAdvRef<TAdvCircular> m_queue;
  std::atomic<bool> m_continue{true};
  std::atomic<std::shared_ptr<const TSmtpAccount>> m_account;
  std::shared_ptr<TAdvCancelSignal> m_cancel;
  TAdvWakeEvent m_wake;  // Add and Terminate end an idle wait early

  uint32_t m_addWait = kDefaultAddWait;
  bool m_congested = false;  // producer only: the last Add dropped its task
  TDroppedEvent m_onDropped;
  TFailedEvent m_onSendFailed;
  std::atomic<uint64_t> m_sent{0}, m_failed{0}, m_dropped{0}, m_queued{0};
};
