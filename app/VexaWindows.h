// TVexaWindows: everything the application object asks of its user
// interface. The desktop program implements it with its windows; the
// headless monitor with lines on standard output and standard error. The
// application object never reaches a window any other way, so it runs and
// is tested without a display.
//
// Thread safety: every call comes from the main thread, the one that runs
// the application object.
#pragma once

#include <cstdint>
#include <string>

class TVexa;
class TSettings;

class TVexaWindows {
 public:
  virtual ~TVexaWindows() = default;

  // --- Start-up
  // A step of start-up ("Loading settings...") for the splash screen.
  virtual void ShowStartupText(const std::string& text) = 0;
  // Waits for the splash screen to finish; false when the user dismissed it
  // without confirming, which ends start-up.
  virtual bool SplashFinished() { return true; }
  // Start-up completed: create the controller (tray icon and menu) and show
  // the status window, and the configuration window too when no input is
  // enabled.
  virtual void Started(TVexa& application, bool anyInputEnabled) {}

  // --- Messages
  // An error box with this title and text.
  virtual void ShowError(const std::string& title, const std::string& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool Confirm(const std::string& title, const std::string& question) = 0;

  // --- The run
  // A display refresh (every 500 ms): update the open windows from the
  // engine's status; `alertRaised` tells whether an alert was raised since
  // the last refresh.
  virtual void Refresh(TVexa& application, bool alertRaised) {}
  // Whether a view shows the active and idle users: without one the
  // refresh leaves those reports empty.
  virtual bool ShowsUserReports() const { return true; }
  // After every timer tick; `backlog` tells whether hits still wait.
  virtual void Ticked(TVexa& application, bool backlog) {}
  // Waits up to `milliseconds` for the next tick, handling the interface's
  // own events meanwhile (0: only those already waiting).
  virtual void Wait(uint32_t milliseconds) = 0;

  // --- Shutdown
  // Records the positions of the windows still open in the settings.
  virtual void StorePositions(TSettings& settings) {}
  // Closes and frees every window.
  virtual void CloseWindows() {}
};
