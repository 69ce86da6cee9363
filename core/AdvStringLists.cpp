#include "core/AdvStringLists.h"

#include "core/AdvAscii.h"
#include "core/AdvFilers.h"
#include "core/AdvStrings.h"

ADV_CLASS_IMPL(TAdvStringList, TAdvList)

TAdvStringList::~TAdvStringList() {
  Clear();
}

const std::string& TAdvStringList::GetString(int index) const {
  CheckIndex(index, "GetString");
  return m_strings.Get(index);
}

void TAdvStringList::SetString(int index, std::string text) {
  CheckIndex(index, "SetString");
  m_strings.Set(index, std::move(text));
}

void TAdvStringList::SetCaseSensitive(bool caseSensitive) {
  if (caseSensitive == m_caseSensitive) return;
  m_caseSensitive = caseSensitive;
  if (Sorted()) Sort();
}

std::string TAdvStringList::AsText() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    if (i > 0) text += m_separator;
    text += m_strings.Get(i);
  }
  return text;
}

void TAdvStringList::SetAsText(std::string_view text) {
  Clear();
  AdvSplitText(text, m_separator,
               [this](std::string_view piece) { AddString(std::string(piece)); });
}

int TAdvStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return m_caseSensitive ? CompareStrAscii(a, b) : CompareTextAscii(a, b);
}

int TAdvStringList::CompareByIndex(int a, int b) const {
  return CompareStrings(m_strings.Get(a), m_strings.Get(b));
}

void TAdvStringList::DefineEntry(TAdvFiler& filer, int index) {
  TAdvList::DefineEntry(filer, index);
  filer.Field("String").DefineString(m_strings.At(index));
}

void TAdvStringList::AssignEntry(const TAdvItems& source, int index) {
  TAdvList::AssignEntry(source, index);
  m_strings.Set(index, static_cast<const TAdvStringList&>(source).m_strings.Get(index));
}

size_t TAdvStringList::SizeInBytes() const {
  size_t size = TAdvList::SizeInBytes();
  for (int i = 0; i < Count(); ++i) size += m_strings.Get(i).capacity();
  return size;
}

int TAdvStringList::IndexOf(TAdvObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (Entry(i) == object) return i;
  return -1;
}

int TAdvStringList::Add(TAdvObject* object) {
  return AddString({}, object);
}

bool TAdvStringList::FindString(std::string_view text, int& index) const {
  return Search([&](int i) { return CompareStrings(m_strings.Get(i), text); }, index);
}

int TAdvStringList::IndexOfString(std::string_view text) const {
  int index;
  return FindString(text, index) ? index : -1;
}

int TAdvStringList::AddString(std::string text, TAdvObject* object) {
  int index;
  if (!Placement([&](int i) { return CompareStrings(m_strings.Get(i), text); }, index)) {
    if (Duplicates() == TAdvDuplicates::Error)
      Error("Add", "Item already exists in list (" + text + ")");
    TAdvObject::Release(object);
    return index;
  }
  InsertString(index, std::move(text), object);
  return index;
}

void TAdvStringList::InsertString(int index, std::string text, TAdvObject* object) {
  CheckInsertIndex(index, "Insert");
  OpenSlot(index);
  SetItem(index, object);
  m_strings.Set(index, std::move(text));
}

void TAdvStringList::DeleteByValue(std::string_view text) {
  int index;
  if (!FindString(text, index)) Error("Delete", "'" + std::string(text) + "' not found in list");
  CloseSlot(index);
}

void TAdvStringList::ResizeStorage(int capacity) {
  TAdvList::ResizeStorage(capacity);
  m_strings.Resize(capacity);
}

void TAdvStringList::MoveEntries(int from, int to, int count) {
  TAdvList::MoveEntries(from, to, count);
  m_strings.Move(from, to, count);
}

void TAdvStringList::ClearEntries(int from, int count) {
  TAdvList::ClearEntries(from, count);
  m_strings.Clear(from, count);
}

void TAdvStringList::ExchangeEntries(int a, int b) {
  TAdvList::ExchangeEntries(a, b);
  m_strings.Swap(a, b);
}

void TAdvStringList::DisposeEntry(int index) {
  TAdvList::DisposeEntry(index);
  m_strings.Dispose(index);
}
