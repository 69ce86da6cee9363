#include "core/AdvThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Polls `done` every millisecond; false when it is still not true after 5 s.
bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// What the callbacks of a task thread saw, in order. Written on the thread,
// read by the test after the thread has ended (or under the lock).
struct TJournal {
  std::mutex Lock;
  std::vector<std::string> Events;
  std::atomic<int> Steps{0};
  std::vector<Clock::time_point> StepTimes;

  void Add(const std::string& event) {
    std::lock_guard guard(Lock);
    Events.push_back(event);
  }
  std::vector<std::string> Snapshot() {
    std::lock_guard guard(Lock);
    return Events;
  }
  // Binds start, step (counting and timing), stop and error to the journal.
  void Attach(TAdvTaskThread& thread, std::function<void()> step = {}) {
    thread.SetOnStart([this](TAdvTaskThread&) { Add("start"); });
    thread.SetOnStep([this, step](TAdvTaskThread&) {
      StepTimes.push_back(Clock::now());
      Steps.fetch_add(1);
      if (step) step();
    });
    thread.SetOnStop([this](TAdvTaskThread&) { Add("stop"); });
    thread.SetOnError([this](TAdvTaskThread&, const std::exception& e) {
      Add(std::string("error ") + e.what());
    });
  }
};

// Installs a manual clock for the test and restores the system clock after.
class ScopedManualClock {
 public:
  explicit ScopedManualClock(uint32_t tick) : m_clock(0, tick) {
    platform::SetCurrentClock(&m_clock);
  }
  ~ScopedManualClock() { platform::SetCurrentClock(nullptr); }
  platform::TManualClock& Get() { return m_clock; }

 private:
  platform::TManualClock m_clock;
};

// ---------------------------------------------------------------------------
// Timed threads

TEST(AdvTimedThread, StepsAreSpacedByTheInterval) {
  TJournal journal;
  auto thread = AdvNew<TAdvTimedThread>(15);
  journal.Attach(*thread);
  thread->Open();
  ASSERT_TRUE(WaitUntil([&] { return journal.Steps.load() >= 6; }));
  thread->Close();
  ASSERT_GE(journal.StepTimes.size(), 6u);
  for (size_t i = 1; i < journal.StepTimes.size(); ++i) {
    const auto gap = journal.StepTimes[i] - journal.StepTimes[i - 1];
    EXPECT_GE(gap, milliseconds(14)) << "step " << i;  // the tick counts whole milliseconds
    EXPECT_LT(gap, milliseconds(1000)) << "step " << i;
  }
}

// The step's duration is read from the platform tick, so a manual clock can
// make a step "take" most of a long interval. The tick starts just below its
// wrap, which the unsigned difference must absorb.
TEST(AdvTimedThread, WaitsTheIntervalLessTheTimeTheStepTook) {
  struct Case {
    uint32_t stepTook;
    int64_t minGapMs;  // the real wait left over
  };
  for (const Case c : {Case{990, 9}, Case{1000, 0}, Case{1200, 0}}) {
    SCOPED_TRACE(c.stepTook);
    ScopedManualClock clock(0xFFFFFFFFu - 2000);
    TJournal journal;
    auto thread = AdvNew<TAdvTimedThread>(1000);
    journal.Attach(*thread, [&] { clock.Get().Advance(c.stepTook); });
    thread->Open();
    ASSERT_TRUE(WaitUntil([&] { return journal.Steps.load() >= 4; }));
    thread->Close();
    for (size_t i = 1; i < journal.StepTimes.size(); ++i) {
      const auto gap = journal.StepTimes[i] - journal.StepTimes[i - 1];
      EXPECT_GE(gap, milliseconds(c.minGapMs));
      EXPECT_LT(gap, milliseconds(500));  // far from a whole interval
    }
  }
}

TEST(AdvTimedThread, WakeEndsTheWaitEarly) {
  TJournal journal;
  auto thread = AdvNew<TAdvTimedThread>(60000);
  journal.Attach(*thread);
  thread->Open();
  ASSERT_TRUE(WaitUntil([&] { return journal.Steps.load() == 1; }));
  thread->Wake();
  EXPECT_TRUE(WaitUntil([&] { return journal.Steps.load() == 2; }));
  thread->Close();
}

