#include "ui/widgets/ZuzView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <exception>

#include "core/AdvAscii.h"
#include "ui/widgets/Markup.h"
#include "ui/widgets/UiText.h"
#include "ui/widgets/ZuzHintWindow.h"
#include "ui/widgets/ZuzImageList.h"
#include "ui/widgets/ZuzLook.h"

namespace {
constexpr int kDividerGrip = 3;  // pixels either side of a header divider
constexpr int kHorizontalKeyStep = 4;
}  // namespace

TZuzView::TZuzView(QWidget* parent)
    : QAbstractScrollArea(parent), m_columns(AdvNew<TZuzColumns>()) {
  setFont(ZuzFont());
  m_renderer.SetFont(font());
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(kHorizontalKeyStep);
  m_state.OnSelect = [this](int index) {
    if (OnSelect) OnSelect(index);
  };
  m_state.OnDeselect = [this](int index) {
    if (OnDeselect) OnDeselect(index);
  };
  m_hintTimer.setSingleShot(true);
  m_hintTimer.setInterval(500);
  connect(&m_hintTimer, &QTimer::timeout, this, [this] { ShowHintNow(); });
  UpdateLayout();
}

TZuzView::~TZuzView() = default;

// ---------------------------------------------------------------------------
// Columns and appearance

void TZuzView::SetColumns(const TZuzColumns& columns) {
  m_columns->Assign(columns);
  ColumnsChanged();
}

void TZuzView::ColumnsChanged() {
  UpdateLayout();
  viewport()->update();
}

void TZuzView::SetImages(const TZuzImageList* images) {
  m_images = images;
  ColumnsChanged();
}

void TZuzView::SetStates(const TZuzImageList* states) {
  m_states = states;
  ColumnsChanged();
}

void TZuzView::SetLinkColor(const QColor& colour) {
  m_linkColour = colour;
  viewport()->update();
}

QColor TZuzView::ViewColor() const {
  return m_viewColour.isValid() ? m_viewColour : palette().color(QPalette::Base);
}

void TZuzView::SetViewColor(const QColor& colour) {
  m_viewColour = colour;
  viewport()->update();
}

void TZuzView::SetHeaderHeight(int height) {
  m_headerHeightProperty = std::max(0, height);
  ColumnsChanged();
}

void TZuzView::SetRowHeight(int height) {
  m_rowHeightProperty = std::max(0, height);
  ColumnsChanged();
}

void TZuzView::SetRowHeightMax(int height) {
  m_rowHeightMax = std::max(0, height);
  ColumnsChanged();
}

void TZuzView::SetShowSelection(bool on) {
  m_showSelection = on;
  viewport()->update();
}

void TZuzView::SetShowFocus(bool on) {
  m_showFocus = on;
  viewport()->update();
}

void TZuzView::SetScrollStyle(TZuzScrollStyle style) {
  m_scrollStyle = style;
  const bool h = style == TZuzScrollStyle::Horizontal || style == TZuzScrollStyle::Both;
  const bool v = style == TZuzScrollStyle::Vertical || style == TZuzScrollStyle::Both;
  setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  UpdateLayout();
}

void TZuzView::SetAcceptFiles(bool on) {
  m_acceptFiles = on;
  setAcceptDrops(on);
  viewport()->setAcceptDrops(on);
}

// ---------------------------------------------------------------------------
// Rows

void TZuzView::SetCount(int count) {
  m_state.SetCount(count);
  m_links.clear();
  m_hover = {};
  HideHint();
  UpdateLayout();
  viewport()->update();
}

void TZuzView::ResetItem(int index) {
  const int columns = m_columns->Count();
  m_item.Captions.resize(size_t(columns));
  for (std::string& caption : m_item.Captions) caption.clear();
  m_item.Image = -1;
  m_item.Selected = m_state.IsSelected(index);
  m_item.Background = ViewColor();
  m_item.TextColour = palette().color(QPalette::Text);
  m_item.LinkColour = m_linkColour;
  m_item.Indent = 0;
  m_item.Enabled = true;
  m_item.State = 0;
  m_item.Bar = -1;
}

