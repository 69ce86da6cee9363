#include "monitor/CompressFiles.h"

#include <algorithm>
#include <cstring>

ADV_CLASS_IMPL(TCompressAdapter, TAdvStreamAdapter)
ADV_CLASS_IMPL(TCompressFile, TAdvAccessStream)

// ---------------------------------------------------------------------------
// TCompressAdapter

TCompressAdapter::TCompressAdapter()
    : m_compression(new TLZRW1Compression()),
      m_writeBuffer(kBlockSize),
      m_readBuffer(kBlockSize),
      m_packed(kBlockSize) {}

TCompressAdapter::TCompressAdapter(TAdvStream* stream) : TCompressAdapter() {
  SetStream(stream);
}

void TCompressAdapter::SetCompression(TCompression* compression) {
  m_compression.Reset(compression);
}

void TCompressAdapter::Read(void* buffer, uint32_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (m_readIndex == m_readCount) ReadBlock();
    const uint32_t n = std::min(count, m_readCount - m_readIndex);
    std::memcpy(out, m_readBuffer.data() + m_readIndex, n);
    m_readIndex += n;
    out += n;
    count -= n;
  }
}

void TCompressAdapter::Write(const void* buffer, uint32_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    if (m_writeCount == kBlockSize) WriteBlock();
    const uint32_t n = std::min(count, kBlockSize - m_writeCount);
    std::memcpy(m_writeBuffer.data() + m_writeCount, in, n);
    m_writeCount += n;
    in += n;
    count -= n;
  }
}

void TCompressAdapter::Flush() {
  if (m_writeCount > 0) WriteBlock();
  m_readCount = 0;
  m_readIndex = 0;
}

void TCompressAdapter::ReadBlock() {
  TAdvStream& stream = Adapted("Read");
  // Nothing decoded stays valid once a new block is asked for, even if this
  // one turns out damaged.
  m_readCount = 0;
  m_readIndex = 0;
  uint8_t header[kHeaderSize];
  stream.Read(header, kHeaderSize);
  const uint32_t raw = header[0] | (uint32_t(header[1]) << 8);
  const uint32_t stored = header[2] | (uint32_t(header[3]) << 8);
  if (raw == 0 || raw > kBlockSize || stored == 0 || stored > raw)
    Error("Read", "Damaged block: lengths " + std::to_string(raw) + "/" + std::to_string(stored));
  if (stored == raw) {
    stream.Read(m_readBuffer.data(), raw);
  } else {
    stream.Read(m_packed.data(), stored);
    const uint32_t decoded =
        m_compression->Decompress(m_packed.data(), stored, m_readBuffer.data(), kBlockSize);
    if (decoded != raw)
      Error("Read", "Damaged block: " + std::to_string(decoded) + " bytes decoded where " +
                        std::to_string(raw) + " were stored");
  }
  m_readCount = raw;
}

void TCompressAdapter::WriteBlock() {
  TAdvStream& stream = Adapted("Write");
  const uint32_t raw = m_writeCount;
  uint32_t stored = m_compression->Compress(m_writeBuffer.data(), raw, m_packed.data());
  const uint8_t* data = m_packed.data();
  if (stored == 0 || stored >= raw) {
    stored = raw;
    data = m_writeBuffer.data();
  }
  const uint8_t header[kHeaderSize] = {uint8_t(raw), uint8_t(raw >> 8), uint8_t(stored),
                                       uint8_t(stored >> 8)};
  stream.Write(header, kHeaderSize);
  stream.Write(data, stored);
  m_writeCount = 0;
}

// ---------------------------------------------------------------------------
// TCompressFile

TCompressFile::TCompressFile()
    : m_file(new TAdvFile()),
      m_cache(new TAdvCacheAdapter(m_file.Get(), 65536)),
      m_compress(new TCompressAdapter(m_cache.Get())) {}

TCompressFile::TCompressFile(const std::string& fileName) : TCompressFile() {
  m_file->SetFileName(fileName);
}

TCompressFile::~TCompressFile() {
  // Close reports failures to callers that close explicitly; here there is
  // nobody left to tell.
  try {
    Close();
  } catch (const EAdvanced&) {
  }
}

void TCompressFile::SetFileName(const std::string& fileName) {
  Close();
  m_file->SetFileName(fileName);
}

void TCompressFile::Open(TCompressFileMode mode) {
  Close();
  m_file->OpenFile(m_file->FileName(), mode == TCompressFileMode::OpenOrCreate ? 2 : 3, 0);
}

void TCompressFile::Close() {
  if (!m_file->IsOpen()) return;
  try {
    Flush();
  } catch (...) {
    m_file->CloseFile();
    throw;
  }
  m_file->CloseFile();
}

void TCompressFile::Flush() {
  m_compress->Flush();
  m_cache->Flush();
}

void TCompressFile::Read(void* buffer, uint32_t count) {
  m_compress->Read(buffer, count);
}

void TCompressFile::Write(const void* buffer, uint32_t count) {
  m_compress->Write(buffer, count);
}

int64_t TCompressFile::Readable() {
  return m_compress->Readable();
}

int64_t TCompressFile::GetPosition() {
  Flush();
  return m_file->GetPosition();
}

void TCompressFile::SetPosition(int64_t position) {
  Flush();
  m_file->SetPosition(position);
}

int64_t TCompressFile::GetSize() {
  Flush();
  return m_file->GetSize();
}

void TCompressFile::SetSize(int64_t size) {
  Flush();
  m_file->SetSize(size);
}
