#include "monitor/MonitorFolders.h"

#include <algorithm>
#include <cstring>

#include "core/AdvAscii.h"
#include "core/AdvDates.h"
#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvFiles.h"
#include "core/AdvRequiredEntries.h"
#include "core/AdvThreads.h"
#include "monitor/HitEnrichers.h"
#include "platform/Files.h"

ADV_CLASS_IMPL(TMonitorFolder, TAdvPersistent)
ADV_CLASS_IMPL(TMonitorFolders, TAdvList)

// ---------------------------------------------------------------------------
// TQueue

TQueue::TQueue() {
  for (auto& hit : m_hits) hit = new TVexaHit();  // one owner: the ring
}

TQueue::~TQueue() {
  for (TVexaHit* hit : m_hits) TAdvObject::Release(hit);
}

void TQueue::Push() {
  m_full[m_write].store(1, std::memory_order_release);
  m_write = (m_write + 1) % kSlots;
}

void TQueue::Pop() {
  // Sequentially consistent: pairs with the producer's look in HasRoomNow.
  m_full[m_read].store(0, std::memory_order_seq_cst);
  m_read = (m_read + 1) % kSlots;
}

void TQueue::Clear() {
  m_read = m_write = 0;
  for (auto& flag : m_full) flag.store(0, std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------
// TMonitorFolder: configuration

TMonitorFolder::TMonitorFolder()
    : m_filters(AdvNew<TFilters>()),
      m_addresses(AdvNew<TAddresses>()),
      m_folder(AdvNew<TFolder>()) {
  m_folder->SetSearch(true);
}

TMonitorFolder::~TMonitorFolder() = default;

void TMonitorFolder::BeforeDestruction() {
  Stop();
}

void TMonitorFolder::SetFolder(TFolder* folder) {
  std::lock_guard lock(m_treeLock);
  m_folder.Reset(folder);
  if (m_folder) m_folder->SetSearch(true);
}

void TMonitorFolder::SetLoader(TLoader* loader) {
  m_loader.Reset(loader);
  m_loaderName = m_loader ? m_loader->ClassName() : std::string();
  m_loaderMissing = false;
}

void TMonitorFolder::SetEnabled(bool value) {
  if (value == m_enabled) return;
  m_enabled = value;
  if (!value && Running()) Stop();
  if (value && !Running()) Start();
}

void TMonitorFolder::ResolveLoader() {
  m_loader.Reset();
  m_loaderMissing = false;
  if (m_loaderName.empty()) return;
  TAdvClass cls = AdvFactory().Lookup(m_loaderName);
  if (cls) m_loader = AdvCreate<TLoader>(cls);
  if (!m_loader) {
    // Kept as configured: the name is saved back unchanged, and the input
    // does not run until a library supplies the class.
    m_loaderMissing = true;
    std::lock_guard lock(m_treeLock);
    m_issue.Title = m_folder ? m_folder->Name() : std::string();
    m_issue.Text = "Loader '" + m_loaderName + "' not found.";
    m_issue.Style = kIssueFormat;
    m_issue.Time = AdvNow();
    m_issue.Active = m_issue.Pending = true;
    m_issue.Cleared = false;
  }
}

void TMonitorFolder::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("Enabled").DefineBoolean(m_enabled);
  filer.Field("Resolve").DefineBoolean(m_resolve);
  int32_t timer = int32_t(m_timer);
  filer.Field("Timer").DefineInteger(timer);
  // Inputs stored before filters were kept with them go on to "Ignore" here.
  const TAdvFilerKind next = filer.IsReader() ? filer.Peek() : TAdvFilerKind::Object;
  if (next == TAdvFilerKind::Object || next == TAdvFilerKind::Nil)
    filer.Field("Filters").DefineObjectRef(m_filters);
  else
    m_filters->Clear();
  if (!m_filters) m_filters = AdvNew<TFilters>();
  filer.Field("Ignore").DefineBoolean(m_ignore);
  filer.Field("Folder").DefineObjectRef(m_folder);
  if (!m_folder) m_folder = AdvNew<TFolder>();
  filer.Field("Loader").DefineString(m_loaderName);
  if (filer.HasOptional(TAdvFilerKind::Boolean))
    filer.Field("IgnoreModifiedTime").DefineBoolean(m_ignoreModifiedTime);
  if (filer.IsReader()) {
    m_timer = timer > 0 ? uint32_t(timer) : kDefaultTimer;
    m_folder->SetSearch(true);
    ResolveLoader();
  }
}

void TMonitorFolder::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& other = static_cast<const TMonitorFolder&>(source);
  m_enabled = other.m_enabled;
  m_resolve = other.m_resolve;
  m_timer = other.m_timer;
  m_ignore = other.m_ignore;
  m_ignoreModifiedTime = other.m_ignoreModifiedTime;
  m_filters.Reset(static_cast<TFilters*>(other.m_filters->Clone()));
  m_folder.Reset(static_cast<TFolder*>(other.m_folder->Clone()));
  m_loader.Reset(other.m_loader ? static_cast<TLoader*>(other.m_loader->Clone()) : nullptr);
  m_loaderName = other.m_loaderName;
  m_loaderMissing = other.m_loaderMissing;
}

