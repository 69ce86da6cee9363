// Starting other programs: always with an argument vector and never through a
// shell, so arguments (file names, user names, addresses) arrive literally
// whatever characters they hold. Also the hand-over of files and addresses to
// the desktop's default handler (xdg-open).
//
// A started process is either waited for or released; a released one is
// collected by a background thread when it ends, so none is left as a zombie.
//
// Thread safety: every function is safe from any thread. Children inherit the
// environment and the file descriptors not marked close-on-exec; the signal
// mask is cleared and SIGPIPE reset to its default in the child.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr int kProcessStillRunning = -2;

// Starts arguments[0] (looked up on PATH when it holds no "/") with the whole
// vector as its arguments. Returns the process id, or -1 with the system's
// text in `error` (an empty vector, a missing program, no permission).
int32_t StartProcess(const std::vector<std::string>& arguments, std::string* error = nullptr);

// Waits up to `timeoutMs` (negative: without limit) for a started process to
// end and collects it. Returns its exit code, 128 + the signal number when a
// signal ended it, kProcessStillRunning when the time ran out (the process
// is not collected then), or -1 when it cannot be waited for.
int WaitForProcess(int32_t pid, int32_t timeoutMs = -1);

// Lets a started process run on; a background thread collects it at its end.
void ReleaseProcess(int32_t pid);

// Asks a started process to end (SIGTERM); false when it cannot be signalled.
// The caller still waits for it or releases it.
bool TerminateProcess(int32_t pid);

// Starts and waits: the exit code as WaitForProcess gives it, or -1 when the
// program could not be started.
int RunProcessAndWait(const std::vector<std::string>& arguments, std::string* error = nullptr);

// Starts and releases; false when the program could not be started.
bool StartDetachedProcess(const std::vector<std::string>& arguments, std::string* error = nullptr);

// Hands a file, folder or address to the desktop's default handler with
// `xdg-open`. False when xdg-open cannot be started or reports failure. The
// caller waits at most `timeoutMs`: an xdg-open still running then (some
// handlers keep it waiting until they close) counts as accepted and is
// released.
bool OpenWithDefaultHandler(const std::string& target, int32_t timeoutMs = 5000);

}  // namespace platform
