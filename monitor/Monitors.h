// TMonitor, the engine: it owns the configured inputs, the classification
// tables, the activity model, the triggers, the alert groups and the hit
// store, and once per processing cycle drains the hits the input threads
// have parsed. Each hit is enriched (host aliases for source and
// destination, department, file-type alias, and a profile when the loader
// gave none), filtered by its input, folded into users and sessions,
// evaluated against the triggers priority by priority, and at the end of
// the cycle the alerts queued by the evaluation are dispatched (tracking log
// and e-mail). The status refresh purges what left the retention window and
// rebuilds the active and idle user reports and the issue list.
//
// Life: closed -> Open -> open -> Close -> closed. Open loads the hit index
// (Default.Index, XML, one property "Indicies"), opens the hit file
// (Default.Hits), builds the alias indexes and the profile matcher and
// starts the inputs. The application saves the index (SaveIndex) with the
// rest of its state.
//
// Errors: ProcessCycle never throws. The hit being processed when an error
// occurs is removed from its queue and counted as failed (never processed
// twice), the error text goes once to the error handler, the cycle ends
// early, and the batch end and the alert dispatch still run. Without a
// handler the texts are kept for TakeErrors. The other operations raise
// EMonitor (or the error of the unit that failed).
//
// Thread safety: everything here belongs to the main thread. The input
// threads touch only their own rings (see MonitorFolders.h); the engine reads
// a ring slot only while it is marked full and releases it when done.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/Triggers.h"
#include "core/AdvDates.h"
#include "core/AdvLists.h"
#include "core/AdvPersistents.h"
#include "monitor/VexaIssues.h"

class TAlert;
class TAlertQueueItem;
class TCompressFile;
class TDepartments;
class TEmailDispatcher;
class TFileTypes;
class TGroups;
class THitEnricher;
class THitIndicies;
class THosts;
class TAliases;
class TLoaderClasses;
class TMonitorFolder;
class TMonitorFolders;
class TOfflineUsers;
class TOnlineUsers;
class TProfiles;
class TSession;
class TSettings;
class TSitenames;
class TTrackingLog;
class TTriggers;
class TUser;
class TUsers;
class TVexaHit;

ADV_EXCEPTION(EMonitor, EAdvanced)

// What the engine has done since it was made (or since ResetCounters).
struct TMonitorCounters {
  int64_t Accepted = 0;      // hits that passed their input's filters and were processed
  int64_t Filtered = 0;      // hits their input's filters turned away
  int64_t Failed = 0;        // hits whose processing raised an error
  int64_t AlertsRaised = 0;  // RaiseAlert calls
  int64_t Cycles = 0;        // processing cycles run
};

class TMonitor : public TAdvPersistent {
  ADV_CLASS(TMonitor)
  ADV_RAISES(EMonitor)

  // The time each input may take per cycle, in milliseconds of the tick.
  static constexpr uint32_t kInputBudget = 100;
  static constexpr const char* kIndexFileName = "Default.Index";
  static constexpr const char* kHitFileName = "Default.Hits";
  static constexpr const char* kNoInputsTitle = "No Inputs";
  static constexpr const char* kNoInputsText =
      "There are no configured inputs or they are not enabled.";

  TMonitor();

