// Chained hash tables of owned entries.
//
// TAdvHashable is an entry: a 32-bit hash code and the link to the next
// entry of its bucket's chain. Two entries are equal when their codes are;
// TAdvStringHashable adds a Name, from which the code is computed, and
// equality also asks for the same name ignoring ASCII case.
//
// TAdvHash owns its entries (Add takes the caller's reference, Remove and
// Clear Release them) in Capacity buckets; an Add that finds Count at
// Threshold (Capacity x Balance) grows the table first. Growing picks and
// checks the new size before any entry moves, so a table that cannot grow
// raises and still holds every entry. TAdvStringHash finds names by walking
// the bucket of the name's code, and removes or forces them through one
// spare key entry that it owns, so none of these allocates per call.
//
// Changing an entry's code (its name) while it is in a table strands it in
// the wrong bucket: remove it, rename it, add it again.
//
// Thread safety: none. Forcing and removing by name write the spare key, so
// a table is used by one thread at a time; owners that share one hold their
// own lock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvAscii.h"
#include "core/AdvPersistents.h"

class TAdvHash;

class TAdvHashable : public TAdvPersistent {
  ADV_CLASS(TAdvHashable)

  TAdvHashable() = default;

  uint32_t HashCode() const { return m_code; }
  void SetHashCode(uint32_t code) { m_code = code; }
  // The next entry of the same bucket while the entry is in a table.
  TAdvHashable* Next() const { return m_next; }

  // Equal codes; descendants with a key add their own test.
  virtual bool Equals(const TAdvHashable& other) const { return m_code == other.m_code; }
  void Assign(const TAdvObject& source) override;

 protected:
  ~TAdvHashable() override = default;

 private:
  friend class TAdvHash;

  uint32_t m_code = 0;
  TAdvHashable* m_next = nullptr;  // owned by the table's chain, not by the entry
};

class TAdvStringHashable : public TAdvHashable {
  ADV_CLASS(TAdvStringHashable)

  TAdvStringHashable() = default;
  explicit TAdvStringHashable(std::string_view name) { SetName(name); }

  // Sum over k = 2..n of up(c[k-1]) * up(c[k]) * k, wrapping at 32 bits,
  // with up() raising only a..z; 0 for names shorter than two characters.
  static uint32_t HashOf(std::string_view name);

  const std::string& Name() const { return m_name; }
  // Sets the name (reusing the text's storage) and recomputes the code.
  virtual void SetName(std::string_view name);

  // Equal codes and names equal ignoring ASCII case.
  bool Equals(const TAdvHashable& other) const override;
  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;
  size_t SizeInBytes() const override { return sizeof(*this) + m_name.capacity(); }

 protected:
  ~TAdvStringHashable() override = default;

 private:
  std::string m_name;
};

class TAdvHash : public TAdvPersistent {
  ADV_CLASS(TAdvHash)

  TAdvHash() = default;

  int Count() const { return m_count; }
  int Capacity() const { return int(m_buckets.size()); }
  // Rebuilds the bucket array at `capacity` buckets; the entries are kept
  // and spread over the new buckets. Recomputes Threshold.
  void SetCapacity(int capacity);
  double Balance() const { return m_balance; }
  // Fill ratio that triggers growth; must be a positive number.
  void SetBalance(double balance);
  // Integer part of Capacity x Balance: the Count at which Add grows first.
  int Threshold() const { return m_threshold; }

  // The head of a bucket's chain (0 <= index < Capacity), for walking.
  TAdvHashable* BucketHead(int index) const { return m_buckets[size_t(index)]; }
  // Calls `visit(entry)` for every entry, bucket by bucket, chains from the head.
  template <class F>
  void ForEach(F&& visit) const {
    for (TAdvHashable* head : m_buckets)
      for (TAdvHashable* entry = head; entry;) {
        TAdvHashable* next = entry->m_next;
        visit(entry);
        entry = next;
      }
  }

