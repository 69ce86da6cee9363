#include "core/AdvLists.h"

#include <functional>

#include "core/AdvAscii.h"
#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TAdvList, TAdvItems)
ADV_CLASS_IMPL(TAdvObjects, TAdvList)
ADV_CLASS_IMPL(TAdvNamed, TAdvPersistent)
ADV_CLASS_IMPL(TAdvNamedList, TAdvList)

TAdvList::~TAdvList() {
  Clear();
}

void TAdvList::SetItem(int index, TAdvObject* object) {
  CheckIndex(index, "SetItem");
  m_objects.Set(index, object);
}

void TAdvList::Sort(ObjectCompare compare) {
  SortByIndex([&](int a, int b) { return compare(Entry(a), Entry(b)); });
}

int TAdvList::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  if (std::less<TAdvObject*>()(a, b)) return -1;
  return a == b ? 0 : 1;
}

int TAdvList::CompareByIndex(int a, int b) const {
  return CompareEntries(Entry(a), Entry(b));
}

void TAdvList::DefineEntry(TAdvFiler& filer, int index) {
  TAdvObject*& slot = m_objects.At(index);
  filer.Field("Object").DefineObject(slot, ItemClass());
  // A file may name any registered class; only the list's own kind of entry
  // is kept, so later casts to the item class are safe.
  if (filer.IsReader() && slot && !slot->IsClassByName(ItemClass())) {
    TAdvObject::Release(std::exchange(slot, nullptr));
    Error("Validate", "Can only contain objects descended from " + std::string(ItemClass()->Name));
  }
}

void TAdvList::AssignEntry(const TAdvItems& source, int index) {
  TAdvObject* object = static_cast<const TAdvList&>(source).Entry(index);
  m_objects.Set(index, object ? object->Clone() : nullptr);
}

size_t TAdvList::SizeInBytes() const {
  size_t size = TAdvItems::SizeInBytes();
  for (int i = 0; i < Count(); ++i)
    if (Entry(i)) size += Entry(i)->SizeInBytes();
  return size;
}

void TAdvList::Validate(const TAdvObject* object) const {
  if (object && !object->IsClassByName(ItemClass()))
    Error("Validate", "Can only contain objects descended from " + std::string(ItemClass()->Name));
}

int TAdvList::IndexOf(TAdvObject* object) const {
  int index;
  return Search([&](int i) { return CompareEntries(Entry(i), object); }, index) ? index : -1;
}

bool TAdvList::PlaceObject(TAdvObject* object, int& index) {
  if (Placement([&](int i) { return CompareEntries(Entry(i), object); }, index)) return true;
  if (Duplicates() == TAdvDuplicates::Error) Error("Add", "Item already exists in list");
  return false;
}

int TAdvList::Add(TAdvObject* object) {
  int index;
  if (!PlaceObject(object, index)) {
    // Ignore: the equal entry stays and the list was handed this reference.
    TAdvObject::Release(object);
    return index;
  }
  OpenSlot(index);
  m_objects.Set(index, object);
  return index;
}

void TAdvList::Insert(int index, TAdvObject* object) {
  CheckInsertIndex(index, "Insert");
  OpenSlot(index);
  m_objects.Set(index, object);
}

TAdvObject* TAdvList::ExtractLast() {
  if (Count() == 0) return nullptr;
  const int last = Count() - 1;
  TAdvObject* object = std::exchange(m_objects.At(last), nullptr);
  CloseSlot(last);
  return object;
}

void TAdvList::Remove(TAdvObject* object) {
  const int index = IndexOf(object);
  if (index < 0) Error("Remove", "Object not found in list.");
  CloseSlot(index);
}

void TAdvList::DisposeEntry(int index) {
  TAdvObject::Release(std::exchange(m_objects.At(index), nullptr));
}

// ---------------------------------------------------------------------------

void TAdvNamed::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  m_name = static_cast<const TAdvNamed&>(source).m_name;
}

void TAdvNamed::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("Name").DefineString(m_name);
}

// ---------------------------------------------------------------------------

// A null entry (a Nil read from a file) orders before every named one.
int TAdvNamedList::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  return CompareName(static_cast<TAdvNamed*>(a), static_cast<TAdvNamed*>(b)->Name());
}

int TAdvNamedList::IndexOf(TAdvObject* object) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (Entry(i) == object) return i;
  return -1;
}

int TAdvNamedList::CompareName(const TAdvNamed* entry, std::string_view name) const {
  return entry ? CompareTextAscii(entry->Name(), name) : -1;
}

int TAdvNamedList::IndexByName(std::string_view name) const {
  int index;
  return Search([&](int i) { return CompareName(static_cast<TAdvNamed*>(Entry(i)), name); }, index)
             ? index
             : -1;
}

TAdvNamed* TAdvNamedList::GetByName(std::string_view name) const {
  const int index = IndexByName(name);
  return index < 0 ? nullptr : static_cast<TAdvNamed*>(Entry(index));
}
