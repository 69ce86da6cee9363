#include "alerts/NameIndexes.h"

#include "core/AdvAscii.h"
#include "core/AdvLists.h"

namespace {
void LowerInto(std::string& key, std::string_view name) {
  key.assign(name);
  for (char& c : key) c = AsciiLower(c);
}
}  // namespace

int TNameIndex::Find(const TAdvNamedList& list, std::string_view name) {
  if (!m_valid || list.Count() < m_indexed)
    Rebuild(list);
  else
    CatchUp(list);
  int index = Lookup(name);
  if (index >= 0) {
    const TAdvNamed* entry = index < list.Count() ? list.GetItem(index) : nullptr;
    if (entry && SameTextAscii(entry->Name(), name)) return index;
    // An entry was renamed or replaced behind the index's back.
    Rebuild(list);
    index = Lookup(name);
  }
  return index;
}

void TNameIndex::Rebuild(const TAdvNamedList& list) {
  m_first.clear();
  m_indexed = 0;
  m_valid = true;
  CatchUp(list);
}

void TNameIndex::CatchUp(const TAdvNamedList& list) {
  for (; m_indexed < list.Count(); ++m_indexed) {
    const TAdvNamed* entry = list.GetItem(m_indexed);
    if (!entry) continue;
    LowerInto(m_key, entry->Name());
    m_first.try_emplace(m_key, m_indexed);  // keeps the first position of a name
  }
}

int TNameIndex::Lookup(std::string_view name) {
  LowerInto(m_key, name);
  auto found = m_first.find(m_key);
  return found == m_first.end() ? -1 : found->second;
}
