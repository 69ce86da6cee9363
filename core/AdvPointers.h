// Lists that point at things they do not own: TAdvPointers (untyped
// references, ordered by identity) and TAdvPointerMatch (pairs of 32-bit
// integers, ordered and searched by key). Deleting an entry never disposes
// of what it points to. Neither persists references: TAdvPointers stores
// nothing per entry, TAdvPointerMatch stores its integers.
//
// Thread safety: none; one thread at a time (see TAdvItems).
#pragma once

#include <cstdint>

#include "core/AdvValueItems.h"

class TAdvPointers : public TAdvValueItems<void*> {
  ADV_CLASS(TAdvPointers)

  TAdvPointers() = default;

  int CompareEntries(void* const& a, void* const& b) const override;
  int Limit() const override { return 536870910; }

  // Index at which the pointer now stands (see Duplicates); under Error
  // raises "Item already exists in list".
  virtual int Add(void* pointer);
  // Deletes the entry IndexOf finds; "Pointer not found in list" otherwise.
  virtual void Remove(void* pointer);

 protected:
  ~TAdvPointers() override = default;
};

struct TAdvIntegerPair {
  int32_t Key = 0;
  int32_t Value = 0;
};

class TAdvPointerMatch : public TAdvValueItems<TAdvIntegerPair> {
  ADV_CLASS(TAdvPointerMatch)

  TAdvPointerMatch() = default;

  int32_t GetKey(int index) const { return GetItem(index).Key; }
  int32_t GetValue(int index) const { return GetItem(index).Value; }
  void SetValue(int index, int32_t value);

  int CompareEntries(const TAdvIntegerPair& a, const TAdvIntegerPair& b) const override;
  void DefineEntry(TAdvFiler& filer, int index) override;
  int Limit() const override { return 268435454; }

  // Index at which the pair now stands (see Duplicates); under Error raises
  // "Key already exists in list (%d=%d)".
  virtual int Add(int32_t key, int32_t value);
  virtual int IndexByKey(int32_t key) const;
  bool ExistsByKey(int32_t key) const { return IndexByKey(key) >= 0; }
  // The value of `key`; raises when the key is missing.
  int32_t GetMatch(int32_t key) const;
  // Sets the value of an existing key; raises when the key is missing.
  void SetMatch(int32_t key, int32_t value);
  // Deletes the entry with this key; "'%d' not found in list" otherwise.
  virtual void DeleteByKey(int32_t key);

 protected:
  ~TAdvPointerMatch() override = default;
};
