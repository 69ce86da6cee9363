// The byte-stream interface every transfer goes through: persisted files,
// the hit store, sockets, documents and imported text.
//
// Counts of one call are 32-bit; sizes and positions are signed 64-bit. A
// stream is used by one thread at a time.
#pragma once

#include <cstdint>

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
