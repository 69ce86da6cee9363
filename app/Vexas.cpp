#include "app/Vexas.h"

#include <algorithm>

#include "activity/ActivityClasses.h"
#include "alerts/AlertSounds.h"
#include "alerts/Alerts.h"
#include "alerts/Extensions.h"
#include "alerts/TrackingLogs.h"
#include "app/Settings.h"
#include "app/VexaWindows.h"
#include "classify/Aliases.h"
#include "classify/ClassifyClasses.h"
#include "classify/Profiles.h"
#include "classify/SharedFiles.h"
#include "core/AdvDates.h"
#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvFiles.h"
#include "core/AdvPaths.h"
#include "core/AdvTasks.h"
#include "documents/DocumentClasses.h"
#include "mail/EmailSettings.h"
#include "mail/EmailTasks.h"
#include "mail/MailClasses.h"
#include "monitor/HitIndicies.h"
#include "monitor/LoaderLibraries.h"
#include "monitor/MonitorFolders.h"
#include "monitor/Monitors.h"
#include "platform/Clock.h"

ADV_CLASS_IMPL(TVexa, TVarnex)

TVexa::TVexa() : m_settings(AdvNew<TSettings>()) {
  SetTitle(kTitle);
  if (!ApplicationFolder().empty()) SetCommonDataFolder(ApplicationFolder() + "../share/vexa/");
}

TVexa::~TVexa() = default;

void TVexa::BeforeDestruction() {
  // A test that never ran Finalise must not leave threads behind.
  StopDispatcher();
  FreeEngine();
  UnlockInstance();
  TVarnex::BeforeDestruction();
}

void TVexa::FreeEngine() {
  if (!m_monitor) return;
  try {
    m_monitor->Close();
  } catch (...) {
    // Closing again at the end; the first Close reported its error.
  }
  m_finalCounters = m_monitor->Counters();
  // The log writes the lines still collected and closes its file while the
  // tables it reads still exist.
  if (m_trackingLog) m_trackingLog->Close();
  m_monitor->SetTrackingLog(nullptr);
  if (m_leaveEngineAtExit) {
    // Kept reachable from here to the end, so a leak checker sees memory
    // left on purpose, not lost.
    static auto* left = new std::vector<TAdvRef<TMonitor>>();
    left->push_back(std::move(m_monitor));
  }
  m_monitor.Reset();
  m_trackingLog.Reset();
  m_sounds.reset();
  m_partsMade = false;
}

void TVexa::SetCommonDataFolder(const std::string& folder) {
  m_commonDataFolder = folder.empty() ? folder : IncludeTrailingDelimiter(folder);
}

void TVexa::Define(TAdvFiler& filer) {
  TVarnex::Define(filer);
  filer.Field("Settings").DefineObjectRef(m_settings);
  if (!m_settings) m_settings = AdvNew<TSettings>();
}

void TVexa::Say(const std::string& text) {
  if (m_windows) m_windows->ShowStartupText(text);
}

void TVexa::ReportProblem(const std::string& text) {
  m_loadProblems.push_back(text);
  if (m_windows) m_windows->ShowError(kTitle, text);
}

void TVexa::HandleException(const std::exception& error) {
  if (m_windows) m_windows->ShowError("Error", ErrorText(error));
}

// ---------------------------------------------------------------------------
// Start-up

void TVexa::CreateParts() {
  if (m_partsMade) return;
  m_monitor = AdvNew<TMonitor>();
  m_monitor->SetSettings(m_settings.Get());
  m_monitor->SetOnError([this](const std::string& message) {
    if (m_windows) m_windows->ShowError("Error", message);
  });
  m_libraries = AdvNew<TLoaderLibraries>();
  m_extensions = AdvNew<TVexaExtensions>();
  m_trackingLog = AdvNew<TTrackingLog>();
  m_trackingLog->SetSettings(m_settings.Get());
  m_trackingLog->SetUserNames(&m_monitor->UserNames());
  m_trackingLog->SetDepartments(&m_monitor->Departments());
  m_trackingLog->SetHitStore(&m_monitor->HitIndex());
  m_monitor->SetTrackingLog(m_trackingLog.Get());
  m_sounds = std::make_unique<TAlertSounds>(*m_settings, ApplicationFolder());
  m_monitor->SetSoundPlayer([this](const std::string& key) { m_sounds->PlayAlertSound(key); });
  m_partsMade = true;
}

