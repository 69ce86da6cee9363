// TAdvStringMatch: a list of key/value text pairs, ordered and searched by
// key ignoring ASCII case. GetMatch/SetMatch use it as a small map: with
// Forced set a missing key reads as Default and writing one adds the pair;
// without Forced a missing key raises.
//
// Thread safety: none; one thread at a time (see TAdvItems).
#pragma once

#include <string>
#include <string_view>

#include "core/AdvValueItems.h"

struct TAdvStringPair {
  std::string Key;
  std::string Value;
};

class TAdvStringMatch : public TAdvValueItems<TAdvStringPair> {
  ADV_CLASS(TAdvStringMatch)

  TAdvStringMatch() = default;

  const std::string& GetKey(int index) const { return GetItem(index).Key; }
  const std::string& GetValue(int index) const { return GetItem(index).Value; }
  void SetValue(int index, std::string value);

  bool Forced() const { return m_forced; }
  void SetForced(bool forced) { m_forced = forced; }
  const std::string& Default() const { return m_default; }
  void SetDefault(std::string value) { m_default = std::move(value); }

  // Keys compare ignoring ASCII case.
  virtual int CompareKeys(std::string_view a, std::string_view b) const;
  int CompareEntries(const TAdvStringPair& a, const TAdvStringPair& b) const override;
  void DefineEntry(TAdvFiler& filer, int index) override;
  int Limit() const override { return 268435454; }
  size_t SizeInBytes() const override;

  using TAdvValueItems::Insert;
  void Insert(int index, std::string key, std::string value) {
    Insert(index, TAdvStringPair{std::move(key), std::move(value)});
  }
  // Index at which the pair now stands (see Duplicates); under Error raises
  // "Key already exists in list (%s=%s)".
  virtual int Add(std::string key, std::string value);
  // Index of an entry with this key, or -1.
  virtual int IndexByKey(std::string_view key) const;
  bool ExistsByKey(std::string_view key) const { return IndexByKey(key) >= 0; }
  // Index of an entry with this key and value (both ignoring ASCII case), or -1.
  virtual int IndexByKeyAndValue(std::string_view key, std::string_view value) const;
  bool ExistsByKeyAndValue(std::string_view key, std::string_view value) const {
    return IndexByKeyAndValue(key, value) >= 0;
  }
  // The value of `key`; Default when missing and Forced, else raises.
  const std::string& GetMatch(std::string_view key) const;
  // Sets the value of `key`; adds the pair when missing and Forced, else raises.
  void SetMatch(std::string_view key, std::string value);
  // Deletes the entry with this key; "'%s' not found in list" otherwise.
  virtual void DeleteByKey(std::string_view key);

 protected:
  ~TAdvStringMatch() override = default;

 private:
  bool m_forced = false;
  std::string m_default;
};
