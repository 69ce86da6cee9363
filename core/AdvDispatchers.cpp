#include "core/AdvDispatchers.h"

#include <vector>

ADV_CLASS_IMPL(TAdvDispatched, TAdvStringHashable)
ADV_CLASS_IMPL(TAdvDispatcher, TAdvStringHash)

TAdvDispatched::TAdvDispatched() : m_events(AdvNew<TAdvEvents>()) {}

void TAdvDispatched::Assign(const TAdvObject& source) {
  TAdvStringHashable::Assign(source);
  m_events->Assign(static_cast<const TAdvDispatched&>(source).Events());
}

TAdvDispatcher::TAdvDispatcher() {
  SetCapacity(127);
}

void TAdvDispatcher::Register(std::string_view name, const TAdvEvent& handler) {
  if (!handler) Error("Register", "Handler not assigned");
  TAdvEvents& events = static_cast<TAdvDispatched*>(ForceByName(name))->Events();
  if (!events.Exists(handler)) events.Add(handler);
}

void TAdvDispatcher::Unregister(std::string_view name, const TAdvEvent& handler) {
  auto* entry = static_cast<TAdvDispatched*>(GetByName(name));
  if (!entry) return;
  TAdvEvents& events = entry->Events();
  const int index = events.IndexOf(handler);
  if (index >= 0) events.DeleteByIndex(index);
  if (events.Count() == 0) RemoveByName(name);
}

bool TAdvDispatcher::Send(TAdvObject* sender, std::string_view name) {
  // Keep the entry alive and walk a copy: handlers may change the lists.
  auto entry = TAdvRef<TAdvDispatched>::Share(static_cast<TAdvDispatched*>(GetByName(name)));
  if (!entry) return false;
  std::vector<TAdvEvent> handlers;
  for (int i = 0; i < entry->Events().Count(); ++i) handlers.push_back(entry->Events().GetItem(i));
  for (const TAdvEvent& handler : handlers)
    if (entry->Events().Exists(handler)) handler(sender);
  return true;
}
