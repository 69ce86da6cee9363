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

 private:
  std::string m_value;
};

// Kept ordered by the length of the mask text, longest first, at all times;
// duplicates are allowed. A new entry goes before every entry of the same
// length, so among equally long masks the one added last is tried first.
class TStringWilds : public TAdvMasks {
  ADV_CLASS(TStringWilds)
  TStringWilds() = default;

  // Creates a TStringWild and inserts it at its place; returns its index.
  int AddWild(std::string_view value, std::string_view mask);
  TStringWild* Wilds(int index) const { return static_cast<TStringWild*>(Masks(index)); }

  // Inserts at the mask's place by length; takes only TStringWild entries.
  int Add(TAdvRef<TAdvMask> mask) override;
  // A wild whose value is the mask text itself.
  int AddMask(std::string_view mask) override { return AddWild(mask, mask); }
};
