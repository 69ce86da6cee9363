// TZuzView: painting the rows, the header and the footer, and auto-sizing
// columns from the rendered captions.
#include "ui/widgets/ZuzView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "ui/widgets/UiText.h"
#include "ui/widgets/ZuzImageList.h"
#include "ui/widgets/ZuzLook.h"

namespace {
constexpr int kCellMargin = 3;
constexpr int kSortMarkSpace = 14;
constexpr int kSortMarkSize = 11;
constexpr int kUnbounded = 1 << 20;

void DrawSortMark(QPainter& painter, const QRect& header, bool ascending) {
  const int x = header.right() - kSortMarkSpace + (kSortMarkSpace - kSortMarkSize) / 2;
  const int y = header.top() + (header.height() - kSortMarkSize) / 2;
  const QRectF box(x, y, kSortMarkSize - 1, kSortMarkSize - 1);
  QPolygonF triangle;
  if (ascending)
    triangle << QPointF(box.left(), box.bottom()) << QPointF(box.right(), box.bottom())
             << QPointF(box.center().x(), box.top());
  else
    triangle << QPointF(box.left(), box.top()) << QPointF(box.right(), box.top())
             << QPointF(box.center().x(), box.bottom());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::black);
  painter.setBrush(Qt::gray);
  painter.drawPolygon(triangle);
  painter.restore();
}
}  // namespace

void TZuzView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect clip = event->rect();
  const int top = m_state.TopRow();
  const int last = std::min(Count() - 1, top + m_state.VisibleRows() - 1);
  std::erase_if(m_links, [&](const TZuzLinkRegion& r) { return r.Row < top || r.Row > last; });

  const QRect rowsArea(0, RowsAreaTop(), viewport()->width(), RowsAreaHeight());
  painter.save();
  painter.setClipRect(rowsArea);
  for (int row = top; row <= last; ++row)
    if (RowRect(row).intersects(clip)) PaintRow(painter, row);
  const int below = RowsAreaTop() + (last - top + 1) * m_rowHeight;
  if (below < rowsArea.bottom() + 1)
    painter.fillRect(QRect(0, below, rowsArea.width(), rowsArea.bottom() + 1 - below), ViewColor());
  painter.restore();

  if (m_columns->Header && clip.top() < HeaderRowHeight()) PaintHeaderRow(painter, false);
  if (m_columns->Footer && clip.bottom() >= RowsAreaTop() + RowsAreaHeight())
    PaintHeaderRow(painter, true);
}

int TZuzView::FirstColumnOffset(const TZuzItem& item) const {
  int offset = item.Indent * m_rowHeight;
  if (m_states && item.State >= 0) offset += kCellMargin + m_states->Width();
  if (m_images && item.Image >= 0) offset += kCellMargin + m_images->Width();
  return offset;
}

QRect TZuzView::CaptionRect(int row, int column, const TZuzItem& item) const {
  QRect cell = CellRect(row, column);
  if (column == m_columns->FirstVisible()) cell.setLeft(cell.left() + FirstColumnOffset(item));
  return cell.adjusted(kCellMargin, 0, -kCellMargin, 0);
}

void TZuzView::ForgetLinksOf(int row) {
  std::erase_if(m_links, [row](const TZuzLinkRegion& r) { return r.Row == row; });
}

