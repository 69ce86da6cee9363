// Turning pictures into the JPEG bytes that HTML and RTF documents embed.
//
// TAdvImageCompressor owns a growable buffer (TJpegBuffer), a stream view of
// it for the encoder (TVCLStream) and encodes at quality 80 with libjpeg.
// Compress keeps the last result in the buffer until the next call; a
// picture JPEG cannot hold is written as a bitmap instead, and Format says
// which one the buffer holds.
//
// Thread safety: one thread at a time per compressor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvMemories.h"
#include "documents/AdvPictures.h"

// A memory stream that grows instead of refusing a write: by the shortfall
// or by 4,096 bytes, whichever is larger. Starts with 65,536 bytes.
class TJpegBuffer : public TAdvMemory {
  ADV_CLASS(TJpegBuffer)

  static constexpr uint32_t kInitialCapacity = 65536;
  static constexpr uint32_t kGrowth = 4096;

  TJpegBuffer() : TAdvMemory(kInitialCapacity) {}

  void Write(const void* buffer, uint32_t count) override;

 protected:
  ~TJpegBuffer() override = default;
};

// A stream as picture codecs use one: reads and writes that report how much
// they moved, and seeking from the start, the current position or the end.
// The stream is held, not owned. Seeking a stream that is not a
// TAdvAccessStream raises "Unable to seek in a non-access stream" ("Seek").
class TVCLStream : public TAdvObject {
  ADV_CLASS(TVCLStream)

  enum TOrigin : int { kFromBeginning = 0, kFromCurrent = 1, kFromEnd = 2 };

  TVCLStream() = default;
  explicit TVCLStream(TAdvStream* stream) : m_stream(stream) {}

  TAdvStream* Stream() const { return m_stream; }
  void SetStream(TAdvStream* stream) { m_stream = stream; }

  // Up to `count` bytes (fewer at the end); the number read.
  uint32_t Read(void* buffer, uint32_t count);
  uint32_t Write(const void* buffer, uint32_t count);
  // The new position.
  int64_t Seek(int64_t offset, int origin);

 protected:
  ~TVCLStream() override = default;

 private:
  TAdvStream& Checked(const char* operation) const;

  TAdvStream* m_stream = nullptr;  // not owned
};

class TAdvImageCompressor : public TAdvObject {
  ADV_CLASS(TAdvImageCompressor)

  static constexpr int kQuality = 80;
  enum class TFormat : uint8_t { None, Jpeg, Bitmap };

  TAdvImageCompressor();

  // Empties the buffer and encodes the picture as JPEG; when that fails, the
  // picture is written in its own format (a bitmap) instead, and when that
  // fails too the buffer stays empty. Returns what the buffer now holds.
  TFormat Compress(const TAdvPicture& picture);
  // Loads a picture file and encodes it as JPEG. Raises (operation "Load"):
  //   "Image '<path>' could not be located"     the file does not exist
  //   "Unable to load image \"<path>\""         it is no picture we can read
  //   "Unable to use file \"<path>\" as an image"  it cannot be encoded
  void LoadAndCompress(const std::string& path);

  TFormat Format() const { return m_format; }
  // The encoded bytes of the last call.
  std::string_view Bytes() const;
  uint32_t Size() const { return uint32_t(m_buffer->GetSize()); }
  // The size of the last picture, in pixels.
  uint32_t Width() const { return m_width; }
  uint32_t Height() const { return m_height; }

 protected:
  ~TAdvImageCompressor() override = default;

 private:
  void Empty();
  bool EncodeJpeg(const TAdvPicture& picture);

  TAdvRef<TJpegBuffer> m_buffer;
  TAdvRef<TVCLStream> m_view;  // over m_buffer
  TFormat m_format = TFormat::None;
  uint32_t m_width = 0;
  uint32_t m_height = 0;
};
