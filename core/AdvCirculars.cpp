#include "core/AdvCirculars.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/Clock.h"

ADV_CLASS_IMPL(TAdvCircular, TAdvObject)

bool TAdvCircular::WaitForSlot(uint32_t index, bool full, uint32_t timeout) {
  const uint32_t started = platform::TickCount();
  TSlot& slot = m_ring[index];
  for (;;) {
    if ((slot.load(std::memory_order_acquire) != nullptr) == full) return true;
    uint32_t nap = m_sleepInterval;
    if (timeout != kAdvInfinite) {
      const uint32_t waited = platform::TicksSince(started);
      if (waited >= timeout) return false;
      nap = std::min(nap, timeout - waited);
    }
    if (nap == 0)
      std::this_thread::yield();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(nap));
    if (m_onWait && !m_onWait(*this)) return false;
  }
}

bool TAdvCircular::Put(TAdvObject* object, uint32_t timeout) {
  if (!object) Error("Put", "Cannot add a nil object.");
  if (m_capacity == 0) Error("Put", "The queue has no capacity.");
  if (!WaitForSlot(m_writeIndex, false, timeout)) return false;
  m_ring[m_writeIndex].store(object, std::memory_order_release);
  m_writeIndex = (m_writeIndex + 1) % m_capacity;
  return true;
}

TAdvRef<TAdvObject> TAdvCircular::Get(uint32_t timeout) {
  if (m_capacity == 0) Error("Get", "The queue has no capacity.");
  if (!WaitForSlot(m_readIndex, true, timeout)) return nullptr;
  TSlot& slot = m_ring[m_readIndex];
  TAdvRef<TAdvObject> object(slot.load(std::memory_order_acquire));
  slot.store(nullptr, std::memory_order_release);  // hands the slot back
  m_readIndex = (m_readIndex + 1) % m_capacity;
  return object;
}

bool TAdvCircular::IsEmpty() const {
  return m_capacity == 0 || m_ring[m_readIndex].load(std::memory_order_acquire) == nullptr;
}

void TAdvCircular::SetCapacity(uint32_t capacity) {
  if (capacity == m_capacity) return;
  auto ring = std::make_unique<TSlot[]>(capacity);  // value-initialised: all empty
  for (uint32_t i = 0; i < m_capacity; ++i) {
    TAdvObject* object = m_ring[i].exchange(nullptr, std::memory_order_acq_rel);
    if (i < capacity)
      ring[i].store(object, std::memory_order_relaxed);
    else
      TAdvObject::Release(object);
  }
  m_ring = std::move(ring);
  m_capacity = capacity;
  if (m_readIndex >= capacity) m_readIndex = 0;
  if (m_writeIndex >= capacity) m_writeIndex = 0;
}

void TAdvCircular::Clear() {
  for (uint32_t i = 0; i < m_capacity; ++i)
    TAdvObject::Release(m_ring[i].exchange(nullptr, std::memory_order_acq_rel));
  m_readIndex = 0;
  m_writeIndex = 0;
}
