// What the engine tests share: the class registrations, the shipped loader
// module (bin/Loaders) loaded once, Squid log lines as a proxy writes them,
// a clock whose tick moves on every reading, and a fixture with an open
// engine in a private state folder whose inputs the test fills by hand
// (their threads are not started, so every pass is the test's own).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvObjects.h"
#include "monitor/Monitors.h"
#include "platform/Clock.h"

class TLoader;
class TMonitorFolder;
class THitTrigger;

namespace monitortest {

// Registers every class the engine's files and plug-ins name; once.
void RegisterClassesOnce();
// A new "Squid" loader of the shipped module.
// A loader of the shipped module by its name ("Squid", "Varnex" ...).
TAdvRef<TLoader> ShippedLoader(std::string_view name);
TAdvRef<TLoader> SquidLoader();

// One line of Squid's native log: the request's time, the client, the
// result ("TCP_MISS/200"), the bytes, the URL and the user ("-": none).
std::string SquidLine(int64_t unixMilliseconds, const std::string& client,
                      const std::string& result, int64_t bytes, const std::string& url,
                      const std::string& user);

// Milliseconds since 1970 of a UTC date and time (the tests run in UTC).
int64_t UtcMs(int year, int month, int day, int hour, int minute, int second);

// A clock whose tick advances by Step every time it is read, so that the
// engine's per-hit budget test sees each hit take Step milliseconds.
class TSteppingClock : public platform::TClock {
 public:
  explicit TSteppingClock(int64_t utcMilliseconds) : m_utc(utcMilliseconds) {}
  int64_t UtcMilliseconds() const override { return m_utc.load(); }
  uint32_t TickCount() const override { return m_tick.fetch_add(m_step.load()); }
  void SetUtcMilliseconds(int64_t value) { m_utc.store(value); }
  void SetStep(uint32_t step) { m_step.store(step); }

 private:
  std::atomic<int64_t> m_utc;
  mutable std::atomic<uint32_t> m_tick{0};
  std::atomic<uint32_t> m_step{0};
};

class MonitorTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new input over a new folder with the Squid loader, in the engine's
  // list but not started.
  TMonitorFolder& AddInput(const std::string& name);
  // Appends the lines to the input's log file and runs one pass of it.
  void Feed(TMonitorFolder& input, const std::vector<std::string>& lines);
  // Cycles until no queued hit is left (at most `limit`); returns how many.
  int Drain(int limit = 100);
  // A hit trigger on the given sites, appended to the engine's triggers.
  THitTrigger& AddSiteTrigger(const std::string& name, const std::vector<std::string>& sites);
  // Turns on the tracking log (activity and alert lines) in a new folder.
  void EnableTrackingLog();
  // Every line of every tracking-log file, directives left out.
  std::vector<std::string> TrackingLines() const;
  // Tracking-log lines whose x-alert field is not "-".
  std::vector<std::string> AlertLines() const;

  TSteppingClock m_clock{UtcMs(2024, 3, 5, 10, 0, 0)};
  std::string m_folder;
  std::string m_logFolder;
  TAdvRef<TMonitor> m_monitor;
  std::vector<std::string> m_sounds;
  std::vector<std::string> m_errors;
  std::vector<std::string> m_logFiles;  // per input
};

}  // namespace monitortest
