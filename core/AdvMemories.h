// Memory-backed streams.
//
// TAdvMemory is a seekable stream over a TAdvBuffer that it owns. The buffer's
// size is the capacity; Size counts the valid bytes and Position is where the
// next read or write happens. A write sets Size to the position after it, so
// writing in the middle cuts the valid data there. Counts and positions are
// checked: a read past Size, a write past the capacity or a position outside
// the buffer raises EAdvMemory and changes nothing.
//
// TAdvStretchMemory grows instead of refusing a write: the capacity becomes
// exactly Position + count (the buffer's allocation still grows
// geometrically, so many small writes stay cheap).
//
// Used by one thread at a time.
#pragma once

#include <cstdint>

#include "core/AdvBuffers.h"
#include "core/AdvStreams.h"

class TAdvCacheAdapter;

class TAdvMemory : public TAdvAccessStream {
  ADV_CLASS(TAdvMemory)
  ADV_RAISES(EAdvMemory)

  TAdvMemory();
  explicit TAdvMemory(uint32_t capacity);

  void Read(void* buffer, uint32_t count) override;
  void Write(const void* buffer, uint32_t count) override;
  int64_t Readable() override { return m_size - m_position; }
  int64_t Writeable() override { return int64_t(Capacity()) - m_position; }

  int64_t GetPosition() override { return m_position; }
  // 0 to the capacity.
  void SetPosition(int64_t position) override;
  int64_t GetSize() override { return m_size; }
  // Raises the capacity to `size` when it is smaller; Size := size.
  void SetSize(int64_t size) override;

  // Position := 0; Size is unchanged.
  virtual void Rewind();
  // Recomputes the current address after the buffer moved.
  virtual void Rebase();

  uint32_t Capacity() const { return m_buffer->Size(); }
  // Resizes the buffer; Size and Position are cut to a smaller capacity.
  void SetCapacity(uint32_t capacity);
  uint8_t* Data() { return m_buffer->Data(); }
  TAdvBuffer& Buffer() { return *m_buffer; }

  void Assign(const TAdvObject& source) override;

 protected:
  // Raises unless `count` bytes fit between Position and the capacity.
  void CheckRoom(uint32_t count);

  // Invariants: 0 <= m_size <= Capacity(), 0 <= m_position <= Capacity(),
  // m_current == Data() + m_position.
  TAdvRef<TAdvBuffer> m_buffer;
  int64_t m_size = 0;
  int64_t m_position = 0;
  uint8_t* m_current = nullptr;

  // The cache adapter moves bytes in and out of its blocks directly.
  friend class TAdvCacheAdapter;
};

class TAdvStretchMemory : public TAdvMemory {
  ADV_CLASS(TAdvStretchMemory)

  using TAdvMemory::TAdvMemory;

  void Write(const void* buffer, uint32_t count) override;
};
