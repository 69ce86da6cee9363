// Threads: one operating-system thread per object, with a cooperative life.
//
// TAdvThread wraps std::thread. Its body (Execute) runs on the new thread; the
// owner starts it with Open and ends it with Stop (a request that the body
// checks between steps) followed by Close or Shutdown, which wait for it.
// Nothing here interrupts a thread from outside, because no portable and safe
// way to do so exists:
//  - Suspend and Resume are cooperative. A suspended thread parks at its next
//    step boundary (before Execute, before each step of a process thread, and
//    wherever a plain body calls WaitWhileSuspended) until Resume or a stop
//    request. A thread that suspends itself parks at once. A stop request
//    always ends a suspension, so Close never waits for a Resume that will
//    not come.
//  - Kill is a stop request that gives up waiting: the thread runs no further
//    steps, but the step it is in finishes by itself. Kill returns at once
//    and keeps the handle; the next Open, Close or the object's destruction
//    joins (reaps) it, so nothing of this object is freed while the thread
//    still uses it. Code that a step calls must therefore stay bounded (the
//    socket layer has its own time-outs).
//
// A thread object stops and joins its thread when its last owner releases it
// (BeforeDestruction), before any part of it is destroyed. The body must not
// drop the last reference to its own thread object.
//
// No exception leaves a thread's top function. A process thread hands
// std::exception descendants to ErrorHook and ends normally (exit code 0);
// anything else, and whatever a plain Execute or ErrorHook throws, ends the
// thread with exit code -1.
//
// Thread safety: Open, Close, Shutdown, WaitFor/WaitForTime and Kill belong to
// the owner (one thread at a time); called on the thread itself they never
// wait for it (Close and Shutdown only request the stop; the owner reaps).
// Stop, Suspend, Resume, Pause, Wake, IsActive, IsSuspended and IsPaused may
// be called from any thread. Callbacks and the interval are set before Open.
// Hooks and callbacks run on the thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/AdvObjects.h"

ADV_EXCEPTION(EAdvThread, EAdvanced)

// A wait without a limit, in milliseconds.
inline constexpr uint32_t kAdvInfinite = 0xFFFFFFFFu;

// An automatic-reset event: Signal wakes one wait (or the next one, when
// nobody waits yet) and the wait consumes the signal. Thread-safe.
class TAdvWakeEvent {
 public:
  void Signal();
  void Reset();
  // True when signalled within `milliseconds` (kAdvInfinite: no limit).
  bool WaitFor(uint32_t milliseconds);

 private:
  std::mutex m_lock;
  std::condition_variable m_signalled;
  bool m_set = false;  // guarded by m_lock
};

struct TAdvThreadState;

class TAdvThread : public TAdvObject {
  ADV_CLASS(TAdvThread)
  ADV_RAISES(EAdvThread)

  TAdvThread();

  // The thread's body; runs on the thread. Base: nothing.
  virtual void Execute() {}
  // Starts the thread. Raises "Thread is already active." when it runs; a
  // previous run that has ended (or is finishing after Stop or Kill) is
  // joined first. With Suspended set the body waits for Resume (or a stop
  // request) first; it runs once per Open in any case.
  virtual void Open();
  // Shutdown with an unlimited wait.
  virtual void Close();
  // Requests the end: the body sees IsActive false at its next check.
  virtual void Stop();
  // Parks the thread at its next step boundary (at once when called by the
  // thread itself) until Resume or a stop request.
  virtual void Suspend();
  virtual void Resume();
  // WaitForTime without a limit.
  virtual bool WaitFor();
  // True when there is no thread or it ended within `milliseconds`; false on
  // time-out, and always false when the thread asks about itself.
  virtual bool WaitForTime(uint32_t milliseconds);
  // Stops without waiting: no further steps run, the current one finishes by
  // itself and the thread is joined later (see the file comment).
  // Active := false, Suspended := false.
  virtual void Kill();
  // Stop, then wait up to `milliseconds` for the end: on time Suspended :=
  // false and the thread is joined; on time-out Kill.
  virtual void Shutdown(uint32_t milliseconds);
  virtual bool IsActive() const;

  bool IsSuspended() const;
  // 0 after a normal end, -1 when an exception ended the body.
  int32_t ExitCode() const;
  // The thread object whose body runs on the calling thread, or null.
  static TAdvThread* Current();

 protected:
  void BeforeDestruction() override;
  ~TAdvThread() override;

