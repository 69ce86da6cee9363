#include "documents/AdvPictures.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/tests/StreamTestHelpers.h"
#include "documents/AdvImageCompressors.h"
#include "documents/tests/DocumentTestHelpers.h"

using doctest::MessageOf;
using doctest::SolidPicture;

namespace {

// A bitmap file built field by field.
struct TBitmapBuilder {
  int32_t Width = 0, Height = 0;
  uint16_t Bits = 24;
  uint32_t Compression = 0;
  std::vector<uint32_t> Palette;  // 0x00RRGGBB
  std::vector<uint32_t> Masks;    // after a 40-byte header
  std::string Pixels;             // rows as stored

  std::string Bytes() const {
    std::string header;
    const auto u16 = [&](uint16_t v) { header += char(v & 0xFF), header += char(v >> 8); };
    const auto u32 = [&](uint32_t v) { u16(uint16_t(v & 0xFFFF)), u16(uint16_t(v >> 16)); };
    const uint32_t offset = uint32_t(54 + Masks.size() * 4 + Palette.size() * 4);
    header += "BM";
    u32(uint32_t(offset + Pixels.size()));
    u32(0);
    u32(offset);
    u32(40);
    u32(uint32_t(Width));
    u32(uint32_t(Height));
    u16(1);
    u16(Bits);
    u32(Compression);
    u32(uint32_t(Pixels.size()));
    u32(0), u32(0);
    u32(uint32_t(Palette.size()));
    u32(0);
    for (uint32_t mask : Masks) u32(mask);
    for (uint32_t colour : Palette) u32(colour);
    return header + Pixels;
  }
};

std::vector<uint8_t> Rgb(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

TEST(Pictures, BitmapsRoundTripAndDecodeTheCommonForms) {
  TAdvPicture odd;  // 3 pixels wide: rows are padded to 4 bytes
  odd.Width = 3, odd.Height = 2;
  odd.Pixels = Rgb({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
  TAdvPicture back;
  ASSERT_TRUE(DecodePicture(EncodeBitmap(odd), back));
  EXPECT_EQ(back.Pixels, odd.Pixels);
  EXPECT_EQ(back.Channels, 3);

  TBitmapBuilder indexed;  // 8 bits, top-down
  indexed.Width = 2, indexed.Height = -2, indexed.Bits = 8;
  indexed.Palette = {0xFF0000, 0x00FF00};
  indexed.Pixels = std::string("\x00\x01\x00\x00\x01\x01\x00\x00", 8);
  ASSERT_TRUE(DecodePicture(indexed.Bytes(), back));
  EXPECT_EQ(back.Pixels, Rgb({255, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0}));

  TBitmapBuilder mono;  // 1 bit, 9 pixels: two bytes of bits, padded to four
  mono.Width = 9, mono.Height = 1, mono.Bits = 1;
  mono.Palette = {0x000000, 0xFFFFFF};
  mono.Pixels = std::string("\xA0\x80\x00\x00", 4);
  ASSERT_TRUE(DecodePicture(mono.Bytes(), back));
  std::vector<int> seen;
  for (uint32_t x = 0; x < 9; ++x) seen.push_back(back.Pixels[x * 3]);
  EXPECT_EQ(seen, (std::vector<int>{255, 0, 255, 0, 0, 0, 0, 0, 255}));

  TBitmapBuilder fields;  // 32 bits with bit fields: 0xAARRGGBB read as RGB
  fields.Width = 1, fields.Height = 1, fields.Bits = 32, fields.Compression = 3;
  fields.Masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  fields.Pixels = std::string("\x30\x20\x10\xFF", 4);
  ASSERT_TRUE(DecodePicture(fields.Bytes(), back));
  EXPECT_EQ(back.Pixels, Rgb({0x10, 0x20, 0x30}));
}

TEST(Pictures, DamagedOrHostileFilesAreRefused) {
  TBitmapBuilder bitmap;
  bitmap.Width = 2, bitmap.Height = 2, bitmap.Bits = 24;
  bitmap.Pixels = std::string(16, '\0');
  TAdvPicture picture;
  ASSERT_TRUE(DecodePicture(bitmap.Bytes(), picture));
  const std::string whole = bitmap.Bytes();
  EXPECT_FALSE(DecodePicture(whole.substr(0, whole.size() - 1), picture));  // pixels cut short
  EXPECT_FALSE(DecodePicture(whole.substr(0, 30), picture));                // header cut short
  TBitmapBuilder huge = bitmap;
  huge.Width = 60000, huge.Height = 60000;  // far more pixels than the file holds
  EXPECT_FALSE(DecodePicture(huge.Bytes(), picture));
  TBitmapBuilder badIndex;
  badIndex.Width = 1, badIndex.Height = 1, badIndex.Bits = 8;
  badIndex.Palette = {0x112233};
  badIndex.Pixels = std::string("\x05\0\0\0", 4);
  EXPECT_FALSE(DecodePicture(badIndex.Bytes(), picture));
  TBitmapBuilder rle = bitmap;
  rle.Compression = 1;
  EXPECT_FALSE(DecodePicture(rle.Bytes(), picture));
  EXPECT_FALSE(DecodePicture("\xFF\xD8\xFF\xE0 not really a jpeg", picture));
  EXPECT_FALSE(DecodePicture("GIF89a", picture));
  EXPECT_FALSE(DecodePicture("", picture));
  EXPECT_EQ(picture.Width, 2u);  // failures leave the picture as it was
}

// The first value of each quantisation table of a JPEG.
std::vector<int> QuantisationStarts(std::string_view jpeg) {
  std::vector<int> starts;
  for (size_t i = 0; i + 5 < jpeg.size(); ++i)
    if (uint8_t(jpeg[i]) == 0xFF && uint8_t(jpeg[i + 1]) == 0xDB)
      starts.push_back(uint8_t(jpeg[i + 5]));
  return starts;
}

TEST(AdvImageCompressor, EncodesJpegAtQuality80) {
  auto compressor = AdvNew<TAdvImageCompressor>();
  EXPECT_EQ(compressor->Compress(SolidPicture(64, 48, 250, 120, 10)),
            TAdvImageCompressor::TFormat::Jpeg);
  EXPECT_EQ(compressor->Width(), 64u);
  EXPECT_EQ(compressor->Height(), 48u);
  // The standard tables scaled for quality 80: luminance 16 -> 6, chrominance 17 -> 7.
  EXPECT_EQ(QuantisationStarts(compressor->Bytes()), (std::vector<int>{6, 7}));
  TAdvPicture back;
  ASSERT_TRUE(DecodePicture(compressor->Bytes(), back));
  ASSERT_EQ(back.Pixels.size(), 64u * 48 * 3);
  EXPECT_NEAR(back.Pixels[0], 250, 4);
  EXPECT_NEAR(back.Pixels[1], 120, 4);
  EXPECT_NEAR(back.Pixels[2], 10, 4);

  TAdvPicture clear = SolidPicture(8, 8, 0, 0, 0, 4);
  for (size_t i = 3; i < clear.Pixels.size(); i += 4) clear.Pixels[i] = 0;  // fully transparent
  compressor->Compress(clear);
  ASSERT_TRUE(DecodePicture(compressor->Bytes(), back));
  EXPECT_NEAR(back.Pixels[0], 255, 3);  // shown over white
}

TEST(AdvImageCompressor, FallsBackToABitmapThenToNothing) {
  auto compressor = AdvNew<TAdvImageCompressor>();
  // Wider than a JPEG can state: the picture's own format instead.
  EXPECT_EQ(compressor->Compress(SolidPicture(66000, 1, 1, 2, 3)),
            TAdvImageCompressor::TFormat::Bitmap);
  EXPECT_TRUE(compressor->Bytes().starts_with("BM"));
  TAdvPicture broken = SolidPicture(2, 2, 0, 0, 0);
  broken.Channels = 2;
  EXPECT_EQ(compressor->Compress(broken), TAdvImageCompressor::TFormat::None);
  EXPECT_EQ(compressor->Size(), 0u);
}

TEST(AdvImageCompressor, LoadingReportsEachKindOfFailure) {
  const std::string folder = vexatest::MakeTempFolder("pictures");
  auto compressor = AdvNew<TAdvImageCompressor>();
  const std::string missing = folder + "/missing.bmp";
  EXPECT_EQ(MessageOf([&] { compressor->LoadAndCompress(missing); }),
            "(TAdvImageCompressor.Load): Image '" + missing + "' could not be located");
  const std::string text = folder + "/notes.txt";
  vexatest::WriteFileText(text, "no picture");
  EXPECT_EQ(MessageOf([&] { compressor->LoadAndCompress(text); }),
            "(TAdvImageCompressor.Load): Unable to load image \"" + text + "\"");
  const std::string wide = folder + "/wide.bmp";
  vexatest::WriteFileText(wide, EncodeBitmap(SolidPicture(65535, 1, 0, 0, 0)));
  EXPECT_EQ(MessageOf([&] { compressor->LoadAndCompress(wide); }),
            "(TAdvImageCompressor.Load): Unable to use file \"" + wide + "\" as an image");
  const std::string good = folder + "/good.bmp";
  vexatest::WriteFileText(good, EncodeBitmap(SolidPicture(3, 2, 0, 0, 0)));
  compressor->LoadAndCompress(good);
  EXPECT_EQ(compressor->Format(), TAdvImageCompressor::TFormat::Jpeg);
  EXPECT_TRUE(compressor->Bytes().starts_with("\xFF\xD8"));
}

TEST(TJpegBuffer, GrowsByTheShortfallOrAPage) {
  auto buffer = AdvNew<TJpegBuffer>();
  EXPECT_EQ(buffer->Capacity(), 65536u);
  const std::string big(70000, 'x');
  buffer->Write(big.data(), uint32_t(big.size()));
  EXPECT_EQ(buffer->Capacity(), 70000u);
  buffer->Write("y", 1);
  EXPECT_EQ(buffer->Capacity(), 70000u + 4096);
  EXPECT_EQ(buffer->GetSize(), 70001);
}

TEST(TVCLStream, SeeksFromEachOriginOnAccessStreamsOnly) {
  auto memory = streamtest::MemoryWith("0123456789");
  auto view = AdvNew<TVCLStream>(memory.Get());
  EXPECT_EQ(view->Seek(-3, TVCLStream::kFromEnd), 7);
  EXPECT_EQ(view->Seek(-2, TVCLStream::kFromCurrent), 5);
  char bytes[8] = {};
  EXPECT_EQ(view->Read(bytes, 8), 5u);  // only what is there
  EXPECT_EQ(std::string(bytes, 5), "56789");
  EXPECT_EQ(view->Seek(1, TVCLStream::kFromBeginning), 1);

  streamtest::TCountingStream plain(*memory);
  auto overPlain = AdvNew<TVCLStream>(&plain);
  EXPECT_EQ(MessageOf([&] { overPlain->Seek(0, TVCLStream::kFromBeginning); }),
            "(TVCLStream.Seek): Unable to seek in a non-access stream");
}

}  // namespace
