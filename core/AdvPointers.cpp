#include "core/AdvPointers.h"

#include <functional>
#include <string>

#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TAdvPointers, TAdvItems)
ADV_CLASS_IMPL(TAdvPointerMatch, TAdvItems)

int TAdvPointers::CompareEntries(void* const& a, void* const& b) const {
  if (std::less<void*>()(a, b)) return -1;
  return a == b ? 0 : 1;
}

int TAdvPointers::Add(void* pointer) {
  return AddValue(pointer, [](void*) { return std::string("Item already exists in list"); });
}

void TAdvPointers::Remove(void* pointer) {
  const int index = IndexOf(pointer);
  if (index < 0) Error("Remove", "Pointer not found in list");
  CloseSlot(index);
}

// ---------------------------------------------------------------------------

void TAdvPointerMatch::SetValue(int index, int32_t value) {
  CheckIndex(index, "SetValue");
  Entry(index).Value = value;
}

int TAdvPointerMatch::CompareEntries(const TAdvIntegerPair& a, const TAdvIntegerPair& b) const {
  return AdvCompareValues(a.Key, b.Key);
}

void TAdvPointerMatch::DefineEntry(TAdvFiler& filer, int index) {
  TAdvIntegerPair& pair = Entry(index);
  filer.Field("Key").DefineInteger(pair.Key);
  filer.Field("Value").DefineInteger(pair.Value);
}

int TAdvPointerMatch::Add(int32_t key, int32_t value) {
  return AddValue(TAdvIntegerPair{key, value}, [](const TAdvIntegerPair& pair) {
    return "Key already exists in list (" + std::to_string(pair.Key) + "=" +
           std::to_string(pair.Value) + ")";
  });
}

int TAdvPointerMatch::IndexByKey(int32_t key) const {
  return IndexOf(TAdvIntegerPair{key, 0});
}

int32_t TAdvPointerMatch::GetMatch(int32_t key) const {
  const int index = IndexByKey(key);
  if (index < 0) Error("GetMatch", "Key '" + std::to_string(key) + "' not found in list");
  return Entry(index).Value;
}

void TAdvPointerMatch::SetMatch(int32_t key, int32_t value) {
  const int index = IndexByKey(key);
  if (index < 0) Error("SetMatch", "Key '" + std::to_string(key) + "' not found in list");
  Entry(index).Value = value;
}

void TAdvPointerMatch::DeleteByKey(int32_t key) {
  const int index = IndexByKey(key);
  if (index < 0) Error("Delete", "'" + std::to_string(key) + "' not found in list");
  CloseSlot(index);
}
