// TAdvBuffer: a resizable, persistable block of bytes, the storage under the
// memory streams and the pipe; TAdvBuffers: an owning list of them.
//
// The buffer owns its bytes. Resizing keeps the common prefix and zeroes the
// bytes it adds. It persists as field "Size" (integer) then field "Data"
// (binary of Size bytes); reading sets the size before the bytes arrive.
// Used by one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "core/AdvLists.h"
#include "core/AdvPersistents.h"

class TAdvBuffer : public TAdvPersistent {
  ADV_CLASS(TAdvBuffer)

  TAdvBuffer() = default;
  explicit TAdvBuffer(uint32_t size) { SetSize(size); }

  // The first byte; null only while the size is 0.
  uint8_t* Data() { return m_data.data(); }
  const uint8_t* Data() const { return m_data.data(); }
  uint32_t Size() const { return uint32_t(m_data.size()); }
  // Reallocates, keeping the common prefix; added bytes are zero.
  void SetSize(uint32_t size) { m_data.resize(size); }

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;
  size_t SizeInBytes() const override { return sizeof(*this) + m_data.capacity(); }

 private:
  std::vector<uint8_t> m_data;
};

// Owns its buffers like every TAdvList; persists them as the list's entries.
class TAdvBuffers : public TAdvList {
  ADV_CLASS(TAdvBuffers)

  TAdvBuffers() = default;

  TAdvBuffer* GetItem(int index) const { return ItemAs<TAdvBuffer>(index); }
  TAdvClass ItemClass() const override { return &TAdvBuffer::ClassInfo; }

 protected:
  ~TAdvBuffers() override = default;
};
