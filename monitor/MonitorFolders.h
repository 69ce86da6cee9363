// Inputs: one monitored folder each (TMonitorFolder), and the owning list of
// them (TMonitorFolders) stored as the state file of inputs.
//
// An input runs its own timed thread. Each pass lists the folder tree, reads
// what was appended to each file through the input's loader and puts the
// hits into a ring of 1024 reusable hit objects (TQueue), from which the
// engine takes them on the main thread.
//
// Thread safety:
//  - The ring needs no lock: the thread writes only the slot at the write
//    position while it is empty and then sets its full flag (release); the
//    engine reads only the slot at the read position while it is full
//    (acquire) and clears the flag when done. The flag is the hand-over.
//  - The tree and the input's own issue are guarded by the input's tree lock
//    (TreeLock / IssueState): a window reading counters must not race the
//    thread pruning the tree. The thread holds the tree lock for a whole
//    pass, so readers wait at most one pass.
//  - Start, Stop, SetEnabled, configuration setters, TakeHit/Pop and
//    CheckFailure belong to the main thread. The thread never stops or joins
//    itself: its failure callback only records the failure, and the main
//    thread's CheckFailure stops and disables the input.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/AdvLists.h"
#include "core/AdvPersistents.h"
#include "monitor/AdvDNSs.h"
#include "monitor/HitFilters.h"
#include "monitor/Hits.h"
#include "monitor/Inputs.h"
#include "monitor/Loaders.h"

class THitEnricher;
using THitEnricherRef = std::shared_ptr<THitEnricher>;

class TAdvTimedThread;

// The ring of hits between an input's thread and the engine.
class TQueue {
 public:
  static constexpr uint32_t kSlots = 1024;

  // Creates the 1024 hit objects once.
  TQueue();
  ~TQueue();
  TQueue(const TQueue&) = delete;
  TQueue& operator=(const TQueue&) = delete;

  // Producer side.
  bool HasRoom() const { return !m_full[m_write].load(std::memory_order_acquire); }
  // The same, ordered with Pop's store (the second look after the producer
  // has raised its want-of-room flag).
  bool HasRoomNow() const { return !m_full[m_write].load(std::memory_order_seq_cst); }
  TVexaHit& WriteSlot() { return *m_hits[m_write]; }
  void Push();
  // Consumer side.
  bool HasHits() const { return m_full[m_read].load(std::memory_order_acquire); }
  TVexaHit& Front() { return *m_hits[m_read]; }
  void Pop();
  // Only while no thread fills the ring.
  void Clear();

 private:
  std::array<TVexaHit*, kSlots> m_hits{};  // owned
  std::array<std::atomic<uint8_t>, kSlots> m_full{};
  uint32_t m_read = 0;   // the consumer's
  uint32_t m_write = 0;  // the producer's
};

// The input-level issue shown in the status window.
struct TInputIssueState {
  std::string Title;  // the root folder path
  std::string Text;
  std::string Details;
  double Time = 0;
  bool Pending = false;  // announcement not yet sounded
  bool Active = false;
  bool Cleared = false;
  uint8_t Style = kIssueGeneral;
};

class TMonitorFolder : public TAdvPersistent {
  ADV_CLASS(TMonitorFolder)
  ADV_RAISES(EInput)

  static constexpr uint32_t kDefaultTimer = 1000;
  // Cap on the bytes read to show one issue's record.
  static constexpr int64_t kIssueTextLimit = 64 * 1024;

  TMonitorFolder();

