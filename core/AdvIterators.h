// Iterators over the collections and hashes: First/Next walk forwards,
// Last/Back backwards, More tells whether there is a current entry.
//
// An iterator keeps a reference to what it walks, so the collection lives at
// least as long as the iterator. Changing a list while walking it by index
// shifts the entries under the iterator. The hash iterator fetches the next
// entry before the caller looks at the current one, so the current entry
// (and only that one) may be removed during the walk; an Add that grows the
// table reorders it and ends the walk's guarantees.
//
// Thread safety: none; an iterator and what it walks belong to one thread.
#pragma once

#include <cstdint>
#include <string>

#include "core/AdvHashes.h"
#include "core/AdvItems.h"
#include "core/AdvLists.h"
#include "core/AdvSets.h"
#include "core/AdvStrings.h"

class TAdvIterator : public TAdvObject {
  ADV_CLASS(TAdvIterator)
  ADV_RAISES(EAdvIterator)

  // The base walks nothing; each raises "Not supported by this iterator".
  virtual void First();
  virtual void Last();
  virtual void Next();
  virtual bool More() const { return false; }
  virtual void Back();

 protected:
  ~TAdvIterator() override = default;
};

// Walks any collection by index.
class TAdvItemsIterator : public TAdvIterator {
  ADV_CLASS(TAdvItemsIterator)

  TAdvItemsIterator() = default;
  explicit TAdvItemsIterator(TAdvItems* items) { SetItems(items); }

  // Retains `items`; the walk starts over with First or Last.
  void SetItems(TAdvItems* items);
  // The current entry's index; valid while More.
  int Index() const { return m_index; }

  void First() override { m_index = 0; }
  void Last() override;
  void Next() override { ++m_index; }
  bool More() const override { return m_items && m_items->ExistsByIndex(m_index); }
  void Back() override { --m_index; }

 protected:
  ~TAdvItemsIterator() override = default;
  // Raises "No current entry" unless More.
  void CheckCurrent() const;

  TAdvRef<TAdvItems> m_items;
  int m_index = -1;
};

class TAdvListIterator : public TAdvItemsIterator {
  ADV_CLASS(TAdvListIterator)

  TAdvListIterator() = default;
  explicit TAdvListIterator(TAdvList* list) : TAdvItemsIterator(list) {}

  TAdvObject* Current() const;

 protected:
  ~TAdvListIterator() override = default;
};

class TAdvStringsIterator : public TAdvItemsIterator {
  ADV_CLASS(TAdvStringsIterator)

  TAdvStringsIterator() = default;
  explicit TAdvStringsIterator(TAdvStrings* strings) : TAdvItemsIterator(strings) {}

  const std::string& Current() const;

 protected:
  ~TAdvStringsIterator() override = default;
};

// Forward walk of a hash, bucket by bucket, each chain from its head.
// Last and Back are not supported.
class TAdvHashIterator : public TAdvIterator {
  ADV_CLASS(TAdvHashIterator)

  TAdvHashIterator() = default;
  explicit TAdvHashIterator(TAdvHash* hash) { SetHash(hash); }

  void SetHash(TAdvHash* hash);
  // The current entry; the hash keeps ownership. Raises when there is none.
  TAdvHashable* Current() const;

  void First() override;
  void Next() override;
  bool More() const override { return m_current != nullptr; }

 protected:
  ~TAdvHashIterator() override = default;

 private:
  // Finds the first entry at or after bucket `from` into m_next.
  void FetchFrom(int from);

  TAdvRef<TAdvHash> m_hash;
  TAdvHashable* m_current = nullptr;
  TAdvHashable* m_next = nullptr;  // fetched ahead, so m_current may be removed
  int m_nextBucket = 0;            // bucket of m_next
};

// Every number of a set, ascending (First, Next) or descending (Last, Back).
class TAdvSetIterator : public TAdvIterator {
  ADV_CLASS(TAdvSetIterator)

  TAdvSetIterator() = default;
  explicit TAdvSetIterator(TAdvSet* set) { SetSet(set); }

  void SetSet(TAdvSet* set);
  // The current number; raises when there is none.
  int32_t Current() const;

  void First() override;
  void Last() override;
  void Next() override;
  bool More() const override;
  void Back() override;

 protected:
  ~TAdvSetIterator() override = default;

 private:
  TAdvRef<TAdvSet> m_set;
  int m_range = -1;     // index of the range holding the current number
  int64_t m_value = 0;  // wide, so stepping past INT32_MAX cannot overflow
};
