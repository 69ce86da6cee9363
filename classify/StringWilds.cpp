#include "classify/StringWilds.h"

ADV_CLASS_IMPL(TStringWild, TAdvMask)
ADV_CLASS_IMPL(TStringWilds, TAdvMasks)

// SetMask runs here rather than in the base constructor, so a bad mask is
// reported under this class's name.
TStringWild::TStringWild(std::string_view value, std::string_view mask) : m_value(value) {
  SetMask(mask);
}

void TStringWild::Assign(const TAdvObject& source) {
  TAdvMask::Assign(source);
  m_value = static_cast<const TStringWild&>(source).m_value;
}

size_t TStringWild::SizeInBytes() const {
  return TAdvMask::SizeInBytes() - sizeof(TAdvMask) + sizeof(*this) + m_value.capacity();
}

int TStringWilds::AddWild(std::string_view value, std::string_view mask) {
  return Add(AdvNew<TStringWild>(value, mask));
}

int TStringWilds::Add(TAdvRef<TAdvMask> mask) {
  if (!mask) Error("Add", "Cannot add a null mask");
  if (!AdvCast<TStringWild>(mask.Get()))
    Error("Add", "Invalid item class \"" + mask->ClassName() + "\"");
  // Lengths never increase along the list: the entry goes before the first
  // one that is not longer than itself.
  const size_t length = mask->Mask().size();
  int low = 0, high = Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (Masks(middle)->Mask().size() > length)
      low = middle + 1;
    else
      high = middle;
  }
  Insert(low, std::move(mask));
  return low;
}
