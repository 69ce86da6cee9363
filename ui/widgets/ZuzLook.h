// The colours and the font every custom control paints with.
//
// The values mirror what the program's settings store: a font name and the
// application-wide palette of five colours, kept as Windows colour values
// (0x00BBGGRR) exactly as the settings file holds them. Until the settings
// object is wired to the user interface, the controls read the built-in
// defaults below; the settings fill this struct through SetZuzLook once they
// are loaded, and again when the user changes them.
//
// Roles: Dark and Normal colour headers, selections and links drawn on the
// program's own surfaces; Pale is the quiet background behind text; the two
// task pad colours paint its background and its group headers. Colours the
// platform's theme owns (window, text, highlight, button face, tool tips) come
// from the widget's palette.
//
// Thread safety: main thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>
#include <string>

struct TZuzLook {
  std::string FontName;  // empty: the application's font
  int32_t FontSize = 0;  // points; 0: the application's size
  uint32_t ColourDark = 0x783710;
  uint32_t ColourPale = 0xFDF3ED;
  uint32_t ColourNormal = 0xB55317;
  uint32_t ColourTaskpadBack = 0x783710;
  uint32_t ColourTaskpadHeader = 0x00B0F1;
};

const TZuzLook& ZuzLook();
// Replaces the look; controls created afterwards take its font, and every
// control uses its colours at its next paint.
void SetZuzLook(const TZuzLook& look);

// A Windows colour value (0x00BBGGRR) as a QColor.
QColor ZuzColour(uint32_t bgr);
// The look's font: the application's font with the look's name and size.
QFont ZuzFont();
// Each of red, green and blue times 0.95, rounded to nearest (ties to even);
// how sorted columns and bars are shaded.
QColor ZuzDarken(const QColor& colour);