// ---------------------------------------------------------------------------
// Life

void TMonitorFolder::Start() {
  if (!m_enabled || Running()) return;
  if (m_loaderMissing) return;  // the issue naming the loader stays up
  if (!m_loader) Error("Open", "Loader not specified.");
  ResetIssue();
  m_failed.store(false);
  m_thread = AdvNew<TAdvTimedThread>(m_timer);
  m_thread->SetOnStep([this](TAdvTaskThread&) { Pass(); });
  m_thread->SetOnStart([this](TAdvTaskThread&) {
    m_running.store(true, std::memory_order_release);
    if (m_onRunning) m_onRunning();
  });
  m_thread->SetOnStop([this](TAdvTaskThread&) {
    if (m_onRunning) m_onRunning();
  });
  // Only records: the main thread stops the input (CheckFailure).
  m_thread->SetOnError([this](TAdvTaskThread&, const std::exception&) {
    m_failed.store(true, std::memory_order_release);
  });
  m_running.store(true, std::memory_order_release);
  m_thread->Open();
}

void TMonitorFolder::Stop() {
  if (m_thread) {
    m_thread->Close();
    m_thread.Reset();
  }
  m_running.store(false, std::memory_order_release);
}

bool TMonitorFolder::CheckFailure() {
  if (!m_failed.exchange(false, std::memory_order_acq_rel)) return false;
  Stop();
  m_enabled = false;
  return true;
}

// ---------------------------------------------------------------------------
// Issues

void TMonitorFolder::ResetIssue() {
  std::lock_guard lock(m_treeLock);
  m_issue = {};
  m_issue.Title = m_folder->Name();
}

TInputIssueState TMonitorFolder::IssueState() const {
  std::lock_guard lock(m_treeLock);
  return m_issue;
}

void TMonitorFolder::ClearPending() {
  std::lock_guard lock(m_treeLock);
  m_issue.Pending = false;
}

void TMonitorFolder::RecordFailure(const std::exception& error) {
  uint8_t style = kIssueGeneral;
  std::string message;
  ClassifyError(error, style, message);
  RecordFailure(std::move(message), style);
}

// The caller holds the tree lock (the pass does).
void TMonitorFolder::RecordFailure(std::string message, uint8_t style) {
  m_issue.Text = std::move(message);
  m_issue.Style = style;
  m_issue.Details.clear();
  m_issue.Time = AdvNow();
  m_issue.Active = m_issue.Pending = true;
  m_issue.Cleared = false;
}

void TMonitorFolder::ClearIssues() {
  ResetIssue();
  std::lock_guard lock(m_treeLock);
  std::function<void(TInput&)> clear = [&](TInput& input) {
    input.Issues().Clear();
    if (auto* container = AdvCast<TContainer>(&input))
      for (int i = 0; i < container->Inputs().Count(); ++i) clear(*container->Inputs().Input(i));
  };
  clear(*m_folder);
}

// ---------------------------------------------------------------------------
// The pass

namespace {

bool IsFormatError(const std::exception& error) {
  const auto* advanced = dynamic_cast<const EAdvanced*>(&error);
  return advanced && (advanced->IsClassByName("EFormat") || advanced->IsClassByName("ELoader") ||
                      advanced->IsClassByName("EConvertError"));
}

bool IsFileError(const std::exception& error) {
  const auto* advanced = dynamic_cast<const EAdvanced*>(&error);
  return advanced && advanced->IsClassByName("EAdvFile");
}

}  // namespace

