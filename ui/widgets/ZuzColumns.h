// The columns of a list view: header and footer texts, width, visibility,
// alignment, header image, sort order and whether clipped cells show a hint.
//
// Plain persistable classes, so a view's layout is saved with its window and
// tested without a display. The class names and the stored field names are
// file format:
//
//   TZuzColumn   "Header" "Footer" "Width" "Visible" "Horizontal" "Vertical"
//                "Image" "Order" "Hint"
//   TZuzColumns  "Header" "Footer", then the columns
//
// Values read from a file are brought into range (a negative width becomes 0,
// an unknown alignment or order its default), so a damaged file cannot make
// the view draw outside its cells.
//
// Thread safety: none; main thread.
#pragma once

#include <cstdint>
#include <string>

#include "core/AdvLists.h"

enum class TZuzHorizontal : uint8_t { Left = 0, Right = 1, Centre = 2 };
enum class TZuzVertical : uint8_t { Top = 0, Centre = 2 };
enum class TZuzOrder : uint8_t { None = 0, Ascending = 1, Descending = 2 };

class TZuzColumn : public TAdvPersistent {
  ADV_CLASS(TZuzColumn)

  static constexpr int32_t kMaxWidth = 32767;

  // +1 ascending, -1 descending, 0 unsorted.
  int Direction() const;
  void SetDirection(int direction);

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;

  std::string Header;
  std::string Footer;
  int32_t Width = 80;
  bool Visible = true;
  TZuzHorizontal Horizontal = TZuzHorizontal::Left;
  TZuzVertical Vertical = TZuzVertical::Centre;
  int32_t Image = -1;  // header image in the view's image list; -1 none
  TZuzOrder Order = TZuzOrder::None;
  bool Hint = true;  // show the full text of clipped cells

 protected:
  ~TZuzColumn() override = default;
};

class TZuzColumns : public TAdvList {
  ADV_CLASS(TZuzColumns)

  TZuzColumn* Column(int index) const { return static_cast<TZuzColumn*>(GetItem(index)); }
  // Appends a column; the arguments follow the order a column is written in
  // a window's design.
  TZuzColumn* AddColumn(const std::string& header, const std::string& footer = {},
                        int32_t width = 80, bool visible = true,
                        TZuzHorizontal horizontal = TZuzHorizontal::Left,
                        TZuzVertical vertical = TZuzVertical::Centre, int32_t image = -1,
                        TZuzOrder order = TZuzOrder::None, bool hint = true);

  // The sort toggle the owners call on a header click: a column already
  // sorted switches between ascending and descending; any other column
  // becomes ascending and every other column loses its order.
  void ToggleSort(int index);
  // The first column with an order, or -1.
  int SortedColumn() const;
  // The sum of the visible columns' widths.
  int VisibleWidth() const;
  // The first visible column, or -1.
  int FirstVisible() const;

  TAdvClass ItemClass() const override { return &TZuzColumn::ClassInfo; }
  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;
  // Reads the columns and drops empty (nil) entries a file may hold.
  void Load(TAdvFiler& filer) override;

  bool Header = true;  // the header row is shown
  bool Footer = true;  // the footer row is shown

 protected:
  ~TZuzColumns() override = default;
};

// Registers the persistable classes of ui/widgets with the class factory.
void RegisterWidgetClasses();
