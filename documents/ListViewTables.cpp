#include "documents/ListViewTables.h"

#include <algorithm>

#include "documents/MarkupText.h"

ADV_CLASS_IMPL(TListViewTable, TAdvVirtualTable)

TListViewTable::TListViewTable(const TListViewSource& view) : m_view(&view) {
  const int columns = view.ColumnCount();
  const int items = view.ItemCount();
  SetColumnCount(columns);
  SetRowCount(items);
  for (int i = 0; i < columns; ++i) {
    const TListViewColumnInfo info = view.ColumnInfo(i);
    TAdvColumn& column = *Columns().GetItem(i);
    column.Alignment = info.Alignment;
    column.Header = info.Header;
    column.Footer = info.Footer;
    column.Visible = info.Visible;
    size_t width = std::max(info.Header.size(), info.Footer.size());
    for (int item = 0; item < items; ++item)
      width = std::max(width, MarkupToPlainText(view.Caption(item, i)).size());
    column.Width = std::to_string(width);
  }
}

std::string TListViewTable::CellText(int column) {
  if (!m_view || Row() >= m_view->ItemCount()) return {};
  return MarkupToPlainText(m_view->Caption(Row(), column));
}