void TMonitorFolder::Pass() {
  bool idle = false;
  if (!m_busy.compare_exchange_strong(idle, true, std::memory_order_acq_rel)) return;
  struct TBusy {
    std::atomic<bool>& Flag;
    ~TBusy() { Flag.store(false, std::memory_order_release); }
  } busy{m_busy};
  // Wakes asked for up to here are served once this pass has read.
  struct TServed {
    std::atomic<uint32_t>& Served;
    const uint32_t Asked;
    ~TServed() { Served.store(Asked, std::memory_order_release); }
  } served{m_wakesServed, m_wakesAsked.load(std::memory_order_acquire)};
  std::lock_guard lock(m_treeLock);
  TFolder& root = *m_folder;
  try {
    root.Issues().Clear();
    root.SetEnabled(true);
    root.SetSearch(true);
    root.List();
    double now = AdvNow();
    double lastRead = root.LastRead();
    if (!root.Enabled() && root.Issues().Count() > 0 &&
        (lastRead == 0 || (now - lastRead) * 86400.0 > double(m_retrySeconds.load())))
      throw EInput(this, root.Issues().Issue(0)->Message, "Process");
    if (root.Enabled()) {
      root.SetLastRead(now);
      m_passEnded = false;
      m_backlog.store(ReadContainer(root, m_retentionBoundary.load()), std::memory_order_release);
    }
  } catch (const std::exception& error) {
    if (m_ignore && IsFormatError(error)) return;
    RecordFailure(error);
    throw;
  }
}

// Files are visited from the last child to the first, which puts rotated
// files (app.log.2, app.log.1) before the file they were rotated from. Lines
// reach the ring in the order they were written only if a newer file is
// never read while an older one waits, so the first file that cannot be
// read as listed (renamed or truncated meanwhile, gone) or that meets a full
// ring ends the reading of the whole pass; the next pass lists again.
int64_t TMonitorFolder::ReadContainer(TContainer& container, double boundary) {
  int64_t backlog = 0;
  for (int i = container.Inputs().Count() - 1; i >= 0; --i) {
    if (m_thread && !m_thread->IsActive()) break;
    TInput* child = container.Inputs().Input(i);
    if (!child->Enabled()) continue;
    if (auto* file = AdvCast<TFile>(child)) {
      if (!m_ignoreModifiedTime && file->Modified() <= boundary) continue;
      if (m_passEnded) {
        backlog += std::max<int64_t>(file->Count() - file->Index(), 0);
        continue;
      }
      try {
        backlog += ReadFile(*file);
      } catch (const std::exception& error) {
        if (!IsFileError(error)) throw;
        if (!platform::FileExists(file->Name())) {
          m_passEnded = true;  // gone since the listing: the next one decides
          continue;
        }
        file->Issues().AddError(error);
        file->SetEnabled(false);
      }
    } else if (auto* folder = AdvCast<TContainer>(child)) {
      if (m_folder->Recurse()) backlog += ReadContainer(*folder, boundary);
    }
  }
  return backlog;
}

int64_t TMonitorFolder::ReadFile(TFile& file) {
  struct TCloser {
    TFile& File;
    ~TCloser() { File.CloseInput(); }
  } closer{file};
  file.OpenInput();
  if (file.ChangedSinceListing()) {
    m_passEnded = true;
    return 0;
  }
  if (file.HasUnread() && m_loader) {
    if (TFormat* format = m_loader->FormatFor(file)) {
      format->Begin();
      try {
        ReadRecords(file, *format);
      } catch (const std::exception& error) {
        format->End();
        CheckIssueOffsets(file);
        if (!m_ignore || !IsFormatError(error)) throw;
        SkipBadRecord(file, error);
        return file.Count() - file.Index();
      }
      format->End();
      CheckIssueOffsets(file);
    }
  }
  return file.Count() - file.Index();
}

void TMonitorFolder::SetEnricher(THitEnricherRef enricher) {
  std::lock_guard lock(m_enricherLock);
  m_enricher = std::move(enricher);
}

uint64_t TMonitorFolder::EnricherSerial() const {
  std::lock_guard lock(m_enricherLock);
  return m_enricher ? m_enricher->Serial() : 0;
}

