#include "platform/Clock.h"

#include <time.h>

namespace platform {
namespace {

class TSystemClock : public TClock {
 public:
  int64_t UtcMilliseconds() const override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  }
  uint32_t TickCount() const override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000);
  }
};

const TSystemClock g_systemClock;
std::atomic<const TClock*> g_clock{nullptr};

}  // namespace

const TClock& CurrentClock() {
  const TClock* clock = g_clock.load(std::memory_order_acquire);
  return clock ? *clock : g_systemClock;
}

void SetCurrentClock(const TClock* clock) { g_clock.store(clock, std::memory_order_release); }

}  // namespace platform
