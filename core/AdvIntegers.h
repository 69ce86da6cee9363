// Lists of numbers: TAdvIntegers (signed 32-bit, also readable and writable
// as one text joined by Separator, "," by default) and TAdvBooleans (one byte
// per entry). Both order numerically.
//
// Thread safety: none; one thread at a time (see TAdvItems).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvValueItems.h"

class TAdvIntegers : public TAdvValueItems<int32_t> {
  ADV_CLASS(TAdvIntegers)

  TAdvIntegers() = default;

  const std::string& Separator() const { return m_separator; }
  void SetSeparator(std::string separator) { m_separator = std::move(separator); }
  // The entries in decimal joined by Separator.
  std::string AsText() const;
  // Replaces the entries with the numbers in `text` (split at Separator,
  // blanks around each ignored, added with Add). A piece that is not a
  // 32-bit integer raises and leaves the list unchanged.
  void SetAsText(std::string_view text);

  int CompareEntries(const int32_t& a, const int32_t& b) const override;
  void DefineEntry(TAdvFiler& filer, int index) override;
  int Limit() const override { return 536870910; }

  // Index at which the value now stands (see Duplicates); under Error
  // raises "Item already exists in list (%d)".
  virtual int Add(int32_t value);
  // Deletes the entry equal to `value`; "'%d' not found in list" otherwise.
  virtual void DeleteByValue(int32_t value);

 protected:
  ~TAdvIntegers() override = default;

 private:
  std::string m_separator = ",";
};

class TAdvBooleans : public TAdvValueItems<uint8_t> {
  ADV_CLASS(TAdvBooleans)

  TAdvBooleans() = default;

  bool GetItem(int index) const { return TAdvValueItems::GetItem(index) != 0; }
  void SetItem(int index, bool value) { TAdvValueItems::SetItem(index, value ? 1 : 0); }

  int CompareEntries(const uint8_t& a, const uint8_t& b) const override;
  void DefineEntry(TAdvFiler& filer, int index) override;
  int Limit() const override { return 2147483646; }

  int IndexOf(bool value) const { return TAdvValueItems::IndexOf(value ? 1 : 0); }
  bool Exists(bool value) const { return IndexOf(value) >= 0; }
  void Insert(int index, bool value) { TAdvValueItems::Insert(index, value ? 1 : 0); }
  // As TAdvIntegers::Add, the value shown as 0 or 1.
  virtual int Add(bool value);
  virtual void DeleteByValue(bool value);

 protected:
  ~TAdvBooleans() override = default;
};
