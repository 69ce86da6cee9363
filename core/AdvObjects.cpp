#include "core/AdvObjects.h"

#include <cstring>

#include "core/AdvAscii.h"

const TAdvClassInfo TAdvObject::ClassInfo{"TAdvObject", nullptr, &AdvFactoryOf<TAdvObject>};

TAdvObject* TAdvClassInfo::Create() const {
  if (!Factory) throw EAdvanced(nullptr, std::string("Cannot create abstract class ") + Name, "Create");
  return Factory();
}

bool TAdvClassInfo::InheritsFrom(const TAdvClassInfo* other) const {
  for (const TAdvClassInfo* c = this; c; c = c->Parent)
    if (c == other) return true;
  return false;
}

bool TAdvClassInfo::IsClassByName(std::string_view name) const {
  for (const TAdvClassInfo* c = this; c; c = c->Parent)
    if (SameTextAscii(c->Name, name)) return true;
  return false;
}

void TAdvObject::Release() {
  // A count of 0 is the last owner. acq_rel orders every owner's writes
  // before the destructor runs on whichever thread lets go last.
  if (m_refs.fetch_sub(1, std::memory_order_acq_rel) > 0) return;
  // Back to "one owner" while BeforeDestruction runs, so that a reference it
  // takes and drops again does not destroy the object a second time.
  m_refs.store(0, std::memory_order_relaxed);
  BeforeDestruction();
  delete this;
}

TAdvObject* TAdvObject::Clone() const {
  TAdvRef<TAdvObject> copy(ClassType()->Create());
  copy->Assign(*this);
  return copy.Detach();
}

void TAdvObject::CheckAssignable(const TAdvObject* source) const {
  if (!source) throw EAdvAssign(this, "Source not assigned", "Assign");
  if (!source->ClassType()->InheritsFrom(ClassType()) && !source->IsClassByName(ClassType()->Name))
    throw EAdvAssign(this, "Invalid source type \"" + source->ClassName() + "\"", "Assign");
}

void TAdvObject::Error(std::string_view operation, std::string_view message) const {
  throw EAdvanced(this, message, operation);
}

void TAdvObject::Assign(const TAdvObject& source) { CheckAssignable(&source); }

// ---------------------------------------------------------------------------

const TAdvClassInfo EAdvanced::ClassInfo{"EAdvanced", nullptr, nullptr};

EAdvanced::EAdvanced(const TAdvObject* sender, std::string_view message, std::string_view operation)
    : m_message(message), m_operation(operation), m_sender(sender) {
  if (sender) m_senderClass = sender->ClassName();
  Compose();
}

void EAdvanced::SetBareMessage(std::string message) {
  m_message = std::move(message);
  Compose();
}

void EAdvanced::Compose() {
  if (!m_senderClass.empty())
    m_text = "(" + m_senderClass + "." + m_operation + "): " + m_message;
  else if (!m_operation.empty())
    m_text = "(" + m_operation + "): " + m_message;
  else
    m_text = m_message;
}

ADV_EXCEPTION_IMPL(EAdvAssign, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvItems, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvIterator, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvStream, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvMemory, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvFiler, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvFactory, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvRegistry, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvTextAdapter, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvTransport, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvSMTP, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvMAPI, EAdvanced)
ADV_EXCEPTION_IMPL(EMAPI, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvLibrary, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvDateTime, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvFile, EAdvanced)
ADV_EXCEPTION_IMPL(EAdvInternet, EAdvanced)

EAdvFile::EAdvFile(const TAdvObject* sender, std::string_view message, std::string_view operation,
                   std::string_view fileName)
    : EAdvanced(sender, message, operation), m_fileName(fileName) {
  SetBareMessage(std::string(message) + ": '" + m_fileName + "'");
}

EAdvInternet::EAdvInternet(const TAdvObject* sender, int code, std::string_view operation)
    : EAdvInternet(sender, std::strerror(code), code, operation) {}

EAdvInternet::EAdvInternet(const TAdvObject* sender, std::string_view systemText, int code,
                           std::string_view operation)
    : EAdvanced(sender, systemText, operation), m_code(code) {
  SetBareMessage(std::string(systemText) + " [" + std::to_string(code) + "]");
}

EAdvInternet::EAdvInternet(const TAdvObject* sender, std::string_view message,
                           std::string_view operation)
    : EAdvanced(sender, message, operation), m_code(0) {}
