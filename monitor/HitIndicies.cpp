#include "monitor/HitIndicies.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvFiles.h"
#include "monitor/HitLists.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TIndicies, TAdvPersistent)
ADV_CLASS_IMPL(THitIndicies, TIndicies)

// The store's writer thread. It takes jobs in order: a job that opens a page
// first notes the file's position (where the page starts), then its bytes
// go through the compressing file, which is flushed to a block boundary
// after every job, as the store's pages require. The thread holds its own
// reference to the file and touches nothing else; the store hands it jobs
// only between Syncs and touches the file only after one.
class TIndicies::TPageWriter {
 public:
  struct TJob {
    std::vector<uint8_t> Bytes;
    bool StartsPage = false;
  };
  struct TResult {
    std::vector<int64_t> Starts;  // of the jobs that opened pages, in order
    int64_t End = 0;              // the file's position after the last job
    std::string Failure;          // the first error, if a job failed
  };

  // Jobs queued at most: enough to keep the thread busy, little memory.
  static constexpr size_t kMaxQueued = 8;

  explicit TPageWriter(TCompressFile* file) : m_file(TAdvRef<TCompressFile>::Share(file)) {}

  ~TPageWriter() {
    {
      std::lock_guard lock(m_lock);
      m_stop = true;
    }
    m_work.notify_one();
    if (m_thread.joinable()) m_thread.join();
  }

  void Submit(TJob job) {
    std::unique_lock lock(m_lock);
    if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
    m_room.wait(lock, [&] { return m_jobs.size() < kMaxQueued; });
    m_jobs.push_back(std::move(job));
    ++m_queued;
    m_work.notify_one();
  }

  // Waits until every job submitted is written.
  TResult Drain() {
    std::unique_lock lock(m_lock);
    m_idle.wait(lock, [&] { return m_written == m_queued; });
    TResult result = std::move(m_result);
    m_result = TResult{};
    result.End = m_end;
    return result;
  }

  // The work of one job. The page's position and the flush to a block
  // boundary at its end are the thread's part (a flush is what the store's
  // pages need, and the next page's position would force it anyway).
  static int64_t Write(TCompressFile& file, const TJob& job, int64_t* start) {
    if (job.StartsPage) *start = file.GetPosition();
    if (!job.Bytes.empty()) file.Write(job.Bytes.data(), uint32_t(job.Bytes.size()));
    return file.GetPosition();
  }

 private:
  void Run() {
    std::unique_lock lock(m_lock);
    for (;;) {
      m_work.wait(lock, [&] { return m_stop || !m_jobs.empty(); });
      if (m_jobs.empty()) return;
      TJob job = std::move(m_jobs.front());
      m_jobs.pop_front();
      m_room.notify_one();
      const bool failedBefore = !m_result.Failure.empty();
      lock.unlock();
      int64_t start = -1;
      int64_t end = -1;
      std::string failure;
      // After a failure the rest of the batch is not written: the store
      // starts afresh at the next Sync.
      if (!failedBefore) {
        try {
          end = Write(*m_file, job, &start);
        } catch (const std::exception& e) {
          failure = e.what();
        } catch (...) {
          // Nothing leaves the thread's top function.
          failure = "unknown error";
        }
      }
      lock.lock();
      if (job.StartsPage) m_result.Starts.push_back(start);
      if (!failure.empty() && m_result.Failure.empty()) m_result.Failure = failure;
      if (end >= 0) m_end = end;
      if (++m_written == m_queued) m_idle.notify_all();
    }
  }

  TAdvRef<TCompressFile> m_file;
  std::mutex m_lock;
  std::condition_variable m_work;  // a job came, or stop
  std::condition_variable m_room;  // the queue has room
  std::condition_variable m_idle;  // every job is written
  std::deque<TJob> m_jobs;
  uint64_t m_queued = 0;
  uint64_t m_written = 0;
  TResult m_result;
  int64_t m_end = 0;
  bool m_stop = false;
  std::thread m_thread;  // started with the first job
};

TIndicies::TIndicies(TAdvClass recordClass)
    : m_recordClass(recordClass),
      m_pages(new TAdvIntegers()),
      m_pool(new TAdvPool(recordClass, kPageSize)),
      m_writer(new TAdvBinaryWriter()),
      m_reader(new TAdvBinaryReader()),
      m_staging(new TAdvCollectingStream()) {
  m_writer->SetStream(m_staging.Get());
}

