#include "ui/widgets/ZuzTaskpad.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <algorithm>

#include "core/AdvAscii.h"
#include "ui/widgets/UiText.h"
#include "ui/widgets/ZuzImageList.h"
#include "ui/widgets/ZuzLook.h"

namespace {

constexpr int kButtonSize = 16;

// Black or white, whichever reads better on `background` (by perceived
// brightness, so orange gets black and dark blue white).
QColor TextOn(const QColor& background) {
  const int brightness =
      (299 * background.red() + 587 * background.green() + 114 * background.blue()) / 1000;
  return brightness > 140 ? QColor(Qt::black) : QColor(Qt::white);
}

void DrawChevron(QPainter& painter, const QRect& box, bool expanded, const QColor& colour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(colour, 1.5));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
  const QPointF c = QRectF(box).center();
  const qreal d = box.width() / 5.0;
  QPolygonF arrow;
  if (expanded)
    arrow << QPointF(c.x() - d, c.y() + d / 2) << QPointF(c.x(), c.y() - d / 2)
          << QPointF(c.x() + d, c.y() + d / 2);
  else
    arrow << QPointF(c.x() - d, c.y() - d / 2) << QPointF(c.x(), c.y() + d / 2)
          << QPointF(c.x() + d, c.y() - d / 2);
  painter.drawPolyline(arrow);
  painter.restore();
}

}  // namespace

TZuzAction* TZuzGroup::AddAction(const std::string& name, std::function<void(TZuzAction*)> onClick,
                                 int32_t image) {
  auto action = std::make_unique<TZuzAction>();
  action->Name = name;
  action->OnClick = std::move(onClick);
  action->Image = image;
  m_actions.push_back(std::move(action));
  return m_actions.back().get();
}

TZuzTaskpad::TZuzTaskpad(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(ZuzFont());
  m_headerFont = font();
  m_headerFont.setBold(true);
  m_bodyFont = font();
  m_headerBack = ZuzColour(ZuzLook().ColourTaskpadHeader);
  m_bodyBack = ZuzColour(ZuzLook().ColourPale);
  m_linkColour = ZuzColour(ZuzLook().ColourNormal);
  m_bodyRenderer.SetFont(m_bodyFont);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setMouseTracking(true);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  setFocusPolicy(Qt::NoFocus);
}

TZuzTaskpad::~TZuzTaskpad() = default;

QSize TZuzTaskpad::sizeHint() const {
  return QSize(kDefaultWidth, 300);
}

TZuzGroup* TZuzTaskpad::AddGroup(const std::string& name, const std::string& description) {
  auto group = std::make_unique<TZuzGroup>();
  group->Name = name;
  group->Description = description;
  m_groups.push_back(std::move(group));
  Changed();
  return m_groups.back().get();
}

void TZuzTaskpad::Changed() {
  RebuildShortcuts();
  Relayout();
  viewport()->update();
}

TZuzAction* TZuzTaskpad::FindAction(std::string_view name) const {
  TZuzAction* found = nullptr;
  for (const auto& group : m_groups)
    for (int i = 0; i < group->ActionCount(); ++i)
      if (SameTextAscii(group->Action(i)->Name, name)) found = group->Action(i);
  return found;
}

int TZuzTaskpad::VisibleActionCount() const {
  int count = 0;
  for (const auto& group : m_groups) {
    if (!group->Visible) continue;
    for (int i = 0; i < group->ActionCount(); ++i)
      if (group->Action(i)->Visible) ++count;
  }
  return count;
}

bool TZuzTaskpad::RunAction(TZuzAction* action) {
  if (!action || !action->Enabled) return false;
  for (const auto& group : m_groups)
    for (int i = 0; i < group->ActionCount(); ++i)
      if (group->Action(i) == action && !group->Enabled) return false;
  if (action->OnClick) action->OnClick(action);
  return true;
}

void TZuzTaskpad::SetImages(const TZuzImageList* images) {
  m_images = images;
  Changed();
}

void TZuzTaskpad::SetGroupImages(const TZuzImageList* images) {
  m_groupImages = images;
  Changed();
}

void TZuzTaskpad::SetHeaderFont(const QFont& font, const QColor& background) {
  m_headerFont = font;
  m_headerBack = background;
  Changed();
}

void TZuzTaskpad::SetBodyFont(const QFont& font, const QColor& background) {
  m_bodyFont = font;
  m_bodyBack = background;
  m_bodyRenderer.SetFont(font);
  Changed();
}

void TZuzTaskpad::SetLinkColor(const QColor& colour) {
  m_linkColour = colour;
  viewport()->update();
}

