#include "ui/widgets/ZuzImageList.h"

#include <QIcon>
#include <QPainter>

int TZuzImageList::Add(const QPixmap& image) {
  QPixmap scaled = image.size() == m_size
                       ? image
                       : image.scaled(m_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  m_disabled.push_back(QIcon(scaled).pixmap(m_size, QIcon::Disabled));
  m_images.push_back(std::move(scaled));
  return Count() - 1;
}

void TZuzImageList::Draw(QPainter& painter, QPoint at, int index, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  painter.drawPixmap(at, enabled ? m_images[size_t(index)] : m_disabled[size_t(index)]);
}