void TMonitorFolder::ReadRecords(TFile& file, TFormat& format) {
  THit& scratch = *file.ScratchHit();
  THitEnricherRef enricher;
  {
    std::lock_guard lock(m_enricherLock);
    enricher = m_enricher;
  }
  while (format.HasMore()) {
    if (m_thread && !m_thread->IsActive()) return;
    if (!m_queue.HasRoom()) {
      // Tell the engine to wake the thread when it makes room, then look
      // again: a slot freed before the flag was seen would otherwise leave
      // the thread asleep for a whole interval. The flag's store and the
      // slot's load here, and the slot's store and the flag's load in Pop,
      // are all sequentially consistent: one side always sees the other.
      m_ringFull.store(true, std::memory_order_seq_cst);
      if (!m_queue.HasRoomNow()) {
        m_passEnded = true;
        return;
      }
    }
    int64_t before = file.Index();
    bool filled = format.Read(scratch);
    // A read that consumed nothing would spin: the rest waits for more data.
    if (file.Index() <= before) {
      if (file.Index() < before) file.SetIndex(before);
      return;
    }
    if (!filled) continue;
    if (m_resolve) ResolveAddresses(scratch);
    if (m_hitHook && !m_hitHook(*this, scratch)) continue;
    TVexaHit& slot = m_queue.WriteSlot();
    slot.Assign(scratch);
    if (enricher) {
      try {
        enricher->Enrich(slot);
        enricher->FormatActivityLine(slot);
      } catch (const std::exception&) {
        // Left unnamed, as read: the engine names it and reports the error.
        slot.Assign(scratch);
      }
    }
    m_queue.Push();
  }
}

void TMonitorFolder::ResolveAddresses(THit& hit) {
  // Copied out first: the record's text is replaced by the result.
  if (std::string source(hit.Source()); IsAddressText(source))
    hit.SetSource(m_addresses->ResolveText(source));
  if (std::string destination(hit.Destination()); IsAddressText(destination))
    hit.SetDestination(m_addresses->ResolveText(destination));
}

void TMonitorFolder::SkipBadRecord(TFile& file, const std::exception& error) {
  // The record ends at the first line end from Index; it is skipped only
  // when more data follows it, since a record still being written looks bad
  // until its line is complete.
  int64_t start = file.Index();
  char buffer[4096];
  int64_t at = start;
  int64_t lineEnd = -1;
  try {
    file.Stream().SetPosition(start);
    while (lineEnd < 0 && at < file.Count() && at - start < kIssueTextLimit) {
      uint32_t got = file.Peek(buffer, sizeof buffer);
      if (got == 0) break;
      if (const void* nl = std::memchr(buffer, '\n', got))
        lineEnd = at + (static_cast<const char*>(nl) - buffer);
      at += got;
      file.Stream().SetPosition(at);
    }
  } catch (const std::exception&) {
    return;
  }
  if (lineEnd < 0 && at - start >= kIssueTextLimit) lineEnd = start + kIssueTextLimit - 1;
  if (lineEnd < 0 || lineEnd + 1 >= file.Count()) return;
  uint8_t style = kIssueFormat;
  std::string message;
  ClassifyError(error, style, message);
  file.Issues().AddIssue(message, style, start, lineEnd);
  file.SetIndex(lineEnd + 1);
}

void TMonitorFolder::CheckIssueOffsets(TFile& file) {
  TInputIssues& issues = file.Issues();
  for (int i = 0; i < issues.Count(); ++i) {
    TInputIssue* issue = issues.Issue(i);
    bool valid = issue->First >= 0 && issue->Last >= issue->First && issue->Last < file.Count();
    if (!valid) issue->First = issue->Last = -1;
  }
}

std::string ReadIssueRecord(const std::string& fileName, const TInputIssue& issue) {
  if (issue.First < 0 || issue.Last < issue.First) return {};
  try {
    TAdvRef<TAdvFile> file = AdvNew<TAdvFile>();
    file->OpenFile(fileName, 0, 3);
    int64_t size = file->GetSize();
    if (issue.First >= size) return {};
    int64_t last = std::min(issue.Last, size - 1);
    int64_t length = std::min<int64_t>(last - issue.First + 1, TMonitorFolder::kIssueTextLimit);
    std::string text(size_t(length), '\0');
    file->SetPosition(issue.First);
    file->Read(text.data(), uint32_t(length));
    return text;
  } catch (const std::exception&) {
    return {};
  }
}

// ---------------------------------------------------------------------------
// Other operations

void TMonitorFolder::Pop() {
  m_queue.Pop();
  // The thread stopped reading for want of room: let it go on now rather
  // than after its whole interval, once half the ring is free (or all of
  // it). Waking it for every freed slot would start a pass, with its folder
  // listing, for every hit. See ReadRecords for the ordering.
  if (!m_ringFull.load(std::memory_order_seq_cst)) return;
  if (++m_popsWhileFull < TQueue::kSlots / 2 && m_queue.HasHits()) return;
  m_popsWhileFull = 0;
  if (m_ringFull.exchange(false, std::memory_order_relaxed)) RequestPass();
}

