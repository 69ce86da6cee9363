// TAdvPool: a fixed number of objects of one class, created up front.
//
// The hit store keeps the page it read last in a pool of 256 records and
// reaches them by slot (Get). A pool can also hand objects out (Take) and take
// them back (Give), keeping at most its size: a pool that is empty makes a
// new object, and one that is full releases what it is given.
//
// Ownership: the pool owns the objects in its slots. Take hands one reference
// to the caller; Give takes over the caller's reference.
//
// Thread safety: none; one thread at a time.
#pragma once

#include <vector>

#include "core/AdvObjects.h"

class TAdvPool : public TAdvObject {
  ADV_CLASS(TAdvPool)

  TAdvPool() = default;
  // `size` new objects of `itemClass`.
  TAdvPool(TAdvClass itemClass, int size);

  // Releases what the pool holds and fills it anew.
  void SetUp(TAdvClass itemClass, int size);

  TAdvClass ItemClass() const { return m_itemClass; }
  // How many objects the pool keeps at most.
  int Size() const { return m_size; }
  // How many it holds now.
  int Count() const { return int(m_objects.size()); }

  // The object in a slot (0..Count-1); raises for any other slot.
  TAdvObject* Get(int slot) const;
  template <class T>
  T* GetAs(int slot) const {
    return static_cast<T*>(Get(slot));
  }

  // An object for the caller: the last one held, or a new one.
  TAdvObject* Take();
  // Keeps the object when there is room, releases it otherwise.
  void Give(TAdvObject* object);

 protected:
  ~TAdvPool() override;

 private:
  void ReleaseAll();

  TAdvClass m_itemClass = nullptr;
  int m_size = 0;
  std::vector<TAdvObject*> m_objects;  // owned
};
