// Tasks: a step loop as an object, and the adapter that runs one on a thread.
//
// TAdvTask::Run runs Start, Step while Continue, and Finish on the calling
// thread. TAdvTaskAdapter runs another task's loop on its own task thread
// instead: Run returns at once, Terminate asks the task to stop and waits for
// the thread. The adapter keeps a reference to its task, so the task outlives
// the thread that calls into it.
//
// Thread safety: a task's Start, Step and Finish run on one thread; Terminate
// and Continue may be asked from another (the owner's) thread while the loop
// runs, so a task keeps the state they share in atomics. The adapter itself
// belongs to its owner's thread.
#pragma once

#include "core/AdvPersistents.h"
#include "core/AdvThreads.h"

class TAdvTask : public TAdvPersistent {
  ADV_CLASS(TAdvTask)
  ADV_RAISES(EAdvThread)

  virtual void Start() {}
  virtual void Step() {}
  virtual void Finish() {}
  // Start; Step while Continue; Finish, also when a step or Continue fails
  // (the failure then propagates).
  virtual void Run();
  // A request to stop; base nothing.
  virtual void Terminate() {}
  virtual bool Continue() { return true; }
};

class TAdvTaskAdapter : public TAdvTask {
  ADV_CLASS(TAdvTaskAdapter)

  // `task` is retained (may be null for the class factory; Run then raises).
  // The thread's OnStart, OnStep, OnStop and OnContinue are bound to the
  // task's Start, Step, Finish and Continue.
  explicit TAdvTaskAdapter(TAdvTask* task = nullptr);

  // Opens the thread and returns at once; raises when it is already running.
  void Run() override;
  // The task's Terminate, then the thread's Close (waits for the end).
  void Terminate() override;
  // Whether the thread is active (and the task still wants to continue).
  bool Continue() override;

  TAdvTask* Task() const { return m_task.Get(); }
  // The thread, for an owner that wants an OnError handler or to Pause it.
  TAdvTaskThread& Thread() const { return *m_thread; }

 protected:
  // Asks the task to terminate and waits for the thread to end.
  ~TAdvTaskAdapter() override;

 private:
  TAdvRef<TAdvTask> m_task;
  TAdvRef<TAdvTaskThread> m_thread;  // owned; never null
};