TIndicies::~TIndicies() {
  // Staged bytes are left only by a batch that never ended. The writer
  // keeps the file alive and writes them with the rest of its queue before
  // its thread ends; without a writer the file may already be gone.
  if (m_pageWriter && StagedBytes() > 0) {
    try {
      TPageWriter::TJob job;
      job.Bytes.swap(m_staging->Bytes());
      job.StartsPage = m_stagedStartsPage;
      m_pageWriter->Submit(std::move(job));
    } catch (...) {
    }
  }
}

void TIndicies::AttachFile(TCompressFile* file) {
  if (m_file) Sync();
  m_pageWriter.reset();
  m_file = file;
  m_reader->SetStream(file);
  m_atEnd = false;
  ForgetPage();
}

size_t TIndicies::StagedBytes() const {
  return m_staging->Bytes().size();
}

void TIndicies::SubmitStaged() {
  std::vector<uint8_t>& staged = m_staging->Bytes();
  if (staged.empty() && !m_stagedStartsPage) return;
  TPageWriter::TJob job;
  job.Bytes.swap(staged);
  job.StartsPage = std::exchange(m_stagedStartsPage, false);
  // Upper bound of what the bytes take in the file: stored blocks are at
  // most their raw size, plus a header each.
  m_boundEnd += int64_t(job.Bytes.size()) +
                64 * (int64_t(job.Bytes.size()) / TCompressAdapter::kBlockSize + 2);
  if (m_inBatch) {
    if (!m_pageWriter) m_pageWriter = std::make_unique<TPageWriter>(m_file);
    const size_t last = job.Bytes.size();
    m_pageWriter->Submit(std::move(job));
    ++m_submitted;
    // The next page takes about as much: one allocation instead of a run of
    // growing copies.
    staged.reserve(last);
    return;
  }
  // Outside a batch the caller waits anyway: write here, straight through.
  // Nothing is queued then (every Add outside a batch ends with a Sync).
  if (job.StartsPage) {
    m_pages->Add(int32_t(m_file->GetPosition()));
    if (m_pendingPages > 0) --m_pendingPages;
  }
  if (!job.Bytes.empty()) m_file->Write(job.Bytes.data(), uint32_t(job.Bytes.size()));
  job.Bytes.clear();
  staged.swap(job.Bytes);
}

void TIndicies::Sync() {
  if (!m_file) return;
  SubmitStaged();
  if (m_submitted == 0) return;
  TPageWriter::TResult result = m_pageWriter->Drain();
  m_submitted = 0;
  m_pendingPages = 0;
  if (!result.Failure.empty()) {
    // Pages the writer lost leave indices that point at nothing: every index
    // handed out goes, as when the store reaches its limits.
    m_pages->Clear();
    m_capacity = 0;
    Restart("The hit store in \"" + m_file->FileName() + "\" could not be written (" +
            result.Failure + ") and was started afresh; alerts from before lose their hits.");
    if (!m_inBatch) Announce();
    return;
  }
  for (const int64_t start : result.Starts) m_pages->Add(int32_t(start));
  m_boundEnd = result.End;
}

int32_t TIndicies::PageOffset(int32_t page) {
  Sync();
  return m_pages->GetItem(page);
}

void TIndicies::Check(std::string_view operation) const {
  if (!m_file) Error(operation, "No file attached");
}

void TIndicies::SetLimits(int64_t maxRecords, int64_t maxFileSize) {
  m_maxRecords = maxRecords;
  m_maxFileSize = maxFileSize;
}

bool TIndicies::OpenFile(const std::string& fileName, bool indexLoaded) {
  Check("OpenFile");
  Sync();
  m_file->SetFileName(fileName);
  m_file->Open(indexLoaded ? TCompressFileMode::OpenOrCreate : TCompressFileMode::CreateNew);
  m_atEnd = false;
  ForgetPage();
  m_fill = kPageSize;
  if (!indexLoaded) {
    m_capacity = 0;
    m_pages->Clear();
    return false;
  }
  // The index may list pages the file no longer holds (a file replaced or cut
  // short while the index survived): their hits are gone, and so is the
  // meaning of every index handed out.
  const int64_t size = m_file->GetSize();
  const int32_t count = m_pages->Count();
  if (count > 0 && m_pages->GetItem(count - 1) >= size) {
    Restart("The stored hits in \"" + fileName +
            "\" did not match their index and were discarded; alerts from before lose their "
            "hits.");
    Announce();
    return false;
  }
  return true;
}

