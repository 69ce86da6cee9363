#include "core/AdvTasks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

// Counts its calls; continues until `Limit` steps (0: until terminated) and
// fails in step `FailAt` when set.
class TCountingTask : public TAdvTask {
  ADV_CLASS(TCountingTask)
  std::atomic<int> Starts{0}, Steps{0}, Finishes{0};
  std::atomic<bool> Terminated{false};
  int Limit = 0;
  int FailAt = 0;

  void Start() override { Starts.fetch_add(1); }
  void Step() override {
    const int step = Steps.fetch_add(1) + 1;
    if (step == FailAt) Error("Step", "failed");
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void Finish() override { Finishes.fetch_add(1); }
  void Terminate() override { Terminated = true; }
  bool Continue() override { return !Terminated.load() && (Limit == 0 || Steps.load() < Limit); }
};
ADV_CLASS_IMPL(TCountingTask, TAdvTask)

TEST(AdvTask, RunStepsWhileContinueThenFinishes) {
  auto task = AdvNew<TCountingTask>();
  task->Limit = 5;
  task->Run();
  EXPECT_EQ(task->Starts.load(), 1);
  EXPECT_EQ(task->Steps.load(), 5);
  EXPECT_EQ(task->Finishes.load(), 1);
}

TEST(AdvTask, RunFinishesWhenAStepFailsAndPassesTheErrorOn) {
  auto task = AdvNew<TCountingTask>();
  task->FailAt = 2;
  EXPECT_THROW(task->Run(), EAdvThread);
  EXPECT_EQ(task->Steps.load(), 2);
  EXPECT_EQ(task->Finishes.load(), 1);
}

TEST(AdvTaskAdapter, RunsTheTaskOnItsThreadUntilTheTaskStops) {
  auto task = AdvNew<TCountingTask>();
  task->Limit = 5;
  auto adapter = AdvNew<TAdvTaskAdapter>(task.Get());
  EXPECT_EQ(task->ReferenceCount(), 1);  // the adapter holds it
  adapter->Run();
  ASSERT_TRUE(adapter->Thread().WaitFor());
  EXPECT_FALSE(adapter->Continue());
  EXPECT_EQ(task->Starts.load(), 1);
  EXPECT_EQ(task->Steps.load(), 5);
  EXPECT_EQ(task->Finishes.load(), 1);
  adapter.Reset();
  EXPECT_EQ(task->ReferenceCount(), 0);
}

TEST(AdvTaskAdapter, TerminateStopsAnEndlessTaskAndWaits) {
  auto task = AdvNew<TCountingTask>();
  auto adapter = AdvNew<TAdvTaskAdapter>(task.Get());
  adapter->Run();
  EXPECT_TRUE(adapter->Continue());
  EXPECT_THROW(adapter->Run(), EAdvThread);  // already running
  while (task->Steps.load() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  adapter->Terminate();
  EXPECT_TRUE(task->Terminated.load());
  EXPECT_FALSE(adapter->Continue());
  EXPECT_EQ(task->Finishes.load(), 1);  // ran before Terminate returned
}

TEST(AdvTaskAdapter, ReleasingTheAdapterTerminatesTheTaskAndJoins) {
  auto task = AdvNew<TCountingTask>();
  auto adapter = AdvNew<TAdvTaskAdapter>(task.Get());
  adapter->Run();
  while (task->Steps.load() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  adapter.Reset();
  EXPECT_TRUE(task->Terminated.load());
  EXPECT_EQ(task->Finishes.load(), 1);
  const int steps = task->Steps.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(task->Steps.load(), steps);
}

TEST(AdvTaskAdapter, AStepFailureReachesTheThreadsErrorHandler) {
  auto task = AdvNew<TCountingTask>();
  task->FailAt = 3;
  auto adapter = AdvNew<TAdvTaskAdapter>(task.Get());
  std::string error;
  adapter->Thread().SetOnError([&](TAdvTaskThread&, const std::exception& e) { error = e.what(); });
  adapter->Run();
  ASSERT_TRUE(adapter->Thread().WaitFor());
  EXPECT_EQ(error, "(TCountingTask.Step): failed");
  EXPECT_EQ(task->Finishes.load(), 1);
}

TEST(AdvTaskAdapter, RunWithoutATaskRaises) {
  auto adapter = AdvNew<TAdvTaskAdapter>();
  EXPECT_THROW(adapter->Run(), EAdvThread);
}

}  // namespace