  // Configuration (main thread, while the input is stopped or at any time
  // for Enabled).
  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool value);
  // Dotted IPv4 addresses in Source and Destination become host names on
  // the input's thread, through the input's own address cache.
  bool Resolve() const { return m_resolve; }
  void SetResolve(bool value) { m_resolve = value; }
  // The hits the engine counts (main thread only; the reading thread never
  // touches them).
  TFilters& Filters() { return *m_filters; }
  const TFilters& Filters() const { return *m_filters; }
  // The input's address cache: its thread's alone while it runs.
  TAddresses& Addresses() { return *m_addresses; }
  uint32_t Timer() const { return m_timer; }
  void SetTimer(uint32_t value) { m_timer = value ? value : 1; }
  bool Ignore() const { return m_ignore; }
  void SetIgnore(bool value) { m_ignore = value; }
  bool IgnoreModifiedTime() const { return m_ignoreModifiedTime; }
  void SetIgnoreModifiedTime(bool value) { m_ignoreModifiedTime = value; }
  TFolder& Folder() { return *m_folder; }
  // Takes over one reference to the new root.
  void SetFolder(TFolder* folder);
  TLoader* Loader() const { return m_loader.Get(); }
  // Takes over one reference; null clears.
  void SetLoader(TLoader* loader);
  // The class name stored for the loader (kept when the class is missing).
  const std::string& LoaderName() const { return m_loaderName; }
  // True when the stored loader class is not registered: the input keeps its
  // configuration but never runs.
  bool LoaderMissing() const { return m_loaderMissing; }

  // Values that come from the program's settings: files last written at or
  // before the boundary (a date-time) are not read; a folder that cannot be
  // listed fails the input after RetrySeconds without a good pass.
  void SetRetentionBoundary(double value) { m_retentionBoundary.store(value); }
  void SetFailedInputRetrySeconds(uint32_t value) { m_retrySeconds.store(value); }
  // Runs on the thread for each hit before it enters the ring (address
  // resolution when Resolve is set, hit filters): false drops the hit.
  using THitHook = std::function<bool(TMonitorFolder& input, THit& hit)>;
  void SetHitHook(THitHook hook) { m_hitHook = std::move(hook); }
  // Names the hits on the thread as they enter the ring (see
  // HitEnrichers.h); set by the engine's thread, which names the hits itself
  // while there is none. The enricher is the input's own: no other thread
  // uses it.
  void SetEnricher(THitEnricherRef enricher);
  // The serial of the enricher last set; 0 for none.
  uint64_t EnricherSerial() const;
  // Runs on the thread when it starts and stops (the configuration changed).
  void SetOnRunningChanged(std::function<void()> handler) { m_onRunning = std::move(handler); }

  // Life.
  void Start();
  void Stop();
  bool Running() const { return m_running.load(std::memory_order_acquire); }
  // Main thread: when the thread failed, stops it and disables the input;
  // returns whether it did.
  bool CheckFailure();

  // One visit (the thread's step; tests call it directly).
  void Pass();
  void SkipToEnd();
  void ClearIssues();
  void Rescan();

  // The ring, for the engine.
  bool HasHits() const { return m_queue.HasHits(); }
  TVexaHit& Front() { return m_queue.Front(); }
  void Pop();
  bool TakeHit(THit* hit);
  // Asks the running thread for a pass now rather than at its next interval
  // (main thread). Refilling() holds until that pass has read.
  void RequestPass();
  // True from the moment the engine woke the thread to refill the ring
  // until the pass that serves the wake has read: hits are on their way.
  bool Refilling() const {
    return m_wakesAsked.load(std::memory_order_acquire) !=
           m_wakesServed.load(std::memory_order_acquire);
  }

  int64_t Backlog();
  bool IsBusy() { return Backlog() > 256; }
  int32_t FileCount();
  int64_t LastBacklog() const { return m_backlog.load(std::memory_order_acquire); }

  // The tree's lock; hold it to read the tree from another thread.
  std::mutex& TreeLock() { return m_treeLock; }
  TInputIssueState IssueState() const;
  // Marks the pending issue announced.
  void ClearPending();

  void Define(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;

 protected:
  void BeforeDestruction() override;
  ~TMonitorFolder() override;

 private:
  void ResetIssue();
  void RecordFailure(const std::exception& error);
  void RecordFailure(std::string message, uint8_t style);
  int64_t ReadContainer(TContainer& container, double boundary);
  int64_t ReadFile(TFile& file);
  void ReadRecords(TFile& file, TFormat& format);
  // Ignore set: skips the bad record at Index when data follows it.
  void SkipBadRecord(TFile& file, const std::exception& error);
  // Resets offsets of the file's issues that lie outside the file.
  static void CheckIssueOffsets(TFile& file);
  void ResolveLoader();
  // Resolve: a dotted Source or Destination becomes its host name.
  void ResolveAddresses(THit& hit);

  bool m_enabled = true;
  bool m_resolve = false;
  uint32_t m_timer = kDefaultTimer;
  TAdvRef<TFilters> m_filters;      // never null
  TAdvRef<TAddresses> m_addresses;  // never null; never persisted
  bool m_ignore = false;
  bool m_ignoreModifiedTime = false;
  TAdvRef<TFolder> m_folder;
  TAdvRef<TLoader> m_loader;
  std::string m_loaderName;
  bool m_loaderMissing = false;

  std::atomic<double> m_retentionBoundary{0};
  std::atomic<uint32_t> m_retrySeconds{60};
  THitHook m_hitHook;
  std::function<void()> m_onRunning;
  mutable std::mutex m_enricherLock;  // guards m_enricher
  THitEnricherRef m_enricher;

  TAdvRef<TAdvTimedThread> m_thread;
  TQueue m_queue;
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_busy{false};
  std::atomic<bool> m_failed{false};
  std::atomic<bool> m_ringFull{false};     // a pass ended for want of room
  uint32_t m_popsWhileFull = 0;            // the main thread's: hits taken since
  std::atomic<uint32_t> m_wakesAsked{0};   // refill wakes sent by the engine
  std::atomic<uint32_t> m_wakesServed{0};  // of those, the ones a pass has read for
  bool m_passEnded = false;                // the thread's: reading stops for this pass
  std::atomic<int64_t> m_backlog{0};
  mutable std::mutex m_treeLock;  // guards m_folder's tree and m_issue
  TInputIssueState m_issue;
};

// The text of an issue's record: bytes First..Last of the file, checked
// against the file's size and cut at kIssueTextLimit. Empty when the issue
// has no record or the file cannot be read.
std::string ReadIssueRecord(const std::string& fileName, const TInputIssue& issue);

class TMonitorFolders : public TAdvList {
  ADV_CLASS(TMonitorFolders)

  TMonitorFolders() = default;
  TMonitorFolder* Input(int index) const { return ItemAs<TMonitorFolder>(index); }
  TAdvClass ItemClass() const override { return &TMonitorFolder::ClassInfo; }

  void StartAll();
  void StopAll();
  void ResetIssues();
  // Takes over the reference and starts the input.
  void AddInput(TMonitorFolder* input);
  // Stops the input, then deletes it.
  void DeleteInput(int index);
  int32_t FileCount() const;
  int32_t EnabledCount() const;
  // The filters of every input.
  int32_t FilterCount() const;
  // By root folder path, ignoring ASCII case; null when none.
  TMonitorFolder* FindByPath(std::string_view path) const;

  // Binary state file. A failed load empties the list before the error
  // passes on.
  void LoadFromFile(const std::string& fileName) override;
  // Every entry read must be an input: a nil is the filer's error.
  void Load(TAdvFiler& filer) override;

 protected:
  ~TMonitorFolders() override;
};

void RegisterMonitorFolderClasses();