TZuzItem& TZuzView::ItemAt(int index) {
  ResetItem(index);
  m_itemFailed = false;
  if (index < 0 || index >= Count() || !OnData) return m_item;
  try {
    OnData(index, m_item);
  } catch (const std::exception& e) {
    // Painting, hints, searches and clicks all come here from Qt's event
    // loop, which must not be unwound: the row shows the error instead.
    ResetItem(index);
    m_itemFailed = true;
    const int first = m_columns->FirstVisible();
    if (first >= 0) m_item.Captions[size_t(first)] = MarkupEscape(e.what());
  }
  return m_item;
}

void TZuzView::AfterSelectionMove() {
  SyncScrollBars();
  // A range or a cleared selection may touch every visible row.
  viewport()->update();
}

void TZuzView::Select(int index) {
  m_state.Select(index);
  InvalidateRow(index);
}

void TZuzView::Deselect(int index) {
  m_state.Deselect(index);
  InvalidateRow(index);
}

void TZuzView::Toggle(int index) {
  m_state.Toggle(index);
  InvalidateRow(index);
}

void TZuzView::DeselectAll(bool repaint) {
  m_state.DeselectAll();
  if (repaint) viewport()->update();
}

void TZuzView::Focus(int index) {
  m_state.Focus(index);
  AfterSelectionMove();
}

void TZuzView::ScrollIntoView(int index, bool repaint) {
  if (m_state.ScrollIntoView(index)) {
    SyncScrollBars();
    if (repaint) viewport()->update();
  }
}

void TZuzView::InvalidateRow(int index, int column) {
  if (index < m_state.TopRow() || index >= m_state.TopRow() + m_state.VisibleRows()) return;
  viewport()->update(column >= 0 ? CellRect(index, column) : RowRect(index));
}

// ---------------------------------------------------------------------------
// Layout and geometry

int TZuzView::HeaderRowHeight() const {
  return m_columns->Header ? std::max(m_headerHeightProperty, m_renderer.LineHeight()) : 0;
}

int TZuzView::FooterRowHeight() const {
  return m_columns->Footer ? std::max(m_headerHeightProperty, m_renderer.LineHeight()) : 0;
}

int TZuzView::RowsAreaHeight() const {
  return std::max(0, viewport()->height() - HeaderRowHeight() - FooterRowHeight());
}

void TZuzView::UpdateLayout() {
  const int area = RowsAreaHeight();
  int rowHeight =
      zuzlayout::RowHeight(m_renderer.LineHeight(), m_rowHeightProperty,
                           m_images ? m_images->Height() : 0, m_states ? m_states->Height() : 0);
  rowHeight = zuzlayout::FillRowHeight(rowHeight, area, Count(), m_rowHeightMax);
  m_rowHeight = std::max(1, rowHeight);
  m_state.SetPage(zuzlayout::FullRows(area, m_rowHeight),
                  zuzlayout::VisibleRows(area, m_rowHeight));
  SyncScrollBars();
}

void TZuzView::SyncScrollBars() {
  m_syncing = true;
  QScrollBar* v = verticalScrollBar();
  v->setRange(0, m_state.MaxTopRow());
  v->setPageStep(m_state.FullRows());
  v->setValue(m_state.TopRow());
  QScrollBar* h = horizontalScrollBar();
  const int spare = m_columns->VisibleWidth() - viewport()->width();
  h->setRange(0, std::max(0, spare));
  h->setPageStep(std::max(1, viewport()->width()));
  m_syncing = false;
}

void TZuzView::scrollContentsBy(int, int) {
  if (!m_syncing) m_state.SetTopRow(verticalScrollBar()->value());
  m_links.clear();
  m_hover = {};
  HideHint();
  viewport()->update();
}

void TZuzView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateLayout();
}

void TZuzView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    m_renderer.SetFont(font());
    UpdateLayout();
    viewport()->update();
  } else if (event->type() == QEvent::PaletteChange) {
    viewport()->update();
  }
}

int TZuzView::ColumnLeft(int column) const {
  int x = -horizontalScrollBar()->value();
  for (int i = 0; i < column && i < m_columns->Count(); ++i)
    if (m_columns->Column(i)->Visible) x += m_columns->Column(i)->Width;
  return x;
}

int TZuzView::ScrolledWidth() const {
  return std::max(viewport()->width() + horizontalScrollBar()->value(), m_columns->VisibleWidth());
}