bool TIndicies::Open(const std::string& indexFileName, const std::string& hitFileName,
                     const std::function<void()>& loadIndex) {
  std::string problem;
  try {
    loadIndex();
  } catch (const EAdvanced& e) {
    problem = e.what();
  }
  if (problem.empty()) return OpenFile(hitFileName, true);
  // The hit file first: when another instance holds it, this one stops here
  // and leaves the index where it is.
  OpenFile(hitFileName, false);
  const std::string bad = AdvKeepFileAsBad(indexFileName);
  if (!bad.empty()) {
    m_restartMessage = "The hit index \"" + indexFileName + "\" could not be read (" + problem +
                       ") and was kept as \"" + bad +
                       "\"; the stored hits were discarded and alerts from before lose their hits.";
    Announce();
  }
  return false;
}

void TIndicies::CloseFile() {
  if (m_file) {
    try {
      Sync();
    } catch (...) {
      m_pageWriter.reset();
      m_file->Close();
      throw;
    }
    // The writer's thread ends with the file; the next batch starts another.
    m_pageWriter.reset();
    m_file->Close();
  }
  m_atEnd = false;
  ForgetPage();
}

void TIndicies::Clear() {
  Check("Clear");
  Sync();
  m_staging->Bytes().clear();
  m_stagedStartsPage = false;
  m_pages->Clear();
  m_capacity = 0;
  ForgetPage();
  m_fill = kPageSize;
  m_file->SetSize(0);
  m_file->SetPosition(0);
  m_atEnd = true;
  m_boundEnd = 0;
}

void TIndicies::SeekToEnd() {
  if (!m_atEnd) {
    Sync();
    m_file->SetPosition(m_file->GetSize());
    m_atEnd = true;
    m_boundEnd = m_file->GetPosition();
  }
}

void TIndicies::BeginBatch() {
  Check("BeginBatch");
  Sync();
  m_atEnd = false;
  SeekToEnd();
  ForgetPage();
  m_fill = kPageSize;
  m_inBatch = true;
}

void TIndicies::Restart(const std::string& message) {
  Clear();
  m_restartMessage = message;
}

void TIndicies::Announce() {
  if (m_restartMessage.empty()) return;
  const std::string message = std::move(m_restartMessage);
  m_restartMessage.clear();
  if (m_onRestart) m_onRestart(message);
}

int32_t TIndicies::Add(TAdvPersistent* record) {
  Check("Add");
  if (!record || !record->ClassType()->InheritsFrom(m_recordClass))
    Error("Add", std::string("Record is not a ") + m_recordClass->Name);
  // A read may have moved the file's position into stored pages; writing
  // always goes on at the end.
  SeekToEnd();
  if (m_fill >= kPageSize) StartPage();
  // The page being written is no longer what a loaded copy of it says.
  if (m_loadedPage == PageCount() - 1) ForgetPage();
  record->Define(*m_writer);
  const int32_t index = m_capacity;
  ++m_capacity;
  ++m_fill;
  if (m_fill >= kPageSize) SubmitStaged();
  if (!m_inBatch) {
    Sync();
    Announce();
  }
  return index;
}

void TIndicies::StartPage() {
  // While the writer has work, where the file ends is known only as a bound;
  // near the limit the exact end decides.
  if (Pending() && m_boundEnd > m_maxFileSize - kPageReserve) Sync();
  if (m_capacity > m_maxRecords - kPageSize ||
      (!Pending() && m_file->GetPosition() > m_maxFileSize - kPageReserve)) {
    Restart("The hit store in \"" + m_file->FileName() +
            "\" reached its limit of 2 GB or 2 147 483 647 hits and was started afresh; "
            "alerts from before lose their hits.");
  }
  if (Pending()) {
    // The writer tells where this page starts once it gets there.
    ++m_pendingPages;
    m_stagedStartsPage = true;
  } else {
    m_pages->Add(int32_t(m_file->GetPosition()));
  }
  m_fill = 0;
}