void TMonitorFolder::RequestPass() {
  if (!m_thread) return;
  m_wakesAsked.fetch_add(1, std::memory_order_acq_rel);
  m_thread->Wake();
}

bool TMonitorFolder::TakeHit(THit* hit) {
  if (!hit || !m_queue.HasHits()) return false;
  hit->Assign(m_queue.Front());
  Pop();
  return true;
}

void TMonitorFolder::SkipToEnd() {
  std::lock_guard lock(m_treeLock);
  m_folder->SetSearch(true);
  m_folder->List();
  m_folder->SkipToEnd();
}

void TMonitorFolder::Rescan() {
  std::lock_guard lock(m_treeLock);
  m_folder->SetSearch(true);
  m_folder->List();
}

namespace {

// Whether the loader reads the file. A loader that has to look inside the
// file to tell (format detection) cannot while the input's thread has not
// opened it yet: such a file counts as backlog until the thread has seen it.
bool Takes(TLoader& loader, TFile& file) {
  try {
    return loader.FormatFor(file) != nullptr;
  } catch (const std::exception&) {
    return true;
  }
}

}  // namespace

int64_t TMonitorFolder::Backlog() {
  std::lock_guard lock(m_treeLock);
  int64_t sum = 0;
  std::function<void(TContainer&)> visit = [&](TContainer& container) {
    for (int i = 0; i < container.Inputs().Count(); ++i) {
      TInput* child = container.Inputs().Input(i);
      if (auto* sub = AdvCast<TContainer>(child)) {
        visit(*sub);
      } else if (auto* file = AdvCast<TFile>(child);
                 file && file->HasUnread() && m_loader && Takes(*m_loader, *file)) {
        sum += file->Count() - file->Index();
      }
    }
  };
  visit(*m_folder);
  return sum;
}

int32_t TMonitorFolder::FileCount() {
  std::lock_guard lock(m_treeLock);
  return m_folder->FileCount();
}

// ---------------------------------------------------------------------------
// TMonitorFolders

TMonitorFolders::~TMonitorFolders() {
  StopAll();
}

void TMonitorFolders::StartAll() {
  for (int i = 0; i < Count(); ++i) Input(i)->Start();
}

void TMonitorFolders::StopAll() {
  for (int i = 0; i < Count(); ++i) Input(i)->Stop();
}

void TMonitorFolders::ResetIssues() {
  for (int i = 0; i < Count(); ++i) Input(i)->ClearIssues();
}

void TMonitorFolders::AddInput(TMonitorFolder* input) {
  Add(input);
  input->Start();
}

void TMonitorFolders::DeleteInput(int index) {
  Input(index)->Stop();
  DeleteByIndex(index);
}

int32_t TMonitorFolders::FileCount() const {
  int32_t sum = 0;
  for (int i = 0; i < Count(); ++i) sum += Input(i)->FileCount();
  return sum;
}

int32_t TMonitorFolders::EnabledCount() const {
  int32_t sum = 0;
  for (int i = 0; i < Count(); ++i) sum += Input(i)->Enabled() ? 1 : 0;
  return sum;
}

int32_t TMonitorFolders::FilterCount() const {
  int32_t sum = 0;
  for (int i = 0; i < Count(); ++i) sum += Input(i)->Filters().Count();
  return sum;
}

TMonitorFolder* TMonitorFolders::FindByPath(std::string_view path) const {
  for (int i = 0; i < Count(); ++i)
    if (SameTextAscii(Input(i)->Folder().Name(), path)) return Input(i);
  return nullptr;
}

void TMonitorFolders::LoadFromFile(const std::string& fileName) {
  try {
    TAdvList::LoadFromFile(fileName);
  } catch (...) {
    Clear();
    throw;
  }
}

void TMonitorFolders::Load(TAdvFiler& filer) {
  // Whatever fails, no nil is left for StopAll and the others to meet.
  try {
    TAdvList::Load(filer);
    AdvRequireEntries(filer, *this, "the inputs");
  } catch (...) {
    Clear();
    throw;
  }
}

void RegisterMonitorFolderClasses() {
  RegisterInputClasses();
  RegisterFilterClasses();
  RegisterDNSClasses();
  AdvFactory().RegisterAll({&TMonitorFolder::ClassInfo, &TMonitorFolders::ClassInfo,
                            &TLoader::ClassInfo, &TFormat::ClassInfo});
}
