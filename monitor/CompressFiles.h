// The compressed file the hit store lives in.
//
// TCompressAdapter turns a byte stream into a sequence of blocks, each
// holding up to kBlockSize bytes of that stream:
//
//   raw length     uint16   bytes of the stream in the block (1..32768)
//   stored length  uint16   bytes that follow
//   data                    stored < raw: the compressed form (TCompression);
//                           otherwise the raw bytes themselves
//
// A block is written when the write buffer is full or on Flush; reading
// decodes one block at a time. A block that does not decode to exactly its
// raw length raises EAdvStream, whatever else the file holds.
//
// TCompressFile is a seekable stream over a file made of the file, a
// buffering cache (TAdvCacheAdapter) and a TCompressAdapter. Reads and writes
// go through the compression; taking the position or the size, seeking,
// truncating and closing flush both adapters first, so positions are always
// block boundaries in the file. One pass either reads or writes: switching
// between them takes a seek, and a seek while reading drops what was decoded
// ahead. The file is always opened exclusively.
//
// Thread safety: one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/AdvCaches.h"
#include "core/AdvFiles.h"
#include "core/AdvStreams.h"
#include "monitor/Compressions.h"

class TCompressAdapter : public TAdvStreamAdapter {
  ADV_CLASS(TCompressAdapter)

  static constexpr uint32_t kBlockSize = 32768;
  static constexpr uint32_t kHeaderSize = 4;

  // With an LZRW1/KH compression.
  TCompressAdapter();
  explicit TCompressAdapter(TAdvStream* stream);

  void Read(void* buffer, uint32_t count) override;
  void Write(const void* buffer, uint32_t count) override;
  // -1: how much the blocks still to come decode to is not known until they
  // are read, and asking the file on every call (readers check each stored
  // length) would cost two system calls per text read.
  int64_t Readable() override { return -1; }

  // Writes the pending bytes as a block, then drops what was decoded ahead.
  virtual void Flush();

  // Takes over the caller's reference.
  void SetCompression(TCompression* compression);
  TCompression* Compression() const { return m_compression.Get(); }

 protected:
  ~TCompressAdapter() override = default;

 private:
  void ReadBlock();
  void WriteBlock();

  TAdvRef<TCompression> m_compression;
  std::vector<uint8_t> m_writeBuffer;  // kBlockSize; m_writeCount bytes pending
  uint32_t m_writeCount = 0;
  std::vector<uint8_t> m_readBuffer;  // kBlockSize; [m_readIndex, m_readCount) not yet read
  uint32_t m_readCount = 0;
  uint32_t m_readIndex = 0;
  std::vector<uint8_t> m_packed;  // a block's stored form, either way
};

enum class TCompressFileMode : uint8_t {
  OpenOrCreate,  // keeps an existing file's content
  CreateNew,     // empties an existing file
};

class TCompressFile : public TAdvAccessStream {
  ADV_CLASS(TCompressFile)

  TCompressFile();
  explicit TCompressFile(const std::string& fileName);

  const std::string& FileName() const { return m_file->FileName(); }
  // Closes first.
  void SetFileName(const std::string& fileName);
  // Opens FileName exclusively; another holder makes it fail with the file
  // error "Unable to open file [...]" (operation "Open").
  void Open(TCompressFileMode mode);
  // Flushes, then closes; a closed file closes silently.
  void Close();
  bool IsOpen() const { return m_file->IsOpen(); }

  void Read(void* buffer, uint32_t count) override;
  void Write(const void* buffer, uint32_t count) override;
  int64_t Readable() override;
  int64_t Writeable() override { return m_file->Writeable(); }
  int64_t GetPosition() override;
  void SetPosition(int64_t position) override;
  int64_t GetSize() override;
  void SetSize(int64_t size) override;

  // Writes pending bytes to the file and drops what was read ahead.
  void Flush();

 protected:
  ~TCompressFile() override;

 private:
  TAdvRef<TAdvFile> m_file;
  TAdvRef<TAdvCacheAdapter> m_cache;
  TAdvRef<TCompressAdapter> m_compress;
};