TEST(AdvTimedThread, StopDuringTheWaitEndsItAndCloseReturnsAfterTheStopHook) {
  TJournal journal;
  auto thread = AdvNew<TAdvTimedThread>(60000);
  journal.Attach(*thread);
  thread->Open();
  ASSERT_TRUE(WaitUntil([&] { return journal.Steps.load() == 1; }));
  std::this_thread::sleep_for(milliseconds(5));  // into the wait
  const auto start = Clock::now();
  thread->Close();
  EXPECT_LT(MillisecondsSince(start), 2000);
  EXPECT_FALSE(thread->IsActive());
  EXPECT_EQ(journal.Snapshot(), (std::vector<std::string>{"start", "stop"}));
  EXPECT_EQ(journal.Steps.load(), 1);
}

// ---------------------------------------------------------------------------
// Pause, suspend and resume

TEST(AdvTaskThread, PauseParksAfterTheCurrentStepAndResumeContinues) {
  TJournal journal;
  auto thread = AdvNew<TAdvTaskThread>();
  journal.Attach(*thread, [] { std::this_thread::sleep_for(milliseconds(1)); });
  thread->Open();
  ASSERT_TRUE(WaitUntil([&] { return journal.Steps.load() >= 3; }));

  thread->Pause();
  EXPECT_TRUE(thread->IsPaused());
  ASSERT_TRUE(WaitUntil([&] { return thread->IsSuspended(); }));  // parked itself
  const int parkedAt = journal.Steps.load();
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_EQ(journal.Steps.load(), parkedAt);

  thread->Resume();
  EXPECT_FALSE(thread->IsPaused());
  EXPECT_TRUE(WaitUntil([&] { return journal.Steps.load() > parkedAt + 2; }));
  thread->Close();
}

// A Resume racing with the thread's own decision to park must never leave it
// parked with nothing left to wake it.
TEST(AdvTaskThread, PauseAndResumeNeverLoseAWakeUp) {
  TJournal journal;
  auto thread = AdvNew<TAdvTaskThread>();
  journal.Attach(*thread);
  thread->Open();
  for (int round = 0; round < 300; ++round) {
    const int before = journal.Steps.load();
    thread->Pause();
    if (round % 3 == 0) {
      ASSERT_TRUE(WaitUntil([&] { return thread->IsSuspended(); }));
    } else if (round % 3 == 1) {
      std::this_thread::yield();
    }
    thread->Resume();
    ASSERT_TRUE(WaitUntil([&] { return journal.Steps.load() > before + 1; }))
        << "thread stayed parked in round " << round;
  }
  thread->Close();
}

TEST(AdvTaskThread, SuspendHoldsAtTheStepBoundaryAndCloseEndsASuspendedThread) {
  TJournal journal;
  auto thread = AdvNew<TAdvTaskThread>();
  journal.Attach(*thread, [] { std::this_thread::sleep_for(milliseconds(1)); });
  thread->Open();
  ASSERT_TRUE(WaitUntil([&] { return journal.Steps.load() >= 2; }));

  thread->Suspend();
  const int suspendedAt = journal.Steps.load();
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_LE(journal.Steps.load(), suspendedAt + 1);  // at most the step under way

  thread->Resume();
  EXPECT_TRUE(WaitUntil([&] { return journal.Steps.load() > suspendedAt + 3; }));

  thread->Suspend();
  std::this_thread::sleep_for(milliseconds(10));
  thread->Close();  // a stop request ends the suspension
  EXPECT_FALSE(thread->IsSuspended());
  EXPECT_EQ(journal.Snapshot().back(), "stop");
}

class TProbeThread : public TAdvThread {
  ADV_CLASS(TProbeThread)
  std::function<void()> Body;
  std::atomic<int> Runs{0};
  void Execute() override {
    Runs.fetch_add(1);
    if (Body) Body();
  }
};
ADV_CLASS_IMPL(TProbeThread, TAdvThread)

