// Stopping a program cleanly on SIGINT and SIGTERM, and knowing whether a
// standard stream is a terminal.
//
// InstallStopSignals routes both signals into a self-pipe: the handler only
// writes one byte (async-signal-safe) and records the signal, so the main
// loop notices a stop while it waits (WaitForStop) and finishes its work
// (saving everything) on its own thread. A second signal of the same kind
// while the first is being handled changes nothing more.
//
// Thread safety: install once from the main thread before other threads
// start; StopRequested and WaitForStop may be used from any thread.
#pragma once

#include <cstdint>

namespace platform {

// Installs the handlers (again: nothing new). False when the pipe or the
// handlers could not be set up.
bool InstallStopSignals();
// Restores the default handlers; the pipe stays for the process's life.
void RemoveStopSignals();
// Whether a stop signal arrived since installation (or ClearStopRequest).
bool StopRequested();
// The signal number that asked to stop, 0 when none.
int StopSignal();
void ClearStopRequest();
// Waits up to `milliseconds` for a stop signal; true when one arrived (now
// or before).
bool WaitForStop(uint32_t milliseconds);

// Whether standard error (fd 2) / standard output (fd 1) is a terminal.
bool StandardErrorIsTerminal();
bool StandardOutputIsTerminal();

}  // namespace platform
