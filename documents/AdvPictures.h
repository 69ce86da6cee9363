// Pictures as documents see them: a plain block of pixels, the picture file
// formats the program can read (JPEG, and uncompressed or palette Windows
// bitmaps), and the bitmap writer that serves as a picture's own format when
// JPEG cannot hold it.
//
// Readers check every size and offset against the bytes actually present
// and refuse pictures above kMaxPicturePixels, so a damaged or hostile file
// costs a clear "cannot load" and nothing else.
//
// Thread safety: all functions are pure; call them from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Rows from the top, each Width * Channels bytes, red first; a fourth channel
// is alpha (255 opaque).
struct TAdvPicture {
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint8_t Channels = 3;  // 3 RGB or 4 RGBA
  std::vector<uint8_t> Pixels;

  // Positive sizes, 3 or 4 channels, and exactly the pixel bytes they need.
  bool IsValid() const;
};

// The largest picture the readers accept (a 64-megapixel photograph fits).
constexpr uint64_t kMaxPicturePixels = 64ull * 1024 * 1024;

// Decodes a JPEG or BMP held in `bytes` (told apart by their first bytes);
// false for anything else, damaged data included.
bool DecodePicture(std::string_view bytes, TAdvPicture& picture);
// Reads and decodes the file; false when it cannot be read or decoded.
bool LoadPictureFile(const std::string& path, TAdvPicture& picture);

// One row of the picture as RGB bytes (Width * 3) into `rgb`, transparent
// pixels blended over white, as a page shows them.
void PictureRowRgb(const TAdvPicture& picture, uint32_t row, uint8_t* rgb);

// A 24-bit bottom-up Windows bitmap of the picture (alpha blended over white);
// empty for an invalid picture or one too large for the format.
std::string EncodeBitmap(const TAdvPicture& picture);
