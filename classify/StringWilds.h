// Masks that carry a replacement value, and the wildcard index of the alias
// tables: a list of them kept longest mask first, so that a text translates
// through the most specific pattern that matches it (10.1.* before 10.*).
//
// Thread safety: as TAdvMasks; translating through an unchanging list may run
// on several threads at once, changing it needs exclusive use.
#pragma once

#include <string>
#include <string_view>

#include "classify/AdvMasks.h"

class TStringWild : public TAdvMask {
  ADV_CLASS(TStringWild)
  TStringWild() = default;
  // Compiles the mask at once; raises the mask error for a bad one.
  TStringWild(std::string_view value, std::string_view mask);

  const std::string& Value() const { return m_value; }
  void SetValue(std::string_view value) { m_value.assign(value); }
  // The value, not the mask text.
  std::string ResultText() const override { return m_value; }

  void Assign(const TAdvObject& source) override;
  size_t SizeInBytes() const override;

 protected:
  ~TStringWild() override = default;

 private:
  std::string m_value;
};

// Kept ordered by the length of the mask text, longest first, at all times
// (a sorted list whose comparison is the length); duplicates are allowed. A
// new entry goes before every entry of the same length, so among equally long
// masks the one added last is tried first. Insert places an entry where it is
// told, like Insert of any sorted list: the caller keeps the order.
class TStringWilds : public TAdvMasks {
  ADV_CLASS(TStringWilds)
  TStringWilds();

  // Creates a TStringWild and inserts it at its place; returns its index.
  int AddWild(std::string_view value, std::string_view mask);
  TStringWild* Wilds(int index) const { return ItemAs<TStringWild>(index); }
  // A wild whose value is the mask text itself.
  int AddMask(std::string_view mask) override { return AddWild(mask, mask); }

  // Longer mask text first.
  int CompareEntries(TAdvObject* a, TAdvObject* b) const override;
  TAdvClass ItemClass() const override { return &TStringWild::ClassInfo; }
  // By identity, so that Remove takes out that very entry and not another
  // mask of the same length.
  int IndexOf(TAdvObject* object) const override;

 protected:
  ~TStringWilds() override = default;
};