void TZuzView::PaintRow(QPainter& painter, int row) {
  ForgetLinksOf(row);
  const TZuzItem& item = ItemAt(row);
  const QRect rowRect = RowRect(row);
  const bool selected = m_showSelection && item.Selected;
  QColor background = item.Background;
  QColor text = item.TextColour;
  QColor link = item.LinkColour;
  if (selected) {
    // The active colours also when the view has no focus: some styles' inactive
    // pair does not read on bars and shaded cells.
    background = palette().color(QPalette::Active, QPalette::Highlight);
    text = palette().color(QPalette::Active, QPalette::HighlightedText);
    link = text;  // the link colour would not read on the highlight
  }
  if (m_itemFailed) text = Qt::red;

  const int left = -horizontalScrollBar()->value();
  const int columnsRight = left + m_columns->VisibleWidth();
  const bool bar = item.Bar >= 0 && item.Bar <= 1;
  if (bar) {
    const int width = ScrolledWidth();
    const int filled = zuzlayout::BarWidth(width, item.Bar);
    painter.fillRect(QRect(left, rowRect.y(), filled, m_rowHeight),
                     ZuzDarken(ZuzDarken(background)));
    painter.fillRect(QRect(left + filled, rowRect.y(), width - filled, m_rowHeight), background);
  } else if (columnsRight < rowRect.right() + 1) {
    painter.fillRect(
        QRect(columnsRight, rowRect.y(), rowRect.right() + 1 - columnsRight, m_rowHeight),
        background);
  }

  const int first = m_columns->FirstVisible();
  const int viewWidth = viewport()->width();
  for (int col = 0; col < m_columns->Count(); ++col) {
    const TZuzColumn* column = m_columns->Column(col);
    if (!column->Visible) continue;
    const QRect cell = CellRect(row, col);
    if (cell.right() < 0 || cell.left() >= viewWidth) continue;
    if (!bar) {
      const bool shade = column->Order != TZuzOrder::None && !selected;
      painter.fillRect(cell, shade ? ZuzDarken(background) : background);
    }
    if (col == first) {
      painter.save();
      painter.setClipRect(cell, Qt::IntersectClip);
      int x = cell.left() + item.Indent * m_rowHeight;
      if (m_states && item.State >= 0) {
        x += kCellMargin;
        m_states->Draw(painter, QPoint(x, rowRect.y() + (m_rowHeight - m_states->Height()) / 2),
                       item.State, item.Enabled);
        x += m_states->Width();
      }
      if (m_images && item.Image >= 0) {
        x += kCellMargin;
        m_images->Draw(painter, QPoint(x, rowRect.y() + (m_rowHeight - m_images->Height()) / 2),
                       item.Image, item.Enabled);
      }
      painter.restore();
    }
    const std::string& caption = item.Caption(col);
    if (!caption.empty())
      PaintCaption(painter, row, col, CaptionRect(row, col, item), caption, text, link);
  }

  if (m_showFocus && hasFocus() && row == m_state.Focused()) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = QRect(left, rowRect.y(), ScrolledWidth(), m_rowHeight);
    option.backgroundColor = background;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

void TZuzView::PaintCaption(QPainter& painter, int row, int column, const QRect& inner,
                            const std::string& caption, const QColor& text, const QColor& link) {
  if (inner.width() <= 0) return;
  const TZuzColumn* col = m_columns->Column(column);
  const int hoverLink = m_hover.Row == row && m_hover.Column == column ? m_hover.Link : -1;
  const TMarkupLayout layout = m_renderer.Layout(caption, TMarkupDialect::View, TMarkupFit::Cell,
                                                 inner.width(), inner.height(), hoverLink);
  int dx = 0;
  if (col->Horizontal == TZuzHorizontal::Right)
    dx = inner.width() - layout.Extent.width();
  else if (col->Horizontal == TZuzHorizontal::Centre)
    dx = (inner.width() - layout.Extent.width()) / 2;
  const int dy =
      col->Vertical == TZuzVertical::Centre ? (inner.height() - layout.Extent.height()) / 2 : 0;
  const QPoint origin = inner.topLeft() + QPoint(std::max(0, dx), std::max(0, dy));
  painter.save();
  painter.setClipRect(inner, Qt::IntersectClip);
  m_renderer.Draw(painter, layout, origin, {text, link, link});
  painter.restore();
  for (TMarkupLinkRegion& region : TMarkupRenderer::LinkRegions(layout, origin)) {
    const QRect rect = region.Rect.intersected(inner);
    if (!rect.isEmpty())
      m_links.push_back({row, column, region.Link, std::move(region.Name), rect});
  }
}

void TZuzView::PaintHeaderRow(QPainter& painter, bool footer) {
  const int height = footer ? FooterRowHeight() : HeaderRowHeight();
  const int y = footer ? RowsAreaTop() + RowsAreaHeight() : 0;
  const int width = viewport()->width();
  painter.fillRect(QRect(0, y, width, height), palette().color(QPalette::Button));
  painter.setFont(font());
  const QFontMetrics& metrics = m_renderer.Metrics(0);
  int right = -horizontalScrollBar()->value();
  for (int col = 0; col < m_columns->Count(); ++col) {
    const TZuzColumn* column = m_columns->Column(col);
    if (!column->Visible) continue;
    const QRect section(right, y, column->Width, height);
    right += column->Width;
    if (section.right() < 0 || section.left() >= width || column->Width == 0) continue;
    QStyleOptionHeader option;
    option.initFrom(this);
    option.rect = section;
    option.section = col;
    option.state |= QStyle::State_Raised;
    style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);

    QRect content = section.adjusted(kCellMargin, 0, -kCellMargin, 0);
    if (!footer && column->Order != TZuzOrder::None) {
      DrawSortMark(painter, section, column->Order == TZuzOrder::Ascending);
      content.setRight(section.right() - kSortMarkSpace);
    }
    if (!footer && m_images && column->Image >= 0 && column->Image < m_images->Count()) {
      painter.save();
      painter.setClipRect(content, Qt::IntersectClip);
      m_images->Draw(painter, QPoint(content.left(), y + (height - m_images->Height()) / 2),
                     column->Image);
      painter.restore();
      content.setLeft(content.left() + m_images->Width() + kCellMargin);
    }
    const QString label = ToQString(footer ? column->Footer : column->Header);
    if (label.isEmpty() || content.width() <= 0) continue;
    Qt::Alignment align = Qt::AlignVCenter;
    align |=
        column->Horizontal == TZuzHorizontal::Right
            ? Qt::AlignRight
            : (column->Horizontal == TZuzHorizontal::Centre ? Qt::AlignHCenter : Qt::AlignLeft);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(content, int(align),
                     metrics.elidedText(label, Qt::ElideRight, content.width()));
  }
  if (right < width) {
    QStyleOptionHeader option;
    option.initFrom(this);
    option.rect = QRect(right, y, width - right, height);
    option.section = -1;
    style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
  }
}