bool TVexa::Initialise() {
  if (!Prepare()) return false;
  return StartMonitoring();
}

bool TVexa::Prepare() {
  if (!m_windows) Error("Initialise", "No user interface was given");
  // 1-3: the global object, the start time, the parts.
  RegisterGlobal();
  SetStartTime(AdvNow());
  m_firstRun = true;
  m_configurationChanged = false;
  m_loadProblems.clear();
  CreateParts();

  // 5-6: folders.
  Say(std::string("Starting ") + kTitle + "...");
  FillFolderTables();
  m_monitor->SetStateFolder(DataPaths().Path("State"));
  if (m_lockBeforeLoading && !LockInstance()) return false;

  // 7.1 settings; 7.2-7.3 loaders.
  Say("Loading settings...");
  LoadSettingsFile();
  LoadExtensionsFile();
  PublishEmailAccount();
  Say("Preparing Loaders...");
  LoadLoaders();

  // 7.4 folders; 7.5 state; 7.6-7.7 configuration and shared copies.
  Say("Checking application folders...");
  ForceFolders({"Triggers", "Profiles", "Aliases", "Loaders", "Sounds", "Default Triggers",
                "Default Profiles", "Default Aliases", "State", "Temp", "Help"});
  Say("Restoring state...");
  RestoreState();
  ConnectSharedFiles();
  LoadConfigurationFiles();
  Say("Checking shared files...");
  if (m_sharedFiles) {
    m_sharedFiles->AliasesArrived();
    m_sharedFiles->ProfilesArrived();
  }
  // 7.8, 8: no other installed version and no update client exist on this
  // platform, so there is nothing to offer.

  // 9-10.
  Say(std::string("Starting ") + kTitle + "...");
  ForceFolders({"Triggers", "Profiles", "Aliases", "Loaders", "Sounds", "Default Triggers",
                "Default Profiles", "Default Aliases", "Default Loader", "State", "Temp"});
  Say(std::string(kTitle) + " ready...");
  return m_windows->SplashFinished();
}

bool TVexa::StartMonitoring() {
  // 11: the engine; its exclusive hit file tells a second instance apart.
  UnlockInstance();
  try {
    m_monitor->Open();
  } catch (const std::exception& error) {
    if (dynamic_cast<const EAdvFile*>(&error))
      m_windows->ShowError("Error", std::string(kTitle) +
                                        " was unable to open the temporary data files used for "
                                        "monitoring log files\r\nThis may occur if " +
                                        kTitle + " is already running.");
    else
      m_windows->ShowError("Error", std::string("An error occurred while starting ") + kTitle +
                                        ".\r\n\r\n" + ErrorText(error));
    return false;
  }
  // 12-13.
  SetStartTime(AdvNow());
  m_lastRefresh = m_lastSave = platform::TickCount();
  m_windows->Started(*this, m_monitor->Inputs().EnabledCount() > 0);
  // 14.
  if (m_monitor->LoaderClasses().IndexOfName(m_settings->Loader()) < 0)
    m_settings->SetLoader(kDefaultLoaderName);
  // 15.
  StartDispatcher();
  return true;
}

bool TVexa::LockInstance() {
  if (m_instanceLock) return true;
  const std::string name = StateFile(TMonitor::kHitFileName);
  try {
    DataPaths().Force("State");
    // Read and write, kept, shared with nobody: the same lock the engine's
    // hit file takes, so the engine and a configuration command exclude
    // each other.
    m_instanceLock = TAdvRef<TAdvFile>(new TAdvFile(name, TAdvFile::kNormalAttributes, 0, 2));
    return true;
  } catch (const EAdvFile&) {
    m_windows->ShowError("Error", std::string(kTitle) +
                                      " was unable to open the temporary data files used for "
                                      "monitoring log files\r\nThis may occur if " +
                                      kTitle + " is already running.");
    return false;
  }
}

