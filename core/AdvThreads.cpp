#include "core/AdvThreads.h"

#include <chrono>
#include <cstdio>
#include <system_error>

#include "platform/Clock.h"

ADV_EXCEPTION_IMPL(EAdvThread, EAdvanced)
ADV_CLASS_IMPL(TAdvThread, TAdvObject)
ADV_CLASS_IMPL(TAdvProcessThread, TAdvThread)
ADV_CLASS_IMPL(TAdvTaskThread, TAdvProcessThread)
ADV_CLASS_IMPL(TAdvTimedThread, TAdvTaskThread)

// ---------------------------------------------------------------------------
// TAdvWakeEvent

void TAdvWakeEvent::Signal() {
  {
    std::lock_guard guard(m_lock);
    m_set = true;
  }
  m_signalled.notify_one();
}

void TAdvWakeEvent::Reset() {
  std::lock_guard guard(m_lock);
  m_set = false;
}

bool TAdvWakeEvent::WaitFor(uint32_t milliseconds) {
  std::unique_lock lock(m_lock);
  const auto isSet = [this] { return m_set; };
  if (milliseconds == kAdvInfinite)
    m_signalled.wait(lock, isSet);
  else if (!m_signalled.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet))
    return false;
  m_set = false;
  return true;
}

// ---------------------------------------------------------------------------
// TAdvThread

// Everything the running thread and the owner share. Flags are atomic so that
// IsActive and friends can be read without the lock; every change that a
// waiter's predicate depends on is made, or published, under Lock before
// Changed is notified, so no wake-up is lost.
struct TAdvThreadState {
  std::mutex Lock;
  std::condition_variable Changed;
  std::atomic<bool> Active{false};
  std::atomic<bool> Suspended{false};
  std::atomic<bool> Ended{true};  // the body has returned (or never ran)
  std::atomic<int32_t> ExitCode{0};

  // Wakes every waiter after a flag changed.
  void Publish() {
    { std::lock_guard guard(Lock); }
    Changed.notify_all();
  }
};

namespace {
thread_local TAdvThread* t_current = nullptr;
}

TAdvThread::TAdvThread() : m_state(std::make_shared<TAdvThreadState>()) {}

TAdvThread::~TAdvThread() {
  // BeforeDestruction has joined the thread, unless the thread dropped the
  // last reference to its own object: it cannot join itself, so it runs on
  // detached and touches only the shared state from here on.
  if (m_handle.joinable()) {
    if (m_handle.get_id() == std::this_thread::get_id()) {
      m_handle.detach();
    } else {
      // Only reached when Close failed in BeforeDestruction.
      m_state->Active.store(false, std::memory_order_release);
      m_state->Publish();
      try {
        m_handle.join();
      } catch (const std::system_error&) {
        m_handle.detach();  // the state it touches is shared, not ours
      }
    }
  }
}

