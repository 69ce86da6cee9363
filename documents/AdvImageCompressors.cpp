#include "documents/AdvImageCompressors.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "core/AdvPaths.h"

ADV_CLASS_IMPL(TJpegBuffer, TAdvMemory)
ADV_CLASS_IMPL(TVCLStream, TAdvObject)
ADV_CLASS_IMPL(TAdvImageCompressor, TAdvObject)

void TJpegBuffer::Write(const void* buffer, uint32_t count) {
  const int64_t end = GetPosition() + int64_t(count);
  if (end > int64_t(Capacity())) {
    const int64_t shortfall = end - int64_t(Capacity());
    const int64_t grown = int64_t(Capacity()) + std::max<int64_t>(shortfall, kGrowth);
    if (grown > int64_t(UINT32_MAX)) Error("Write", "Picture too large");
    SetCapacity(uint32_t(grown));
  }
  TAdvMemory::Write(buffer, count);
}

// ---------------------------------------------------------------------------

TAdvStream& TVCLStream::Checked(const char* operation) const {
  if (!m_stream) Error(operation, "Stream not assigned");
  return *m_stream;
}

uint32_t TVCLStream::Read(void* buffer, uint32_t count) {
  TAdvStream& stream = Checked("Read");
  const int64_t readable = stream.Readable();
  const auto n = uint32_t(std::clamp<int64_t>(readable < 0 ? count : readable, 0, count));
  stream.Read(buffer, n);
  return n;
}

uint32_t TVCLStream::Write(const void* buffer, uint32_t count) {
  Checked("Write").Write(buffer, count);
  return count;
}

int64_t TVCLStream::Seek(int64_t offset, int origin) {
  auto* access = AdvCast<TAdvAccessStream>(&Checked("Seek"));
  if (!access) Error("Seek", "Unable to seek in a non-access stream");
  int64_t position = offset;
  if (origin == kFromCurrent) position += access->GetPosition();
  if (origin == kFromEnd) position += access->GetSize();
  access->SetPosition(position);
  return access->GetPosition();
}

// ---------------------------------------------------------------------------
// The JPEG encoder writes through a destination that hands each full block
// to the stream view. libjpeg leaves on errors by longjmp, so a failure of
// the stream is caught inside the callback and reported to libjpeg only
// after the handler has ended.

namespace {

constexpr size_t kBlockSize = 4096;

struct TJpegErrorManager {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};

void JpegErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<TJpegErrorManager*>(info->err)->Jump, 1);
}

void JpegSilence(j_common_ptr) {}

struct TJpegDestination {
  jpeg_destination_mgr Manager;
  TVCLStream* View;
  JOCTET Block[kBlockSize];
};

bool PassOn(TJpegDestination& destination, size_t count) {
  try {
    return destination.View->Write(destination.Block, uint32_t(count)) == count;
  } catch (...) {
    return false;
  }
}

void InitDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<TJpegDestination*>(info->dest);
  destination->Manager.next_output_byte = destination->Block;
  destination->Manager.free_in_buffer = kBlockSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  auto* destination = reinterpret_cast<TJpegDestination*>(info->dest);
  if (!PassOn(*destination, kBlockSize))
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
  InitDestination(info);
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<TJpegDestination*>(info->dest);
  if (!PassOn(*destination, kBlockSize - destination->Manager.free_in_buffer))
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
}

// `rgb` holds one row; allocated by the caller so that nothing here needs
// a destructor while libjpeg may jump out.
bool Encode(const TAdvPicture& picture, int quality, TJpegDestination& destination, uint8_t* rgb) {
  jpeg_compress_struct info;
  TJpegErrorManager error;
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = JpegErrorExit;
  error.Manager.output_message = JpegSilence;
  if (setjmp(error.Jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  destination.Manager.init_destination = InitDestination;
  destination.Manager.empty_output_buffer = EmptyOutputBuffer;
  destination.Manager.term_destination = TermDestination;
  info.dest = &destination.Manager;
  info.image_width = picture.Width;
  info.image_height = picture.Height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    PictureRowRgb(picture, info.next_scanline, rgb);
    JSAMPROW row = rgb;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

// The largest side a JPEG file can state.
constexpr uint32_t kMaxJpegSide = 65500;

}  // namespace

TAdvImageCompressor::TAdvImageCompressor() : m_buffer(new TJpegBuffer()), m_view(new TVCLStream()) {
  m_view->SetStream(m_buffer.Get());
}

void TAdvImageCompressor::Empty() {
  m_buffer->SetSize(0);
  m_buffer->SetPosition(0);
  m_format = TFormat::None;
}

std::string_view TAdvImageCompressor::Bytes() const {
  return {reinterpret_cast<const char*>(m_buffer->Data()), size_t(m_buffer->GetSize())};
}

bool TAdvImageCompressor::EncodeJpeg(const TAdvPicture& picture) {
  if (!picture.IsValid() || picture.Width > kMaxJpegSide || picture.Height > kMaxJpegSide)
    return false;
  std::vector<uint8_t> rgb(size_t(picture.Width) * 3);
  auto destination = std::make_unique<TJpegDestination>();
  destination->View = m_view.Get();
  return Encode(picture, kQuality, *destination, rgb.data());
}

TAdvImageCompressor::TFormat TAdvImageCompressor::Compress(const TAdvPicture& picture) {
  Empty();
  m_width = picture.Width;
  m_height = picture.Height;
  if (EncodeJpeg(picture)) {
    m_format = TFormat::Jpeg;
    return m_format;
  }
  Empty();
  const std::string bitmap = EncodeBitmap(picture);
  if (!bitmap.empty()) {
    m_view->Write(bitmap.data(), uint32_t(bitmap.size()));
    m_format = TFormat::Bitmap;
  }
  return m_format;
}

void TAdvImageCompressor::LoadAndCompress(const std::string& path) {
  Empty();
  if (!FileExists(path)) Error("Load", "Image '" + path + "' could not be located");
  TAdvPicture picture;
  if (!LoadPictureFile(path, picture)) Error("Load", "Unable to load image \"" + path + "\"");
  m_width = picture.Width;
  m_height = picture.Height;
  if (!EncodeJpeg(picture)) {
    Empty();
    Error("Load", "Unable to use file \"" + path + "\" as an image");
  }
  m_format = TFormat::Jpeg;
}
