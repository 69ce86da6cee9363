#include "platform/Processes.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

#include "platform/TimeZones.h"

extern char** environ;

namespace platform {

int32_t StartProcess(const std::vector<std::string>& arguments, std::string* error) {
  if (arguments.empty() || arguments[0].empty()) {
    if (error) *error = SystemErrorText(EINVAL);
    return -1;
  }
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int result = posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) {
    if (error) *error = SystemErrorText(result);
    return -1;
  }
  return pid;
}

int WaitForProcess(int32_t pid, int32_t timeoutMs) {
  if (pid <= 0) return -1;
  int status = 0;
  if (timeoutMs < 0) {
    pid_t done;
    while ((done = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (done != pid) return -1;
  } else {
    // Poll with a growing pause: short processes are seen at once, long
    // ones cost a wake-up every 50 ms at most.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
      const pid_t done = waitpid(pid, &status, WNOHANG);
      if (done == pid) break;
      if (done < 0 && errno != EINTR) return -1;
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) return kProcessStillRunning;
      std::this_thread::sleep_for(
          std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
      pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

void ReleaseProcess(int32_t pid) {
  if (pid <= 0) return;
  std::thread([pid] { WaitForProcess(pid, -1); }).detach();
}

bool TerminateProcess(int32_t pid) {
  return pid > 0 && kill(pid, SIGTERM) == 0;
}

int RunProcessAndWait(const std::vector<std::string>& arguments, std::string* error) {
  const int32_t pid = StartProcess(arguments, error);
  return pid < 0 ? -1 : WaitForProcess(pid, -1);
}

bool StartDetachedProcess(const std::vector<std::string>& arguments, std::string* error) {
  const int32_t pid = StartProcess(arguments, error);
  if (pid < 0) return false;
  ReleaseProcess(pid);
  return true;
}

bool OpenWithDefaultHandler(const std::string& target, int32_t timeoutMs) {
  if (target.empty()) return false;
  // xdg-open takes a leading "-" for an option; "./-name" is the same file.
  const std::string argument = target[0] == '-' ? "./" + target : target;
  const int32_t pid = StartProcess({"xdg-open", argument});
  if (pid < 0) return false;
  const int code = WaitForProcess(pid, timeoutMs < 0 ? 0 : timeoutMs);
  if (code == kProcessStillRunning) {
    ReleaseProcess(pid);
    return true;
  }
  return code == 0;
}

}  // namespace platform
