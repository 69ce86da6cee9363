#include "ui/widgets/ZuzLook.h"

#include <QApplication>
#include <cmath>

#include "ui/widgets/UiText.h"

namespace {
TZuzLook& Look() {
  static TZuzLook look;
  return look;
}

int Darken(int value) {
  return int(std::nearbyint(value * 0.95));
}
}  // namespace

const TZuzLook& ZuzLook() {
  return Look();
}

void SetZuzLook(const TZuzLook& look) {
  Look() = look;
}

QColor ZuzColour(uint32_t bgr) {
  return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QFont ZuzFont() {
  QFont font = QApplication::font();
  if (!Look().FontName.empty()) font.setFamily(ToQString(Look().FontName));
  if (Look().FontSize > 0) font.setPointSize(Look().FontSize);
  return font;
}

QColor ZuzDarken(const QColor& colour) {
  return QColor(Darken(colour.red()), Darken(colour.green()), Darken(colour.blue()),
                colour.alpha());
}