void TAdvThread::BeforeDestruction() {
  try {
    Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
}

TAdvThread* TAdvThread::Current() {
  return t_current;
}

void TAdvThread::ThreadMain(TAdvThread* self, std::shared_ptr<TAdvThreadState> state) {
  t_current = self;
  int32_t exitCode = 0;
  try {
    // Opened suspended: the body starts on Resume or on a stop request (and
    // then sees IsActive false), so it always runs once per Open.
    self->WaitWhileSuspended();
    self->Execute();
  } catch (...) {
    exitCode = -1;
  }
  t_current = nullptr;
  // From here on only the shared state: the owner may destroy the object as
  // soon as it sees Ended.
  state->ExitCode.store(exitCode, std::memory_order_relaxed);
  state->Active.store(false, std::memory_order_release);
  {
    std::lock_guard guard(state->Lock);
    state->Ended.store(true, std::memory_order_release);
  }
  state->Changed.notify_all();
}

void TAdvThread::Open() {
  if (m_state->Active.load(std::memory_order_acquire)) Error("Open", "Thread is already active.");
  if (IsCurrentThread()) Error("Open", "A thread cannot restart itself.");
  if (m_handle.joinable()) ReleaseHandle();  // reap the previous run
  m_state->Ended.store(false, std::memory_order_relaxed);
  m_state->ExitCode.store(0, std::memory_order_relaxed);
  m_state->Active.store(true, std::memory_order_release);
  try {
    m_handle = std::thread(&TAdvThread::ThreadMain, this, m_state);
  } catch (const std::system_error& e) {
    m_state->Active.store(false, std::memory_order_release);
    m_state->Ended.store(true, std::memory_order_release);
    Error("Open", e.code().message());
  }
}

void TAdvThread::Close() {
  Shutdown(kAdvInfinite);
}

void TAdvThread::Stop() {
  m_state->Active.store(false, std::memory_order_release);
  m_state->Publish();  // ends a suspension
}

void TAdvThread::Suspend() {
  {
    std::lock_guard guard(m_state->Lock);
    m_state->Suspended.store(true, std::memory_order_release);
  }
  if (IsCurrentThread()) WaitWhileSuspended();
}

void TAdvThread::Resume() {
  {
    std::lock_guard guard(m_state->Lock);
    m_state->Suspended.store(false, std::memory_order_release);
  }
  m_state->Changed.notify_all();
}

bool TAdvThread::WaitFor() {
  return WaitForTime(kAdvInfinite);
}

bool TAdvThread::WaitForTime(uint32_t milliseconds) {
  // The handle belongs to the owner: the thread itself never reads it.
  if (IsCurrentThread()) return false;
  if (!m_handle.joinable()) return true;
  TAdvThreadState& state = *m_state;
  const auto ended = [&state] { return state.Ended.load(std::memory_order_acquire); };
  std::unique_lock lock(state.Lock);
  if (milliseconds == kAdvInfinite) {
    state.Changed.wait(lock, ended);
    return true;
  }
  return state.Changed.wait_for(lock, std::chrono::milliseconds(milliseconds), ended);
}

void TAdvThread::Kill() {
  Stop();
  Resume();  // Suspended := false; a parked thread wakes and sees the stop
  if (IsCurrentThread() || !m_handle.joinable()) return;
  if (m_state->Ended.load(std::memory_order_acquire)) {
    ReleaseHandle();
    return;
  }
  std::fprintf(stderr,
               "(%s.Kill): the thread did not stop in time; it runs no further steps and is "
               "joined when reopened or destroyed\n",
               ClassName().c_str());
}

void TAdvThread::Shutdown(uint32_t milliseconds) {
  Stop();
  if (IsCurrentThread() || !m_handle.joinable()) return;
  if (WaitForTime(milliseconds)) {
    ReleaseHandle();
    m_state->Suspended.store(false, std::memory_order_release);
  } else {
    Kill();
  }
}

bool TAdvThread::IsActive() const {
  return m_state->Active.load(std::memory_order_acquire);
}

bool TAdvThread::IsSuspended() const {
  return m_state->Suspended.load(std::memory_order_acquire);
}

int32_t TAdvThread::ExitCode() const {
  return m_state->ExitCode.load(std::memory_order_relaxed);
}

void TAdvThread::ReleaseHandle() {
  try {
    m_handle.join();
  } catch (const std::system_error& e) {
    Error("Kill-CloseHandle", e.code().message());
  }
}

bool TAdvThread::WaitWhileSuspended() {
  TAdvThreadState& state = *m_state;
  std::unique_lock lock(state.Lock);
  state.Changed.wait(lock, [&state] {
    return !state.Suspended.load(std::memory_order_acquire) ||
           !state.Active.load(std::memory_order_acquire);
  });
  return state.Active.load(std::memory_order_acquire);
}

void TAdvThread::SuspendSelfIf(const std::atomic<bool>& request) {
  TAdvThreadState& state = *m_state;
  std::unique_lock lock(state.Lock);
  if (!request.load(std::memory_order_acquire)) return;
  state.Suspended.store(true, std::memory_order_release);
  state.Changed.wait(lock, [&state] {
    return !state.Suspended.load(std::memory_order_acquire) ||
           !state.Active.load(std::memory_order_acquire);
  });
}

// ---------------------------------------------------------------------------
// TAdvProcessThread

void TAdvProcessThread::Execute() {
  // Phase 1: start hook and steps, parking between steps while suspended
  // (and asking IsActive again after a park). A failure runs the stop hook
  // before the error is reported, so the error hook sees a stopped process.
  try {
    StartHook();
    while (IsActive()) {
      if (IsSuspended()) {
        if (!WaitWhileSuspended()) break;
        continue;
      }
      StepHook();
    }
  } catch (const std::exception& error) {
    std::exception_ptr stopFailure;
    try {
      StopHook();
    } catch (...) {
      stopFailure = std::current_exception();
    }
    ErrorHook(error);
    if (stopFailure) ReportStopFailure(stopFailure);
    return;
  } catch (...) {
    try {
      StopHook();
    } catch (const std::exception& stopError) {
      ErrorHook(stopError);
    }
    throw;  // a foreign exception ends the thread with exit code -1
  }
  // Phase 2: the normal end.
  try {
    StopHook();
  } catch (const std::exception& error) {
    ErrorHook(error);
  }
}

void TAdvProcessThread::ReportStopFailure(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& error) {
    ErrorHook(error);
  }
  // anything else leaves the body: exit code -1
}

// ---------------------------------------------------------------------------
// TAdvTaskThread

void TAdvTaskThread::Open() {
  // A pause left from an earlier run is dropped here, on the owner's side,
  // rather than when the thread starts: a Pause made just after Open would
  // otherwise be lost if the thread cleared it late.
  m_paused.store(false, std::memory_order_release);
  TAdvProcessThread::Open();
}

void TAdvTaskThread::StartHook() {
  if (m_onStart) m_onStart(*this);
}

void TAdvTaskThread::StepHook() {
  if (m_onStep) m_onStep(*this);
  SuspendSelfIf(m_paused);
}

void TAdvTaskThread::StopHook() {
  if (m_onStop) m_onStop(*this);
}

void TAdvTaskThread::ErrorHook(const std::exception& error) {
  if (m_onError) m_onError(*this, error);
}

bool TAdvTaskThread::IsActive() const {
  if (!TAdvProcessThread::IsActive()) return false;
  // The predicate gets the thread as its sender; asking does not change it.
  return !m_onContinue || m_onContinue(const_cast<TAdvTaskThread&>(*this));
}

void TAdvTaskThread::Resume() {
  // Cleared before the base Resume takes the state lock: the thread tests the
  // request under that lock, so it either sees it cleared or is already
  // parked when Resume clears Suspended.
  m_paused.store(false, std::memory_order_release);
  TAdvProcessThread::Resume();
}

void TAdvTaskThread::Pause() {
  m_paused.store(true, std::memory_order_release);
}

bool TAdvTaskThread::IsPaused() const {
  return m_paused.load(std::memory_order_acquire);
}

// ---------------------------------------------------------------------------
// TAdvTimedThread

void TAdvTimedThread::Open() {
  m_wake.Reset();
  TAdvTaskThread::Open();
}

void TAdvTimedThread::Stop() {
  TAdvTaskThread::Stop();
  m_wake.Signal();
}

void TAdvTimedThread::StepHook() {
  const uint32_t started = platform::TickCount();
  TAdvTaskThread::StepHook();
  const uint32_t took = platform::TicksSince(started);
  const uint32_t interval = Interval();
  if (took < interval) m_wake.WaitFor(interval - took);
}
