#include "monitor/Monitors.h"

#include <exception>
#include <utility>

#include "activity/Reports.h"
#include "activity/Users.h"
#include "alerts/AlertActions.h"
#include "alerts/AlertQueues.h"
#include "alerts/Alerts.h"
#include "alerts/TrackingLogs.h"
#include "alerts/Triggers.h"
#include "app/Settings.h"
#include "classify/Aliases.h"
#include "classify/Profiles.h"
#include "core/AdvDates.h"
#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvXMLFilers.h"
#include "mail/EmailTasks.h"
#include "monitor/CompressFiles.h"
#include "monitor/HitEnrichers.h"
#include "monitor/HitFilters.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"
#include "monitor/Loaders.h"
#include "monitor/MonitorFolders.h"
#include "platform/Clock.h"

ADV_CLASS_IMPL(TMonitor, TAdvPersistent)
ADV_EXCEPTION_IMPL(EMonitor, EAdvanced)

TMonitor::TMonitor()
    : m_settings(AdvNew<TSettings>()),
      m_loaderClasses(AdvNew<TLoaderClasses>()),
      m_inputs(AdvNew<TMonitorFolders>()),
      m_triggers(AdvNew<TTriggers>()),
      m_profiles(AdvNew<TProfiles>()),
      m_users(AdvNew<TUsers>()),
      m_hosts(AdvNew<THosts>()),
      m_userNames(AdvNew<TAliases>()),
      m_siteNames(AdvNew<TSitenames>()),
      m_fileTypes(AdvNew<TFileTypes>()),
      m_departments(AdvNew<TDepartments>()),
      m_groups(AdvNew<TGroups>()),
      m_activeUsers(AdvNew<TOnlineUsers>()),
      m_idleUsers(AdvNew<TOfflineUsers>()),
      m_issues(AdvNew<TVexaIssues>()),
      m_noInputs(AdvNew<TVexaIssue>()),
      m_hitIndex(AdvNew<THitIndicies>()),
      m_hitFile(AdvNew<TCompressFile>()),
      m_alertQueue(AdvNew<TAlertQueue>()) {
  m_hitIndex->AttachFile(m_hitFile.Get());
  // The store only notes the restart here: it may come in the middle of
  // Open or at the end of a batch, and the activity is reset where nothing
  // is using stored hits (HandleStoreRestart).
  m_hitIndex->SetOnRestart([this](const std::string& message) { m_storeRestart = message; });
  m_hosts->SetSources(m_userNames.Get(), m_siteNames.Get());
  m_context.HitStore = m_hitIndex.Get();
  m_context.Queue = m_alertQueue.Get();
  m_context.RaiseAlert = [this](TAlert& alert) { RaiseAlert(alert); };
  m_noInputs->SetTitle(kNoInputsTitle);
  m_noInputs->SetText(kNoInputsText);
  m_noInputs->SetStyle(kIssueNoInputs);
  m_noInputs->SetActive(true);
  m_noInputs->SetPending(true);
}

TMonitor::~TMonitor() = default;

void TMonitor::BeforeDestruction() {
  // Input threads call back into their inputs; they must end before any
  // member goes. Close is safe on a closed engine.
  try {
    Close();
  } catch (...) {
    // Nothing can be reported from a destructor; the file is closed anyway.
  }
}

void TMonitor::SetSettings(TSettings* settings) {
  if (!settings) Error("SetSettings", "Parameter not assigned");
  m_settings = TAdvRef<TSettings>::Share(settings);
  if (m_trackingLog) m_trackingLog->SetSettings(m_settings.Get());
}

void TMonitor::SetTrackingLog(TTrackingLog* log) {
  m_trackingLog = TAdvRef<TTrackingLog>::Share(log);
  if (!log) return;
  // The log reads the engine's own tables: user names for the user text,
  // departments for its filter, the hit store for an alert's latest hit.
  log->SetSettings(m_settings.Get());
  log->SetUserNames(m_userNames.Get());
  log->SetDepartments(m_departments.Get());
  log->SetHitStore(m_hitIndex.Get());
}

void TMonitor::SetEmailDispatcher(TEmailDispatcher* dispatcher) {
  m_dispatcher = TAdvRef<TEmailDispatcher>::Share(dispatcher);
}

