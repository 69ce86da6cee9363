#include "core/AdvMemories.h"

#include <cstring>
#include <string>

ADV_CLASS_IMPL(TAdvMemory, TAdvAccessStream)
ADV_CLASS_IMPL(TAdvStretchMemory, TAdvMemory)

TAdvMemory::TAdvMemory() : m_buffer(new TAdvBuffer()) {
  Rebase();
}

TAdvMemory::TAdvMemory(uint32_t capacity) : m_buffer(new TAdvBuffer(capacity)) {
  Rebase();
}

void TAdvMemory::Read(void* buffer, uint32_t count) {
  if (count > Readable())
    Error("Read", "Unable to read " + std::to_string(count) + " bytes at position " +
                      std::to_string(m_position) + ": " + std::to_string(Readable()) +
                      " bytes are left");
  if (count == 0) return;
  std::memcpy(buffer, m_current, count);
  m_position += count;
  m_current += count;
}

void TAdvMemory::CheckRoom(uint32_t count) {
  if (count > Writeable())
    Error("Write", "Unable to write " + std::to_string(count) + " bytes at position " +
                       std::to_string(m_position) + ": the capacity is " +
                       std::to_string(Capacity()) + " bytes");
}

void TAdvMemory::Write(const void* buffer, uint32_t count) {
  CheckRoom(count);
  if (count) std::memcpy(m_current, buffer, count);
  m_position += count;
  m_current += count;
  m_size = m_position;
}

void TAdvMemory::SetPosition(int64_t position) {
  if (position < 0 || position > int64_t(Capacity()))
    Error("SetPosition", "Position " + std::to_string(position) + " is outside the buffer of " +
                             std::to_string(Capacity()) + " bytes");
  m_position = position;
  Rebase();
}

void TAdvMemory::SetSize(int64_t size) {
  if (size < 0 || size > int64_t(UINT32_MAX))
    Error("SetSize", "Invalid size " + std::to_string(size));
  if (size > int64_t(Capacity())) SetCapacity(uint32_t(size));
  m_size = size;
}

void TAdvMemory::Rewind() {
  m_position = 0;
  Rebase();
}

void TAdvMemory::Rebase() {
  m_current = m_buffer->Data() + m_position;
}

void TAdvMemory::SetCapacity(uint32_t capacity) {
  m_buffer->SetSize(capacity);
  if (m_size > int64_t(capacity)) m_size = capacity;
  if (m_position > int64_t(capacity)) m_position = capacity;
  Rebase();
}

void TAdvMemory::Assign(const TAdvObject& source) {
  TAdvAccessStream::Assign(source);
  const auto& other = static_cast<const TAdvMemory&>(source);
  m_buffer->Assign(*other.m_buffer);
  m_size = other.m_size;
  m_position = other.m_position;
  Rebase();
}

void TAdvStretchMemory::Write(const void* buffer, uint32_t count) {
  if (count > Writeable()) {
    const int64_t needed = m_position + int64_t(count);
    if (needed > int64_t(UINT32_MAX))
      Error("Write", "Unable to grow the buffer to " + std::to_string(needed) + " bytes");
    SetCapacity(uint32_t(needed));
  }
  TAdvMemory::Write(buffer, count);
}
