// TAdvSet: a set of 32-bit integers kept as sorted, disjoint closed ranges
// [Low, High]. Ranges that touch or overlap are joined, so two neighbouring
// ranges always have at least one missing number between them. The alert's
// hit numbers are kept this way: long runs of consecutive numbers cost one
// entry.
//
// Persisted as field "Count" (number of ranges) and field "Integers" (the
// ranges as little-endian signed 32-bit Low, High pairs, 8 bytes a range),
// between the plain begin/end markers of an object.
//
// Thread safety: none; one thread at a time (see TAdvItems).
#pragma once

#include <cstdint>
#include <vector>

#include "core/AdvValueItems.h"

struct TAdvRange {
  int32_t Low = 0;
  int32_t High = 0;
  friend bool operator==(const TAdvRange&, const TAdvRange&) = default;
};

class TAdvSet : public TAdvValueItems<TAdvRange> {
  ADV_CLASS(TAdvSet)

  TAdvSet();

  const TAdvRange& GetRange(int index) const { return GetItem(index); }

  // Adds every number of [low, high]; raises when low > high.
  void AddRange(int32_t low, int32_t high);
  void AddValue(int32_t value) { AddRange(value, value); }
  // Removes every number of [low, high]; raises when low > high.
  void RemoveRange(int32_t low, int32_t high);
  void RemoveValue(int32_t value) { RemoveRange(value, value); }
  bool Contains(int32_t value) const { return IndexOfValue(value) >= 0; }
  // Index of the range holding `value`, or -1.
  int IndexOfValue(int32_t value) const;
  void Union(const TAdvSet& other);
  void Subtract(const TAdvSet& other);
  void Intersect(const TAdvSet& other);
  // Low end of the first range / high end of the last; 0 when empty.
  int32_t Min() const;
  int32_t Max() const;
  // How many numbers the set holds.
  int64_t MemberCount() const;

  int CompareEntries(const TAdvRange& a, const TAdvRange& b) const override;
  int Limit() const override { return 268435454; }
  void Define(TAdvFiler& filer) override;
  // A set is stored whole by Define, not entry by entry.
  void Load(TAdvFiler& filer) override { TAdvPersistent::Load(filer); }
  void Save(TAdvFiler& filer) override { TAdvPersistent::Save(filer); }

 protected:
  ~TAdvSet() override = default;

 private:
  // Placing a range without the set's rules would break its invariants.
  using TAdvValueItems::Insert;

  void DefineRead(TAdvFiler& filer, int32_t count);
  // Makes `ranges` (sorted, disjoint, not touching) the whole content.
  void ReplaceRanges(const std::vector<TAdvRange>& ranges);
};