void TZuzTaskpad::RebuildShortcuts() {
  for (QShortcut* shortcut : m_shortcuts) delete shortcut;
  m_shortcuts.clear();
  for (const auto& group : m_groups)
    for (int i = 0; i < group->ActionCount(); ++i) {
      TZuzAction* action = group->Action(i);
      if (action->Shortcut.isEmpty()) continue;
      auto* shortcut = new QShortcut(action->Shortcut, this);
      shortcut->setContext(Qt::WindowShortcut);
      connect(shortcut, &QShortcut::activated, this, [this, action] {
        if (action->Visible) RunAction(action);
      });
      m_shortcuts.push_back(shortcut);
    }
}

// Content coordinates: y from the top of everything, before scrolling.
void TZuzTaskpad::Relayout() {
  m_boxes.assign(m_groups.size(), {});
  m_elements.clear();
  const QFontMetrics header(m_headerFont);
  const QFontMetrics body(m_bodyFont);
  const int width = std::max(0, viewport()->width() - 2 * kOuterMargin);
  const int headerHeight = std::max(header.height(), kButtonSize) + 2 * kInnerMargin;
  const int imageSize = m_images ? m_images->Height() : 0;
  const int actionHeight = std::max(body.height(), imageSize) + kInnerMargin;
  int y = kOuterMargin;
  for (size_t g = 0; g < m_groups.size(); ++g) {
    const TZuzGroup& group = *m_groups[g];
    if (!group.Visible) continue;
    TGroupBox& box = m_boxes[g];
    box.Header = QRect(kOuterMargin, y, width, headerHeight);
    m_elements.push_back({TKind::Header, int(g), -1, {}, box.Header, group.Enabled});
    y += headerHeight;
    if (group.Expanded) {
      const int bodyTop = y;
      y += kInnerMargin;
      const int textWidth = width - 2 * kInnerMargin;
      if (!group.Description.empty()) {
        box.DescriptionLayout = m_bodyRenderer.Layout(group.Description, TMarkupDialect::View,
                                                      TMarkupFit::Wrap, textWidth, 0);
        box.Description =
            QRect(kOuterMargin + kInnerMargin, y, textWidth, box.DescriptionLayout.Extent.height());
        for (const TMarkupLinkRegion& link :
             TMarkupRenderer::LinkRegions(box.DescriptionLayout, box.Description.topLeft()))
          m_elements.push_back({TKind::Link, int(g), -1, link.Name, link.Rect, true});
        y += box.Description.height() + kInnerMargin;
      }
      for (int a = 0; a < group.ActionCount(); ++a) {
        const TZuzAction& action = *group.Action(a);
        if (!action.Visible) continue;
        const QRect rect(kOuterMargin + kInnerMargin, y, textWidth, actionHeight);
        m_elements.push_back({TKind::Action, int(g), a, {}, rect, action.Enabled && group.Enabled});
        y += actionHeight;
      }
      y += kInnerMargin;
      box.Body = QRect(kOuterMargin, bodyTop, width, y - bodyTop);
    }
    y += kOuterMargin;
  }
  m_contentHeight = y;
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, m_contentHeight - viewport()->height()));
  bar->setPageStep(std::max(1, viewport()->height()));
  bar->setSingleStep(actionHeight);
  if (m_hover >= int(m_elements.size())) m_hover = -1;
  m_press = -1;
}

QRect TZuzTaskpad::ToViewport(const QRect& content) const {
  return content.translated(0, -verticalScrollBar()->value());
}

QRect TZuzTaskpad::HeaderRect(const TZuzGroup* group) const {
  for (const TElement& e : m_elements)
    if (e.Kind == TKind::Header && m_groups[size_t(e.Group)].get() == group)
      return ToViewport(e.Rect);
  return QRect();
}

QRect TZuzTaskpad::ActionRect(const TZuzAction* action) const {
  for (const TElement& e : m_elements)
    if (e.Kind == TKind::Action && m_groups[size_t(e.Group)]->Action(e.Action) == action)
      return ToViewport(e.Rect);
  return QRect();
}

QRect TZuzTaskpad::LinkRect(const std::string& name) const {
  for (const TElement& e : m_elements)
    if (e.Kind == TKind::Link && e.Link == name) return ToViewport(e.Rect);
  return QRect();
}