  // On the thread: parks while suspended; returns whether still active
  // (the raw Active flag, without descendants' conditions).
  bool WaitWhileSuspended();
  // On the thread: suspends itself and parks when `request` is set. The test
  // and the suspension happen under the state lock, so a Resume that clears
  // `request` before its own lock cannot be missed.
  void SuspendSelfIf(const std::atomic<bool>& request);
  bool IsCurrentThread() const { return Current() == this; }

 private:
  static void ThreadMain(TAdvThread* self, std::shared_ptr<TAdvThreadState> state);
  // Joins the handle; raises "Kill-CloseHandle" when the system refuses.
  void ReleaseHandle();

  // Shared with the running thread, so that the thread's last writes never
  // touch a destroyed object.
  std::shared_ptr<TAdvThreadState> m_state;
  // Touched by the owner only; joinable from Open until reaped.
  std::thread m_handle;
};

// A thread whose body is StartHook, StepHook while IsActive, StopHook.
//
// When an exception leaves StartHook or a step, StopHook runs first; then a
// std::exception goes to ErrorHook and the body ends normally, while anything
// else ends the thread with exit code -1. An exception from StopHook also goes
// to ErrorHook. Suspension is honoured before every step.
class TAdvProcessThread : public TAdvThread {
  ADV_CLASS(TAdvProcessThread)

  virtual void StartHook() {}
  virtual void StepHook() {}
  virtual void StopHook() {}
  virtual void ErrorHook(const std::exception& error) {}

  void Execute() override;

 private:
  void ReportStopFailure(const std::exception_ptr& failure);
};

class TAdvTaskThread;
using TAdvThreadEvent = std::function<void(TAdvTaskThread& thread)>;
using TAdvThreadPredicate = std::function<bool(TAdvTaskThread& thread)>;
using TAdvThreadErrorEvent =
    std::function<void(TAdvTaskThread& thread, const std::exception& error)>;

// A process thread whose hooks call callbacks (each a function bound to the
// object it belongs to; "set" when present), with a pause request. An error
// callback runs on the thread, so it must not wait for the thread: it records
// the failure and the owner closes the thread.
class TAdvTaskThread : public TAdvProcessThread {
  ADV_CLASS(TAdvTaskThread)

  // Paused := false, then the thread's Open.
  void Open() override;
  void StartHook() override;
  // OnStep; then, when a pause was requested, the thread suspends itself.
  void StepHook() override;
  void StopHook() override;
  void ErrorHook(const std::exception& error) override;
  // Active, and OnContinue's answer when set.
  bool IsActive() const override;
  // Paused := false, then the thread's Resume.
  void Resume() override;

  // Asks the thread to suspend itself after its current step.
  virtual void Pause();
  virtual bool IsPaused() const;

  void SetOnStart(TAdvThreadEvent handler) { m_onStart = std::move(handler); }
  void SetOnStep(TAdvThreadEvent handler) { m_onStep = std::move(handler); }
  void SetOnStop(TAdvThreadEvent handler) { m_onStop = std::move(handler); }
  void SetOnContinue(TAdvThreadPredicate handler) { m_onContinue = std::move(handler); }
  void SetOnError(TAdvThreadErrorEvent handler) { m_onError = std::move(handler); }

 private:
  TAdvThreadEvent m_onStart;
  TAdvThreadEvent m_onStep;
  TAdvThreadEvent m_onStop;
  TAdvThreadPredicate m_onContinue;
  TAdvThreadErrorEvent m_onError;
  std::atomic<bool> m_paused{false};
};

// A task thread that runs its step at a fixed interval: a step that took t
// milliseconds (by the platform tick) is followed by a wait of Interval - t,
// or none when t >= Interval. Stop and Wake end the wait at once.
class TAdvTimedThread : public TAdvTaskThread {
  ADV_CLASS(TAdvTimedThread)

  static constexpr uint32_t kDefaultInterval = 100;

  TAdvTimedThread() = default;
  explicit TAdvTimedThread(uint32_t interval) : m_interval(interval) {}

  // Clears a wake-up left from an earlier run, then starts.
  void Open() override;
  // Active := false, then wakes a thread that is waiting out its interval.
  void Stop() override;
  void StepHook() override;

  // Ends the current interval wait early (or the next one, when the thread
  // is in a step).
  void Wake() { m_wake.Signal(); }
  uint32_t Interval() const { return m_interval.load(std::memory_order_acquire); }
  void SetInterval(uint32_t milliseconds) {
    m_interval.store(milliseconds, std::memory_order_release);
  }

 private:
  std::atomic<uint32_t> m_interval{kDefaultInterval};
  TAdvWakeEvent m_wake;
};
