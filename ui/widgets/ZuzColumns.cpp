#include "ui/widgets/ZuzColumns.h"

#include <algorithm>

#include "core/AdvFactories.h"
#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TZuzColumn, TAdvPersistent)
ADV_CLASS_IMPL(TZuzColumns, TAdvList)

int TZuzColumn::Direction() const {
  switch (Order) {
    case TZuzOrder::Ascending:
      return 1;
    case TZuzOrder::Descending:
      return -1;
    case TZuzOrder::None:
      break;
  }
  return 0;
}

void TZuzColumn::SetDirection(int direction) {
  Order = direction > 0 ? TZuzOrder::Ascending
                        : (direction < 0 ? TZuzOrder::Descending : TZuzOrder::None);
}

void TZuzColumn::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& other = static_cast<const TZuzColumn&>(source);
  Header = other.Header;
  Footer = other.Footer;
  Width = other.Width;
  Visible = other.Visible;
  Horizontal = other.Horizontal;
  Vertical = other.Vertical;
  Image = other.Image;
  Order = other.Order;
  Hint = other.Hint;
}

void TZuzColumn::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("Header").DefineString(Header);
  filer.Field("Footer").DefineString(Footer);
  filer.Field("Width").DefineInteger(Width);
  filer.Field("Visible").DefineBoolean(Visible);
  filer.Field("Horizontal").DefineEnum(Horizontal);
  filer.Field("Vertical").DefineEnum(Vertical);
  filer.Field("Image").DefineInteger(Image);
  filer.Field("Order").DefineEnum(Order);
  filer.Field("Hint").DefineBoolean(Hint);
  if (!filer.IsReader()) return;
  Width = std::clamp(Width, int32_t(0), kMaxWidth);
  if (uint8_t(Horizontal) > 2) Horizontal = TZuzHorizontal::Left;
  if (Vertical != TZuzVertical::Top) Vertical = TZuzVertical::Centre;
  if (uint8_t(Order) > 2) Order = TZuzOrder::None;
  if (Image < -1) Image = -1;
}

TZuzColumn* TZuzColumns::AddColumn(const std::string& header, const std::string& footer,
                                   int32_t width, bool visible, TZuzHorizontal horizontal,
                                   TZuzVertical vertical, int32_t image, TZuzOrder order,
                                   bool hint) {
  auto* column = new TZuzColumn();
  column->Header = header;
  column->Footer = footer;
  column->Width = std::clamp(width, int32_t(0), TZuzColumn::kMaxWidth);
  column->Visible = visible;
  column->Horizontal = horizontal;
  column->Vertical = vertical;
  column->Image = image;
  column->Order = order;
  column->Hint = hint;
  Add(column);
  return column;
}

void TZuzColumns::ToggleSort(int index) {
  CheckIndex(index, "ToggleSort");
  TZuzColumn* target = Column(index);
  if (target->Order != TZuzOrder::None) {
    target->SetDirection(-target->Direction());
    return;
  }
  for (int i = 0; i < Count(); ++i) Column(i)->Order = TZuzOrder::None;
  target->Order = TZuzOrder::Ascending;
}

int TZuzColumns::SortedColumn() const {
  for (int i = 0; i < Count(); ++i)
    if (Column(i)->Order != TZuzOrder::None) return i;
  return -1;
}

int TZuzColumns::VisibleWidth() const {
  int width = 0;
  for (int i = 0; i < Count(); ++i)
    if (Column(i)->Visible) width += Column(i)->Width;
  return width;
}

int TZuzColumns::FirstVisible() const {
  for (int i = 0; i < Count(); ++i)
    if (Column(i)->Visible) return i;
  return -1;
}

void TZuzColumns::Assign(const TAdvObject& source) {
  TAdvList::Assign(source);
  const auto& other = static_cast<const TZuzColumns&>(source);
  Header = other.Header;
  Footer = other.Footer;
}

void TZuzColumns::Define(TAdvFiler& filer) {
  TAdvList::Define(filer);
  filer.Field("Header").DefineBoolean(Header);
  filer.Field("Footer").DefineBoolean(Footer);
}

void TZuzColumns::Load(TAdvFiler& filer) {
  TAdvList::Load(filer);
  for (int i = Count() - 1; i >= 0; --i)
    if (!GetItem(i)) DeleteByIndex(i);
}

void RegisterWidgetClasses() {
  AdvFactory().RegisterAll({&TZuzColumn::ClassInfo, &TZuzColumns::ClassInfo});
}