  // --- What the application hands in (set before Open).
  // The settings (retained); a default set is used until one is given.
  void SetSettings(TSettings* settings);
  TSettings& Settings() const { return *m_settings; }
  // The folder of the state files Default.Index and Default.Hits.
  void SetStateFolder(std::string folder) { m_stateFolder = std::move(folder); }
  const std::string& StateFolder() const { return m_stateFolder; }
  std::string IndexFileName() const;
  std::string HitFileName() const;
  // The tracking log (retained); none writes no lines.
  void SetTrackingLog(TTrackingLog* log);
  TTrackingLog* TrackingLog() const { return m_trackingLog.Get(); }
  // The e-mail dispatcher (retained) that alert e-mails are handed to; none
  // sends no e-mail.
  void SetEmailDispatcher(TEmailDispatcher* dispatcher);
  TEmailDispatcher* EmailDispatcher() const { return m_dispatcher.Get(); }
  // Plays a sound by its key in the settings' "Sounds" table ("Low Priority
  // Alert" ... "Input Issue Alert"). None plays nothing.
  using TSoundPlayer = std::function<void(const std::string& key)>;
  void SetSoundPlayer(TSoundPlayer player) { m_soundPlayer = std::move(player); }
  // Receives every error of a cycle and every notice of the hit store, once.
  using TErrorHandler = std::function<void(const std::string& message)>;
  void SetOnError(TErrorHandler handler) { m_onError = std::move(handler); }
  // The texts reported while no handler was set (at most kErrorLimit), emptied.
  static constexpr size_t kErrorLimit = 100;
  std::vector<std::string> TakeErrors();

  // --- What the engine owns.
  TLoaderClasses& LoaderClasses() const { return *m_loaderClasses; }
  TMonitorFolders& Inputs() const { return *m_inputs; }
  TTriggers& Triggers() const { return *m_triggers; }
  TProfiles& Profiles() const { return *m_profiles; }
  TUsers& Users() const { return *m_users; }
  THosts& Hosts() const { return *m_hosts; }
  TAliases& UserNames() const { return *m_userNames; }
  TSitenames& SiteNames() const { return *m_siteNames; }
  TFileTypes& FileTypes() const { return *m_fileTypes; }
  TDepartments& Departments() const { return *m_departments; }
  TGroups& Groups() const { return *m_groups; }
  TOnlineUsers& ActiveUsers() const { return *m_activeUsers; }
  TOfflineUsers& IdleUsers() const { return *m_idleUsers; }
  TVexaIssues& Issues() const { return *m_issues; }
  TVexaIssue& NoInputsIssue() const { return *m_noInputs; }
  THitIndicies& HitIndex() const { return *m_hitIndex; }
  TCompressFile& HitFile() const { return *m_hitFile; }
  // Items of TAlertQueueItem waiting for the end of the cycle.
  TAdvList& AlertQueue() const { return *m_alertQueue; }

  // --- Life.
  // Loads the hit index, opens the hit file (anew, with the activity reset,
  // when the index could not be read), opens the alias tables and the
  // profiles and starts every input. Nothing when already open.
  void Open();
  // Closes the hit file, stops every input, closes the profiles and the
  // host, file-type and department tables.
  void Close();
  void Restart();
  bool IsOpen() const { return m_open; }
  // Empties users, the hit index, both user reports, the alert groups and
  // the alert queue, and clears the triggers' time-range windows.
  void Reset();

  // --- The state file of the index (XML).
  // Flushes the hit file and writes the index atomically.
  void SaveIndex();
  // Reads the index; raises when the file is missing or damaged.
  void LoadIndex();

  // --- Work.
  // One processing cycle (see the file comment); returns whether an enabled
  // input still has hits waiting in its queue. Nothing while closed.
  bool ProcessCycle();
  // Purge, user reports and the issue list.
  void RefreshStatus();
  // Drops users, sessions and alerts older than the retention boundary and
  // rebuilds the alert groups and both user reports (left empty while
  // UserReports is off).
  void Purge();
  // Whether anything shows the user reports (on by default): building and
  // sorting them for tens of thousands of users is most of a refresh.
  void SetUserReports(bool on) { m_userReports = on; }
  // The per-hit work after filtering: tracking log, users and sessions,
  // triggers.
  void ProcessHit(TVexaHit& hit);
  // Marks that an alert was raised and plays its priority's sound when the
  // "PlaySound" setting is on.
  void RaiseAlert(TAlert& alert);
  void DismissAlert(TAlert& alert);
  // Dismisses every alert of the group of that name, last to first.
  void DismissGroup(std::string_view key);