std::vector<std::string> TMonitor::TakeErrors() {
  std::vector<std::string> taken;
  taken.swap(m_errors);
  return taken;
}

std::string TMonitor::IndexFileName() const {
  return m_stateFolder + "/" + kIndexFileName;
}

std::string TMonitor::HitFileName() const {
  return m_stateFolder + "/" + kHitFileName;
}

// ---------------------------------------------------------------------------
// Life

void TMonitor::Open() {
  if (m_open) return;
  if (m_stateFolder.empty()) Error("Open", "No state folder set");
  // 1-3. The index, then the hit file: kept only with a readable index that
  // matches it; otherwise created anew, and then nothing may refer to the
  // hits of before.
  m_storeRestart.clear();
  const bool kept = m_hitIndex->Open(IndexFileName(), HitFileName(), [this] { LoadIndex(); });
  if (!kept) {
    Reset();
    if (!m_storeRestart.empty()) Report(std::exchange(m_storeRestart, {}));
  }
  // 4. The tables, in this order.
  m_hosts->Reindex();
  m_profiles->Rebuild();
  m_fileTypes->Reindex();
  m_departments->Reindex();
  // The inputs name their hits from the first one on; should that fail, the
  // engine names them, and tries again at the next cycle.
  try {
    RefreshEnrichers();
  } catch (const std::exception& e) {
    Report(e.what());
  }
  // 5.
  m_inputs->StartAll();
  m_open = true;
}

void TMonitor::Close() {
  // Each table is closed even when the hit file fails to close; the first
  // error then goes on.
  std::exception_ptr failure;
  try {
    m_hitIndex->CloseFile();
  } catch (...) {
    failure = std::current_exception();
  }
  m_inputs->StopAll();
  for (int i = 0; i < m_inputs->Count(); ++i) m_inputs->Input(i)->SetEnricher(nullptr);
  m_enricher.reset();
  m_profiles->Unprepare();
  m_hosts->ClearIndex();
  m_fileTypes->ClearIndex();
  m_departments->ClearIndex();
  m_open = false;
  if (failure) std::rethrow_exception(failure);
}

void TMonitor::Restart() {
  Close();
  Open();
}

void TMonitor::Reset() {
  m_users->Clear();
  // Only an open store can be emptied (index and file go together); a
  // closed one keeps its hits, which nothing refers to any more.
  if (m_hitFile->IsOpen()) m_hitIndex->Clear();
  m_activeUsers->Clear();
  m_idleUsers->Clear();
  m_groups->Clear();
  m_alertQueue->Clear();
  ResetTriggerState();
}

void TMonitor::HandleStoreRestart() {
  if (m_storeRestart.empty()) return;
  const std::string message = std::exchange(m_storeRestart, {});
  Reset();
  Report(message);
}

// ---------------------------------------------------------------------------
// The index file

void TMonitor::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  // A stored nil would take the store away from its file: refuse it.
  if (filer.IsReader() && filer.Peek() != TAdvFilerKind::Object)
    Error("Define", "The hit index is missing");
  filer.Field("Indicies").DefineObjectRef(m_hitIndex);
  if (filer.IsReader()) m_indexRead = true;
}

void TMonitor::LoadIndex() {
  // The reader passes over a file that holds no object at all without a
  // word; such a file is as damaged as one that fails half-way.
  m_indexRead = false;
  LoadFromFile(IndexFileName(), &TAdvXMLReader::ClassInfo);
  if (!m_indexRead) Error("LoadIndex", "No hit index found in " + IndexFileName());
}

void TMonitor::SaveIndex() {
  // The index must never list pages the file has not received.
  if (m_hitFile->IsOpen()) {
    m_hitIndex->Sync();
    m_hitFile->Flush();
  }
  SaveToFile(IndexFileName(), &TAdvXMLWriter::ClassInfo);
}

// ---------------------------------------------------------------------------
// The processing cycle

bool TMonitor::ProcessCycle() {
  if (!m_open) return false;
  ++m_counters.Cycles;
  try {
    RefreshEnrichers();
    m_hitIndex->BeginBatch();
    for (int i = 0; i < m_inputs->Count(); ++i) ServeInput(*m_inputs->Input(i));
  } catch (const std::exception& e) {
    Report(e.what());
  }
  // The batch end and the dispatch run however the loop ended.
  try {
    m_hitIndex->EndBatch();
  } catch (const std::exception& e) {
    Report(e.what());
  }
  // Writes the alert lines and flushes the tracking log.
  DispatchQueuedAlerts();
  HandleStoreRestart();
  return HasQueuedHits();
}

