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

TStringWilds::TStringWilds() {
  SetSorted(true);
}

int TStringWilds::AddWild(std::string_view value, std::string_view mask) {
  TAdvRef<TStringWild> wild = AdvNew<TStringWild>(value, mask);
  const int index = Add(wild.Get());
  wild.Detach();  // the list holds it now
  return index;
}

int TStringWilds::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  if (!a || !b) return a ? -1 : (b ? 1 : 0);  // empty slots last
  const size_t x = static_cast<TStringWild*>(a)->Mask().size();
  const size_t y = static_cast<TStringWild*>(b)->Mask().size();
  return x > y ? -1 : (x < y ? 1 : 0);
}

int TStringWilds::IndexOf(TAdvObject* object) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (Entry(i) == object) return i;
  return -1;
}
