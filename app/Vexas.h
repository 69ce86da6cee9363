// TVexa: this product's application object. It owns the engine, the
// settings, the loader libraries, the shared-files object, the e-mail
// dispatcher with its thread, and (through TVexaWindows) the windows; it
// lays out the folders, loads everything at start-up, drives the engine
// from its 100 ms timer, refreshes every 500 ms, saves the state every five
// minutes, and saves everything at shutdown.
//
// Start-up comes in two halves so that the configuration commands of the
// headless program can share the first: Prepare lays out the folders and
// loads settings, plug-ins, state and configuration without opening the
// engine; StartMonitoring opens the engine and starts the dispatcher.
// Initialise runs both. Nothing is saved unless start-up completed (see
// AdvApplications.h); a configuration command saves the files it changed.
//
// "Already running": the engine opens its hit file exclusively (an flock),
// so a second process fails there and is told so; LockInstance takes the
// same lock for work that does not open the engine.
//
// Thread safety: main thread only. The input threads and the dispatcher's
// thread are started and stopped from here.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/AdvApplications.h"
#include "monitor/Monitors.h"

class TAdvFile;
class TAdvTaskAdapter;
class TEmailDispatcher;
class TLoaderLibraries;
class TMonitor;
class TSettings;
class TSharedFiles;
class TAlertSounds;
class TVexaExtensions;
class TTrackingLog;
class TVexaWindows;

class TVexa : public TVarnex {
  ADV_CLASS(TVexa)

  static constexpr const char* kTitle = "Vexa 2.2";
  static constexpr const char* kShortName = "Vexa";
  static constexpr const char* kExeName = "Vexa22.exe";
  static constexpr uint32_t kCycleInterval = 100;
  // Back to back, the pause while an input refills the ring it handed over.
  static constexpr uint32_t kRefillWait = 1;
  static constexpr uint32_t kRefreshInterval = 500;
  static constexpr uint32_t kSaveInterval = 300000;

  TVexa();

  // The user interface (not owned; must outlive the run). Required before
  // Initialise.
  void SetWindows(TVexaWindows* windows) { m_windows = windows; }
  TVexaWindows* Windows() const { return m_windows; }
  // Where the per-machine defaults and samples lie; by default the data
  // folder beside the installation ("<application folder>/../share/vexa/").
  void SetCommonDataFolder(const std::string& folder);
  const std::string& CommonDataFolder() const { return m_commonDataFolder; }
  // Lets the run work off a backlog with cycles back to back instead of one
  // per 100 ms (a program without windows to keep responsive).
  void SetBackToBack(bool value) { m_backToBack = value; }
  // Leaves the engine's tables to the operating system at shutdown instead of
  // freeing them one object at a time (hundreds of thousands of sessions), for
  // a program that ends right after Execute. Everything is saved and closed
  // first; only the memory is not given back.
  void SetLeaveEngineAtExit(bool value) { m_leaveEngineAtExit = value; }
  // Takes the instance lock (LockInstance) as soon as the folders are known
  // and before any file is read, for work that changes the files without
  // opening the engine. Prepare then fails when another instance runs.
  void SetLockBeforeLoading(bool value) { m_lockBeforeLoading = value; }

  // --- Start-up and shutdown
  bool Initialise() override;
  // Steps up to loading the configuration; false when start-up ended early.
  bool Prepare();
  // Opens the engine and starts the dispatcher; false (after telling the
  // user) when the engine could not be opened.
  bool StartMonitoring();
  void Run() override;
  // Handles the messages waiting for the main thread (the shared-files
  // object's notices); the main loop runs it before every tick.
  void ProcessMessages() override;
  void Finalise() override;
  void HandleException(const std::exception& error) override;
  // Ends the run (the main loop returns; Finalise follows).
  void Shutdown() { Terminate(); }
  // Takes the engine's hit-file lock for work that does not open the engine;
  // false (after telling the user) when another instance holds it.
  bool LockInstance();
  void UnlockInstance();

  // --- The timer and the views
  // One tick of the controller timer; returns whether hits still wait.
  bool Tick();
  // How long the run waits before the next cycle.
  uint32_t NextWait(bool backlog) const;
  // One engine cycle; errors go to HandleException. Whether hits still wait.
  bool ProcessCycle();
  void RefreshViews();
  void ResetActivity();
  void ToggleSuspend();
  bool Suspended() const { return m_suspended; }
  const std::string& SuspendText() const { return m_suspendText; }
  void SetAllInputsEnabled(bool enabled);

