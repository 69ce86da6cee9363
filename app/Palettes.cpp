#include "app/Palettes.h"

TVexaPalette& AppPalette() {
  static TVexaPalette palette;
  return palette;
}
