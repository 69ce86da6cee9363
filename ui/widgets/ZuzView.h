// TZuzView: the virtual list view behind every list of the program.
//
// The view holds no rows. The owner sets a row count and answers OnData for
// one row at a time; only the rows being painted (or measured, or searched)
// are asked for, through one shared TZuzItem. A list of a million rows costs
// what a list of forty does. Captions are mark-up (Markup.h): text from data
// must be escaped with MarkupEscape before it goes into a caption.
//
// What the view draws and how it reacts:
//   - columns (TZuzColumns) with a header and a footer, alignment, a sort
//     mark, resizing by dragging a divider and auto-sizing by double-clicking
//     it; OnColumnClick on a header click (owners then call ToggleSort);
//   - per row: an indent, a state image and an image, a proportional bar,
//     selection and focus, per-cell background shading of the sorted column;
//   - selection by mouse and keys (TZuzViewState has the rules), type-ahead
//     find (OnFind, or a prefix search of the first visible column when the
//     owner gives none), hints with the full text of clipped cells, link
//     clicks (OnLink with the row and the link's name), image and state image
//     clicks, dropped files, the context menu.
//
// Owners that change Columns() directly call ColumnsChanged() afterwards;
// after a change of their data they call SetCount and repaint.
//
// Exceptions thrown by an owner's OnData are caught (Qt's event loop must not
// be unwound) and the row shows the error's text instead.
//
// Thread safety: main thread only, like every widget.
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "ui/widgets/MarkupRenderer.h"
#include "ui/widgets/ZuzColumns.h"
#include "ui/widgets/ZuzItem.h"
#include "ui/widgets/ZuzViewState.h"

class QMenu;
class TZuzHintWindow;
class TZuzImageList;

enum class TZuzScrollStyle : uint8_t { None, Horizontal, Vertical, Both };

// A link drawn in a cell at the last paint, in viewport coordinates.
struct TZuzLinkRegion {
  int Row = -1;
  int Column = -1;
  int Link = -1;  // the link's index within its caption
  std::string Name;
  QRect Rect;
};

