#include "documents/AdvPictures.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "core/AdvFiles.h"

namespace {

// ---------------------------------------------------------------------------
// Little-endian reads that never pass the end of the bytes.

class TByteReader {
 public:
  explicit TByteReader(std::string_view bytes) : m_bytes(bytes) {}
  bool Has(size_t offset, size_t count) const {
    return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
  }
  uint8_t U8(size_t offset) const { return uint8_t(m_bytes[offset]); }
  uint16_t U16(size_t offset) const { return uint16_t(U8(offset) | U8(offset + 1) << 8); }
  uint32_t U32(size_t offset) const {
    return uint32_t(U16(offset)) | uint32_t(U16(offset + 2)) << 16;
  }
  int32_t I32(size_t offset) const { return int32_t(U32(offset)); }
  const uint8_t* At(size_t offset) const {
    return reinterpret_cast<const uint8_t*>(m_bytes.data()) + offset;
  }

 private:
  std::string_view m_bytes;
};

// One channel of a bit-field pixel scaled to 0..255; `fallback` for an
// empty mask.
uint8_t MaskedChannel(uint32_t pixel, uint32_t mask, uint8_t fallback) {
  if (mask == 0) return fallback;
  int shift = 0;
  while (!(mask >> shift & 1)) ++shift;
  const uint32_t max = mask >> shift;
  const uint32_t value = (pixel & mask) >> shift;
  return uint8_t((uint64_t(value) * 255 + max / 2) / max);
}

bool SizeAccepted(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width <= 65535 && height <= 65535 &&
         width * height <= kMaxPicturePixels;
}

// ---------------------------------------------------------------------------
// Windows bitmaps: core (12-byte) and info (40 bytes and up) headers;
// 1, 4 and 8 bits with a palette, 16 and 32 bits with bit fields or the
// default layout, 24 bits. Compressed (RLE, embedded PNG/JPEG) bitmaps are
// not read.

bool DecodeBitmap(std::string_view bytes, TAdvPicture& picture) {
  const TByteReader in(bytes);
  if (!in.Has(0, 18) || in.U8(0) != 'B' || in.U8(1) != 'M') return false;
  const uint32_t pixelOffset = in.U32(10);
  const uint32_t headerSize = in.U32(14);
  const size_t header = 14;
  int64_t width, height;
  uint16_t bits;
  uint32_t compression = 0, colorsUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  size_t paletteOffset;
  size_t paletteEntry = 4;
  if (headerSize == 12) {
    if (!in.Has(header, 12)) return false;
    width = in.U16(header + 4);
    height = int16_t(in.U16(header + 6));
    bits = in.U16(header + 10);
    paletteOffset = header + 12;
    paletteEntry = 3;
  } else if (headerSize >= 40) {
    if (!in.Has(header, headerSize)) return false;
    width = in.I32(header + 4);
    height = in.I32(header + 8);
    bits = in.U16(header + 14);
    compression = in.U32(header + 16);
    colorsUsed = in.U32(header + 32);
    paletteOffset = header + headerSize;
    if (compression == 3 || compression == 6) {  // BI_BITFIELDS, BI_ALPHABITFIELDS
      const int count = compression == 6 ? 4 : 3;
      size_t maskOffset = header + 40;
      if (headerSize == 40) paletteOffset += size_t(count) * 4;
      if (!in.Has(maskOffset, size_t(count) * 4)) return false;
      for (int i = 0; i < count; ++i) masks[i] = in.U32(maskOffset + size_t(i) * 4);
      if (headerSize >= 56) masks[3] = in.U32(header + 52);
    } else if (compression != 0) {
      return false;
    }
  } else {
    return false;
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (!SizeAccepted(uint64_t(width < 0 ? 0 : width), uint64_t(height))) return false;
  if (bits == 16 && compression == 0) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bits == 32 && compression == 0) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;  // the fourth byte is unused
  } else if (bits == 16 || bits == 32) {
    // bit fields read above
  } else if (compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) {
    return false;
  }

  // The palette of the indexed forms.
  uint8_t palette[256][3] = {};
  uint32_t paletteCount = 0;
  if (bits <= 8) {
    paletteCount = colorsUsed == 0 || colorsUsed > (1u << bits) ? (1u << bits) : colorsUsed;
    if (!in.Has(paletteOffset, size_t(paletteCount) * paletteEntry)) return false;
    for (uint32_t i = 0; i < paletteCount; ++i) {
      const size_t at = paletteOffset + i * paletteEntry;
      palette[i][0] = in.U8(at + 2);
      palette[i][1] = in.U8(at + 1);
      palette[i][2] = in.U8(at);
    }
  }

