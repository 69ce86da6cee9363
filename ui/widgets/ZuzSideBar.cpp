#include "ui/widgets/ZuzSideBar.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "ui/widgets/UiText.h"
#include "ui/widgets/ZuzImageList.h"
#include "ui/widgets/ZuzLook.h"

namespace {
constexpr int kArrowSize = 16;
constexpr int kPadding = 4;
}  // namespace

TZuzSideBar::TZuzSideBar(QWidget* parent) : QWidget(parent) {
  setFont(ZuzFont());
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

QSize TZuzSideBar::sizeHint() const {
  return QSize(kDefaultWidth, 300);
}

QSize TZuzSideBar::minimumSizeHint() const {
  return QSize(kDefaultWidth, BandHeight() * std::max(1, BandCount()));
}

TZuzSideBarBand& TZuzSideBar::AddBand(const std::string& name) {
  m_bands.push_back({name, {}});
  if (m_active < 0) m_active = 0;
  Changed();
  return m_bands.back();
}

void TZuzSideBar::Changed() {
  if (m_active >= BandCount()) m_active = BandCount() - 1;
  Relayout();
  update();
}

void TZuzSideBar::SetActiveBand(int index) {
  if (index < 0 || index >= BandCount()) return;
  m_active = index;
  m_first = 0;
  Changed();
}

void TZuzSideBar::SetFirstButton(int index) {
  const int count = m_active >= 0 ? int(m_bands[size_t(m_active)].Buttons.size()) : 0;
  m_first = std::clamp(index, 0, std::max(0, count - 1));
  Changed();
}

void TZuzSideBar::SetImages(const TZuzImageList* images) {
  m_images = images;
  Changed();
}

int TZuzSideBar::BandHeight() const {
  return fontMetrics().height() + 2 * kPadding;
}

int TZuzSideBar::ButtonHeight() const {
  return (m_images ? m_images->Height() : 32) + fontMetrics().height() + 3 * kPadding;
}

QRect TZuzSideBar::BandRect(int band) const {
  return band >= 0 && size_t(band) < m_bandRects.size() ? m_bandRects[size_t(band)] : QRect();
}

QRect TZuzSideBar::ButtonRect(int button) const {
  return button >= 0 && size_t(button) < m_buttonRects.size() ? m_buttonRects[size_t(button)]
                                                              : QRect();
}

void TZuzSideBar::Relayout() {
  const int w = width();
  const int bandHeight = BandHeight();
  const int count = BandCount();
  m_bandRects.assign(size_t(count), QRect());
  int top = 0;
  for (int i = 0; i <= m_active && i < count; ++i, top += bandHeight)
    m_bandRects[size_t(i)] = QRect(0, top, w, bandHeight);
  int bottom = height();
  for (int i = count - 1; i > m_active; --i) {
    bottom -= bandHeight;
    m_bandRects[size_t(i)] = QRect(0, bottom, w, bandHeight);
  }
  m_buttonRects.clear();
  m_up = m_down = QRect();
  if (m_active < 0) return;
  const auto& buttons = m_bands[size_t(m_active)].Buttons;
  m_buttonRects.assign(buttons.size(), QRect());
  m_first = std::clamp(m_first, 0, std::max(0, int(buttons.size()) - 1));
  const int buttonHeight = ButtonHeight();
  int y = top + kPadding;
  int last = m_first - 1;
  for (int i = m_first; i < int(buttons.size()); ++i) {
    if (y + buttonHeight > bottom) break;
    m_buttonRects[size_t(i)] = QRect(0, y, w, buttonHeight);
    y += buttonHeight;
    last = i;
  }
  if (m_first > 0) m_up = QRect(w - kArrowSize - 2, top + 2, kArrowSize, kArrowSize);
  if (last < int(buttons.size()) - 1)
    m_down = QRect(w - kArrowSize - 2, bottom - kArrowSize - 2, kArrowSize, kArrowSize);
}

int TZuzSideBar::ElementAt(QPoint pos) const {
  if (m_up.contains(pos)) return kUp;
  if (m_down.contains(pos)) return kDown;
  for (size_t i = 0; i < m_bandRects.size(); ++i)
    if (m_bandRects[i].contains(pos)) return kBandBase + int(i);
  for (size_t i = 0; i < m_buttonRects.size(); ++i)
    if (m_buttonRects[i].contains(pos)) return int(i);
  return kNone;
}

void TZuzSideBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor back = ZuzColour(ZuzLook().ColourDark);
  painter.fillRect(rect(), back);
  const QFontMetrics metrics = fontMetrics();
  for (int i = 0; i < BandCount(); ++i) {
    const QRect r = m_bandRects[size_t(i)];
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = r;
    option.state |= QStyle::State_Raised;
    if (m_hover == kBandBase + i) option.state |= QStyle::State_MouseOver;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(
        r.adjusted(2, 0, -2, 0), Qt::AlignCenter,
        metrics.elidedText(ToQString(m_bands[size_t(i)].Name), Qt::ElideRight, r.width() - 4));
  }
  if (m_active < 0) return;
  const auto& buttons = m_bands[size_t(m_active)].Buttons;
  const QColor text(Qt::white);
  for (size_t i = 0; i < buttons.size(); ++i) {
    const QRect r = m_buttonRects[i];
    if (r.isEmpty()) continue;
    const TZuzSideBarButton& button = buttons[i];
    if (m_hover == int(i) && button.Enabled)
      painter.fillRect(r.adjusted(2, 0, -2, 0), ZuzColour(ZuzLook().ColourNormal));
    const int imageHeight = m_images ? m_images->Height() : 32;
    if (m_images)
      m_images->Draw(painter,
                     QPoint(r.center().x() - m_images->Width() / 2 + 1, r.top() + kPadding),
                     button.Image, button.Enabled);
    painter.setPen(button.Enabled ? text : text.darker(160));
    const QRect label(r.left() + 1, r.top() + 2 * kPadding + imageHeight, r.width() - 2,
                      metrics.height());
    painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop,
                     metrics.elidedText(ToQString(button.Name), Qt::ElideRight, label.width()));
  }
  for (const auto& [arrow, up] : {std::pair{m_up, true}, std::pair{m_down, false}}) {
    if (arrow.isEmpty()) continue;
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = arrow;
    if (m_hover == (up ? kUp : kDown)) option.state |= QStyle::State_MouseOver;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    QStyleOption glyph;
    glyph.initFrom(this);
    glyph.rect = arrow.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(up ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &glyph,
                           &painter, this);
  }
}

void TZuzSideBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relayout();
}

void TZuzSideBar::SetHover(int element) {
  if (element == m_hover) return;
  m_hover = element;
  update();
}

void TZuzSideBar::mouseMoveEvent(QMouseEvent* event) {
  SetHover(ElementAt(event->position().toPoint()));
}

void TZuzSideBar::mousePressEvent(QMouseEvent* event) {
  m_press = event->button() == Qt::LeftButton ? ElementAt(event->position().toPoint()) : kNone;
}

void TZuzSideBar::mouseReleaseEvent(QMouseEvent* event) {
  const int element =
      event->button() == Qt::LeftButton ? ElementAt(event->position().toPoint()) : kNone;
  const int pressed = m_press;
  m_press = kNone;
  if (element == kNone || element != pressed) return;
  if (element == kUp) {
    SetFirstButton(m_first - 1);
  } else if (element == kDown) {
    SetFirstButton(m_first + 1);
  } else if (element >= kBandBase) {
    SetActiveBand(element - kBandBase);
  } else if (m_active >= 0 && m_bands[size_t(m_active)].Buttons[size_t(element)].Enabled) {
    if (OnButtonClick) OnButtonClick(m_active, element);
  }
}

void TZuzSideBar::leaveEvent(QEvent* event) {
  SetHover(kNone);
  QWidget::leaveEvent(event);
}

void TZuzSideBar::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) Changed();
}
