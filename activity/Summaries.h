// TSummary and TSummaries: the common ground of users and sites. A summary is
// a hash-table entry keyed by its Name (ASCII case ignored) that counts the
// hits naming it; a TSummaries table finds or makes the summary a hit names
// and counts the hit in it, with one hash probe and no allocation once the
// summary exists.
//
// Thread safety: none. The activity model lives on the main thread (the
// engine's cycle, the refresh and the views share it); even look-ups write
// the table's spare key.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/Hashes.h"

class THit;

class TSummary : public THashable {
  ADV_CLASS(TSummary)

  TSummary() = default;

  // Operations in slot order.

  // Forgets everything counted; the name stays.
  virtual void ClearActivity() {}
  // Counts one hit.
  virtual void AddHit(const THit& hit) {}
  // The text of a hit that names a summary of this class (the view points
  // into the hit).
  virtual std::string_view KeyOfHit(const THit& hit) const { return {}; }
  // Adds what `other` (a summary of the same class) counted.
  virtual void MergeFrom(const TSummary& other) {}

 protected:
  ~TSummary() override = default;
};

class TSummaries : public THash {
  ADV_CLASS(TSummaries)

  TSummaries() = default;

  TAdvClass EntryClass() const override { return &TSummary::ClassInfo; }

  // The summary KeyOfHit(hit) names, made when missing (a new summary with
  // only its name set), after counting the hit in it with AddHit.
  virtual TSummary* FindForHit(const THit& hit);
  // The summary of this name, or null.
  TSummary* FindByName(std::string_view name) const {
    return static_cast<TSummary*>(GetByName(name));
  }
  // KeyOfHit of the entry class.
  std::string_view KeyOfHit(const THit& hit) const;

 protected:
  ~TSummaries() override = default;
};

// Counters of the activity model add with these: a total stops at its
// type's limit instead of wrapping into nonsense.
inline int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? INT64_MAX : INT64_MIN;
}
inline int64_t SaturatingSub(int64_t a, int64_t b) {
  int64_t difference;
  if (!__builtin_sub_overflow(a, b, &difference)) return difference;
  return b < 0 ? INT64_MAX : INT64_MIN;
}
inline int32_t SaturatingAdd32(int32_t a, int32_t b) {
  int32_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? INT32_MAX : INT32_MIN;
}
