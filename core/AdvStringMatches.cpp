#include "core/AdvStringMatches.h"

#include "core/AdvAscii.h"
#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TAdvStringMatch, TAdvItems)

void TAdvStringMatch::SetValue(int index, std::string value) {
  CheckIndex(index, "SetValue");
  Entry(index).Value = std::move(value);
}

int TAdvStringMatch::CompareKeys(std::string_view a, std::string_view b) const {
  return CompareTextAscii(a, b);
}

int TAdvStringMatch::CompareEntries(const TAdvStringPair& a, const TAdvStringPair& b) const {
  return CompareKeys(a.Key, b.Key);
}

void TAdvStringMatch::DefineEntry(TAdvFiler& filer, int index) {
  TAdvStringPair& pair = Entry(index);
  filer.Field("Key").DefineString(pair.Key);
  filer.Field("Value").DefineString(pair.Value);
}

size_t TAdvStringMatch::SizeInBytes() const {
  size_t size = TAdvItems::SizeInBytes();
  for (int i = 0; i < Count(); ++i) size += Entry(i).Key.capacity() + Entry(i).Value.capacity();
  return size;
}

int TAdvStringMatch::Add(std::string key, std::string value) {
  return AddValue(TAdvStringPair{std::move(key), std::move(value)}, [](const TAdvStringPair& pair) {
    return "Key already exists in list (" + pair.Key + "=" + pair.Value + ")";
  });
}

int TAdvStringMatch::IndexByKey(std::string_view key) const {
  int index;
  return Search([&](int i) { return CompareKeys(Entry(i).Key, key); }, index) ? index : -1;
}

int TAdvStringMatch::IndexByKeyAndValue(std::string_view key, std::string_view value) const {
  // The list is ordered by key only, so the entries of one key are searched
  // one by one from the first of them.
  int first = IndexByKey(key);
  if (first < 0) return -1;
  if (Sorted()) {
    while (first > 0 && CompareKeys(Entry(first - 1).Key, key) == 0) --first;
  }
  for (int i = first; i < Count(); ++i) {
    const bool sameKey = CompareKeys(Entry(i).Key, key) == 0;
    if (sameKey && SameTextAscii(Entry(i).Value, value)) return i;
    if (Sorted() && !sameKey) break;
  }
  return -1;
}

const std::string& TAdvStringMatch::GetMatch(std::string_view key) const {
  const int index = IndexByKey(key);
  if (index >= 0) return Entry(index).Value;
  if (!m_forced) Error("GetMatch", "Key '" + std::string(key) + "' not found in list");
  return m_default;
}

void TAdvStringMatch::SetMatch(std::string_view key, std::string value) {
  const int index = IndexByKey(key);
  if (index >= 0) {
    Entry(index).Value = std::move(value);
    return;
  }
  if (!m_forced) Error("SetMatch", "Key '" + std::string(key) + "' not found in list");
  Add(std::string(key), std::move(value));
}

void TAdvStringMatch::DeleteByKey(std::string_view key) {
  const int index = IndexByKey(key);
  if (index < 0) Error("Delete", "'" + std::string(key) + "' not found in list");
  CloseSlot(index);
}