QRect TZuzView::RowRect(int index) const {
  const int y = RowsAreaTop() + (index - m_state.TopRow()) * m_rowHeight;
  return QRect(0, y, viewport()->width(), m_rowHeight);
}

QRect TZuzView::CellRect(int index, int column) const {
  if (column < 0 || column >= m_columns->Count() || !m_columns->Column(column)->Visible)
    return QRect();
  const QRect row = RowRect(index);
  return QRect(ColumnLeft(column), row.y(), m_columns->Column(column)->Width, m_rowHeight);
}

QRect TZuzView::HeaderRect(int column) const {
  if (column < 0 || column >= m_columns->Count() || !m_columns->Column(column)->Visible)
    return QRect();
  return QRect(ColumnLeft(column), 0, m_columns->Column(column)->Width, HeaderRowHeight());
}

int TZuzView::RowAt(QPoint pos) const {
  const int top = RowsAreaTop();
  if (pos.y() < top || pos.y() >= top + RowsAreaHeight()) return -1;
  const int row = m_state.TopRow() + (pos.y() - top) / m_rowHeight;
  return row < Count() ? row : -1;
}

int TZuzView::ColumnAt(int x) const {
  int left = -horizontalScrollBar()->value();
  for (int i = 0; i < m_columns->Count(); ++i) {
    const TZuzColumn* column = m_columns->Column(i);
    if (!column->Visible) continue;
    if (x >= left && x < left + column->Width) return i;
    left += column->Width;
  }
  return -1;
}

int TZuzView::DividerAt(int x) const {
  int right = -horizontalScrollBar()->value();
  int found = -1;
  for (int i = 0; i < m_columns->Count(); ++i) {
    const TZuzColumn* column = m_columns->Column(i);
    if (!column->Visible) continue;
    right += column->Width;
    // The last of several dividers at one place wins, so a column dragged
    // down to no width can still be widened again.
    if (std::abs(x - right) <= kDividerGrip) found = i;
  }
  return found;
}

QRect TZuzView::StateImageRect(int index) {
  const int first = m_columns->FirstVisible();
  if (!m_states || first < 0 || index < 0 || index >= Count()) return QRect();
  const TZuzItem& item = ItemAt(index);
  if (item.State < 0) return QRect();
  const QRect row = RowRect(index);
  const int x = ColumnLeft(first) + item.Indent * m_rowHeight + 3;
  return QRect(x, row.y() + (m_rowHeight - m_states->Height()) / 2, m_states->Width(),
               m_states->Height());
}

QRect TZuzView::ImageRect(int index) {
  const int first = m_columns->FirstVisible();
  if (!m_images || first < 0 || index < 0 || index >= Count()) return QRect();
  const TZuzItem& item = ItemAt(index);
  if (item.Image < 0) return QRect();
  const QRect row = RowRect(index);
  int x = ColumnLeft(first) + item.Indent * m_rowHeight + 3;
  if (m_states && item.State >= 0) x += m_states->Width() + 3;
  return QRect(x, row.y() + (m_rowHeight - m_images->Height()) / 2, m_images->Width(),
               m_images->Height());
}

// ---------------------------------------------------------------------------
// Mouse

bool TZuzView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave) {
    HideHint();
    m_hintTimer.stop();
    m_hintCell = {};
    if (m_hover.Row >= 0) {
      const int row = m_hover.Row;
      m_hover = {};
      InvalidateRow(row);
    }
    viewport()->unsetCursor();
  }
  return QAbstractScrollArea::viewportEvent(event);
}

