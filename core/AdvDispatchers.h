// A named-event dispatcher: handlers register for an event name and Send
// calls every handler of a name with the sender, in registration order.
//
// TAdvDispatcher is a string hash of 127 buckets whose entries
// (TAdvDispatched) own the TAdvEvents list of one name. A name's entry is
// made by its first registration and dropped with its last handler.
// Handlers may register and unregister (themselves or others) while a Send
// runs: a handler removed before its turn is not called.
//
// Thread safety: none; one thread at a time. Raises EAdvanced.
#pragma once

#include <string_view>

#include "core/AdvEvents.h"
#include "core/AdvHashes.h"

class TAdvDispatched : public TAdvStringHashable {
  ADV_CLASS(TAdvDispatched)

  TAdvDispatched();

  TAdvEvents& Events() const { return *m_events; }
  void Assign(const TAdvObject& source) override;

 protected:
  ~TAdvDispatched() override = default;

 private:
  TAdvRef<TAdvEvents> m_events;  // never null
};

class TAdvDispatcher : public TAdvStringHash {
  ADV_CLASS(TAdvDispatcher)

  TAdvDispatcher();

  TAdvClass EntryClass() const override { return &TAdvDispatched::ClassInfo; }

  // Adds the handler to the name (once, however often it is registered).
  void Register(std::string_view name, const TAdvEvent& handler);
  // Removes the handler if registered; the name goes with its last handler.
  void Unregister(std::string_view name, const TAdvEvent& handler);
  // Calls every handler of `name` with `sender`; false when the name has
  // no handlers.
  bool Send(TAdvObject* sender, std::string_view name);

 protected:
  ~TAdvDispatcher() override = default;
};