  const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  if (!in.Has(pixelOffset, size_t(stride * uint64_t(height)))) return false;
  const bool alpha = masks[3] != 0;
  picture.Width = uint32_t(width);
  picture.Height = uint32_t(height);
  picture.Channels = alpha ? 4 : 3;
  picture.Pixels.assign(size_t(width) * size_t(height) * picture.Channels, 0);
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row =
        in.At(pixelOffset + size_t(stride * uint64_t(topDown ? y : height - 1 - y)));
    uint8_t* out = picture.Pixels.data() + size_t(y) * size_t(width) * picture.Channels;
    for (int64_t x = 0; x < width; ++x, out += picture.Channels) {
      if (bits <= 8) {
        const uint64_t bit = uint64_t(x) * bits;
        const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= paletteCount) return false;
        std::memcpy(out, palette[index], 3);
      } else if (bits == 24) {
        out[0] = row[x * 3 + 2], out[1] = row[x * 3 + 1], out[2] = row[x * 3];
      } else {
        const uint8_t* p = row + x * (bits / 8);
        uint32_t pixel = uint32_t(p[0] | p[1] << 8);
        if (bits == 32) pixel |= uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        out[0] = MaskedChannel(pixel, masks[0], 0);
        out[1] = MaskedChannel(pixel, masks[1], 0);
        out[2] = MaskedChannel(pixel, masks[2], 0);
        if (alpha) out[3] = MaskedChannel(pixel, masks[3], 255);
      }
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// JPEG through libjpeg. Its errors leave by longjmp, so the function that
// calls setjmp keeps no object with a destructor alive across the library
// calls: the picture it fills belongs to the caller.

struct TJpegErrorManager {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};

void JpegErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<TJpegErrorManager*>(info->err)->Jump, 1);
}

void JpegSilence(j_common_ptr) {}

bool DecodeJpeg(std::string_view bytes, TAdvPicture& picture) {
  jpeg_decompress_struct info;
  TJpegErrorManager error;
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = JpegErrorExit;
  error.Manager.output_message = JpegSilence;
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
      !SizeAccepted(info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  picture.Width = info.output_width;
  picture.Height = info.output_height;
  picture.Channels = 3;
  picture.Pixels.resize(size_t(picture.Width) * picture.Height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = picture.Pixels.data() + size_t(info.output_scanline) * picture.Width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

void PutU16(std::string& out, uint16_t value) {
  out.push_back(char(value & 0xFF));
  out.push_back(char(value >> 8));
}

void PutU32(std::string& out, uint32_t value) {
  PutU16(out, uint16_t(value & 0xFFFF));
  PutU16(out, uint16_t(value >> 16));
}

}  // namespace

bool TAdvPicture::IsValid() const {
  return Width > 0 && Height > 0 && (Channels == 3 || Channels == 4) &&
         uint64_t(Width) * Height * Channels == Pixels.size();
}

void PictureRowRgb(const TAdvPicture& picture, uint32_t row, uint8_t* rgb) {
  const uint8_t* in = picture.Pixels.data() + size_t(row) * picture.Width * picture.Channels;
  if (picture.Channels == 3) {
    std::memcpy(rgb, in, size_t(picture.Width) * 3);
    return;
  }
  for (uint32_t x = 0; x < picture.Width; ++x, in += 4, rgb += 3) {
    const uint32_t alpha = in[3];
    for (int c = 0; c < 3; ++c) rgb[c] = uint8_t((in[c] * alpha + 255 * (255 - alpha) + 127) / 255);
  }
}

bool DecodePicture(std::string_view bytes, TAdvPicture& picture) {
  TAdvPicture decoded;
  bool ok = false;
  if (bytes.size() >= 3 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xD8)
    ok = DecodeJpeg(bytes, decoded);
  else if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
    ok = DecodeBitmap(bytes, decoded);
  if (ok) picture = std::move(decoded);
  return ok;
}

bool LoadPictureFile(const std::string& path, TAdvPicture& picture) {
  std::string bytes;
  try {
    TAdvRef<TAdvFile> file(new TAdvFile(path, TAdvFile::kNormalAttributes, 1, 0));
    const int64_t size = file->GetSize();
    // A picture file of more than 1 GB is no picture this program will use.
    if (size <= 0 || size > (int64_t(1) << 30)) return false;
    bytes.resize(size_t(size));
    file->Read(bytes.data(), uint32_t(size));
  } catch (const EAdvanced&) {
    return false;
  }
  return DecodePicture(bytes, picture);
}

std::string EncodeBitmap(const TAdvPicture& picture) {
  if (!picture.IsValid()) return {};
  const uint64_t stride = (uint64_t(picture.Width) * 3 + 3) / 4 * 4;
  const uint64_t imageSize = stride * picture.Height;
  if (imageSize + 54 > UINT32_MAX) return {};
  std::string out;
  out.reserve(size_t(imageSize + 54));
  out += "BM";
  PutU32(out, uint32_t(imageSize + 54));
  PutU32(out, 0);
  PutU32(out, 54);
  PutU32(out, 40);
  PutU32(out, picture.Width);
  PutU32(out, picture.Height);  // positive: bottom-up rows
  PutU16(out, 1);
  PutU16(out, 24);
  PutU32(out, 0);
  PutU32(out, uint32_t(imageSize));
  PutU32(out, 3780);  // 96 dots per inch, in dots per metre
  PutU32(out, 3780);
  PutU32(out, 0);
  PutU32(out, 0);
  std::vector<uint8_t> rgb(size_t(picture.Width) * 3);
  for (uint32_t y = picture.Height; y-- > 0;) {
    PictureRowRgb(picture, y, rgb.data());
    for (uint32_t x = 0; x < picture.Width; ++x) {
      out.push_back(char(rgb[x * 3 + 2]));
      out.push_back(char(rgb[x * 3 + 1]));
      out.push_back(char(rgb[x * 3]));
    }
    out.append(size_t(stride - uint64_t(picture.Width) * 3), '\0');
  }
  return out;
}
