#include "core/AdvStrings.h"

#include <cstdio>
#include <fstream>

#include "core/AdvAscii.h"
#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TAdvStrings, TAdvItems)

void AdvSplitText(std::string_view text, std::string_view separator,
                  TAdvFunctionRef<void(std::string_view piece)> add) {
  if (separator.empty()) {
    if (!text.empty()) add(text);
    return;
  }
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    if (at == std::string_view::npos) break;
    add(text.substr(start, at - start));
    start = at + separator.size();
  }
  if (start < text.size()) add(text.substr(start));
}

const std::string& TAdvStrings::GetItem(int index) const {
  CheckIndex(index, "GetItem");
  return m_items.Get(index);
}

void TAdvStrings::SetItem(int index, std::string text) {
  CheckIndex(index, "SetItem");
  m_items.Set(index, std::move(text));
}

void TAdvStrings::SetCaseSensitive(bool caseSensitive) {
  if (caseSensitive == m_caseSensitive) return;
  m_caseSensitive = caseSensitive;
  if (Sorted()) Sort();
}

std::string TAdvStrings::AsText() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    if (i > 0) text += m_separator;
    text += m_items.Get(i);
  }
  return text;
}

void TAdvStrings::SetAsText(std::string_view text) {
  Clear();
  AdvSplitText(text, m_separator, [this](std::string_view piece) { Add(std::string(piece)); });
}

void TAdvStrings::Sort(TextCompare compare) {
  SortByIndex([&](int a, int b) { return compare(m_items.Get(a), m_items.Get(b)); });
}

int TAdvStrings::CompareEntries(std::string_view a, std::string_view b) const {
  return m_caseSensitive ? CompareStrAscii(a, b) : CompareTextAscii(a, b);
}

int TAdvStrings::CompareByIndex(int a, int b) const {
  return CompareEntries(m_items.Get(a), m_items.Get(b));
}

void TAdvStrings::DefineEntry(TAdvFiler& filer, int index) {
  filer.Field("String").DefineString(m_items.At(index));
}

void TAdvStrings::AssignEntry(const TAdvItems& source, int index) {
  m_items.Set(index, static_cast<const TAdvStrings&>(source).m_items.Get(index));
}

size_t TAdvStrings::SizeInBytes() const {
  size_t size = TAdvItems::SizeInBytes();
  for (int i = 0; i < Count(); ++i) size += m_items.Get(i).capacity();
  return size;
}

void TAdvStrings::SaveToFile(const std::string& fileName) {
  const std::string temporary = fileName + ".tmp~";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) Error("SaveToFile", "Unable to create file: '" + temporary + "'");
    for (int i = 0; i < Count(); ++i) out << m_items.Get(i) << '\n';
    out.flush();
    if (!out) {
      out.close();
      std::remove(temporary.c_str());
      Error("SaveToFile", "Unable to write file: '" + temporary + "'");
    }
  }
  if (std::rename(temporary.c_str(), fileName.c_str()) != 0) {
    std::remove(temporary.c_str());
    Error("SaveToFile", "Unable to replace file: '" + fileName + "'");
  }
}

void TAdvStrings::LoadFromFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) Error("LoadFromFile", "Unable to open file: '" + fileName + "'");
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Add(line);
  }
  if (in.bad()) Error("LoadFromFile", "Unable to read file: '" + fileName + "'");
}

bool TAdvStrings::Find(std::string_view text, int& index) const {
  return Search([&](int i) { return CompareEntries(m_items.Get(i), text); }, index);
}

int TAdvStrings::IndexOf(std::string_view text) const {
  int index;
  return Find(text, index) ? index : -1;
}

int TAdvStrings::Add(std::string text) {
  int index;
  if (!Placement([&](int i) { return CompareEntries(m_items.Get(i), text); }, index)) {
    if (Duplicates() == TAdvDuplicates::Error)
      Error("Add", "Item already exists in list (" + text + ")");
    return index;
  }
  OpenSlot(index);
  m_items.Set(index, std::move(text));
  return index;
}

void TAdvStrings::AddAll(const TAdvStrings& strings) {
  if (&strings == this) {
    // Adding to itself while walking itself: walk a copy.
    std::vector<std::string> copy;
    for (int i = 0; i < Count(); ++i) copy.push_back(m_items.Get(i));
    for (const std::string& text : copy) Add(text);
    return;
  }
  for (int i = 0; i < strings.Count(); ++i) Add(strings.m_items.Get(i));
}

void TAdvStrings::Insert(int index, std::string text) {
  CheckInsertIndex(index, "Insert");
  OpenSlot(index);
  m_items.Set(index, std::move(text));
}

void TAdvStrings::DeleteByValue(std::string_view text) {
  int index;
  if (!Find(text, index)) Error("Delete", "'" + std::string(text) + "' not found in list");
  CloseSlot(index);
}
