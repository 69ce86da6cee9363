// A list of same-sized images, drawn by index: the row images and state
// images of the list view, the task pad's action images and the side bar's
// buttons. The owner of a window keeps the list; controls hold a pointer and
// never own it.
//
// Thread safety: main thread only (pixmaps belong to the GUI thread).
#pragma once

#include <QPixmap>
#include <QSize>
#include <vector>

class QPainter;

class TZuzImageList {
 public:
  explicit TZuzImageList(QSize size) : m_size(size) {}

  QSize Size() const { return m_size; }
  int Width() const { return m_size.width(); }
  int Height() const { return m_size.height(); }
  int Count() const { return int(m_images.size()); }
  // Adds an image, scaled to the list's size; returns its index.
  int Add(const QPixmap& image);
  // Draws image `index` with its top-left at `at`, greyed when not enabled.
  // An index outside the list draws nothing.
  void Draw(QPainter& painter, QPoint at, int index, bool enabled = true) const;

 private:
  QSize m_size;
  std::vector<QPixmap> m_images;
  std::vector<QPixmap> m_disabled;  // greyed copies, made with the image
};
