// Method references and the list that holds them.
//
// A TAdvEvent is a (code, data) pair: a plain function that receives the data
// pointer and the sender. AdvEvent<&C::Method>(object) makes one that calls
// object->Method(sender). Two events are equal when both parts are, so the
// same method of the same object compares equal however often it is made.
// TAdvEvents orders by code, then data, and owns nothing it points to.
//
// Thread safety: none; one thread at a time (see TAdvItems).
#pragma once

#include <cstdint>

#include "core/AdvValueItems.h"

struct TAdvEvent {
  using TCode = void (*)(void* data, TAdvObject* sender);

  TCode Code = nullptr;
  void* Data = nullptr;

  explicit operator bool() const { return Code != nullptr; }
  void operator()(TAdvObject* sender) const {
    if (Code) Code(Data, sender);
  }
  friend bool operator==(const TAdvEvent& a, const TAdvEvent& b) {
    return a.Code == b.Code && a.Data == b.Data;
  }
};

// An event calling object->*Method(sender); Method is void (C::*)(TAdvObject*).
template <auto Method, class C>
TAdvEvent AdvEvent(C* object) {
  return TAdvEvent{[](void* data, TAdvObject* sender) { (static_cast<C*>(data)->*Method)(sender); },
                   static_cast<void*>(object)};
}

class TAdvEvents : public TAdvValueItems<TAdvEvent> {
  ADV_CLASS(TAdvEvents)

  TAdvEvents() = default;

  int CompareEntries(const TAdvEvent& a, const TAdvEvent& b) const override;
  int Limit() const override { return 268435454; }

  // Index at which the event now stands (see Duplicates); under Error
  // raises "Item already exists in list".
  virtual int Add(const TAdvEvent& event);
  // Deletes the entry IndexOf finds; "Event not found in list" otherwise.
  virtual void Remove(const TAdvEvent& event);

 protected:
  ~TAdvEvents() override = default;
};
