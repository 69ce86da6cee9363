#include "core/AdvTasks.h"

#include <cstdio>

ADV_CLASS_IMPL(TAdvTask, TAdvPersistent)
ADV_CLASS_IMPL(TAdvTaskAdapter, TAdvTask)

void TAdvTask::Run() {
  Start();
  try {
    while (Continue()) Step();
  } catch (...) {
    Finish();
    throw;
  }
  Finish();
}

TAdvTaskAdapter::TAdvTaskAdapter(TAdvTask* task)
    : m_task(TAdvRef<TAdvTask>::Share(task)), m_thread(AdvNew<TAdvTaskThread>()) {
  if (!task) return;
  // Bound once, here, so that a later Run never rewrites a callback that a
  // finishing earlier run may still be reading. The raw pointer is safe:
  // m_task keeps the task alive until the adapter has joined the thread.
  m_thread->SetOnStart([task](TAdvTaskThread&) { task->Start(); });
  m_thread->SetOnStep([task](TAdvTaskThread&) { task->Step(); });
  m_thread->SetOnStop([task](TAdvTaskThread&) { task->Finish(); });
  m_thread->SetOnContinue([task](TAdvTaskThread&) { return task->Continue(); });
}

TAdvTaskAdapter::~TAdvTaskAdapter() {
  try {
    if (m_task) m_task->Terminate();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  m_thread.Reset();  // the last reference: joins the thread
}

void TAdvTaskAdapter::Run() {
  if (!m_task) Error("Run", "No task to run.");
  m_thread->Open();
}

void TAdvTaskAdapter::Terminate() {
  if (m_task) m_task->Terminate();
  m_thread->Close();
}

bool TAdvTaskAdapter::Continue() {
  return m_thread->IsActive();
}
