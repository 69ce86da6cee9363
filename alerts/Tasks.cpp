#include "alerts/Tasks.h"

#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TTask, TAdvPersistent)
ADV_EXCEPTION_IMPL(ETask, EAdvanced)

void TTask::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("Enabled").DefineBoolean(m_enabled);
}

void TTask::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  m_enabled = static_cast<const TTask&>(source).m_enabled;
}

void TTask::Clear() {
  m_enabled = true;
}
