// TAdvCacheAdapter: a two-sided cache over another stream that turns many
// small reads and writes into few large ones. The XML parser reads one byte
// at a time and the tagged binary format writes a tag before every value;
// this adapter is what makes both cheap, so every persisted file goes through
// one.
//
// The adapter owns a read cache and a write cache of one capacity. A read
// refills the read cache from the wrapped stream when it is used up; a write
// fills the write cache and empties it into the stream when it is full. Reads
// and writes of at least the capacity that find their cache empty go straight
// to the stream. One adapter serves either reading or writing of one pass:
// reading after writing needs a Flush between, and so does a seek on the
// wrapped stream. Reading past the end of the wrapped stream raises "Unable to
// restore from the adapted stream." (EAdvStream).
//
// Flush also runs when the adapter is destroyed, but a failure there cannot
// be reported: writers call Flush themselves before they let go.
//
// Used by one thread at a time; the wrapped stream is held, not owned.
#pragma once

#include <cstdint>

#include "core/AdvMemories.h"
#include "core/AdvStreams.h"

class TAdvCacheAdapter : public TAdvStreamAdapter {
  ADV_CLASS(TAdvCacheAdapter)

  static constexpr uint32_t kDefaultCapacity = 4096;

  TAdvCacheAdapter() : TAdvCacheAdapter(kDefaultCapacity) {}
  explicit TAdvCacheAdapter(TAdvStream* stream, uint32_t capacity = kDefaultCapacity);
  explicit TAdvCacheAdapter(uint32_t capacity);

  void Read(void* buffer, uint32_t count) override;
  void Write(const void* buffer, uint32_t count) override;
  // The bytes left in the read cache plus the wrapped stream's; -1 when the
  // wrapped stream cannot tell.
  int64_t Readable() override;
  int64_t Writeable() override;

  // Refills the read cache with up to its capacity from the wrapped stream.
  virtual void Restore();
  // Writes the write cache's bytes to the wrapped stream and empties it.
  virtual void Commit();
  // Commits pending writes, then empties both caches; bytes read ahead and not
  // yet handed over are dropped.
  virtual void Flush();

  uint32_t Capacity() const { return m_readCache->Capacity(); }

 protected:
  ~TAdvCacheAdapter() override;

 private:
  TAdvRef<TAdvMemory> m_readCache;   // Size: bytes held; Position: bytes handed over
  TAdvRef<TAdvMemory> m_writeCache;  // Size == Position: bytes waiting
};