  // --- Files
  // Users, inputs, loader states and the hit index.
  void SaveState();
  void RestoreState();
  // Settings, extensions, state, configuration files and shared copies.
  void SaveAll();
  // The settings file alone ("Vexa22.Settings"): the application object's
  // "Paths", "Version" and "Settings".
  void LoadSettingsFile();
  void SaveSettingsFile();
  // "Vexa.Extensions" in the settings folder.
  void LoadExtensionsFile();
  // The configuration files of the default folders.
  void SaveTriggers();
  void SaveConfigurationFiles();

  // --- Run at logon
  bool IsRunAtLogon();
  void SetRunAtLogon(bool enabled);
  // The command the logon entry runs: the program's full path, quoted, and
  // the arguments given here (the headless program's "run").
  std::string RunAtLogonCommand() const;
  void SetLogonArguments(const std::string& arguments) { m_logonArguments = arguments; }

  std::string SystemInfo() const;

  // --- Parts
  TMonitor& Monitor() const { return *m_monitor; }
  TSettings& Settings() const { return *m_settings; }
  TLoaderLibraries& LoaderLibraries() const { return *m_libraries; }
  TSharedFiles* SharedFiles() const { return m_sharedFiles.Get(); }
  TVexaExtensions& Extensions() const { return *m_extensions; }
  TTrackingLog* TrackingLog() const { return m_trackingLog.Get(); }
  TEmailDispatcher* EmailDispatcher() const { return m_emailDispatcher.Get(); }
  const std::string& SettingsFolder() const { return m_settingsFolder; }
  std::string SettingsFileName() const;
  std::string StateFile(const std::string& name) const;
  std::string ConfigurationFile(const char* folderName, const std::string& name) const;
  bool FirstRun() const { return m_firstRun; }
  bool ConfigurationChanged() const { return m_configurationChanged; }
  void SetConfigurationChanged(bool value) { m_configurationChanged = value; }
  // Problems met while loading (bad files kept aside, plug-ins skipped).
  const std::vector<std::string>& LoadProblems() const { return m_loadProblems; }

  // What the engine had done when it was freed at shutdown.
  const TMonitorCounters& FinalCounters() const { return m_finalCounters; }

  // "Paths", "Version" (TVarnex), then "Settings".
  void Define(TAdvFiler& filer) override;
  // Stored as a TVexa whatever class runs it, so every program of this
  // product reads the same settings file.
  std::string PersistedClassName() const override { return "TVexa"; }

 protected:
  void BeforeDestruction() override;
  ~TVexa() override;

 private:
  // The two parts of SaveState: the users file (its problems to `problems`)
  // and the rest.
  void SaveUsersState(std::vector<std::string>* problems);
  void SaveOtherState();

  void CreateParts();
  void FillFolderTables();
  void CopyMachineDefaults();
  void ForceFolders(std::initializer_list<const char*> names);
  void LoadLoaders();
  void LoadConfigurationFiles();
  void ConnectSharedFiles();
  void StartDispatcher();
  void StopDispatcher();
  void PublishEmailAccount();
  void ReportMailErrors();
  void FreeEngine();
  void Say(const std::string& text);
  void ReportProblem(const std::string& text);

  TVexaWindows* m_windows = nullptr;
  std::string m_commonDataFolder;
  std::string m_settingsFolder;
  bool m_backToBack = false;
  bool m_leaveEngineAtExit = false;
  bool m_lockBeforeLoading = false;
  bool m_finalised = false;
  std::string m_logonArguments;

  TAdvRef<TSettings> m_settings;  // never null
  TAdvRef<TMonitor> m_monitor;    // made by CreateParts
  TAdvRef<TLoaderLibraries> m_libraries;
  TAdvRef<TVexaExtensions> m_extensions;
  TAdvRef<TTrackingLog> m_trackingLog;
  std::unique_ptr<TAlertSounds> m_sounds;
  TAdvRef<TSharedFiles> m_sharedFiles;
  TAdvRef<TEmailDispatcher> m_emailDispatcher;
  TAdvRef<TAdvTaskAdapter> m_dispatcherRunner;
  TAdvRef<TAdvFile> m_instanceLock;

  bool m_suspended = false;
  std::string m_suspendText = "&Suspend";
  bool m_configurationChanged = false;
  bool m_firstRun = false;
  bool m_partsMade = false;
  uint32_t m_lastRefresh = 0;
  uint32_t m_lastSave = 0;
  std::vector<std::string> m_loadProblems;
  TMonitorCounters m_finalCounters;
  // Send failures recorded on the dispatcher's thread, reported by the main
  // thread at the next refresh.
  std::mutex m_mailErrorsLock;
  std::vector<std::string> m_mailErrors;
};

// Registers every persistable class of the program with the class factory.
void RegisterVexaClasses();
