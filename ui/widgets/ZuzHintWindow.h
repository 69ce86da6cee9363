// The hint window of the list view: a borderless tool-tip window in the
// platform's info colours that shows a clipped cell's full text, mark-up
// included, at the cell.
//
// Thread safety: main thread only.
#pragma once

#include <QWidget>
#include <string>

#include "ui/widgets/MarkupRenderer.h"

class TZuzHintWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TZuzHintWindow(QWidget* owner);

  // Shows `markup` with its top-left at `globalTopLeft`; lines wrap at
  // `maxWidth` pixels.
  void ShowAt(const std::string& markup, QPoint globalTopLeft, const QFont& font, int maxWidth);
  const std::string& Markup() const { return m_markup; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  static constexpr int kMargin = 3;

  std::string m_markup;
  TMarkupRenderer m_renderer;
  TMarkupLayout m_layout;
};
