#include "core/AdvEvents.h"

#include <string>

ADV_CLASS_IMPL(TAdvEvents, TAdvItems)

int TAdvEvents::CompareEntries(const TAdvEvent& a, const TAdvEvent& b) const {
  const int code =
      AdvCompareValues(reinterpret_cast<uintptr_t>(a.Code), reinterpret_cast<uintptr_t>(b.Code));
  if (code != 0) return code;
  return AdvCompareValues(reinterpret_cast<uintptr_t>(a.Data), reinterpret_cast<uintptr_t>(b.Data));
}

int TAdvEvents::Add(const TAdvEvent& event) {
  return AddValue(event,
                  [](const TAdvEvent&) { return std::string("Item already exists in list"); });
}

void TAdvEvents::Remove(const TAdvEvent& event) {
  const int index = IndexOf(event);
  if (index < 0) Error("Remove", "Event not found in list");
  CloseSlot(index);
}
