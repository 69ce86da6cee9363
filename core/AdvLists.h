// Owning lists of objects: TAdvList (ordered by identity unless a descendant
// compares otherwise), TAdvObjects (the same, under its own name), TAdvNamed
// (an object with a Name) and TAdvNamedList (a list of them ordered by name).
//
// Ownership: a list owns one reference to every entry. Add and Insert take
// over the caller's reference (under Duplicates = Ignore an equal entry makes
// Add release the new object at once; when Add raises, the caller still owns
// it). Deleting, clearing and destroying the list Release the entries; a
// caller that needs an entry after the list lets go of it Retains it first.
//
// Thread safety: none; one thread at a time (see TAdvItems).
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/AdvItems.h"
#include "core/AdvSlots.h"

class TAdvList : public TAdvItems {
  ADV_CLASS(TAdvList)

  using ObjectCompare = TAdvFunctionRef<int(TAdvObject* a, TAdvObject* b)>;

  TAdvList() = default;

  TAdvObject* GetItem(int index) const {
    CheckIndex(index, "GetItem");
    return m_objects.Get(index);
  }
  // Overwrites the entry without releasing the old one (it is the caller's).
  void SetItem(int index, TAdvObject* object);
  // The entry as T; unchecked, for lists that only hold T.
  template <class T>
  T* ItemAs(int index) const {
    return static_cast<T*>(GetItem(index));
  }

  using TAdvItems::Sort;
  void Sort(ObjectCompare compare);

  // The class's ordering of two entries: identity in the base.
  virtual int CompareEntries(TAdvObject* a, TAdvObject* b) const;
  int CompareByIndex(int a, int b) const override;
  void DefineEntry(TAdvFiler& filer, int index) override;
  void AssignEntry(const TAdvItems& source, int index) override;
  int Limit() const override { return 536870910; }
  size_t SizeInBytes() const override;

  // Raises "Can only contain objects descended from %s" unless `object` is
  // null or of ItemClass (by name). Add and Insert do not call it.
  virtual void Validate(const TAdvObject* object) const;
  virtual TAdvClass ItemClass() const { return &TAdvObject::ClassInfo; }
  // Index of the entry the list's search finds equal to `object`, or -1.
  virtual int IndexOf(TAdvObject* object) const;
  virtual bool Exists(TAdvObject* object) const { return IndexOf(object) >= 0; }
  // Index at which the object now stands (see Duplicates); takes ownership.
  virtual int Add(TAdvObject* object);
  // Places the object at `index` (0..Count) without order or duplicate
  // checks; takes ownership.
  virtual void Insert(int index, TAdvObject* object);
  // The last entry, now owned by the caller; null when the list is empty.
  virtual TAdvObject* ExtractLast();
  // Deletes the entry IndexOf finds; "Object not found in list." otherwise.
  virtual void Remove(TAdvObject* object);

 protected:
  ~TAdvList() override;

  void ResizeStorage(int capacity) override { m_objects.Resize(capacity); }
  void MoveEntries(int from, int to, int count) override { m_objects.Move(from, to, count); }
  void ClearEntries(int from, int count) override { m_objects.Clear(from, count); }
  void ExchangeEntries(int a, int b) override { m_objects.Swap(a, b); }
  void DisposeEntry(int index) override;
  size_t SlotSize() const override { return sizeof(TAdvObject*); }

  // Unchecked access for descendants that have checked the index.
  TAdvObject* Entry(int index) const { return m_objects.Get(index); }
  // Sorts by a key computed once per entry (Direction applies): `key` gives
  // each entry's key, `compare` orders two entries with their keys (<0, 0,
  // >0). For orders whose key is costly to reach (another object's field),
  // where a sort that compares through the entries would reach it n log n
  // times.
  template <class Key, class KeyOf, class Compare>
  void SortByKey(KeyOf&& key, Compare&& compare) {
    struct TKeyed {
      Key Value;
      TAdvObject* Object;
    };
    std::vector<TKeyed> keyed;
    keyed.reserve(size_t(Count()));
    for (int i = 0; i < Count(); ++i) keyed.push_back({key(Entry(i)), Entry(i)});
    std::sort(keyed.begin(), keyed.end(), [&](const TKeyed& a, const TKeyed& b) {
      return Directed(compare(a.Value, a.Object, b.Value, b.Object)) < 0;
    });
    // A permutation of the same references: no count changes.
    for (int i = 0; i < Count(); ++i) m_objects.At(i) = keyed[size_t(i)].Object;
  }
  // Index at which `object` goes; see TAdvItems::Placement. Raises under
  // Duplicates = Error with "Item already exists in list".
  bool PlaceObject(TAdvObject* object, int& index);

 private:
  TAdvInlineSlots<TAdvObject*> m_objects;  // Capacity slots; those past Count are null
};

class TAdvObjects : public TAdvList {
  ADV_CLASS(TAdvObjects)

 protected:
  ~TAdvObjects() override = default;
};

// An object known by a name (triggers, profiles, alerts, extensions ...).
class TAdvNamed : public TAdvPersistent {
  ADV_CLASS(TAdvNamed)

  TAdvNamed() = default;
  explicit TAdvNamed(std::string name) : m_name(std::move(name)) {}

  const std::string& Name() const { return m_name; }
  virtual void SetName(const std::string& name) { m_name = name; }

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;
  size_t SizeInBytes() const override { return sizeof(*this) + m_name.capacity(); }

 protected:
  ~TAdvNamed() override = default;

  std::string m_name;
};

// A list of TAdvNamed ordered by Name, ignoring ASCII case.
class TAdvNamedList : public TAdvList {
  ADV_CLASS(TAdvNamedList)

  TAdvNamed* GetItem(int index) const { return static_cast<TAdvNamed*>(TAdvList::GetItem(index)); }

  int CompareEntries(TAdvObject* a, TAdvObject* b) const override;
  TAdvClass ItemClass() const override { return &TAdvNamed::ClassInfo; }
  // By identity, from the last entry down.
  int IndexOf(TAdvObject* object) const override;

  // Compares an entry's name with a text (ASCII case ignored).
  virtual int CompareName(const TAdvNamed* entry, std::string_view name) const;
  // Index of an entry with this name by the list's search, or -1.
  virtual int IndexByName(std::string_view name) const;
  virtual bool ExistsByName(std::string_view name) const { return IndexByName(name) >= 0; }
  // The entry with this name, or null.
  TAdvNamed* GetByName(std::string_view name) const;

 protected:
  ~TAdvNamedList() override = default;
};
