// TAdvCircular: a fixed-size ring of object references that hands objects
// from one producing thread to one consuming thread without a lock.
//
// A slot's content is the whole synchronisation: an atomic pointer that is
// null while the slot is empty. The producer writes a slot only while it is
// empty and publishes the object by storing the pointer with release order;
// the consumer reads a slot only while it is full, takes the pointer with
// acquire order and empties the slot with release order, which hands the slot
// back. The write index belongs to the producer, the read index to the
// consumer. A side that finds its slot not ready sleeps SleepInterval
// milliseconds and looks again, until the slot is ready, its time-out passes
// or OnWait says to give up.
//
// Ownership: the queue owns the objects while they are in it. Put adopts the
// reference the caller passes (only when it returns true); Get hands one
// reference to the caller.
//
// Thread safety: Put on one thread and Get/IsEmpty on one other thread may run
// at the same time. Everything else (capacity, Clear, OnWait, SleepInterval)
// is for a queue that neither side is using.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/AdvObjects.h"
#include "core/AdvThreads.h"

class TAdvCircular;
// Asked after each sleep of a waiting side: true to keep waiting.
using TAdvCircularWait = std::function<bool(TAdvCircular& queue)>;

class TAdvCircular : public TAdvObject {
  ADV_CLASS(TAdvCircular)

  static constexpr uint32_t kDefaultSleepInterval = 5;

  TAdvCircular() = default;
  explicit TAdvCircular(uint32_t capacity) { SetCapacity(capacity); }

  // Producer. Waits for the slot at the write index to be empty, then stores
  // `object` there and adopts the caller's reference. False, with the object
  // not taken, when `timeout` milliseconds pass or OnWait gives up first (a
  // caller on the user-interface thread passes a bounded time-out). Raises
  // for a null object or a queue without capacity.
  bool Put(TAdvObject* object, uint32_t timeout = kAdvInfinite);
  // Consumer. Waits for the slot at the read index to be full, empties it and
  // returns its object; null when `timeout` passes or OnWait gives up first.
  TAdvRef<TAdvObject> Get(uint32_t timeout = kAdvInfinite);
  // Consumer: whether the slot at the read index is empty.
  bool IsEmpty() const;

  uint32_t Capacity() const { return m_capacity; }
  // Resizes the ring: objects in slots at or above `capacity` are released,
  // new slots are empty, and an index at or above it starts again at 0.
  void SetCapacity(uint32_t capacity);
  // Releases every object in the ring; both indices return to 0.
  void Clear();

  uint32_t SleepInterval() const { return m_sleepInterval; }
  void SetSleepInterval(uint32_t milliseconds) { m_sleepInterval = milliseconds; }
  void SetOnWait(TAdvCircularWait handler) { m_onWait = std::move(handler); }

 protected:
  ~TAdvCircular() override { Clear(); }

  // Waits until the slot at `index` is full (or empty, as asked): true as
  // soon as it is; false when `timeout` has passed or OnWait returned false
  // after a sleep. Without OnWait and time-out it waits for the other side.
  bool WaitForSlot(uint32_t index, bool full, uint32_t timeout);

 private:
  using TSlot = std::atomic<TAdvObject*>;

  std::unique_ptr<TSlot[]> m_ring;  // m_capacity slots; null is empty
  uint32_t m_capacity = 0;
  uint32_t m_readIndex = 0;   // consumer only
  uint32_t m_writeIndex = 0;  // producer only
  uint32_t m_sleepInterval = kDefaultSleepInterval;
  TAdvCircularWait m_onWait;
};
