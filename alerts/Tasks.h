// TTask: the base of the work items that alert handling hands to background
// senders (the e-mail task). It carries one stored switch, Enabled.
//
// Stored content: "Enabled" Boolean (default true). Clear sets it back to
// true; Assign copies it.
//
// Thread safety: a task is built on one thread and then handed over whole;
// one thread uses it at a time.
#pragma once

#include "core/AdvPersistents.h"

ADV_EXCEPTION(ETask, EAdvanced)

class TTask : public TAdvPersistent {
  ADV_CLASS(TTask)
  ADV_RAISES(ETask)

  void Define(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;
  // Back to a fresh task: Enabled.
  virtual void Clear();

  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool enabled) { m_enabled = enabled; }

 protected:
  ~TTask() override = default;

 private:
  bool m_enabled = true;
};
