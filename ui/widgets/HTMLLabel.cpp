#include "ui/widgets/HTMLLabel.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/widgets/ZuzLook.h"

namespace {
constexpr int kUnbounded = 1 << 20;
}

THTMLLabel::THTMLLabel(QWidget* parent) : QFrame(parent) {
  setFont(ZuzFont());
  m_renderer.SetFont(font());
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

THTMLLabel::THTMLLabel(const std::string& caption, QWidget* parent) : THTMLLabel(parent) {
  SetCaption(caption);
}

void THTMLLabel::SetCaption(const std::string& caption) {
  if (caption == m_caption) return;
  m_caption = caption;
  m_hover = -1;
  m_pressLink = -1;
  updateGeometry();
  update();
}

void THTMLLabel::SetWordWrap(bool on) {
  m_wordWrap = on;
  QSizePolicy policy = sizePolicy();
  policy.setHeightForWidth(on);
  setSizePolicy(policy);
  updateGeometry();
  update();
}

void THTMLLabel::SetAlignment(Qt::Alignment alignment) {
  m_alignment = alignment;
  update();
}

QColor THTMLLabel::NormalColor() const {
  return m_normalColour.isValid() ? m_normalColour : palette().color(QPalette::WindowText);
}

void THTMLLabel::SetNormalColor(const QColor& colour) {
  m_normalColour = colour;
  update();
}

void THTMLLabel::SetLinkColor(const QColor& colour) {
  m_linkColour = colour;
  update();
}

void THTMLLabel::SetHoverColor(const QColor& colour) {
  m_hoverColour = colour;
  update();
}

std::string THTMLLabel::HoverLink() const {
  return m_hover >= 0 && size_t(m_hover) < m_linkNames.size() ? m_linkNames[size_t(m_hover)]
                                                              : std::string();
}

TMarkupLayout THTMLLabel::MakeLayout(int width) const {
  TMarkupLayout layout =
      m_renderer.Layout(m_caption, TMarkupDialect::Label,
                        m_wordWrap ? TMarkupFit::Wrap : TMarkupFit::Ellipsis, width, 0);
  TMarkupRenderer::AlignLines(layout, width, m_alignment);
  return layout;
}

QSize THTMLLabel::sizeHint() const {
  const QMargins m = contentsMargins();
  const TMarkupLayout layout =
      m_renderer.Layout(m_caption, TMarkupDialect::Label,
                        m_wordWrap ? TMarkupFit::Wrap : TMarkupFit::Ellipsis, kUnbounded, 0);
  QSize size = layout.Extent;
  if (size.height() == 0) size.setHeight(m_renderer.LineHeight());
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize THTMLLabel::minimumSizeHint() const {
  const QMargins m = contentsMargins();
  if (!m_wordWrap)
    return QSize(m_renderer.Metrics(0).horizontalAdvance(QStringLiteral("...")),
                 m_renderer.LineHeight()) +
           QSize(m.left() + m.right(), m.top() + m.bottom());
  return QSize(m_renderer.Metrics(0).averageCharWidth() * 8, m_renderer.LineHeight()) +
         QSize(m.left() + m.right(), m.top() + m.bottom());
}

int THTMLLabel::heightForWidth(int width) const {
  const QMargins m = contentsMargins();
  const TMarkupLayout layout = MakeLayout(width - m.left() - m.right());
  return std::max(layout.Extent.height(), m_renderer.LineHeight()) + m.top() + m.bottom();
}

void THTMLLabel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect area = contentsRect();
  const TMarkupLayout layout = MakeLayout(area.width());
  QPoint origin = area.topLeft();
  if (m_alignment & Qt::AlignVCenter)
    origin.ry() += std::max(0, (area.height() - layout.Extent.height()) / 2);
  painter.setClipRect(area);
  m_renderer.Draw(painter, layout, origin, {NormalColor(), m_linkColour, m_hoverColour}, m_hover);
  m_links = TMarkupRenderer::LinkRegions(layout, origin);
  m_linkNames = layout.Links;
  m_truncated = layout.Truncated;
}

int THTMLLabel::LinkAt(QPoint pos) const {
  for (const TMarkupLinkRegion& region : m_links)
    if (region.Rect.contains(pos)) return region.Link;
  return -1;
}

void THTMLLabel::SetHover(int link) {
  if (link == m_hover) return;
  m_hover = link;
  if (link >= 0)
    setCursor(Qt::PointingHandCursor);
  else
    unsetCursor();
  update();
}

void THTMLLabel::mouseMoveEvent(QMouseEvent* event) {
  SetHover(LinkAt(event->position().toPoint()));
  QFrame::mouseMoveEvent(event);
}

void THTMLLabel::mousePressEvent(QMouseEvent* event) {
  m_pressLink = event->button() == Qt::LeftButton ? LinkAt(event->position().toPoint()) : -1;
  QFrame::mousePressEvent(event);
}

void THTMLLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QFrame::mouseReleaseEvent(event);
  const int link = LinkAt(event->position().toPoint());
  const int pressed = m_pressLink;
  m_pressLink = -1;
  if (link >= 0 && link == pressed && size_t(link) < m_linkNames.size()) {
    const std::string name = m_linkNames[size_t(link)];
    if (OnHyperLink) OnHyperLink(this, name);
    return;
  }
  if (rect().contains(event->position().toPoint()) && OnClick) OnClick(this);
}

void THTMLLabel::leaveEvent(QEvent* event) {
  SetHover(-1);
  QFrame::leaveEvent(event);
}

void THTMLLabel::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    m_renderer.SetFont(font());
    updateGeometry();
    update();
  }
}