void TZuzView::mousePressEvent(QMouseEvent* event) {
  HideHint();
  m_hintTimer.stop();
  const QPoint pos = event->position().toPoint();
  m_pressButton = event->button();
  m_pressPos = pos;
  m_pressRow = -1;
  m_pressHeaderColumn = -1;
  m_pressLinkRegion = -1;
  m_pressOnImage = m_pressOnState = false;
  m_dragCandidate = m_dragging = false;
  m_resizeColumn = -1;
  if (m_columns->Header && pos.y() < HeaderRowHeight()) {
    if (event->button() != Qt::LeftButton) return;
    const int divider = DividerAt(pos.x());
    if (divider >= 0) {
      m_resizeColumn = divider;
      m_resizeStartX = pos.x();
      m_resizeStartWidth = m_columns->Column(divider)->Width;
    } else {
      m_pressHeaderColumn = ColumnAt(pos.x());
    }
    return;
  }
  if (pos.y() >= RowsAreaTop() + RowsAreaHeight()) return;  // the footer
  m_pressRow = RowAt(pos);
  if (m_pressRow < 0) return;
  for (size_t i = 0; i < m_links.size(); ++i)
    if (m_links[i].Row == m_pressRow && m_links[i].Rect.contains(pos)) {
      m_pressLinkRegion = int(i);
      m_pressLink = m_links[i];
    }
  m_pressOnImage = ImageRect(m_pressRow).contains(pos);
  m_pressOnState = StateImageRect(m_pressRow).contains(pos);
  if (event->button() == Qt::LeftButton) {
    m_dragCandidate = m_autoDrag && m_state.MultiSelect && m_state.IsSelected(m_pressRow) &&
                      m_state.SelectedCount() > 1;
  } else if (event->button() == Qt::RightButton && !m_state.IsSelected(m_pressRow)) {
    // The context menu acts on the row under the mouse.
    m_state.Click(m_pressRow, false, false);
    AfterSelectionMove();
  }
}

void TZuzView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (m_resizeColumn >= 0 && (event->buttons() & Qt::LeftButton)) {
    TZuzColumn* column = m_columns->Column(m_resizeColumn);
    const int width =
        std::clamp(m_resizeStartWidth + pos.x() - m_resizeStartX, 0, int(TZuzColumn::kMaxWidth));
    if (width != column->Width) {
      column->Width = width;
      SyncScrollBars();
      viewport()->update();
      if (OnColumnResize) OnColumnResize(m_resizeColumn);
    }
    return;
  }
  if (m_dragCandidate && (event->buttons() & Qt::LeftButton) &&
      (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
    m_dragCandidate = false;
    m_dragging = true;
    if (OnStartDrag) OnStartDrag();
    return;
  }
  UpdateHover(pos);
}

void TZuzView::UpdateHover(QPoint pos) {
  // Cursor: a divider in the header, a link in the rows.
  THover hover;
  for (const TZuzLinkRegion& region : m_links)
    if (region.Rect.contains(pos)) hover = {region.Row, region.Column, region.Link};
  const bool onDivider =
      m_columns->Header && pos.y() < HeaderRowHeight() && DividerAt(pos.x()) >= 0;
  if (onDivider)
    viewport()->setCursor(Qt::SplitHCursor);
  else if (hover.Row >= 0)
    viewport()->setCursor(Qt::PointingHandCursor);
  else
    viewport()->unsetCursor();
  if (!(hover == m_hover)) {
    const THover old = m_hover;
    m_hover = hover;
    if (old.Row >= 0) InvalidateRow(old.Row);
    if (hover.Row >= 0) InvalidateRow(hover.Row);
  }
  // The hint follows the cell under the mouse.
  TCellHit cell{RowAt(pos), -1};
  if (cell.Row >= 0) cell.Column = ColumnAt(pos.x());
  if (!(cell == m_hintCell)) {
    m_hintCell = cell;
    HideHint();
    m_hintTimer.stop();
    if (cell.Row >= 0 && cell.Column >= 0 && m_columns->Column(cell.Column)->Hint)
      m_hintTimer.start();
  }
}

void TZuzView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const Qt::MouseButton button = event->button();
  if (button != m_pressButton) return;
  m_pressButton = Qt::NoButton;
  if (m_resizeColumn >= 0) {
    m_resizeColumn = -1;
    return;
  }
  if (m_pressHeaderColumn >= 0) {
    const bool same = pos.y() < HeaderRowHeight() && DividerAt(pos.x()) < 0 &&
                      ColumnAt(pos.x()) == m_pressHeaderColumn;
    const int column = m_pressHeaderColumn;
    m_pressHeaderColumn = -1;
    if (same && OnColumnClick) OnColumnClick(column);
    return;
  }
  if (m_dragging) {
    m_dragging = false;
    return;
  }
  if (button != Qt::LeftButton) return;
  if (m_columns->Header && m_pressPos.y() < HeaderRowHeight()) return;
  if (m_pressPos.y() >= RowsAreaTop() + RowsAreaHeight()) return;
  const int row = RowAt(pos);
  const Qt::KeyboardModifiers mods = event->modifiers();
  m_state.Click(row, mods & Qt::ShiftModifier, mods & Qt::ControlModifier);
  AfterSelectionMove();
  if (row < 0 || row != m_pressRow) return;
  if (m_pressOnImage && ImageRect(row).contains(pos) && OnImageClick) OnImageClick(row);
  if (m_pressOnState && StateImageRect(row).contains(pos) && OnStateClick) OnStateClick(row);
  if (m_pressLinkRegion >= 0) {
    for (const TZuzLinkRegion& region : m_links)
      if (region.Row == row && region.Column == m_pressLink.Column &&
          region.Link == m_pressLink.Link && region.Rect.contains(pos)) {
        if (OnLink) OnLink(row, region.Name);
        break;
      }
  }
}

