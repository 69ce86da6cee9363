#include "ui/widgets/ZuzHintWindow.h"

#include <QPainter>
#include <QPalette>

TZuzHintWindow::TZuzHintWindow(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TZuzHintWindow::ShowAt(const std::string& markup, QPoint globalTopLeft, const QFont& font,
                            int maxWidth) {
  m_markup = markup;
  m_renderer.SetFont(font);
  constexpr int kUnbounded = 1 << 20;
  m_layout = m_renderer.Layout(markup, TMarkupDialect::View, TMarkupFit::Wrap, kUnbounded, 0);
  if (m_layout.Extent.width() > maxWidth)
    m_layout = m_renderer.Layout(markup, TMarkupDialect::View, TMarkupFit::Wrap, maxWidth, 0);
  const QSize size = m_layout.Extent + QSize(2 * kMargin + 2, 2 * kMargin + 2);
  setGeometry(QRect(globalTopLeft, size));
  show();
  raise();
  update();
}

void TZuzHintWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  painter.fillRect(rect(), pal.color(QPalette::ToolTipBase));
  painter.setPen(pal.color(QPalette::ToolTipText));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  const QColor text = pal.color(QPalette::ToolTipText);
  m_renderer.Draw(painter, m_layout, QPoint(kMargin + 1, kMargin + 1), {text, text, text});
}
