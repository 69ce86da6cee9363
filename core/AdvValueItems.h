// TAdvValueItems<T>: the storage and the find/index/exists/insert operations
// shared by the collections whose entries are plain values (integers,
// booleans, untyped references, method references, pairs, ranges). Each
// concrete class adds its comparison, its Add and delete-by-value with the
// messages of its kind of entry, its persistence and its Limit.
//
// Entries are not owned objects: deleting one disposes of nothing else.
// Thread safety: none; one thread at a time (see TAdvItems).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/AdvItems.h"
#include "core/AdvSlots.h"

template <class T>
class TAdvValueItems : public TAdvItems {
 public:
  using ValueCompare = TAdvFunctionRef<int(const T& a, const T& b)>;

  const T& GetItem(int index) const {
    CheckIndex(index, "GetItem");
    return m_items.Get(index);
  }
  // Overwrites the entry; no order or duplicate check.
  void SetItem(int index, T value) {
    CheckIndex(index, "SetItem");
    m_items.Set(index, std::move(value));
  }

  using TAdvItems::Sort;
  void Sort(ValueCompare compare) {
    SortByIndex([&](int a, int b) { return compare(m_items.Get(a), m_items.Get(b)); });
  }

  // The class's ordering of two entries.
  virtual int CompareEntries(const T& a, const T& b) const = 0;
  int CompareByIndex(int a, int b) const override {
    return CompareEntries(m_items.Get(a), m_items.Get(b));
  }
  void AssignEntry(const TAdvItems& source, int index) override {
    m_items.Set(index, static_cast<const TAdvValueItems&>(source).m_items.Get(index));
  }

  // True when an equal entry exists; `index` is its index, or where it would go.
  virtual bool Find(const T& value, int& index) const {
    return Search([&](int i) { return CompareEntries(m_items.Get(i), value); }, index);
  }
  virtual int IndexOf(const T& value) const {
    int index;
    return Find(value, index) ? index : -1;
  }
  virtual bool Exists(const T& value) const { return IndexOf(value) >= 0; }
  // Places the value at `index` (0..Count) without order or duplicate checks.
  virtual void Insert(int index, T value) {
    CheckInsertIndex(index, "Insert");
    OpenSlot(index);
    m_items.Set(index, std::move(value));
  }

 protected:
  ~TAdvValueItems() override = default;

  void ResizeStorage(int capacity) override { m_items.Resize(capacity); }
  void MoveEntries(int from, int to, int count) override { m_items.Move(from, to, count); }
  void ClearEntries(int from, int count) override { m_items.Clear(from, count); }
  void ExchangeEntries(int a, int b) override { m_items.Swap(a, b); }
  void DisposeEntry(int index) override { m_items.Dispose(index); }
  size_t SlotSize() const override { return m_items.SlotSize(); }

  // Adds by the list's rules (see TAdvItems::Placement); under Duplicates =
  // Error raises "Item already exists in list" followed by `describe(value)`.
  template <class Describe>
  int AddValue(T value, Describe describe) {
    int index;
    if (!Placement([&](int i) { return CompareEntries(m_items.Get(i), value); }, index)) {
      if (Duplicates() == TAdvDuplicates::Error) Error("Add", describe(value));
      return index;
    }
    OpenSlot(index);
    m_items.Set(index, std::move(value));
    return index;
  }

  // Unchecked access for code that has checked the index.
  T& Entry(int index) { return m_items.At(index); }
  const T& Entry(int index) const { return m_items.Get(index); }

 private:
  TAdvSlots<T> m_items;
};

// Three-way comparison of two ordered values.
template <class T>
int AdvCompareValues(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}