void TZuzView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() != Qt::LeftButton) return;
  if (m_columns->Header && pos.y() < HeaderRowHeight()) {
    const int divider = DividerAt(pos.x());
    if (divider >= 0) {
      AutoSizeColumn(divider, m_state.TopRow(), m_state.TopRow() + m_state.VisibleRows() - 1);
      if (OnColumnResize) OnColumnResize(divider);
    }
    return;
  }
  const int row = RowAt(pos);
  if (row < 0) return;
  // Qt sends press, release, double-click, release: treat this press as one
  // whose release must not select again or start a drag.
  m_pressButton = Qt::NoButton;
  if (ImageRect(row).contains(pos)) {
    if (OnImageDblClick) OnImageDblClick(row);
    return;
  }
  if (StateImageRect(row).contains(pos)) {
    if (OnStateDblClick) OnStateDblClick(row);
    return;
  }
  for (const TZuzLinkRegion& region : m_links)
    if (region.Row == row && region.Rect.contains(pos)) return;
  if (OnDblClick) OnDblClick(row);
}

void TZuzView::wheelEvent(QWheelEvent* event) {
  HideHint();
  const QPoint delta = event->angleDelta();
  // Some platforms turn Shift+wheel into a horizontal wheel.
  m_wheelRemainder += delta.y() != 0 ? delta.y() : delta.x();
  const int steps = m_wheelRemainder / 120;
  m_wheelRemainder %= 120;
  event->accept();
  if (steps == 0) return;
  const Qt::KeyboardModifiers mods = event->modifiers();
  if (mods & Qt::ControlModifier) {
    QFont f = font();
    const int size = f.pointSize() > 0 ? f.pointSize() : 9;
    f.setPointSize(std::max(5, size - steps));  // forward makes it smaller
    setFont(f);
    return;
  }
  const int rows =
      (mods & Qt::ShiftModifier) ? m_state.PageStep() : QApplication::wheelScrollLines();
  m_state.SetTopRow(m_state.TopRow() - steps * rows);
  SyncScrollBars();
  m_links.clear();
  viewport()->update();
}

// ---------------------------------------------------------------------------
// Keyboard, focus, menus, files

