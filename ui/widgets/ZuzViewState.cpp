#include "ui/widgets/ZuzViewState.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/Clock.h"

TZuzViewState::TZuzViewState() : m_selection(AdvNew<TAdvSet>()) {}

void TZuzViewState::FireSelect(int index) const {
  if (!SuppressEvents && OnSelect) OnSelect(index);
}

void TZuzViewState::FireDeselect(int index) const {
  if (!SuppressEvents && OnDeselect) OnDeselect(index);
}

void TZuzViewState::SetCount(int count) {
  count = std::max(0, count);
  if (count < m_count && m_selection->Count() > 0 && m_selection->Max() >= count)
    m_selection->RemoveRange(count, INT32_MAX);
  m_count = count;
  if (m_focus >= count) m_focus = count - 1;
  if (m_anchor >= count) m_anchor = count - 1;
  if (AlwaysSelected && count > 0 && m_selection->Count() == 0) {
    if (m_focus < 0) m_focus = 0;
    m_selection->AddValue(m_focus);
  }
  SetTopRow(m_top);
}

void TZuzViewState::Select(int index) {
  if (index < 0 || index >= m_count || IsSelected(index)) return;
  m_selection->AddValue(index);
  FireSelect(index);
}

void TZuzViewState::Deselect(int index) {
  if (!IsSelected(index)) return;
  if (AlwaysSelected && SelectedCount() == 1) return;
  m_selection->RemoveValue(index);
  FireDeselect(index);
}

void TZuzViewState::Toggle(int index) {
  if (IsSelected(index))
    Deselect(index);
  else
    Select(index);
}

void TZuzViewState::SelectRange(int a, int b) {
  a = std::clamp(a, 0, m_count - 1);
  b = std::clamp(b, 0, m_count - 1);
  if (m_count == 0) return;
  m_selection->AddRange(std::min(a, b), std::max(a, b));
  FireSelect(b);
}

void TZuzViewState::DeselectAll() {
  if (m_selection->Count() == 0) return;
  ClearSilently();
  FireSelect(-1);
}

void TZuzViewState::Focus(int index) {
  if (index < -1 || index >= m_count) return;
  const int old = m_focus;
  m_focus = index;
  m_anchor = index;
  // Select first, so that an AlwaysSelected view may let the old row go.
  Select(index);
  if (old >= 0 && old != index) Deselect(old);
  ScrollIntoView(index);
}

void TZuzViewState::SetTopRow(int top) {
  m_top = std::clamp(top, 0, MaxTopRow());
}

void TZuzViewState::SetPage(int fullRows, int visibleRows) {
  m_fullRows = std::max(1, fullRows);
  m_visibleRows = std::max(m_fullRows, visibleRows);
  SetTopRow(m_top);
}

int TZuzViewState::MaxTopRow() const {
  return std::max(0, m_count - m_fullRows);
}

int TZuzViewState::LastFullRow() const {
  if (m_count == 0) return -1;
  return std::min(m_count - 1, m_top + m_fullRows - 1);
}

bool TZuzViewState::ScrollIntoView(int index) {
  if (index < 0 || index >= m_count) return false;
  const int old = m_top;
  if (index < m_top)
    SetTopRow(index);
  else if (index > m_top + m_fullRows - 1)
    SetTopRow(index - m_fullRows + 1);
  return m_top != old;
}

int TZuzViewState::PageStep() const {
  return std::max(1, m_visibleRows - 2);
}

void TZuzViewState::Click(int row, bool shift, bool ctrl) {
  if (row < 0 || row >= m_count) {
    if (AlwaysSelected) return;
    if (m_focus >= 0) Deselect(m_focus);
    m_focus = -1;
    FireSelect(-1);
    return;
  }
  if (shift && MultiSelect) {
    if (m_anchor < 0) m_anchor = m_focus >= 0 ? m_focus : row;
    if (!ctrl) ClearSilently();
    m_focus = row;
    SelectRange(m_anchor, row);
  } else if (ctrl) {
    if (!MultiSelect) {
      const bool was = IsSelected(row);
      ClearSilently();
      if (was) m_selection->AddValue(row);
    }
    Toggle(row);
    m_anchor = row;
    m_focus = row;
  } else {
    ClearSilently();
    m_focus = row;
    m_anchor = row;
    Select(row);
  }
  ScrollIntoView(row);
}

void TZuzViewState::MoveTo(int target, bool extend) {
  if (extend && MultiSelect) {
    if (m_anchor < 0) m_anchor = m_focus >= 0 ? m_focus : target;
    ClearSilently();
    m_focus = target;
    SelectRange(m_anchor, target);
  } else {
    ClearSilently();
    m_focus = target;
    m_anchor = target;
    Select(target);
  }
  ScrollIntoView(target);
}

bool TZuzViewState::Navigate(TZuzKey key, bool shift) {
  if (m_count == 0) return false;
  const int f = m_focus;
  int target = 0;
  switch (key) {
    case TZuzKey::Up:
      target = f < 0 ? 0 : std::max(0, f - 1);
      break;
    case TZuzKey::Down:
      target = f < 0 ? 0 : std::min(m_count - 1, f + 1);
      break;
    case TZuzKey::Home:
      target = 0;
      break;
    case TZuzKey::End:
      target = m_count - 1;
      break;
    case TZuzKey::PageUp:
      target = f != m_top ? std::min(m_top, m_count - 1) : std::max(0, f - PageStep());
      break;
    case TZuzKey::PageDown: {
      const int last = LastFullRow();
      target = f != last ? last : std::min(m_count - 1, f + PageStep());
      break;
    }
  }
  const bool moved = target != f || !IsSelected(target);
  MoveTo(target, shift);
  return moved;
}

bool TZuzTypeAhead::Type(std::string_view typed, const TFind& find, int& index) {
  const uint32_t now = platform::TickCount();
  if (m_text.empty() || uint32_t(now - m_lastTick) > kPauseMs) m_text.clear();
  m_lastTick = now;
  m_text += typed;
  const int start = index;
  if (find && find(m_text, index)) return true;
  if (m_text.size() == typed.size()) return false;
  m_text = std::string(typed);
  index = start;
  return find && find(m_text, index);
}

namespace zuzlayout {

int RowHeight(int textHeight, int rowHeightProperty, int imagesHeight, int statesHeight) {
  const int base = std::max({textHeight, rowHeightProperty, imagesHeight, statesHeight});
  return std::max(rowHeightProperty, base + 2);
}

int FillRowHeight(int rowHeight, int areaHeight, int count, int rowHeightMax) {
  if (count <= 0 || rowHeight <= 0 || VisibleRows(areaHeight, rowHeight) < count) return rowHeight;
  return std::max(rowHeight, std::min(areaHeight / count, rowHeightMax));
}

int VisibleRows(int areaHeight, int rowHeight) {
  return rowHeight > 0 ? std::max(0, areaHeight) / rowHeight + 1 : 1;
}

int FullRows(int areaHeight, int rowHeight) {
  return rowHeight > 0 ? std::max(1, areaHeight / rowHeight) : 1;
}

int WrappedCaptionWidth(int width, int rowHeight, int textHeight) {
  const int lines = textHeight > 0 ? std::max(1, rowHeight / textHeight) : 1;
  return int(std::lrint(double(width) / lines * (1.0 + (lines - 1) / 10.0)));
}

int BarWidth(int width, double bar) {
  return int(std::lrint(width * std::clamp(bar, 0.0, 1.0)));
}

}  // namespace zuzlayout
