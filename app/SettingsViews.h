// What the settings need from windows and list views to restore and store
// their layout, without knowing the toolkit: the user interface implements
// these small interfaces for its windows and list views, and tells the
// settings where the desktop lies.
//
// Thread safety: user-interface thread only.
#pragma once

#include <cstdint>
#include <string>

// A rectangle in desktop pixels.
struct TScreenArea {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;

  int32_t Right() const { return Left + Width; }
  int32_t Bottom() const { return Top + Height; }
  friend bool operator==(const TScreenArea&, const TScreenArea&) = default;
};

// The virtual desktop spanning all monitors. The user interface sets it at
// start-up, before the settings are made, and whenever the screens change;
// until then it is 1024 x 768 at the origin.
TScreenArea DesktopArea();
void SetDesktopArea(const TScreenArea& area);

class TLayoutWindow {
 public:
  virtual ~TLayoutWindow() = default;
  // The bounds the window has in its normal (not maximised) state.
  virtual TScreenArea NormalBounds() const = 0;
  virtual void SetNormalBounds(const TScreenArea& bounds) = 0;
  virtual bool IsMaximised() const = 0;
  // True maximises the window, false puts it in its normal state.
  virtual void SetMaximised(bool maximised) = 0;
};

class TLayoutListView {
 public:
  virtual ~TLayoutListView() = default;
  virtual int ColumnCount() const = 0;
  virtual std::string ColumnCaption(int column) const = 0;
  virtual int32_t ColumnWidth(int column) const = 0;
  virtual void SetColumnWidth(int column, int32_t width) = 0;
  // 1 ascending, -1 descending, 0 not sorted by this column.
  virtual int ColumnSortOrder(int column) const = 0;
  virtual void SetColumnSortOrder(int column, int order) = 0;
};
