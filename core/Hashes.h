// The application's keyed hash: THashable entries (a Name with its own hash
// function) in a THash whose bucket counts are primes, so the large tables
// (users, sites, summaries, addresses, formats) spread their codes evenly.
// A THash makes its first InitialCapacity (1009) buckets at the first Add,
// which lets a descendant's InitialCapacity take effect; it grows along a
// fixed table of primes and refuses to grow past 16313537 buckets, keeping
// every entry.
//
// Look-ups by name walk the bucket of the name's code; forcing and removing
// by name go through one spare key entry of EntryClass that the table owns:
// no allocation per call once the key's text has room.
//
// Thread safety: none; forcing and removing write the spare key (see
// AdvHashes.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvHashes.h"

class THashable : public TAdvHashable {
  ADV_CLASS(THashable)

  THashable() = default;
  explicit THashable(std::string_view name) { SetName(name); }

  // Sum over k = 0..n-1 of ((up(c[k]) - 65) and 255) * 27^k, wrapping at 32
  // bits, with up() raising only a..z; 0 for an empty name.
  static uint32_t HashOf(std::string_view name);

  const std::string& Name() const { return m_name; }
  // Sets the name (reusing the text's storage) and recomputes the code.
  virtual void SetName(std::string_view name);

  // Equal codes and names equal ignoring ASCII case.
  bool Equals(const TAdvHashable& other) const override;
  void Assign(const TAdvObject& source) override;
  // Field "Name" (descendants define their own fields after it); reading
  // recomputes the code.
  void Define(TAdvFiler& filer) override;
  size_t SizeInBytes() const override { return sizeof(*this) + m_name.capacity(); }

 protected:
  ~THashable() override = default;

 private:
  std::string m_name;
};

class THash : public TAdvHash {
  ADV_CLASS(THash)

  // The largest bucket count of the prime table; a table there cannot grow.
  static constexpr int kLargestCapacity = 16313537;
  // The first prime of the table that is at least 2 x capacity + 1, or 0
  // when there is none.
  static int NextPrimeCapacity(int capacity);

  THash() = default;

  // Grows to InitialCapacity from no buckets, else to NextPrimeCapacity;
  // raises "Unable to expand table past 16313537" (operation "Expand") with
  // the table unchanged when there is no larger prime.
  void Grow() override;
  TAdvClass EntryClass() const override { return &THashable::ClassInfo; }

  // Buckets made at the first Add.
  virtual int InitialCapacity() const { return 1009; }
  // A new entry of EntryClass with this name, added and returned (the table
  // owns it). No duplicate check.
  virtual THashable* AddEntry(std::string_view name);
  // Raises "Item not found in hash." when there is no such entry.
  virtual void RemoveByName(std::string_view name);
  virtual bool ExistsByName(std::string_view name) const { return GetByName(name) != nullptr; }
  // The entry of this name, made (a copy of the spare key) when missing.
  virtual THashable* ForceByName(std::string_view name);
  // The entry of this name, or null. Walks the bucket of HashOf(name)
  // directly (entries match as THashable::Equals does) and never touches
  // the spare key.
  THashable* GetByName(std::string_view name) const;

 protected:
  ~THash() override = default;

  // The spare key named `name`; made of EntryClass on first use.
  THashable& Key(std::string_view name) const;

 private:
  mutable TAdvRef<THashable> m_spare;
};