void TIndicies::EndBatch() {
  Check("EndBatch");
  if (m_fill < kPageSize) {
    TAdvRef<TAdvObject> blank(m_recordClass->Create());
    auto* record = static_cast<TAdvPersistent*>(blank.Get());
    while (m_fill < kPageSize) Add(record);
  }
  Sync();
  m_atEnd = false;
  SeekToEnd();
  ForgetPage();
  m_inBatch = false;
  Announce();
}

TAdvPersistent* TIndicies::Blank() {
  m_blank.Reset(static_cast<TAdvPersistent*>(m_recordClass->Create()));
  return m_blank.Get();
}

void TIndicies::LoadPage(int32_t page) {
  if (page == m_loadedPage) return;
  Check("Get");
  ForgetPage();
  Sync();
  if (page >= m_pages->Count()) Error("Get", "No page " + std::to_string(page) + " in the store");
  // The page being written holds only m_fill records so far; its other slots
  // are blank until the batch pads them.
  const bool open = m_fill < kPageSize && page == m_pages->Count() - 1;
  const int32_t stored = open ? m_fill : kPageSize;
  m_atEnd = false;
  m_file->SetPosition(m_pages->GetItem(page));
  TAdvRef<TAdvObject> blank;
  for (int32_t slot = 0; slot < kPageSize; ++slot) {
    auto* record = m_pool->GetAs<TAdvPersistent>(slot);
    if (slot < stored) {
      record->Define(*m_reader);
    } else {
      if (!blank) blank.Reset(m_recordClass->Create());
      record->Assign(*blank);
    }
  }
  m_loadedPage = page;
}

TAdvPersistent* TIndicies::Get(int32_t index) {
  // A failed write found here voids every index.
  if (Pending()) Sync();
  if (index < 0 || index >= m_capacity) return Blank();
  LoadPage(index / kPageSize);
  return m_pool->GetAs<TAdvPersistent>(index % kPageSize);
}

void TIndicies::First() {
  Sync();
  m_walkPage = 0;
  m_walkSlot = m_pages->Count() > 0 ? 0 : kPageSize;
  if (m_walkSlot == 0) LoadPage(0);
}

void TIndicies::Next() {
  if (AtEnd()) return;
  if (++m_walkSlot < kPageSize) return;
  if (m_walkPage + 1 < m_pages->Count()) {
    ++m_walkPage;
    m_walkSlot = 0;
    LoadPage(m_walkPage);
  }
}

TAdvPersistent* TIndicies::Current() {
  if (AtEnd()) return Blank();
  return Get(m_walkPage * kPageSize + m_walkSlot);
}

void TIndicies::Define(TAdvFiler& filer) {
  // The index written must list only pages the file holds.
  if (m_file) Sync();
  TAdvPersistent::Define(filer);
  filer.Field("Capacity").DefineInteger(m_capacity);
  filer.Field("Pages").DefineObjectRef(m_pages);
  if (!filer.IsReader()) return;
  ForgetPage();
  m_fill = kPageSize;
  m_atEnd = false;
  if (!m_pages) m_pages.Reset(new TAdvIntegers());
  const int32_t count = m_pages->Count();
  bool sound = m_capacity >= 0 && int64_t(m_capacity) == int64_t(count) * kPageSize;
  for (int32_t page = 0; sound && page < count; ++page) {
    const int32_t offset = m_pages->GetItem(page);
    sound = offset >= 0 && (page == 0 || offset > m_pages->GetItem(page - 1));
  }
  if (!sound) {
    m_capacity = 0;
    m_pages->Clear();
    Error("Define", "Damaged hit index: the page list does not match the capacity");
  }
}

void TIndicies::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  auto& other = const_cast<TIndicies&>(static_cast<const TIndicies&>(source));
  other.Sync();
  Sync();
  m_capacity = other.m_capacity;
  m_pages->Assign(*other.m_pages);
  ForgetPage();
  m_fill = kPageSize;
  m_atEnd = false;
}

// ---------------------------------------------------------------------------

THitIndicies::THitIndicies() : TIndicies(&TVexaHit::ClassInfo) {}

TVexaHit* THitIndicies::GetHit(int32_t index) {
  return static_cast<TVexaHit*>(Get(index));
}

void RegisterHitClasses() {
  AdvFactory().RegisterAll({&THit::ClassInfo, &TVexaHit::ClassInfo, &THits::ClassInfo,
                            &TVexaHits::ClassInfo, &TIndicies::ClassInfo,
                            &THitIndicies::ClassInfo});
}
