// The application object's framework layers.
//
// TAdvApplication runs one program: Execute initialises, runs the main loop
// and finalises; errors that reach it go to HandleException. TVarnex adds
// what every program of the product family shares: the start time, the
// application folder, the registry accessor, the two folder tables, the
// "Busy"/"Information"/"Progress" events for the user interface, and the
// busy and progress counters. TVexa (Vexas.h) is this product.
//
// Start-up that fails or ends early never reaches the main loop, and the
// shutdown then frees what start-up made without saving anything: saving
// the half-loaded objects would write empty state over the user's files.
//
// One application object exists per process, reachable through
// AdvApplication() while its Execute runs (or while a test registers it).
//
// Thread safety: main thread only, apart from Terminate and Terminated,
// which a signal watcher or another thread may use.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "core/AdvDispatchers.h"
#include "core/AdvPersistents.h"
#include "core/AdvRegistries.h"

ADV_EXCEPTION(EAdvApplication, EAdvanced)

class TAdvApplication : public TAdvPersistent {
  ADV_CLASS(TAdvApplication)
  ADV_RAISES(EAdvApplication)

  TAdvApplication();

  // The command-line parameters, program name first.
  const std::vector<std::string>& Parameters() const { return m_parameters; }
  void SetParameters(std::vector<std::string> parameters) { m_parameters = std::move(parameters); }

  // Initialise; Run when start-up completed; Finalise in every case (also
  // when Run fails). Errors of Initialise and Run go to HandleException.
  // Returns 0 after a completed run, 1 when start-up failed or ended early.
  virtual int Execute();
  // The start-up sequence; false when start-up ended early (the reason was
  // shown). Raising counts as a failed start-up.
  virtual bool Initialise() { return true; }
  // The main loop, until Terminate.
  virtual void Run() {}
  // The shutdown sequence. Started() tells whether start-up completed.
  virtual void Finalise() {}
  // Shows the error; the program carries on.
  virtual void HandleException(const std::exception& error);

  const std::string& Title() const { return m_title; }
  void SetTitle(const std::string& title) { m_title = title; }
  // The executable's file name without folder.
  virtual std::string ExeName() const;

  // Asks the main loop to end; safe from any thread.
  void Terminate() { m_terminated.store(true, std::memory_order_release); }
  bool Terminated() const { return m_terminated.load(std::memory_order_acquire); }
  // Handles what waits for the main thread (the desktop program's window
  // messages; nothing without windows).
  virtual void ProcessMessages() {}

  // True once Initialise completed; Finalise saves only then.
  bool Started() const { return m_started; }

  // The text HandleException shows for `error`: the plain message of the
  // library's own errors, what() of any other.
  static std::string ErrorText(const std::exception& error);

 protected:
  ~TAdvApplication() override;
  void SetStarted(bool value) { m_started = value; }
  // Registers this object as the global application object; cleared by the
  // destructor or UnregisterGlobal.
  void RegisterGlobal();
  void UnregisterGlobal();

 private:
  std::vector<std::string> m_parameters;
  std::string m_title;
  std::atomic<bool> m_terminated{false};
  bool m_started = false;
};

// The global application object, or null.
TAdvApplication* AdvApplication();

class TVarnex : public TAdvApplication {
  ADV_CLASS(TVarnex)

  // The maker's name, used in folder names.
  static constexpr const char* kMakerName = "Varnex";

  TVarnex();

  // Date-time of the start (recorded again when monitoring restarts).
  double StartTime() const { return m_startTime; }
  void SetStartTime(double value) { m_startTime = value; }
  // The executable's folder with a trailing delimiter.
  const std::string& ApplicationFolder() const { return m_applicationFolder; }
  void SetApplicationFolder(const std::string& folder);
  TAdvRegistry& Registry() const { return *m_registry; }
  // The folders the user sees (stored as "Paths") and the data folders.
  TPaths& Paths() const { return *m_paths; }
  TPaths& DataPaths() const { return *m_dataPaths; }
  // Events "Busy", "Information" and "Progress", sent with this object.
  TAdvDispatcher& Dispatcher() const { return *m_dispatcher; }

  // The busy counter (see the class comment of the user interface).
  void SetBusy(bool busy);
  bool IsBusy() const { return m_busy > 0; }
  void SetInformation(const std::string& text);
  const std::string& Information() const { return m_information; }
  void BeginProgress(int64_t total);
  void StepProgress();
  void EndProgress();
  int64_t ProgressPosition() const { return m_progressPosition; }
  int64_t ProgressTotal() const { return m_progressTotal; }
  int32_t ProgressLevels() const { return m_progressLevels; }
  void RequestCancel() { m_cancel = true; }
  // The cancel flag is set or the application is terminating.
  bool Cancelled() const { return m_cancel || Terminated(); }

  // "Paths" and "Version".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TVarnex() override = default;

 private:
  double m_startTime = 0;
  std::string m_applicationFolder;
  TAdvRef<TAdvRegistry> m_registry;
  TAdvRef<TPaths> m_paths;  // never null
  TAdvRef<TPaths> m_dataPaths;
  TAdvRef<TAdvDispatcher> m_dispatcher;
  int32_t m_busy = 0;
  bool m_cancel = false;
  std::string m_information;
  int64_t m_progressPosition = 0;
  int64_t m_progressTotal = 0;
  int32_t m_progressLevels = 0;
};
