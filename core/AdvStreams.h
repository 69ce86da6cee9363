// The byte-stream interface every transfer goes through: persisted files,
// the hit store, sockets, documents and imported text.
//
// Counts of one call are 32-bit; sizes and positions are signed 64-bit. A
// stream is used by one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "core/AdvObjects.h"

class TAdvStream : public TAdvObject {
  ADV_CLASS(TAdvStream)
  ADV_RAISES(EAdvStream)

  // Fills `buffer` with exactly `count` bytes (or raises).
  virtual void Read(void* buffer, uint32_t count) {}
  virtual void Write(const void* buffer, uint32_t count) {}
  // Bytes that can still be read or written; -1 when the stream cannot tell.
  virtual int64_t Readable() { return -1; }
  virtual int64_t Writeable() { return -1; }
};

// A seekable stream. Callers test for this class before seeking.
class TAdvAccessStream : public TAdvStream {
  ADV_CLASS(TAdvAccessStream)

  virtual int64_t GetPosition() { return 0; }
  virtual void SetPosition(int64_t position) {}
  virtual int64_t GetSize() { return 0; }
  virtual void SetSize(int64_t size) {}
};

// A write-only stream that collects what is written, in memory.
class TAdvCollectingStream : public TAdvStream {
  ADV_CLASS(TAdvCollectingStream)

  void Write(const void* buffer, uint32_t count) override {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    m_bytes.insert(m_bytes.end(), bytes, bytes + count);
  }
  std::vector<uint8_t>& Bytes() { return m_bytes; }

 protected:
  ~TAdvCollectingStream() override = default;

 private:
  std::vector<uint8_t> m_bytes;
};

// Wraps another stream, which it holds but does not own: the wrapped stream
// must outlive the adapter's use of it. The base adapter forwards the four
// stream operations; descendants add caching or decoding.
class TAdvStreamAdapter : public TAdvStream {
  ADV_CLASS(TAdvStreamAdapter)

  TAdvStreamAdapter() = default;
  explicit TAdvStreamAdapter(TAdvStream* stream) { TAdvStreamAdapter::SetStream(stream); }

  virtual void SetStream(TAdvStream* stream) { m_stream = stream; }
  TAdvStream* Stream() const { return m_stream; }

  void Read(void* buffer, uint32_t count) override;
  void Write(const void* buffer, uint32_t count) override;
  int64_t Readable() override;
  int64_t Writeable() override;

 protected:
  // The wrapped stream; raises "Stream not assigned" when there is none.
  TAdvStream& Adapted(const char* operation) const;

  TAdvStream* m_stream = nullptr;  // not owned
};
