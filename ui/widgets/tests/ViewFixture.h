// A list view on screen (offscreen platform) with an owner that records
// which rows it was asked for, and small event helpers.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/widgets/ZuzView.h"

struct TViewFixture {
  std::unique_ptr<TZuzView> View;
  std::function<std::string(int)> Caption = [](int i) { return "Row " + std::to_string(i); };
  std::function<void(int, TZuzItem&)> Extra;
  std::vector<int> Asked;

  explicit TViewFixture(int rows, QSize size = QSize(320, 220))
      : View(std::make_unique<TZuzView>()) {
    View->Columns().AddColumn("Name", "", 150);
    View->Columns().AddColumn("Size", "", 80, true, TZuzHorizontal::Right);
    View->Columns().Footer = false;
    View->ColumnsChanged();
    View->OnData = [this](int index, TZuzItem& item) {
      Asked.push_back(index);
      item.Captions[0] = Caption(index);
      item.Captions[1] = std::to_string(index);
      if (Extra) Extra(index, item);
    };
    View->SetCount(rows);
    View->resize(size);
    View->show();
    QVERIFY(QTest::qWaitForWindowExposed(View.get()));
    Paint();
  }

  QWidget* Port() const { return View->viewport(); }
  void Paint() {
    Asked.clear();
    View->viewport()->repaint();
  }
  QPoint CellCentre(int row, int column) const { return View->CellRect(row, column).center(); }
};

inline void MoveMouse(QWidget* widget, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::NoButton,
                   buttons, modifiers);
  QApplication::sendEvent(widget, &move);
}