void TZuzTaskpad::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), ZuzColour(ZuzLook().ColourTaskpadBack));
  painter.translate(0, -verticalScrollBar()->value());
  const QColor headerText = TextOn(m_headerBack);
  const QColor bodyText = TextOn(m_bodyBack);
  const QFontMetrics headerMetrics(m_headerFont);
  const QFontMetrics bodyMetrics(m_bodyFont);
  for (size_t i = 0; i < m_elements.size(); ++i) {
    const TElement& e = m_elements[i];
    const TZuzGroup& group = *m_groups[size_t(e.Group)];
    const bool hover = int(i) == m_hover && e.Enabled;
    if (e.Kind == TKind::Header) {
      const TGroupBox& box = m_boxes[size_t(e.Group)];
      if (!box.Body.isEmpty()) painter.fillRect(box.Body, m_bodyBack);
      painter.fillRect(e.Rect, hover ? m_headerBack.lighter(115) : m_headerBack);
      const QRect button(e.Rect.right() - kInnerMargin - kButtonSize + 1,
                         e.Rect.top() + (e.Rect.height() - kButtonSize) / 2, kButtonSize,
                         kButtonSize);
      if (m_groupImages && m_groupImages->Count() >= 2)
        m_groupImages->Draw(painter, button.topLeft(), group.Expanded ? 0 : 1, group.Enabled);
      else
        DrawChevron(painter, button, group.Expanded, headerText);
      const QRect text = e.Rect.adjusted(kInnerMargin + 2, 0, -(2 * kInnerMargin + kButtonSize), 0);
      painter.setFont(m_headerFont);
      painter.setPen(group.Enabled ? headerText
                                   : palette().color(QPalette::Disabled, QPalette::Text));
      painter.drawText(
          text, Qt::AlignVCenter | Qt::AlignLeft,
          headerMetrics.elidedText(ToQString(group.Name), Qt::ElideRight, text.width()));
      if (!box.Description.isEmpty())
        m_bodyRenderer.Draw(painter, box.DescriptionLayout, box.Description.topLeft(),
                            {bodyText, m_linkColour, m_linkColour});
    } else if (e.Kind == TKind::Action) {
      const TZuzAction& action = *group.Action(e.Action);
      int x = e.Rect.left();
      if (m_images) {
        m_images->Draw(painter,
                       QPoint(x, e.Rect.top() + (e.Rect.height() - m_images->Height()) / 2),
                       action.Image, e.Enabled);
        x += m_images->Width() + kInnerMargin;
      }
      QFont f = m_bodyFont;
      f.setUnderline(hover);
      painter.setFont(f);
      painter.setPen(!e.Enabled ? palette().color(QPalette::Disabled, QPalette::Text)
                                : (hover ? m_linkColour : bodyText));
      const QRect text(x, e.Rect.top(), e.Rect.right() - x, e.Rect.height());
      painter.drawText(
          text, Qt::AlignVCenter | Qt::AlignLeft,
          bodyMetrics.elidedText(ToQString(action.Name), Qt::ElideRight, text.width()));
    }
  }
}

void TZuzTaskpad::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

void TZuzTaskpad::scrollContentsBy(int, int) {
  viewport()->update();
}

int TZuzTaskpad::ElementAt(QPoint viewportPos) const {
  const QPoint pos = viewportPos + QPoint(0, verticalScrollBar()->value());
  for (size_t i = 0; i < m_elements.size(); ++i)
    if (m_elements[i].Rect.contains(pos)) return int(i);
  return -1;
}

void TZuzTaskpad::SetHover(int element) {
  if (element == m_hover) return;
  m_hover = element;
  const bool hand = element >= 0 && m_elements[size_t(element)].Enabled;
  if (hand)
    viewport()->setCursor(Qt::PointingHandCursor);
  else
    viewport()->unsetCursor();
  viewport()->update();
}

void TZuzTaskpad::mouseMoveEvent(QMouseEvent* event) {
  SetHover(ElementAt(event->position().toPoint()));
}

void TZuzTaskpad::mousePressEvent(QMouseEvent* event) {
  m_press = event->button() == Qt::LeftButton ? ElementAt(event->position().toPoint()) : -1;
}

void TZuzTaskpad::mouseReleaseEvent(QMouseEvent* event) {
  const int element =
      event->button() == Qt::LeftButton ? ElementAt(event->position().toPoint()) : -1;
  const int pressed = m_press;
  m_press = -1;
  if (element < 0 || element != pressed) return;
  const TElement e = m_elements[size_t(element)];
  if (!e.Enabled) return;
  TZuzGroup* group = m_groups[size_t(e.Group)].get();
  switch (e.Kind) {
    case TKind::Header:
      group->Expanded = !group->Expanded;
      Relayout();
      SetHover(ElementAt(event->position().toPoint()));
      viewport()->update();
      break;
    case TKind::Action:
      RunAction(group->Action(e.Action));
      break;
    case TKind::Link:
      if (OnLink) OnLink(e.Link);
      break;
  }
}

bool TZuzTaskpad::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave) SetHover(-1);
  return QAbstractScrollArea::viewportEvent(event);
}