void TVexa::UnlockInstance() {
  m_instanceLock.Reset();
}

void TVexa::LoadLoaders() {
  std::vector<std::string> problems;
  try {
    m_libraries->LoadFolder(Paths().Path("Loaders"), problems);
    m_libraries->RegisterClasses(m_monitor->LoaderClasses());
  } catch (const std::exception& error) {
    HandleException(error);
  }
  for (const std::string& problem : problems) ReportProblem(problem);
}

void TVexa::ConnectSharedFiles() {
  if (m_sharedFiles) return;
  try {
    m_sharedFiles = AdvNew<TSharedFiles>();
  } catch (const std::exception& error) {
    ReportProblem(ErrorText(error));
    return;
  }
  m_sharedFiles->SyncEnabled = [this] { return m_settings->SyncData(); };
  TSharedTables tables;
  tables.Users = &m_monitor->UserNames();
  tables.Sites = &m_monitor->SiteNames();
  tables.FileTypes = &m_monitor->FileTypes();
  tables.Departments = &m_monitor->Departments();
  tables.Profiles = &m_monitor->Profiles();
  tables.Hosts = &m_monitor->Hosts();
  tables.Refresh = [this] { m_configurationChanged = true; };
  m_sharedFiles->ConnectTables(tables);
  try {
    m_sharedFiles->CreateWindow();
  } catch (const std::exception& error) {
    ReportProblem(ErrorText(error));
  }
}

void TVexa::PublishEmailAccount() {
  if (!m_emailDispatcher) return;
  if (auto* emails = AdvCast<TEmailSettings>(m_settings->Emails()))
    m_emailDispatcher->SetAccount(emails->Account());
}

void TVexa::StartDispatcher() {
  if (m_emailDispatcher) return;
  m_emailDispatcher = AdvNew<TEmailDispatcher>();
  PublishEmailAccount();
  m_emailDispatcher->SetOnSendFailed([this](const TEmailTask& task, const std::exception& error) {
    // The dispatcher's thread: the text is only recorded; the main thread
    // reports it through the engine's error handler at the next refresh.
    std::lock_guard lock(m_mailErrorsLock);
    m_mailErrors.push_back("Unable to send e-mail \"" + task.Subject() + "\": " + ErrorText(error));
  });
  m_monitor->SetEmailDispatcher(m_emailDispatcher.Get());
  m_dispatcherRunner = AdvNew<TAdvTaskAdapter>(m_emailDispatcher.Get());
  m_dispatcherRunner->Run();
}

void TVexa::StopDispatcher() {
  if (m_dispatcherRunner) {
    m_dispatcherRunner->Terminate();
    m_dispatcherRunner.Reset();
  }
  if (m_monitor) m_monitor->SetEmailDispatcher(nullptr);
  m_emailDispatcher.Reset();
}

// ---------------------------------------------------------------------------
// The run

void TVexa::ProcessMessages() {
  // The other programs' notices about the shared data files.
  if (m_sharedFiles && m_sharedFiles->HasWindow()) {
    try {
      m_sharedFiles->DispatchMessages(0);
    } catch (const std::exception& error) {
      HandleException(error);
    }
  }
}

void TVexa::Run() {
  while (!Terminated()) {
    ProcessMessages();
    const bool backlog = Tick();
    if (Terminated()) break;
    m_windows->Wait(NextWait(backlog));
  }
  // The interface sees what the last cycles did before shutdown begins.
  RefreshViews();
}

uint32_t TVexa::NextWait(bool backlog) const {
  if (!m_backToBack || m_suspended) return kCycleInterval;
  if (backlog) return 0;
  // The ring ran dry while its thread refills it: a moment, not a cycle.
  if (m_monitor && m_monitor->IsRefilling()) return kRefillWait;
  return kCycleInterval;
}

