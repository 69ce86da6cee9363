// The rows side of the list view, without a display: row count, scroll
// position, focused row, anchor and selection, and the rules by which mouse
// clicks and keys move them; the type-ahead search; the layout arithmetic.
// TZuzView (ZuzView.h) draws this state and feeds it events.
//
// Events: OnSelect(index) fires when a row enters the selection, and with -1
// when the selection is cleared or the focus leaves every row; OnDeselect(index)
// when one row leaves it. Operations that replace the whole selection (a plain
// click, a key) clear it silently and then fire OnSelect for the new row, so
// a million-row selection costs no million events.
//
// Thread safety: none; main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/AdvSets.h"

enum class TZuzKey : uint8_t { Up, Down, Home, End, PageUp, PageDown };

class TZuzViewState {
 public:
  TZuzViewState();

  int Count() const { return m_count; }
  // When the count shrinks, selected rows at or beyond it leave the
  // selection and the focused row and the anchor are clamped to count − 1
  // (or -1).
  void SetCount(int count);

  int Focused() const { return m_focus; }
  int Anchor() const { return m_anchor; }
  const TAdvSet& Selection() const { return *m_selection; }
  bool IsSelected(int index) const { return m_selection->Contains(index); }
  int64_t SelectedCount() const { return m_selection->MemberCount(); }

  void Select(int index);
  void Deselect(int index);
  void Toggle(int index);
  // Adds the rows from `a` to `b` (either order); fires OnSelect(b).
  void SelectRange(int a, int b);
  // Clears the selection; fires OnSelect(-1) when anything was selected.
  void DeselectAll();
  // Moves the single selection: the old focused row is deselected, `index`
  // focused, selected and scrolled into view; -1 leaves no row focused.
  void Focus(int index);
  // Moves only the focus mark.
  void SetFocused(int index) { m_focus = index >= -1 && index < m_count ? index : m_focus; }

  // Scrolling, in rows. `fullRows` is how many rows fit whole in the rows
  // area (at least 1); `visibleRows` counts the partly shown one as well.
  int TopRow() const { return m_top; }
  void SetTopRow(int top);
  void SetPage(int fullRows, int visibleRows);
  int FullRows() const { return m_fullRows; }
  int VisibleRows() const { return m_visibleRows; }
  int MaxTopRow() const;
  // The last row that is shown whole, or -1 without rows.
  int LastFullRow() const;
  // Makes the row visible by scrolling the least amount; true when it moved.
  bool ScrollIntoView(int index);
  // Rows a Page Up or Page Down moves past the first or last visible row:
  // the visible rows less 2, but at least one, so a view that shows one or
  // two rows still pages.
  int PageStep() const;

  // A click (on release) on `row`; a row outside 0..Count-1 is a click below
  // the last row.
  void Click(int row, bool shift, bool ctrl);
  // Moves the focus by a key; returns false when nothing moved.
  bool Navigate(TZuzKey key, bool shift);

  std::function<void(int index)> OnSelect;
  std::function<void(int index)> OnDeselect;
  bool SuppressEvents = false;
  bool MultiSelect = false;
  // One row stays selected: a click below the last row and a Ctrl-click on
  // the only selected row leave the selection as it is.
  bool AlwaysSelected = false;

 private:
  void FireSelect(int index) const;
  void FireDeselect(int index) const;
  void ClearSilently() { m_selection->Clear(); }
  void MoveTo(int target, bool extend);

  int m_count = 0;
  int m_top = 0;
  int m_fullRows = 1;
  int m_visibleRows = 1;
  int m_focus = -1;              // -1 or 0..Count-1
  int m_anchor = -1;             // -1 or 0..Count-1
  TAdvRef<TAdvSet> m_selection;  // only rows 0..Count-1
};

// Type-ahead find: each typed character extends the search text, which
// starts anew after a pause of more than kPauseMs since the previous key
// (measured on the injectable tick, platform/Clock.h).
class TZuzTypeAhead {
 public:
  static constexpr uint32_t kPauseMs = 1000;
  // Finds a row for the search text; `index` comes in as the focused row and
  // goes out as the found one.
  using TFind = std::function<bool(const std::string& text, int& index)>;

  // Adds `typed` and asks `find`; when nothing matches and the search text
  // was longer, asks again with `typed` alone (which becomes the search
  // text). Returns whether a row was found, in `index`.
  bool Type(std::string_view typed, const TFind& find, int& index);
  const std::string& Text() const { return m_text; }
  void Reset() { m_text.clear(); }

 private:
  std::string m_text;
  uint32_t m_lastTick = 0;
};

// Layout arithmetic of the view, in pixels.
namespace zuzlayout {
// The base height: the largest of the text height, RowHeight and the two
// image lists' heights; the row height is the larger of RowHeight and
// base + 2.
int RowHeight(int textHeight, int rowHeightProperty, int imagesHeight, int statesHeight);
// When every row fits (count > 0 and visible rows ≥ count), rows grow to
// fill the area, up to `rowHeightMax`.
int FillRowHeight(int rowHeight, int areaHeight, int count, int rowHeightMax);
// Rows area height ÷ row height + 1 (the partly shown row counts).
int VisibleRows(int areaHeight, int rowHeight);
// Rows shown whole; at least 1.
int FullRows(int areaHeight, int rowHeight);
// A caption that can wrap (it contains a blank) counts as
// (width ÷ lines) × (1 + (lines − 1) ÷ 10), lines = row height ÷ text height.
int WrappedCaptionWidth(int width, int rowHeight, int textHeight);
// The bar's filled part of a row `width` wide.
int BarWidth(int width, double bar);
}  // namespace zuzlayout
