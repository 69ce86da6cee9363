// The clock and the millisecond tick that every time-dependent rule reads.
//
// Production code asks CurrentClock(); tests install a TManualClock with
// SetCurrentClock to move time, cross midnight and wrap the tick. The pointer
// is atomic; install a clock before starting threads that read it.
#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds since 1970-01-01 00:00 UTC.
  virtual int64_t UtcMilliseconds() const = 0;
  // A free-running millisecond counter; compare ticks by unsigned difference.
  virtual uint32_t TickCount() const = 0;
};

// The clock in force: the system clock unless a test installed another.
const TClock& CurrentClock();
// Installs `clock` (not owned; must outlive its use); null restores the system clock.
void SetCurrentClock(const TClock* clock);

inline int64_t UtcMilliseconds() { return CurrentClock().UtcMilliseconds(); }
inline uint32_t TickCount() { return CurrentClock().TickCount(); }
// Milliseconds from `since` to now, safe across the tick's wrap.
inline uint32_t TicksSince(uint32_t since) { return TickCount() - since; }

// A clock that moves only when told. Thread-safe.
class TManualClock : public TClock {
 public:
  explicit TManualClock(int64_t utcMilliseconds = 0, uint32_t tick = 0)
      : m_utc(utcMilliseconds), m_tick(tick) {}
  int64_t UtcMilliseconds() const override { return m_utc.load(std::memory_order_acquire); }
  uint32_t TickCount() const override { return m_tick.load(std::memory_order_acquire); }
  void SetUtcMilliseconds(int64_t value) { m_utc.store(value, std::memory_order_release); }
  void SetTickCount(uint32_t value) { m_tick.store(value, std::memory_order_release); }
  // Moves both the time and the tick forward.
  void Advance(int64_t milliseconds) {
    m_utc.fetch_add(milliseconds, std::memory_order_acq_rel);
    m_tick.fetch_add(static_cast<uint32_t>(milliseconds), std::memory_order_acq_rel);
  }

 private:
  std::atomic<int64_t> m_utc;
  std::atomic<uint32_t> m_tick;
};

}  // namespace platform
