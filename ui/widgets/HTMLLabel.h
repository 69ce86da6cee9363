// THTMLLabel: a label whose caption is mark-up (Markup.h, label dialect):
// bold and italic words, line breaks and named links. Every message text of
// the program with bold words or links, the wizards' summaries and the guides'
// links use it. Text from data must be escaped with MarkupEscape before it is
// put into a caption.
//
// With WordWrap on, lines break at blanks and the label asks its layout for
// the height its width needs; with it off, a caption wider than the label is
// cut and ended with "...". A link is drawn in LinkColor; under the mouse it
// is underlined in HoverColor and the cursor becomes a hand. Releasing the
// left button on the link it was pressed on fires OnHyperLink with the link's
// name; a click elsewhere fires OnClick.
//
// Thread safety: main thread only.
#pragma once

#include <QColor>
#include <QFrame>
#include <functional>
#include <string>
#include <vector>

#include "ui/widgets/MarkupRenderer.h"

class THTMLLabel : public QFrame {
  Q_OBJECT

 public:
  explicit THTMLLabel(QWidget* parent = nullptr);
  THTMLLabel(const std::string& caption, QWidget* parent);

  const std::string& Caption() const { return m_caption; }
  void SetCaption(const std::string& caption);
  bool WordWrap() const { return m_wordWrap; }
  void SetWordWrap(bool on);
  Qt::Alignment Alignment() const { return m_alignment; }
  // Horizontal: left, right or centred; vertical: top or centred.
  void SetAlignment(Qt::Alignment alignment);
  QColor NormalColor() const;
  void SetNormalColor(const QColor& colour);
  QColor LinkColor() const { return m_linkColour; }
  void SetLinkColor(const QColor& colour);
  QColor HoverColor() const { return m_hoverColour; }
  void SetHoverColor(const QColor& colour);

  // The link regions of the last paint, in widget coordinates.
  const std::vector<TMarkupLinkRegion>& LinkRegions() const { return m_links; }
  // The name of the link under the mouse, or empty.
  std::string HoverLink() const;
  // Whether the last paint had to cut the caption.
  bool Truncated() const { return m_truncated; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return m_wordWrap; }
  int heightForWidth(int width) const override;

  std::function<void(THTMLLabel* sender, const std::string& link)> OnHyperLink;
  std::function<void(THTMLLabel* sender)> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  TMarkupLayout MakeLayout(int width) const;
  int LinkAt(QPoint pos) const;
  void SetHover(int link);

  std::string m_caption;
  bool m_wordWrap = false;
  Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignTop;
  QColor m_normalColour;  // invalid: the palette's window text
  QColor m_linkColour{Qt::blue};
  QColor m_hoverColour{Qt::red};
  TMarkupRenderer m_renderer;
  std::vector<TMarkupLinkRegion> m_links;
  std::vector<std::string> m_linkNames;  // by link index, of the last paint
  bool m_truncated = false;
  int m_hover = -1;
  int m_pressLink = -1;
};