void TZuzView::AutoSizeColumn(int index, int from, int to) {
  if (index < 0 || index >= m_columns->Count()) return;
  TZuzColumn* column = m_columns->Column(index);
  const QFontMetrics& metrics = m_renderer.Metrics(0);
  int width = std::max(metrics.horizontalAdvance(ToQString(column->Header)),
                       metrics.horizontalAdvance(ToQString(column->Footer)));
  const bool first = index == m_columns->FirstVisible();
  from = std::max(0, from);
  to = std::min(Count() - 1, to);
  for (int row = from; row <= to; ++row) {
    const TZuzItem& item = ItemAt(row);
    const std::string& caption = item.Caption(index);
    int w = caption.empty()
                ? 0
                : m_renderer.Layout(caption, TMarkupDialect::View, TMarkupFit::Wrap, kUnbounded, 0)
                      .Extent.width();
    if (caption.find(' ') != std::string::npos)
      w = zuzlayout::WrappedCaptionWidth(w, m_rowHeight, m_renderer.LineHeight());
    if (first) {
      w += item.Indent * m_rowHeight;
      if (m_states && item.State >= 0) w += m_states->Width() + 3;
      if (m_images && item.Image >= 0) w += m_images->Width() + 6;
    }
    width = std::max(width, w);
  }
  column->Width = std::clamp(width + 9, 0, int(TZuzColumn::kMaxWidth));
  ColumnsChanged();
}
