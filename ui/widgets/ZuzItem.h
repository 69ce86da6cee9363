// TZuzItem: the presentation of one list view row, filled by the owner's
// OnData. The view keeps one item and resets it before every call, so a row
// costs nothing until it is painted and nothing is kept per row.
//
// Thread safety: main thread only.
#pragma once

#include <QColor>
#include <cstdint>
#include <string>
#include <vector>

// Cell texts in mark-up, one per column.
using TZuzCaptions = std::vector<std::string>;

struct TZuzItem {
  TZuzCaptions Captions;
  int32_t Image = -1;     // index into the view's images; -1 none
  bool Selected = false;  // whether the row is in the selection
  QColor Background;      // the view's colour
  QColor TextColour;      // the view's font colour
  QColor LinkColour;      // the view's link colour
  int32_t Indent = 0;     // levels; the first column is indented by Indent × row height
  bool Enabled = true;    // images drawn enabled or greyed
  int32_t State = 0;      // index into the view's state images; -1 none
  double Bar = -1;        // 0..1 draws a proportional bar across the row; else none

  // The caption of a column, empty when the owner gave none.
  const std::string& Caption(int column) const {
    static const std::string kEmpty;
    return column >= 0 && size_t(column) < Captions.size() ? Captions[size_t(column)] : kEmpty;
  }
  void SetCaption(int column, std::string text) {
    if (column < 0) return;
    if (size_t(column) >= Captions.size()) Captions.resize(size_t(column) + 1);
    Captions[size_t(column)] = std::move(text);
  }
  // True when any caption holds a link.
  bool HasLinks() const {
    for (const std::string& caption : Captions)
      if (caption.find("<a") != std::string::npos) return true;
    return false;
  }
};
