#include "ui/widgets/TextCodes.h"

namespace {

// 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    const auto b = uint8_t(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    int extra;
    char32_t c;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      c = b & 0x07;
    } else {
      return false;  // continuation byte first, 0xC0/0xC1 (overlong) or 0xF5 up
    }
    if (n - i <= size_t(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto t = uint8_t(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    if ((extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000)) return false;  // overlong
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return false;
    i += size_t(extra) + 1;
  }
  return true;
}

char32_t Windows1252ToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHigh1252[byte - 0x80];
  return byte;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (char b : bytes) AppendUtf8(out, Windows1252ToUnicode(uint8_t(b)));
  return out;
}
