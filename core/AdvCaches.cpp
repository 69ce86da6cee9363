#include "core/AdvCaches.h"

#include <algorithm>
#include <cstring>

ADV_CLASS_IMPL(TAdvCacheAdapter, TAdvStreamAdapter)

TAdvCacheAdapter::TAdvCacheAdapter(TAdvStream* stream, uint32_t capacity)
    : TAdvCacheAdapter(capacity) {
  SetStream(stream);
}

TAdvCacheAdapter::TAdvCacheAdapter(uint32_t capacity)
    : m_readCache(new TAdvMemory(capacity)), m_writeCache(new TAdvMemory(capacity)) {}

TAdvCacheAdapter::~TAdvCacheAdapter() {
  try {
    Flush();
  } catch (...) {
    // Cannot report from a destructor; see the header.
  }
}

// The loops below move bytes with memcpy on the caches' fields, so a caller
// that reads one byte at a time pays one virtual call per Read, not per byte
// inside it.
void TAdvCacheAdapter::Read(void* buffer, uint32_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  TAdvMemory& cache = *m_readCache;
  while (count > 0) {
    int64_t held = cache.m_size - cache.m_position;
    if (held == 0) {
      if (count >= Capacity()) {
        TAdvStream& stream = Adapted("Read");
        if (stream.Readable() >= count) {
          stream.Read(out, count);
          return;
        }
      }
      Restore();
      held = cache.m_size;
    }
    const uint32_t n = uint32_t(std::min<int64_t>(held, count));
    std::memcpy(out, cache.m_current, n);
    cache.m_position += n;
    cache.m_current += n;
    out += n;
    count -= n;
  }
}

void TAdvCacheAdapter::Restore() {
  TAdvMemory& cache = *m_readCache;
  cache.m_size = 0;
  cache.Rewind();
  TAdvStream& stream = Adapted("Restore");
  const int64_t size = std::min<int64_t>(cache.Capacity(), stream.Readable());
  if (size <= 0) Error("Restore", "Unable to restore from the adapted stream.");
  stream.Read(cache.Data(), uint32_t(size));
  cache.m_size = size;
}

void TAdvCacheAdapter::Write(const void* buffer, uint32_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  TAdvMemory& cache = *m_writeCache;
  const uint32_t capacity = cache.Capacity();
  while (count > 0) {
    if (cache.m_position >= capacity) Commit();
    if (cache.m_position == 0 && count >= capacity) {
      Adapted("Write").Write(in, count);
      return;
    }
    const uint32_t n = uint32_t(std::min<int64_t>(capacity - cache.m_position, count));
    std::memcpy(cache.m_current, in, n);
    cache.m_position += n;
    cache.m_current += n;
    cache.m_size = cache.m_position;
    in += n;
    count -= n;
  }
}

void TAdvCacheAdapter::Commit() {
  TAdvMemory& cache = *m_writeCache;
  const auto size = uint32_t(cache.m_size);
  // Emptied first: after a failed write the bytes are not written twice.
  cache.m_size = 0;
  cache.Rewind();
  if (size > 0) Adapted("Commit").Write(cache.Data(), size);
}

void TAdvCacheAdapter::Flush() {
  if (m_writeCache->m_size > 0) Commit();
  m_readCache->m_size = 0;
  m_readCache->Rewind();
}

int64_t TAdvCacheAdapter::Readable() {
  const int64_t rest = Adapted("Readable").Readable();
  if (rest < 0) return -1;
  return m_readCache->m_size - m_readCache->m_position + rest;
}

int64_t TAdvCacheAdapter::Writeable() {
  return Adapted("Writeable").Writeable();
}
