#include "platform/Signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform {
namespace {

int g_pipe[2] = {-1, -1};
std::atomic<int> g_signal{0};
bool g_installed = false;

void OnStopSignal(int number) {
  const int saved = errno;
  int expected = 0;
  g_signal.compare_exchange_strong(expected, number);
  if (g_pipe[1] >= 0) {
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing more is needed.
    [[maybe_unused]] ssize_t written = write(g_pipe[1], &byte, 1);
  }
  errno = saved;
}

void Drain() {
  char buffer[64];
  while (read(g_pipe[0], buffer, sizeof buffer) > 0) {
  }
}

}  // namespace

bool InstallStopSignals() {
  if (g_installed) return true;
  if (g_pipe[0] < 0 && pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (sigaction(SIGINT, &action, nullptr) != 0 || sigaction(SIGTERM, &action, nullptr) != 0)
    return false;
  g_installed = true;
  return true;
}

void RemoveStopSignals() {
  if (!g_installed) return;
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  g_installed = false;
}

bool StopRequested() {
  return g_signal.load() != 0;
}

int StopSignal() {
  return g_signal.load();
}

void ClearStopRequest() {
  g_signal.store(0);
  if (g_pipe[0] >= 0) Drain();
}

bool WaitForStop(uint32_t milliseconds) {
  if (StopRequested()) return true;
  if (g_pipe[0] < 0) {
    if (milliseconds) usleep(useconds_t(milliseconds) * 1000);
    return StopRequested();
  }
  pollfd entry{g_pipe[0], POLLIN, 0};
  int result;
  do {
    result = poll(&entry, 1, int(milliseconds));
  } while (result < 0 && errno == EINTR && !StopRequested());
  return StopRequested();
}

bool StandardErrorIsTerminal() {
  return isatty(2) == 1;
}

bool StandardOutputIsTerminal() {
  return isatty(1) == 1;
}

}  // namespace platform
