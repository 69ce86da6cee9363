// Restoring and storing the remembered layout of windows and list views.
#include <algorithm>

#include "app/Settings.h"

namespace {

TScreenArea g_desktop{0, 0, 1024, 768};

// Moves a span [start, start + length) inside [low, high): a start before
// the low edge goes to it; otherwise an end past the high edge pulls the
// start back, but never before the low edge, so the window's title stays
// reachable. Computed in 64 bits: stored values may be anything.
int32_t KeepInside(int32_t start, int32_t length, int64_t low, int64_t high) {
  if (start < low) return int32_t(low);
  if (int64_t(start) + length > high) return int32_t(std::max(low, high - length));
  return start;
}

std::string_view FirstWord(std::string_view caption) {
  return caption.substr(0, caption.find(' '));
}

// The view column a stored caption belongs to, or -1. Captions may carry a
// unit that changed since ("Size (KB)" stored, "Size (MB)" shown): a column
// whose first word matches is taken, and one whose whole caption matches is
// preferred; among several matches the last wins. Comparisons are exact.
int MatchColumn(const TLayoutListView& view, std::string_view stored) {
  const int count = view.ColumnCount();
  int match = -1;
  for (int column = 0; column < count; ++column)
    if (FirstWord(view.ColumnCaption(column)) == FirstWord(stored)) match = column;
  for (int column = 0; column < count; ++column)
    if (view.ColumnCaption(column) == stored) match = column;
  return match;
}

}  // namespace

TScreenArea DesktopArea() {
  return g_desktop;
}
void SetDesktopArea(const TScreenArea& area) {
  g_desktop = area;
}

void TSettings::RestorePosition(TLayoutWindow& window, std::string_view name) {
  TVexaPosition* position = m_positions->Find(name);
  if (!position) return;
  const TScreenArea desktop = DesktopArea();
  position->Left = KeepInside(position->Left, position->Width, desktop.Left,
                              int64_t(desktop.Left) + desktop.Width);
  position->Top = KeepInside(position->Top, position->Height, desktop.Top,
                             int64_t(desktop.Top) + desktop.Height);
  window.SetNormalBounds({position->Left, position->Top, position->Width, position->Height});
  window.SetMaximised(position->Maximised);
}

void TSettings::StorePosition(const TLayoutWindow& window, std::string_view name) {
  TVexaPosition* position = PositionByName(name);
  position->Maximised = window.IsMaximised();
  if (position->Maximised) return;
  const TScreenArea bounds = window.NormalBounds();
  position->Left = bounds.Left;
  position->Top = bounds.Top;
  position->Width = bounds.Width;
  position->Height = bounds.Height;
}

void TSettings::RestoreGrid(TLayoutListView& view, std::string_view name) {
  TVexaGrid* grid = m_grids->Find(name);
  if (!grid) return;
  const TVexaColumns& columns = grid->Columns();
  for (int i = 0; i < columns.Count(); ++i) {
    const TVexaColumn* saved = columns.GetColumn(i);
    if (!saved) continue;
    const int column = MatchColumn(view, saved->Name());
    if (column >= 0) view.SetColumnWidth(column, saved->Width);
  }
  int sortColumn = MatchColumn(view, columns.Sorted);
  if (sortColumn < 0 && view.ColumnCount() > 0) sortColumn = 0;
  if (sortColumn >= 0)
    view.SetColumnSortOrder(sortColumn,
                            columns.Direction > 0 ? 1 : (columns.Direction < 0 ? -1 : 0));
}

void TSettings::StoreGrid(const TLayoutListView& view, std::string_view name) {
  TVexaColumns& columns = GridByName(name)->Columns();
  const int count = view.ColumnCount();
  int sortColumn = -1;
  for (int column = 0; column < count; ++column) {
    columns.ByName(view.ColumnCaption(column))->Width = view.ColumnWidth(column);
    if (view.ColumnSortOrder(column) != 0) sortColumn = column;
  }
  if (count == 0) {
    columns.Sorted.clear();
    columns.Direction = 0;
    return;
  }
  if (sortColumn < 0) sortColumn = 0;
  columns.Sorted = view.ColumnCaption(sortColumn);
  const int order = view.ColumnSortOrder(sortColumn);
  columns.Direction = order > 0 ? 1 : (order < 0 ? -1 : 0);
}

void TSettings::StoreGroupCollapsed(std::string_view group, bool expanded) {
  DockByName(group, *m_alerts)->GuideHidden = !expanded;
}
