#include "documents/AdvTables.h"

#include "core/AdvAscii.h"
#include "core/AdvFormats.h"
#include "core/AdvNumbers.h"

ADV_CLASS_IMPL(TAdvColumn, TAdvObject)
ADV_CLASS_IMPL(TAdvColumns, TAdvList)
ADV_CLASS_IMPL(TAdvTable, TAdvObject)
ADV_CLASS_IMPL(TAdvVirtualTable, TAdvTable)

void TAdvColumn::Assign(const TAdvObject& source) {
  TAdvObject::Assign(source);
  const auto& column = static_cast<const TAdvColumn&>(source);
  Alignment = column.Alignment;
  Header = column.Header;
  Footer = column.Footer;
  Visible = column.Visible;
  Width = column.Width;
}

// ---------------------------------------------------------------------------

void TAdvColumns::Assign(const TAdvObject& source) {
  TAdvList::Assign(source);
  const auto& columns = static_cast<const TAdvColumns&>(source);
  TableWidth = columns.TableWidth;
  ShowHeader = columns.ShowHeader;
  ShowFooter = columns.ShowFooter;
}

void TAdvColumns::SetEqualWidths() {
  if (Count() == 0) return;
  const std::string width = AdvFormat("%d%%", {100 / Count()});
  for (int i = 0; i < Count(); ++i) GetItem(i)->Width = width;
}

TAdvColumn* TAdvColumns::AddColumn() {
  auto* column = new TAdvColumn();
  Add(column);
  return column;
}

TAdvColumn* TAdvColumns::ColumnAt(int index) {
  if (index < 0) CheckIndex(index, "ColumnAt");
  while (Count() <= index) AddColumn()->Visible = false;
  return GetItem(index);
}

int TAdvColumns::IndexByHeader(std::string_view header) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (SameTextAscii(GetItem(i)->Header, header)) return i;
  return -1;
}

int TAdvColumns::VisibleCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i)->Visible) ++count;
  return count;
}

// ---------------------------------------------------------------------------

TAdvTable::TAdvTable() : m_columns(new TAdvColumns()) {}

std::string TAdvTable::CellText(int column) {
  return FormatNumber(column, NumberAt(column));
}

void TAdvTable::SetColumnCount(int count) {
  while (m_columns->Count() < count) m_columns->AddColumn();
  while (m_columns->Count() > count && m_columns->Count() > 0)
    m_columns->DeleteByIndex(m_columns->Count() - 1);
}

std::string TAdvTable::FormatNumber(int column, double value) {
  return RealText(value);
}

// ---------------------------------------------------------------------------

std::string TAdvVirtualTable::CellText(int column) {
  if (!m_onCellText) return {};
  return m_onCellText(*this, column, m_row);
}

void TAdvVirtualTable::SetRow(int row) {
  m_row = row;
  SetRowClass(row % 2 == 0 ? "RowEven" : "RowOdd");
}

void TAdvVirtualTable::First() {
  SetRow(0);
}

void TAdvVirtualTable::Next() {
  SetRow(m_row + 1);
}