void TMonitor::ServeInput(TMonitorFolder& input) {
  // A thread that failed has recorded its issue; stopping it and disabling
  // the input is the main thread's part.
  input.CheckFailure();
  if (input.IssueState().Pending) {
    PlaySound(kSoundKeyInputIssue);
    input.ClearPending();
  }
  if (!input.Enabled()) return;
  const uint32_t start = platform::TickCount();
  while (input.HasHits() && platform::TicksSince(start) < kInputBudget) {
    TVexaHit& hit = input.Front();
    try {
      // Named on the input's thread as a rule; again here when the tables
      // changed after it was read.
      if (hit.EnrichedBy() != m_enricherSerial) m_enricher->Enrich(hit);
      if (PassesFilters(input, hit)) {
        ProcessHit(hit);
        m_hitsAccepted = true;
        ++m_counters.Accepted;
      } else {
        ++m_counters.Filtered;
      }
    } catch (...) {
      // The hit goes whatever happened to it: a hit that fails would fail
      // again on every cycle and hold up its input for good.
      input.Pop();
      ++m_counters.Failed;
      throw;
    }
    input.Pop();
  }
}

void TMonitor::RefreshEnrichers() {
  // Activity lines are made on the inputs' threads while the log wants them.
  TAliases* lineNames = nullptr;
  std::string separator;
  if (m_trackingLog && m_trackingLog->UserNames() && m_settings->TrackingLogActivity() &&
      !m_settings->TrackingLogLocation().empty()) {
    lineNames = m_trackingLog->UserNames();
    separator = m_settings->FormatSettings().TimeSeparator;
  }
  const auto make = [&](uint64_t serial) {
    auto enricher =
        std::make_unique<THitEnricher>(*m_hosts, *m_departments, *m_fileTypes, *m_profiles, serial);
    if (lineNames) enricher->SetActivityLines(*lineNames, separator);
    return enricher;
  };
  if (!m_enricher || !m_enricher->Reflects(*m_hosts, *m_departments, *m_fileTypes, *m_profiles) ||
      !m_enricher->MakesActivityLines(lineNames, separator))
    m_enricher = make(++m_enricherSerial);
  for (int i = 0; i < m_inputs->Count(); ++i) {
    TMonitorFolder& input = *m_inputs->Input(i);
    if (input.EnricherSerial() != m_enricherSerial) input.SetEnricher(make(m_enricherSerial));
  }
}

bool TMonitor::PassesFilters(TMonitorFolder& input, const TVexaHit& hit) {
  return input.Filters().Passes(hit);
}

void TMonitor::ProcessHit(TVexaHit& hit) {
  if (m_trackingLog) {
    // The line the input made; naming the hit again here emptied it.
    if (!hit.ActivityLine().empty())
      m_trackingLog->WriteHitLine(hit, hit.ActivityLine());
    else
      m_trackingLog->WriteHit(hit);
  }
  TUser* user = m_users->FindForHit(hit);
  user->Sessions().SetGap(m_settings->Threshold());
  TSession* session = user->Sessions().AddHit(hit);
  // The retention boundary as of this hit: alerts of sessions that began
  // before it are recorded but not raised.
  const double now = m_localClock.Now();
  m_context.Now = now;
  m_context.Cutoff = m_settings->PurgeCutoff(now);
  m_context.CutoffSeconds = m_settings->PurgeCutoffSeconds(now);
  m_context.Settings = m_settings.Get();
  m_triggers->EvaluateAll(*user, *session, hit, m_context);
}

int64_t TMonitor::RetentionBoundary() const {
  return m_settings->PurgeCutoffSeconds(AdvNow());
}

void TMonitor::ResetTriggerState() {
  m_triggers->Reset();
}