class TZuzView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TZuzView(QWidget* parent = nullptr);
  ~TZuzView() override;

  // --- Columns and appearance
  TZuzColumns& Columns() const { return *m_columns; }
  void SetColumns(const TZuzColumns& columns);
  // Re-reads the columns after the owner changed them.
  void ColumnsChanged();
  void SetImages(const TZuzImageList* images);  // not owned
  void SetStates(const TZuzImageList* states);  // not owned
  const TZuzImageList* Images() const { return m_images; }
  const TZuzImageList* States() const { return m_states; }
  QColor LinkColor() const { return m_linkColour; }
  void SetLinkColor(const QColor& colour);
  // The colour behind the rows; the platform's base colour unless set.
  QColor ViewColor() const;
  void SetViewColor(const QColor& colour);
  bool MultiSelect() const { return m_state.MultiSelect; }
  void SetMultiSelect(bool on) { m_state.MultiSelect = on; }
  bool AlwaysSelected() const { return m_state.AlwaysSelected; }
  void SetAlwaysSelected(bool on) { m_state.AlwaysSelected = on; }
  int HeaderHeight() const { return m_headerHeightProperty; }
  void SetHeaderHeight(int height);
  int RowHeight() const { return m_rowHeightProperty; }  // 0: automatic
  void SetRowHeight(int height);
  int RowHeightMax() const { return m_rowHeightMax; }
  void SetRowHeightMax(int height);
  bool ShowSelection() const { return m_showSelection; }
  void SetShowSelection(bool on);
  bool ShowFocus() const { return m_showFocus; }
  void SetShowFocus(bool on);
  TZuzScrollStyle ScrollStyle() const { return m_scrollStyle; }
  void SetScrollStyle(TZuzScrollStyle style);
  bool AcceptFiles() const { return m_acceptFiles; }
  void SetAcceptFiles(bool on);
  // Pressing on a selected row of a multi-selection and moving starts a drag
  // (OnStartDrag) without changing the selection.
  bool AutoDrag() const { return m_autoDrag; }
  void SetAutoDrag(bool on) { m_autoDrag = on; }
  // How long the mouse rests on a clipped cell before its hint shows.
  void SetHintDelay(int milliseconds) { m_hintTimer.setInterval(milliseconds); }
  QMenu* PopupMenu() const { return m_popupMenu; }
  void SetPopupMenu(QMenu* menu) { m_popupMenu = menu; }  // not owned

  // --- Rows
  int Count() const { return m_state.Count(); }
  void SetCount(int count);
  // Resets the shared item and runs OnData for the row; valid until the next
  // call. When OnData throws, the item shows the error's text in its first
  // visible column and ItemFailed() is true.
  TZuzItem& ItemAt(int index);
  bool ItemFailed() const { return m_itemFailed; }
  bool IsSelected(int index) const { return m_state.IsSelected(index); }
  void Select(int index);
  void Deselect(int index);
  void Toggle(int index);
  void DeselectAll(bool repaint = true);
  int Focused() const { return m_state.Focused(); }
  void Focus(int index);
  void ScrollIntoView(int index, bool repaint = true);
  // Repaints one row, or one cell when a column is given.
  void InvalidateRow(int index, int column = -1);
  // Sets the column's width to fit its header, its footer and the captions of
  // rows `from`..`to` as rendered, plus 9 pixels.
  void AutoSizeColumn(int index, int from, int to);
  const TZuzViewState& State() const { return m_state; }
  bool SuppressEvents() const { return m_state.SuppressEvents; }
  void SetSuppressEvents(bool on) { m_state.SuppressEvents = on; }

  // --- Geometry, in viewport coordinates
  int TopRow() const { return m_state.TopRow(); }
  int RowHeightInForce() const { return m_rowHeight; }
  int VisibleRowCount() const { return m_state.VisibleRows(); }
  int HeaderRowHeight() const;
  int FooterRowHeight() const;
  QRect RowRect(int index) const;
  QRect CellRect(int index, int column) const;
  QRect HeaderRect(int column) const;
  // The row at a point of the rows area, or -1 (also below the last row).
  int RowAt(QPoint pos) const;
  // The column at a viewport x, or -1.
  int ColumnAt(int x) const;
  // Where the state image and the image of a row are drawn (empty when none).
  QRect StateImageRect(int index);
  QRect ImageRect(int index);
  const std::vector<TZuzLinkRegion>& LinkRegions() const { return m_links; }
  // The type-ahead search text.
  const std::string& SearchText() const { return m_typeAhead.Text(); }
  // The hint shown now, or empty.
  std::string HintMarkup() const;

  // --- Events
  std::function<void(int index, TZuzItem& item)> OnData;
  std::function<void(int index)> OnSelect;  // also -1 when the selection is cleared
  std::function<void(int index)> OnDeselect;
  std::function<void(int column)> OnColumnClick;
  std::function<void(int column)> OnColumnResize;
  std::function<void(int index)> OnImageClick;
  std::function<void(int index)> OnImageDblClick;
  std::function<void(int index)> OnStateClick;
  std::function<void(int index)> OnStateDblClick;
  std::function<void(int index)> OnDblClick;
  std::function<bool(const std::string& text, int& index)> OnFind;
  std::function<void(int index, const std::string& link)> OnLink;
  std::function<void(const std::vector<std::string>& files)> OnDropFiles;
  std::function<void()> OnStartDrag;
  // The context menu was asked for at `globalPos` (mouse or menu key); when
  // not assigned, the PopupMenu opens there.
  std::function<void(QPoint globalPos)> OnContextMenu;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct TCellHit {
    int Row = -1;
    int Column = -1;
    bool operator==(const TCellHit&) const = default;
  };
  struct THover {
    int Row = -1;
    int Column = -1;
    int Link = -1;
    bool operator==(const THover&) const = default;
  };

  // Layout and scrolling.
  void UpdateLayout();
  void SyncScrollBars();
  int RowsAreaTop() const { return HeaderRowHeight(); }
  int RowsAreaHeight() const;
  int ColumnLeft(int column) const;  // viewport x of a column's left edge
  int ScrolledWidth() const;         // the width rows are drawn across
  int DividerAt(int x) const;        // column whose right edge is near x, or -1
  // Brings the scroll bars and the picture up to date after the state moved.
  void AfterSelectionMove();
  void ResetItem(int index);

  // Painting (ZuzViewPaint.cpp).
  void PaintRow(QPainter& painter, int row);
  void PaintCaption(QPainter& painter, int row, int column, const QRect& inner,
                    const std::string& caption, const QColor& text, const QColor& link);
  void PaintHeaderRow(QPainter& painter, bool footer);
  QRect CaptionRect(int row, int column, const TZuzItem& item) const;
  int FirstColumnOffset(const TZuzItem& item) const;
  void ForgetLinksOf(int row);

  // Interaction.
  void UpdateHover(QPoint pos);
  void ShowHintNow();
  void HideHint();
  bool FindRow(const std::string& text, int& index);
  void TypeAhead(const std::string& typed);

  TAdvRef<TZuzColumns> m_columns;
  TZuzViewState m_state;
  TZuzTypeAhead m_typeAhead;
  TZuzItem m_item;
  bool m_itemFailed = false;  // the last OnData threw
  TMarkupRenderer m_renderer;
  const TZuzImageList* m_images = nullptr;
  const TZuzImageList* m_states = nullptr;
  QMenu* m_popupMenu = nullptr;
  QColor m_linkColour{Qt::blue};
  QColor m_viewColour;  // invalid: the palette's base colour
  int m_headerHeightProperty = 18;
  int m_rowHeightProperty = 0;
  int m_rowHeightMax = 0;
  int m_rowHeight = 1;  // in force, > 0
  bool m_showSelection = true;
  bool m_showFocus = true;
  bool m_acceptFiles = false;
  bool m_autoDrag = false;
  TZuzScrollStyle m_scrollStyle = TZuzScrollStyle::Both;
  bool m_syncing = false;  // SyncScrollBars is moving the bars

  std::vector<TZuzLinkRegion> m_links;  // of the rows painted last
  THover m_hover;

  // Mouse press bookkeeping, valid from press to release.
  Qt::MouseButton m_pressButton = Qt::NoButton;
  QPoint m_pressPos;
  int m_pressRow = -1;
  int m_pressHeaderColumn = -1;
  int m_pressLinkRegion = -1;  // index into m_links
  TZuzLinkRegion m_pressLink;
  bool m_pressOnImage = false;
  bool m_pressOnState = false;
  bool m_dragCandidate = false;
  bool m_dragging = false;
  int m_resizeColumn = -1;
  int m_resizeStartX = 0;
  int m_resizeStartWidth = 0;
  int m_wheelRemainder = 0;

  QTimer m_hintTimer;
  TCellHit m_hintCell;
  TZuzHintWindow* m_hint = nullptr;  // child window, owned by Qt
};