bool TVexa::Tick() {
  bool backlog = false;
  if (!m_suspended) backlog = ProcessCycle();
  const uint32_t now = platform::TickCount();
  // A tick count below the last one (it went backwards) refreshes at once.
  if (now < m_lastRefresh || now - m_lastRefresh >= kRefreshInterval) {
    m_lastRefresh = now;
    RefreshViews();
  }
  if (now < m_lastSave || now - m_lastSave >= kSaveInterval) {
    m_lastSave = now;
    SaveState();
  }
  m_windows->Ticked(*this, backlog);
  return backlog;
}

bool TVexa::ProcessCycle() {
  try {
    return m_monitor->ProcessCycle();
  } catch (const std::exception& error) {
    HandleException(error);
    return false;
  }
}

void TVexa::RefreshViews() {
  try {
    m_monitor->SetUserReports(m_windows->ShowsUserReports());
    m_monitor->RefreshStatus();
    ReportMailErrors();
    m_windows->Refresh(*this, m_monitor->AlertRaised());
  } catch (const std::exception& error) {
    HandleException(error);
  }
  m_monitor->ClearFlags();
}

void TVexa::ReportMailErrors() {
  std::vector<std::string> errors;
  {
    std::lock_guard lock(m_mailErrorsLock);
    errors.swap(m_mailErrors);
  }
  for (const std::string& text : errors) m_windows->ShowError("Error", text);
}

void TVexa::ResetActivity() {
  m_monitor->Reset();
  TMonitorFolders& inputs = m_monitor->Inputs();
  for (int i = 0; i < inputs.Count(); ++i) {
    // Each of these takes the input's tree lock itself.
    TMonitorFolder& input = *inputs.Input(i);
    input.SkipToEnd();
    input.ClearIssues();
    input.Rescan();
  }
  SetStartTime(AdvNow());
  RefreshViews();
}

void TVexa::ToggleSuspend() {
  m_suspended = !m_suspended;
  m_suspendText = m_suspended ? "&Unsuspend" : "&Suspend";
}

void TVexa::SetAllInputsEnabled(bool enabled) {
  TMonitorFolders& inputs = m_monitor->Inputs();
  for (int i = 0; i < inputs.Count(); ++i) inputs.Input(i)->SetEnabled(enabled);
  m_configurationChanged = true;
  RefreshViews();
}

// ---------------------------------------------------------------------------
// Shutdown

void TVexa::Finalise() {
  if (m_finalised) return;
  m_finalised = true;
  // 1-2: the threads stop before anything they use goes.
  StopDispatcher();
  if (m_monitor) {
    try {
      m_monitor->Close();
    } catch (const std::exception& error) {
      HandleException(error);
    }
  }
  // 3.
  if (m_windows) m_windows->CloseWindows();
  // 4: only a completed start-up saves; a failed one would write its empty
  // or half-loaded objects over the user's files.
  if (Started()) SaveAll();
  // 5.
  if (m_sharedFiles) {
    m_sharedFiles->DisconnectTables();
    m_sharedFiles->DestroyWindow();
    m_sharedFiles.Reset();
  }
  // The engine's inputs hold loader objects whose code lies in the
  // plug-ins: the engine goes before the plug-ins are unloaded.
  FreeEngine();
  if (m_libraries) {
    std::vector<std::string> problems;
    m_libraries->UnloadAll(problems);
    m_libraries.Reset();
  }
  UnlockInstance();
  UnregisterGlobal();
}

// ---------------------------------------------------------------------------

void RegisterVexaClasses() {
  RegisterCoreClasses();
  RegisterClassifyClasses();
  RegisterMonitorFolderClasses();
  RegisterHitClasses();
  RegisterMonitorClasses();
  AdvFactory().RegisterAll(ActivityClasses());
  RegisterMailClasses();
  RegisterDocumentClasses();
  RegisterExtensionClasses();
  RegisterAlertClasses();
  AdvFactory().RegisterAll(AppSettingsClasses());
  AdvFactory().RegisterAll(
      {&TPaths::ClassInfo, &TAdvApplication::ClassInfo, &TVarnex::ClassInfo, &TVexa::ClassInfo});
}