TEST(AdvThread, OpenedSuspendedTheBodyWaitsForResume) {
  auto thread = AdvNew<TProbeThread>();
  thread->Suspend();
  thread->Open();
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_EQ(thread->Runs.load(), 0);
  thread->Resume();
  EXPECT_TRUE(thread->WaitFor());
  EXPECT_EQ(thread->Runs.load(), 1);
  thread->Close();
}

// ---------------------------------------------------------------------------
// Life cycle

TEST(AdvThread, ReopenAfterTheEndReapsAndRunsAgain) {
  auto thread = AdvNew<TProbeThread>();
  EXPECT_TRUE(thread->WaitForTime(0));  // no thread yet
  thread->Open();
  ASSERT_TRUE(thread->WaitFor());
  EXPECT_FALSE(thread->IsActive());  // dropped as the body returned
  thread->Open();                    // joins the ended run first
  ASSERT_TRUE(thread->WaitFor());
  EXPECT_EQ(thread->Runs.load(), 2);
  EXPECT_EQ(thread->ExitCode(), 0);
  thread->Close();
}

TEST(AdvThread, OpenWhileActiveRaises) {
  std::atomic<bool> release{false};
  auto thread = AdvNew<TProbeThread>();
  thread->Body = [&] {
    while (!release.load()) std::this_thread::sleep_for(milliseconds(1));
  };
  thread->Open();
  try {
    thread->Open();
    ADD_FAILURE() << "no error";
  } catch (const EAdvThread& e) {
    EXPECT_STREQ(e.what(), "(TProbeThread.Open): Thread is already active.");
  }
  release = true;
  thread->Close();
  EXPECT_EQ(thread->Runs.load(), 1);
}

TEST(AdvThread, WaitForTimeReportsATimeOut) {
  std::atomic<bool> release{false};
  auto thread = AdvNew<TProbeThread>();
  thread->Body = [&] {
    while (!release.load()) std::this_thread::sleep_for(milliseconds(1));
  };
  thread->Open();
  const auto start = Clock::now();
  EXPECT_FALSE(thread->WaitForTime(20));
  EXPECT_GE(MillisecondsSince(start), 19);
  release = true;
  EXPECT_TRUE(thread->WaitForTime(5000));
  thread->Close();
}

// Shutdown gives up after its time: the thread is told to stop, runs no
// further step, finishes the one it is in by itself and is reaped later.
TEST(AdvTaskThread, ShutdownTimingOutKillsWithoutWaitingAndNoFurtherStepRuns) {
  std::atomic<bool> release{false};
  TJournal journal;
  auto thread = AdvNew<TAdvTaskThread>();
  journal.Attach(*thread, [&] {
    while (!release.load()) std::this_thread::sleep_for(milliseconds(1));
  });
  thread->Open();
  ASSERT_TRUE(WaitUntil([&] { return journal.Steps.load() == 1; }));

  const auto start = Clock::now();
  thread->Shutdown(20);
  const int64_t took = MillisecondsSince(start);
  EXPECT_GE(took, 19);
  EXPECT_LT(took, 2000);
  EXPECT_FALSE(thread->IsActive());
  EXPECT_FALSE(thread->WaitForTime(0));  // the abandoned step still runs

  release = true;
  EXPECT_TRUE(thread->WaitFor());
  EXPECT_EQ(journal.Steps.load(), 1);
  EXPECT_EQ(journal.Snapshot(), (std::vector<std::string>{"start", "stop"}));

  release = false;
  thread->SetOnStep([&](TAdvTaskThread&) { journal.Steps.fetch_add(1); });
  thread->Open();  // reaps the killed run
  EXPECT_TRUE(WaitUntil([&] { return journal.Steps.load() > 3; }));
  thread->Close();
}

