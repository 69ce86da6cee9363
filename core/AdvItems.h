// TAdvItems: the abstract indexed collection every list of the library is
// built on. It owns the bookkeeping (Count, Capacity, Sorted, Duplicates,
// Direction), growth, the one search routine, sorting, and the persisted form
// of a collection; the concrete class owns the storage (one contiguous array)
// and says how entries are disposed of, moved, compared and persisted.
//
// Indexes are checked in every build: reading or writing outside 0..Count-1
// raises EAdvItems instead of touching memory that is not an entry.
//
// Thread safety: none. A collection is used by one thread at a time; owners
// that share one across threads hold their own lock around every use.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "core/AdvPersistents.h"

// How Add treats an entry equal to one already present.
enum class TAdvDuplicates : uint8_t {
  Accept = 0,  // keep both; a sorted list puts the new one before the equal ones
  Ignore = 1,  // keep the existing entry, return its index
  Error = 2,   // raise "Item already exists in list ..."
};

// A non-owning reference to a callable, for comparisons passed down to the
// search and sort routines without allocating. The callable must outlive the
// call it is passed to.
template <class Signature>
class TAdvFunctionRef;

template <class R, class... Args>
class TAdvFunctionRef<R(Args...)> {
 public:
  template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TAdvFunctionRef> &&
                                              std::is_invocable_r_v<R, F&, Args...>>>
  TAdvFunctionRef(F&& f)  // NOLINT(google-explicit-constructor)
      : m_object(const_cast<void*>(static_cast<const void*>(&f))),
        m_call([](void* object, Args... args) -> R {
          return (*static_cast<std::remove_reference_t<F>*>(object))(std::forward<Args>(args)...);
        }) {}
  R operator()(Args... args) const { return m_call(m_object, std::forward<Args>(args)...); }

 private:
  void* m_object;
  R (*m_call)(void*, Args...);
};

class TAdvItems : public TAdvPersistent {
  ADV_CLASS(TAdvItems)
  ADV_RAISES(EAdvItems)

  // Compares the entry at an index with a key: <0 entry below the key, 0
  // equal, >0 above. Direction is applied by the caller, not by the function.
  using KeyCompare = TAdvFunctionRef<int(int index)>;
  // Compares the entries at two indexes.
  using IndexCompare = TAdvFunctionRef<int(int a, int b)>;

  TAdvItems() = default;

  int Count() const { return m_count; }
  // Shrinking disposes of entries from the end; growing opens empty entries.
  void SetCount(int count);
  int Capacity() const { return m_capacity; }
  // Below Count, the entries beyond are disposed of. Raises past Limit.
  void SetCapacity(int capacity);
  bool Sorted() const { return m_sorted; }
  // True sorts at once; false leaves the order as it is.
  void SetSorted(bool sorted);
  TAdvDuplicates Duplicates() const { return m_duplicates; }
  void SetDuplicates(TAdvDuplicates duplicates) { m_duplicates = duplicates; }
  // +1 ascending (default) or -1 descending; a sorted list re-sorts on change.
  int Direction() const { return m_direction; }
  void SetDirection(int direction);

  // Deletes (and disposes of) the entry at `index`.
  void DeleteByIndex(int index);
  // Swaps two entries; both indexes must exist.
  void Exchange(int a, int b);
  // Orders the entries with the class's own comparison.
  void Sort();
  // Orders the entries with a comparison of two indexes (Direction applies);
  // the typed Sort(compare) of each concrete class is built on it.
  void SortByIndex(IndexCompare compare);

  void Assign(const TAdvObject& source) override;
  size_t SizeInBytes() const override;
  // The collection's persisted form: its own Define, then one
  // "Item[i]"-named Begin/entry/End group per entry until the end marker.
  void Load(TAdvFiler& filer) override;
  void Save(TAdvFiler& filer) override;

  // Persists the entry at `index`; nothing in the base.
  virtual void DefineEntry(TAdvFiler& filer, int index) {}
  // Copies entry `index` of `source` (a collection of the same kind) into
  // the (empty) slot `index` of this one.
  virtual void AssignEntry(const TAdvItems& source, int index) {}
  // The class's default ordering of the entries at two indexes.
  virtual int CompareByIndex(int a, int b) const = 0;
  // Greatest capacity allowed; the base raises "Limit not specified.".
  virtual int Limit() const;
  virtual bool ExistsByIndex(int index) const { return index >= 0 && index < m_count; }
  // Disposes of every entry; Count and Capacity become 0.
  virtual void Clear();
  // Makes room at `index` (0..Count): grows if full, shifts the entries from
  // `index` up by one and leaves the slot empty.
  virtual void OpenSlot(int index);
  // Disposes of the entry at `index` and shifts the entries above down.
  virtual void CloseSlot(int index);

 protected:
  ~TAdvItems() override = default;

  // Storage primitives of the concrete class, driven by the operations
  // above; calling them from outside would break Count's invariants.
  // Reallocates storage to exactly `capacity` slots; new slots are empty.
  // The entries at and beyond `capacity` have been disposed of already.
  virtual void ResizeStorage(int capacity) = 0;
  // Moves `count` entries from `from` to `to`; the ranges may overlap. The
  // vacated slots keep stale copies that the caller overwrites or clears.
  virtual void MoveEntries(int from, int to, int count) = 0;
  // Empties `count` slots from `from` without disposing of anything.
  virtual void ClearEntries(int from, int count) = 0;
  virtual void ExchangeEntries(int a, int b) = 0;

  // The single search routine. Unsorted: the first equal entry, else not
  // found with `index` = Count. Sorted: binary search; unless Duplicates is
  // Accept it stops at the first equal entry met, otherwise `index` is the
  // first entry not below the key (the leftmost equal one when found).
  bool Search(KeyCompare compare, int& index) const;
  // Where a new entry with this key goes. Returns false, with `index` set to
  // the equal entry, when Duplicates is not Accept and one exists; the caller
  // then raises (Error) or returns that index (Ignore).
  bool Placement(KeyCompare compare, int& index) const;
  // Raises "Index %d out of bounds (0..%d)" unless 0 <= index < Count.
  void CheckIndex(int index, std::string_view operation) const {
    if (index < 0 || index >= m_count) [[unlikely]]
      RaiseIndexError(index, m_count - 1, operation);
  }
  // The same for an insertion point, 0..Count.
  void CheckInsertIndex(int index, std::string_view operation) const;
  void RaiseIndexError(int index, int last, std::string_view operation) const;
  // Disposes of the entry at `index` (owning classes); the slot is then empty.
  virtual void DisposeEntry(int index) {}
  // Storage bytes per slot, for SizeInBytes.
  virtual size_t SlotSize() const { return 4; }

  // Applies Direction to a comparison result, keeping only its sign.
  int Directed(int result) const {
    return result < 0 ? -m_direction : (result > 0 ? m_direction : 0);
  }

 private:
  void Grow();
  void QuickSort(IndexCompare compare, int low, int high);

  int m_count = 0;
  int m_capacity = 0;  // slots the storage holds; Count <= Capacity
  bool m_sorted = false;
  TAdvDuplicates m_duplicates = TAdvDuplicates::Accept;
  int m_direction = 1;
};