void TZuzView::keyPressEvent(QKeyEvent* event) {
  HideHint();
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  auto navigate = [&](TZuzKey key) {
    m_state.Navigate(key, shift);
    AfterSelectionMove();
  };
  switch (event->key()) {
    case Qt::Key_Up:
      return navigate(TZuzKey::Up);
    case Qt::Key_Down:
      return navigate(TZuzKey::Down);
    case Qt::Key_Home:
      return navigate(TZuzKey::Home);
    case Qt::Key_End:
      return navigate(TZuzKey::End);
    case Qt::Key_PageUp:
      return navigate(TZuzKey::PageUp);
    case Qt::Key_PageDown:
      return navigate(TZuzKey::PageDown);
    case Qt::Key_Left:
      horizontalScrollBar()->setValue(horizontalScrollBar()->value() - kHorizontalKeyStep);
      return;
    case Qt::Key_Right:
      horizontalScrollBar()->setValue(horizontalScrollBar()->value() + kHorizontalKeyStep);
      return;
    case Qt::Key_Space:
      if (m_states && m_state.Focused() >= 0) {
        if (OnStateClick) OnStateClick(m_state.Focused());
        return;
      }
      break;
    default:
      break;
  }
  const QString text = event->text();
  const bool plain =
      !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  if (plain && !text.isEmpty() && text.at(0).isPrint()) {
    TypeAhead(FromQString(text));
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

bool TZuzView::FindRow(const std::string& text, int& index) {
  if (OnFind) return OnFind(text, index);
  // Without an owner's search: the next row whose first visible caption
  // starts with the text, wrapping round; a longer text may stay on the
  // focused row.
  const int first = m_columns->FirstVisible();
  const int count = Count();
  if (first < 0 || count == 0) return false;
  int start = index < 0 ? 0 : (text.size() > 1 ? index : index + 1);
  for (int n = 0; n < count; ++n) {
    const int row = (start + n) % count;
    const std::string plain = MarkupPlainText(ItemAt(row).Caption(first));
    if (plain.size() >= text.size() &&
        SameTextAscii(std::string_view(plain).substr(0, text.size()), text)) {
      index = row;
      return true;
    }
  }
  return false;
}

void TZuzView::TypeAhead(const std::string& typed) {
  int index = m_state.Focused();
  const bool found = m_typeAhead.Type(
      typed, [this](const std::string& text, int& row) { return FindRow(text, row); }, index);
  if (!found || index < 0 || index >= Count()) return;
  m_state.Click(index, false, false);  // clears the selection, focuses and selects the row
  AfterSelectionMove();
}

void TZuzView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  if (m_state.Focused() < 0 && Count() > 0)
    Focus(0);
  else
    InvalidateRow(m_state.Focused());
}

void TZuzView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  HideHint();
  viewport()->update();
}

void TZuzView::contextMenuEvent(QContextMenuEvent* event) {
  HideHint();
  m_hintTimer.stop();
  QPoint pos = event->pos();
  if (event->reason() == QContextMenuEvent::Keyboard) {
    const int focused = m_state.Focused();
    pos = focused >= 0 && focused >= m_state.TopRow() &&
                  focused < m_state.TopRow() + m_state.VisibleRows()
              ? RowRect(focused).center()
              : QPoint(4, RowsAreaTop() + 4);
    pos.setX(std::min(pos.x(), 32));
  }
  const QPoint global = viewport()->mapToGlobal(pos);
  if (OnContextMenu)
    OnContextMenu(global);
  else if (m_popupMenu)
    m_popupMenu->popup(global);
  else
    event->ignore();
}

void TZuzView::dragEnterEvent(QDragEnterEvent* event) {
  if (m_acceptFiles && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TZuzView::dragMoveEvent(QDragMoveEvent* event) {
  if (m_acceptFiles && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TZuzView::dropEvent(QDropEvent* event) {
  if (!m_acceptFiles) return;
  std::vector<std::string> files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files.push_back(FromQString(url.toLocalFile()));
  if (files.empty()) return;
  event->acceptProposedAction();
  if (OnDropFiles) OnDropFiles(files);
}

// ---------------------------------------------------------------------------
// Hints

void TZuzView::ShowHintNow() {
  const TCellHit cell = m_hintCell;
  if (cell.Row < 0 || cell.Column < 0 || cell.Row >= Count()) return;
  if (!m_columns->Column(cell.Column)->Hint || !isVisible()) return;
  const TZuzItem& item = ItemAt(cell.Row);
  const std::string& caption = item.Caption(cell.Column);
  if (caption.empty()) return;
  const QRect inner = CaptionRect(cell.Row, cell.Column, item);
  const TMarkupLayout layout = m_renderer.Layout(caption, TMarkupDialect::View, TMarkupFit::Cell,
                                                 inner.width(), inner.height());
  if (!layout.Truncated) return;
  if (!m_hint) m_hint = new TZuzHintWindow(this);
  const QRect cellRect = CellRect(cell.Row, cell.Column);
  const int maxWidth = std::max(cellRect.width(), 480);
  m_hint->ShowAt(caption, viewport()->mapToGlobal(QPoint(inner.left() - 4, cellRect.top())), font(),
                 maxWidth);
}

void TZuzView::HideHint() {
  if (m_hint && m_hint->isVisible()) m_hint->hide();
}

std::string TZuzView::HintMarkup() const {
  return m_hint && m_hint->isVisible() ? m_hint->Markup() : std::string();
}