  void Assign(const TAdvObject& source) override;
  size_t SizeInBytes() const override;
  // Field "Balance".
  void Define(TAdvFiler& filer) override;
  // Begin, Define, one Begin/object/End group per entry, End. Loading adds
  // to the entries already present.
  void Load(TAdvFiler& filer) override;
  void Save(TAdvFiler& filer) override;
  // Whether Save writes the entry; all are written unless a table says so.
  virtual bool SavesEntry(const TAdvHashable& entry) const;

  // Bucket index of an entry: its code, unsigned, modulo Capacity.
  virtual int BucketOf(const TAdvHashable& entry) const;
  // A new entry equal to `entry`: its Clone.
  virtual TAdvHashable* Duplicate(const TAdvHashable& entry) const;
  // Picks the next capacity (2 x Capacity + 1) and rebuilds the buckets.
  // Raises "Unable to expand table past %d" (operation "Expand") when there
  // is none; the table is then unchanged.
  virtual void Grow();
  // Makes room for more entries: Grow.
  virtual void Rehash();
  // Releases every entry; the buckets stay.
  virtual void Clear();
  // Takes ownership of `entry` (on an error the caller keeps it) and links
  // it at the head of its chain, growing first when Count reached Threshold.
  virtual void Add(TAdvHashable* entry);
  // Releases the entry equal to `key`; "Item not found in hash." otherwise.
  virtual void Remove(const TAdvHashable& key);
  // The entry equal to `key`, or a Duplicate of the key added and returned.
  virtual TAdvHashable* Force(const TAdvHashable& key);
  // The entry equal to `key`, or null. The table keeps ownership.
  virtual TAdvHashable* Get(const TAdvHashable& key) const;
  virtual bool Exists(const TAdvHashable& key) const { return Get(key) != nullptr; }
  // The class of the entries; loaded objects must be of it.
  virtual TAdvClass EntryClass() const { return &TAdvHashable::ClassInfo; }

 protected:
  ~TAdvHash() override;

  // The entry of class Named (one with a Name) whose code is `code` and
  // whose name is `name`, ASCII case ignored: the bucket walk of Get without
  // a key entry, for tables whose entries' codes are their names' hashes.
  template <class Named>
  Named* FindNamed(uint32_t code, std::string_view name) const {
    if (m_buckets.empty()) return nullptr;
    for (TAdvHashable* entry = m_buckets[code % uint32_t(m_buckets.size())]; entry;
         entry = entry->m_next) {
      if (entry->HashCode() != code) continue;
      auto* named = AdvCast<Named>(entry);
      if (named && SameTextAscii(named->Name(), name)) return named;
    }
    return nullptr;
  }

 private:
  void UpdateThreshold();

  std::vector<TAdvHashable*> m_buckets;  // chain heads; size is Capacity
  int m_count = 0;
  int m_threshold = 0;  // int(Capacity * Balance), at most INT32_MAX
  double m_balance = 0.85;
};

// A hash of TAdvStringHashable entries with look-ups by name.
class TAdvStringHash : public TAdvHash {
  ADV_CLASS(TAdvStringHash)

  TAdvStringHash() = default;

  TAdvClass EntryClass() const override { return &TAdvStringHashable::ClassInfo; }

  TAdvStringHashable* GetByName(std::string_view name) const;
  bool ExistsByName(std::string_view name) const { return GetByName(name) != nullptr; }
  // Raises "Item not found in hash." when there is no such entry.
  void RemoveByName(std::string_view name);
  // The entry of this name, made (a copy of the spare key) when missing.
  TAdvStringHashable* ForceByName(std::string_view name);

 protected:
  ~TAdvStringHash() override = default;

  // The spare key named `name`; made of EntryClass on first use.
  TAdvStringHashable& Key(std::string_view name) const;

 private:
  mutable TAdvRef<TAdvStringHashable> m_spare;
};

// The entries of a stored table as TAdvHash::Load reads them after the
// table's own fields, for tables kept otherwise that share its form: each
// Begin/object/End group up to the End (left for the caller to read), the
// object made of `entryClass` or a class descended from it and handed to
// `take`; a stored nil is skipped. Errors are raised as `owner`'s.
void LoadHashEntries(const TAdvObject& owner, TAdvFiler& filer, TAdvClass entryClass,
                     const std::function<void(TAdvRef<TAdvObject>)>& take);
