// Lays out and draws mark-up (Markup.h) in a rectangle: the one renderer
// behind list view cells, the label, the task pad's texts and the hints.
//
// Layout and drawing are separate steps, so an owner can measure first and
// align the block afterwards (a cell shifts its text right or centres it by
// the extent the layout reports). Three ways of fitting text:
//
//   Cell      the list view: text that does not fit is word-wrapped at blanks
//             while the rectangle has room for another line (a new line is
//             started only when at least two line heights remain below the
//             current line's top); otherwise it is cut at the last character
//             that fits and the layout is marked truncated. A line break with
//             no room left drops the rest, also truncated.
//   Wrap      the label with WordWrap: lines break at blanks, the height is
//             not limited, and a single word wider than the width is drawn
//             anyway.
//   Ellipsis  the label without WordWrap: one line; text that does not fit is
//             cut and ended with "...". Line breaks read as blanks.
//
// The bytes of a caption are decoded once, as a whole: valid UTF-8 as UTF-8,
// anything else as Windows-1252 (UiText.h).
//
// A hovered link is drawn differently by the two dialects: the list view
// draws it bold and underlined (which changes its width, so the hovered link
// is given to Layout); the label draws it underlined in the hover colour
// (given to Draw only).
//
// Thread safety: one renderer per control, main thread only (it caches font
// metrics).
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/widgets/Markup.h"

class QPainter;

enum class TMarkupFit : uint8_t { Cell, Wrap, Ellipsis };

struct TMarkupPiece {
  QString Text;
  QRect Rect;        // relative to the layout's origin
  uint8_t Font = 0;  // TMarkupRenderer font index: 1 bold, 2 italic, 4 underline
  int Link = -1;
  int Line = 0;
};

struct TMarkupLayout {
  std::vector<TMarkupPiece> Pieces;
  std::vector<std::string> Links;  // names, by link index
  std::vector<int> LineWidths;
  QSize Extent;  // the space actually used
  bool Truncated = false;
};

// One link region: a link's name and one rectangle its text occupies.
struct TMarkupLinkRegion {
  int Link = -1;
  std::string Name;
  QRect Rect;
};

struct TMarkupColours {
  QColor Text;
  QColor Link;
  QColor Hover;  // label: the hovered link's colour; unused by the list view
};

class TMarkupRenderer {
 public:
  static constexpr uint8_t kBold = 1;
  static constexpr uint8_t kItalic = 2;
  static constexpr uint8_t kUnderline = 4;

  explicit TMarkupRenderer(const QFont& font = QFont());

  void SetFont(const QFont& font);
  const QFont& Font() const { return m_fonts[0]; }
  // The height of one line: the tallest of the fonts the renderer uses.
  int LineHeight() const { return m_lineHeight; }
  const QFontMetrics& Metrics(uint8_t font) const;
  const QFont& FontAt(uint8_t font) const { return m_fonts[font & 7]; }

  // Lays `markup` out in a box of `width` × `height` (height is ignored by
  // Wrap and Ellipsis). `hoverLink` (list view dialect only) is the link to
  // lay out in bold underline.
  TMarkupLayout Layout(std::string_view markup, TMarkupDialect dialect, TMarkupFit fit, int width,
                       int height, int hoverLink = -1) const;
  // Shifts each line of a Wrap or Ellipsis layout inside `width` by the
  // alignment (Qt::AlignLeft, AlignRight or AlignHCenter).
  static void AlignLines(TMarkupLayout& layout, int width, Qt::Alignment alignment);

  // Draws the layout with its top-left at `origin`. `underlineLink` is drawn
  // underlined in colours.Hover (the label's hover).
  void Draw(QPainter& painter, const TMarkupLayout& layout, QPoint origin,
            const TMarkupColours& colours, int underlineLink = -1) const;
  // The link regions of the layout placed at `origin`.
  static std::vector<TMarkupLinkRegion> LinkRegions(const TMarkupLayout& layout, QPoint origin);
  // The link under `pos` of the layout placed at `origin`, or -1.
  static int LinkAt(const TMarkupLayout& layout, QPoint origin, QPoint pos);

 private:
  std::array<QFont, 8> m_fonts;
  mutable std::array<std::optional<QFontMetrics>, 8> m_metrics;
  int m_lineHeight = 0;
  int m_ascent = 0;
};
