// The application-wide palette: the five colours the custom controls and the
// windows paint with. The settings do not keep the colours themselves:
// writing the settings writes the palette's current colours, and reading
// them replaces the palette's.
//
// Colours are 0x00BBGGRR values (red in the low byte).
//
// Thread safety: the palette belongs to the user-interface thread.
#pragma once

#include <cstdint>

struct TVexaPalette {
  uint32_t Dark = 0x783710;
  uint32_t Pale = 0xFDF3ED;
  uint32_t Normal = 0xB55317;
  uint32_t TaskpadBack = 0x783710;
  uint32_t TaskpadHeader = 0x00B0F1;

  friend bool operator==(const TVexaPalette&, const TVexaPalette&) = default;
};

// The palette in force; starts with the built-in colours above.
TVexaPalette& AppPalette();
