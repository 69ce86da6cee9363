#include "app/SettingsLists.h"

#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TVexaPosition, TAdvNamed)
ADV_CLASS_IMPL(TVexaPositions, TAdvNamedList)
ADV_CLASS_IMPL(TVexaColumn, TAdvNamed)
ADV_CLASS_IMPL(TVexaColumns, TAdvNamedList)
ADV_CLASS_IMPL(TVexaGrid, TAdvNamed)
ADV_CLASS_IMPL(TVexaGrids, TAdvNamedList)
ADV_CLASS_IMPL(TVexaDock, TAdvNamed)
ADV_CLASS_IMPL(TVexaDocks, TAdvNamedList)

namespace {

// The entry of `name` in `list`, or a new T of that name added to it.
template <class T>
T* FindOrAdd(TAdvNamedList& list, std::string_view name) {
  if (TAdvNamed* found = list.GetByName(name)) return static_cast<T*>(found);
  TAdvRef<T> made = AdvNew<T>(std::string(name));
  list.Add(made.Get());
  return made.Detach();
}

}  // namespace

void TVexaPosition::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  const auto& other = static_cast<const TVexaPosition&>(source);
  Left = other.Left;
  Top = other.Top;
  Width = other.Width;
  Height = other.Height;
  Maximised = other.Maximised;
}

void TVexaPosition::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Left").DefineInteger(Left);
  filer.Field("Top").DefineInteger(Top);
  filer.Field("Width").DefineInteger(Width);
  filer.Field("Height").DefineInteger(Height);
  filer.Field("Maximised").DefineBoolean(Maximised);
}

TVexaPosition* TVexaPositions::ByName(std::string_view name) {
  return FindOrAdd<TVexaPosition>(*this, name);
}

// ---------------------------------------------------------------------------

void TVexaColumn::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  Width = static_cast<const TVexaColumn&>(source).Width;
}

void TVexaColumn::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Width").DefineInteger(Width);
}

TVexaColumn* TVexaColumns::ByName(std::string_view name) {
  return FindOrAdd<TVexaColumn>(*this, name);
}

void TVexaColumns::Assign(const TAdvObject& source) {
  TAdvNamedList::Assign(source);
  const auto& other = static_cast<const TVexaColumns&>(source);
  Sorted = other.Sorted;
  Direction = other.Direction;
}

// The sort column follows the entries, so the entries end at the first value
// that is not one: an entry opens with a begin marker (binary) or an item
// element, which the XML reader peeks as Unknown.
void TVexaColumns::Load(TAdvFiler& filer) {
  Clear();
  filer.DefineBegin();
  Define(filer);
  for (;;) {
    const TAdvFilerKind next = filer.Peek();
    if (next != TAdvFilerKind::Begin && next != TAdvFilerKind::Unknown) break;
    const int index = Count();
    const std::string name = "Item[" + std::to_string(index) + "]";
    filer.Field(name).DefineBegin();
    OpenSlot(index);
    try {
      DefineEntry(filer, index);
    } catch (...) {
      CloseSlot(index);
      throw;
    }
    filer.Field(name).DefineEnd();
  }
  filer.Field("Sorted").DefineString(Sorted);
  filer.Field("Direction").DefineInteger(Direction);
  filer.DefineEnd();
}

void TVexaColumns::Save(TAdvFiler& filer) {
  filer.DefineBegin();
  Define(filer);
  for (int i = 0; i < Count(); ++i) {
    const std::string name = "Item[" + std::to_string(i) + "]";
    filer.Field(name).DefineBegin();
    DefineEntry(filer, i);
    filer.Field(name).DefineEnd();
  }
  filer.Field("Sorted").DefineString(Sorted);
  filer.Field("Direction").DefineInteger(Direction);
  filer.DefineEnd();
}

// ---------------------------------------------------------------------------

TVexaGrid::TVexaGrid() : m_columns(AdvNew<TVexaColumns>()) {}
TVexaGrid::TVexaGrid(std::string name)
    : TAdvNamed(std::move(name)), m_columns(AdvNew<TVexaColumns>()) {}

void TVexaGrid::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  m_columns->Assign(*static_cast<const TVexaGrid&>(source).m_columns);
}

void TVexaGrid::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Columns").DefineObjectRef(m_columns);
  if (!m_columns) m_columns = AdvNew<TVexaColumns>();
}

TVexaGrid* TVexaGrids::ByName(std::string_view name) {
  return FindOrAdd<TVexaGrid>(*this, name);
}

// ---------------------------------------------------------------------------

void TVexaDock::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  GuideHidden = static_cast<const TVexaDock&>(source).GuideHidden;
}

void TVexaDock::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("GuideHidden").DefineBoolean(GuideHidden);
}

TVexaDock* TVexaDocks::ByName(std::string_view name) {
  return FindOrAdd<TVexaDock>(*this, name);
}
