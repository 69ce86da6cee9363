#include "app/AdvApplications.h"

#include <atomic>

#include "core/AdvFilers.h"
#include "core/AdvPaths.h"
#include "platform/Folders.h"

ADV_CLASS_IMPL(TAdvApplication, TAdvPersistent)
ADV_CLASS_IMPL(TVarnex, TAdvApplication)
ADV_EXCEPTION_IMPL(EAdvApplication, EAdvanced)

namespace {
std::atomic<TAdvApplication*> g_application{nullptr};
}

TAdvApplication* AdvApplication() {
  return g_application.load(std::memory_order_acquire);
}

TAdvApplication::TAdvApplication() = default;

TAdvApplication::~TAdvApplication() {
  UnregisterGlobal();
}

void TAdvApplication::RegisterGlobal() {
  g_application.store(this, std::memory_order_release);
}

void TAdvApplication::UnregisterGlobal() {
  TAdvApplication* self = this;
  g_application.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

int TAdvApplication::Execute() {
  m_started = false;
  try {
    m_started = Initialise();
  } catch (const std::exception& error) {
    m_started = false;
    HandleException(error);
  }
  if (m_started) {
    try {
      Run();
    } catch (const std::exception& error) {
      HandleException(error);
    }
  }
  // Finalise frees what start-up made; it saves only after a completed
  // start-up (Started()).
  try {
    Finalise();
  } catch (const std::exception& error) {
    HandleException(error);
  }
  return m_started ? 0 : 1;
}

std::string TAdvApplication::ErrorText(const std::exception& error) {
  if (const auto* advanced = dynamic_cast<const EAdvanced*>(&error)) return advanced->BareMessage();
  return error.what();
}

void TAdvApplication::HandleException(const std::exception& error) {}

std::string TAdvApplication::ExeName() const {
  if (!m_parameters.empty() && !m_parameters[0].empty()) return FileNamePart(m_parameters[0]);
  return {};
}

// ---------------------------------------------------------------------------

TVarnex::TVarnex()
    : m_registry(AdvNew<TAdvRegistry>()),
      m_paths(AdvNew<TPaths>()),
      m_dataPaths(AdvNew<TPaths>()),
      m_dispatcher(AdvNew<TAdvDispatcher>()) {
  SetApplicationFolder(platform::ExecutableFolder());
}

void TVarnex::SetApplicationFolder(const std::string& folder) {
  m_applicationFolder = folder.empty() ? folder : IncludeTrailingDelimiter(folder);
}

void TVarnex::SetBusy(bool busy) {
  if (busy) {
    if (++m_busy == 1) m_cancel = false;
  } else if (m_busy > 0) {
    --m_busy;
  }
  m_dispatcher->Send(this, "Busy");
}

void TVarnex::SetInformation(const std::string& text) {
  m_information = text;
  m_dispatcher->Send(this, "Information");
}

void TVarnex::BeginProgress(int64_t total) {
  m_cancel = false;
  SetBusy(true);
  if (m_progressLevels == 0) {
    m_progressPosition = 0;
    m_progressTotal = total;
  }
  ++m_progressLevels;
}

void TVarnex::StepProgress() {
  // Steps of nested levels belong to the outer step that runs them.
  if (m_progressLevels <= 1) ++m_progressPosition;
  m_dispatcher->Send(this, "Progress");
}

void TVarnex::EndProgress() {
  SetBusy(false);
  if (m_progressLevels > 0 && --m_progressLevels == 0) {
    m_progressTotal = 0;
    m_progressPosition = 0;
  }
  m_dispatcher->Send(this, "Progress");
}

void TVarnex::Define(TAdvFiler& filer) {
  TAdvApplication::Define(filer);
  filer.Field("Paths").DefineObjectRef(m_paths);
  if (!m_paths) m_paths = AdvNew<TPaths>();  // a stored nil keeps a table
  if (filer.HasOptional(TAdvFilerKind::Integer)) {
    int32_t version = 2;  // read and ignored
    filer.Field("Version").DefineInteger(version);
  }
}