// Releasing the last reference to a running thread stops and joins it before
// any part of the object goes; AddressSanitizer would see a late step.
class TCountingTimedThread : public TAdvTimedThread {
  ADV_CLASS(TCountingTimedThread)
  explicit TCountingTimedThread(std::atomic<int>* steps = nullptr)
      : TAdvTimedThread(1), m_steps(steps) {}
  void StepHook() override {
    m_probe.push_back(1);
    m_steps->fetch_add(1);
    TAdvTimedThread::StepHook();
  }

 private:
  std::atomic<int>* m_steps;
  std::vector<int> m_probe;
};
ADV_CLASS_IMPL(TCountingTimedThread, TAdvTimedThread)

TEST(AdvTimedThread, ReleasingARunningThreadStopsAndJoinsIt) {
  std::atomic<int> steps{0};
  auto thread = AdvNew<TCountingTimedThread>(&steps);
  thread->Open();
  ASSERT_TRUE(WaitUntil([&] { return steps.load() >= 3; }));
  thread.Reset();
  const int atRelease = steps.load();
  std::this_thread::sleep_for(milliseconds(10));
  EXPECT_EQ(steps.load(), atRelease);
}

// ---------------------------------------------------------------------------
// Errors

TEST(AdvTaskThread, ErrorsRunTheStopHookThenReachTheErrorHook) {
  struct Case {
    const char* name;
    std::function<void(TAdvTaskThread&)> step, stop;
    std::vector<std::string> events;
    int32_t exitCode;
  };
  const auto throwAdv = [](TAdvTaskThread& t) { throw EAdvanced(&t, "boom", "Step"); };
  const std::vector<Case> cases = {
      {"library error",
       throwAdv,
       nullptr,
       {"start", "stop", "error (TAdvTaskThread.Step): boom"},
       0},
      {"standard error",
       [](TAdvTaskThread&) { throw std::runtime_error("bad"); },
       nullptr,
       {"start", "stop", "error bad"},
       0},
      {"foreign exception", [](TAdvTaskThread&) { throw 42; }, nullptr, {"start", "stop"}, -1},
      {"stop hook fails",
       [](TAdvTaskThread& t) { t.Stop(); },
       [](TAdvTaskThread&) { throw std::runtime_error("stop failed"); },
       {"start", "error stop failed"},
       0},
      {"step and stop hook fail",
       throwAdv,
       [](TAdvTaskThread&) { throw std::runtime_error("stop failed"); },
       {"start", "error (TAdvTaskThread.Step): boom", "error stop failed"},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TJournal journal;
    auto thread = AdvNew<TAdvTaskThread>();
    journal.Attach(*thread);
    thread->SetOnStep(c.step);
    if (c.stop) thread->SetOnStop(c.stop);
    thread->Open();
    ASSERT_TRUE(thread->WaitFor());
    EXPECT_FALSE(thread->IsActive());
    EXPECT_EQ(thread->ExitCode(), c.exitCode);
    EXPECT_EQ(journal.Snapshot(), c.events);
    thread->Close();
  }
}

TEST(AdvThread, AnExceptionFromAPlainBodyOnlySetsTheExitCode) {
  auto thread = AdvNew<TProbeThread>();
  thread->Body = [] { throw std::runtime_error("lost"); };
  thread->Open();
  ASSERT_TRUE(thread->WaitFor());
  EXPECT_EQ(thread->ExitCode(), -1);
  thread->Close();
}

// An error callback that closes its own thread must not wait for itself.
TEST(AdvTaskThread, AnErrorHandlerClosingItsOwnThreadDoesNotDeadlock) {
  auto thread = AdvNew<TAdvTaskThread>();
  std::atomic<bool> handled{false};
  thread->SetOnStep([](TAdvTaskThread& t) { throw EAdvanced(&t, "fail", "Step"); });
  thread->SetOnError([&](TAdvTaskThread& t, const std::exception&) {
    t.Close();
    EXPECT_FALSE(t.WaitForTime(0));
    handled = true;
  });
  thread->Open();
  EXPECT_TRUE(thread->WaitFor());
  EXPECT_TRUE(handled.load());
  thread->Close();
}

}  // namespace