  // --- Status for the application.
  bool HitsAccepted() const { return m_hitsAccepted; }
  bool AlertRaised() const { return m_alertRaised; }
  // The application clears both flags after each display refresh.
  void ClearFlags() {
    m_hitsAccepted = false;
    m_alertRaised = false;
  }
  const TMonitorCounters& Counters() const { return m_counters; }
  void ResetCounters() { m_counters = {}; }
  // Bytes the enabled inputs left unread at their last pass.
  int64_t Backlog() const;
  // Whether an enabled input has hits waiting in its queue.
  bool HasQueuedHits() const;
  // True while an enabled input's thread is refilling a ring the engine
  // emptied: more hits follow within moments.
  bool IsRefilling() const;
  // The retention boundary in seconds on the date-time scale, from the
  // settings at the program clock's current time.
  int64_t RetentionBoundary() const;

  // "Indicies": the hit index.
  void Define(TAdvFiler& filer) override;

 protected:
  void BeforeDestruction() override;
  ~TMonitor() override;

 private:
  // One input's turn in the cycle.
  void ServeInput(TMonitorFolder& input);
  // Makes a new enricher when the tables changed since the last, and gives
  // every input whose enricher is older one of its own.
  void RefreshEnrichers();
  bool PassesFilters(TMonitorFolder& input, const TVexaHit& hit);
  void DispatchQueuedAlerts();
  void ResetTriggerState();
  void RebuildIssues();
  void PlaySound(const std::string& key);
  void Report(const std::string& message);
  // Acts on a restart of the hit store noted by its handler: tells the
  // application and resets the activity, whose alerts refer to void hits.
  void HandleStoreRestart();

  TAdvRef<TSettings> m_settings;
  TAdvRef<TLoaderClasses> m_loaderClasses;
  TAdvRef<TMonitorFolders> m_inputs;
  TAdvRef<TTriggers> m_triggers;
  TAdvRef<TProfiles> m_profiles;
  TAdvRef<TUsers> m_users;
  TAdvRef<THosts> m_hosts;
  TAdvRef<TAliases> m_userNames;
  TAdvRef<TSitenames> m_siteNames;
  TAdvRef<TFileTypes> m_fileTypes;
  TAdvRef<TDepartments> m_departments;
  TAdvRef<TGroups> m_groups;
  TAdvRef<TOnlineUsers> m_activeUsers;
  TAdvRef<TOfflineUsers> m_idleUsers;
  bool m_userReports = true;
  TAdvRef<TVexaIssues> m_issues;
  TAdvRef<TVexaIssue> m_noInputs;
  TAdvRef<THitIndicies> m_hitIndex;  // attached to m_hitFile from construction on
  TAdvRef<TCompressFile> m_hitFile;
  TAdvRef<TAdvList> m_alertQueue;
  TAdvRef<TTrackingLog> m_trackingLog;
  TAdvRef<TEmailDispatcher> m_dispatcher;
  std::string m_stateFolder;
  TSoundPlayer m_soundPlayer;
  TErrorHandler m_onError;
  std::vector<std::string> m_errors;
  std::string m_storeRestart;  // a restart message of the hit store not yet acted on

  // What the trigger evaluation needs of the engine; the parts that change
  // are set for every hit.
  TTriggerContext m_context;
  TAdvLocalClock m_localClock;  // the time of each hit
  // Names the hits an input's thread left unnamed; the inputs' own
  // enrichers carry the same serial.
  std::unique_ptr<THitEnricher> m_enricher;
  uint64_t m_enricherSerial = 0;

  bool m_indexRead = false;  // Define read the index (LoadIndex checks it)
  bool m_open = false;
  bool m_hitsAccepted = false;
  bool m_alertRaised = false;
  TMonitorCounters m_counters;
};

// Registers the engine's persistable classes (TMonitor, the issue classes)
// with the class factory.
void RegisterMonitorClasses();