void TMonitor::DispatchQueuedAlerts() {
  TAlertActionContext context;
  context.Settings = m_settings.Get();
  context.TrackingLog = m_trackingLog.Get();
  context.Users = m_users.Get();
  context.HitStore = m_hitIndex.Get();
  if (m_dispatcher) context.SendEmail = EmailSinkFor(*m_dispatcher);
  try {
    DispatchAlerts(*m_alertQueue, context);
  } catch (const std::exception& e) {
    Report(e.what());
  }
}

// ---------------------------------------------------------------------------
// Alerts

void TMonitor::RaiseAlert(TAlert& alert) {
  m_alertRaised = true;
  ++m_counters.AlertsRaised;
  if (m_settings->PlaySound()) PlaySound(std::string(PrioritySoundName(alert.Priority())));
}

void TMonitor::DismissAlert(TAlert& alert) {
  m_groups->DismissAlert(&alert);
}

void TMonitor::DismissGroup(std::string_view key) {
  m_groups->DismissGroup(key);
}

void TMonitor::PlaySound(const std::string& key) {
  if (!m_soundPlayer) return;
  // A sound is never worth ending a cycle for.
  try {
    m_soundPlayer(key);
  } catch (const std::exception& e) {
    Report(e.what());
  }
}

void TMonitor::Report(const std::string& message) {
  if (m_onError) {
    m_onError(message);
  } else if (m_errors.size() < kErrorLimit) {
    m_errors.push_back(message);
  }
}

// ---------------------------------------------------------------------------
// Status

void TMonitor::Purge() {
  const double now = AdvNow();
  TAlertGroupSink sink(*m_groups);
  m_users->Purge({.CutoffSeconds = m_settings->PurgeCutoffSeconds(now),
                  .Gap = m_settings->Threshold(),
                  .Now = now,
                  .SortRecent = m_settings->SortRecent(),
                  .FillReports = m_userReports},
                 *m_activeUsers, *m_idleUsers, &sink);
}

void TMonitor::RefreshStatus() {
  Purge();
  RebuildIssues();
}

void TMonitor::RebuildIssues() {
  // Issue objects that still stand for the same failure are kept, with the
  // Cleared mark the status window may have set on them.
  TAdvRef<TVexaIssues> previous = AdvNew<TVexaIssues>();
  for (int i = 0; i < m_issues->Count(); ++i) previous->Add(m_issues->Issue(i)->Retain());
  m_issues->Clear();
  int enabled = 0;
  for (int i = 0; i < m_inputs->Count(); ++i) {
    TMonitorFolder& input = *m_inputs->Input(i);
    if (input.Enabled()) ++enabled;
    const TInputIssueState state = input.IssueState();
    if (!state.Active) continue;
    TVexaIssue* issue = previous->FindByTitle(state.Title);
    TAdvRef<TVexaIssue> kept = issue && issue != m_noInputs.Get()
                                   ? TAdvRef<TVexaIssue>::Share(issue)
                                   : AdvNew<TVexaIssue>();
    kept->TakeState(state);
    m_issues->Add(kept.Detach());
  }
  if (enabled > 0) {
    // Re-armed at every refresh while an input is enabled, so that it is
    // dated from the last refresh at which one still was.
    m_noInputs->SetActive(true);
    m_noInputs->SetPending(true);
    m_noInputs->SetTime(AdvNow());
  } else {
    m_issues->Add(m_noInputs->Retain());
  }
}

int64_t TMonitor::Backlog() const {
  int64_t total = 0;
  for (int i = 0; i < m_inputs->Count(); ++i) {
    const TMonitorFolder& input = *m_inputs->Input(i);
    if (input.Enabled()) total += input.LastBacklog();
  }
  return total;
}

bool TMonitor::HasQueuedHits() const {
  for (int i = 0; i < m_inputs->Count(); ++i) {
    const TMonitorFolder& input = *m_inputs->Input(i);
    if (input.Enabled() && input.HasHits()) return true;
  }
  return false;
}

bool TMonitor::IsRefilling() const {
  for (int i = 0; i < m_inputs->Count(); ++i) {
    const TMonitorFolder& input = *m_inputs->Input(i);
    if (input.Enabled() && input.Running() && input.Refilling()) return true;
  }
  return false;
}

void RegisterMonitorClasses() {
  AdvFactory().RegisterAll({&TMonitor::ClassInfo, &TVexaIssue::ClassInfo, &TVexaIssues::ClassInfo});
}
