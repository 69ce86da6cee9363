// The hit store: hits kept on disk under sequential indices.
//
// TIndicies is a paged store of records of one class in a TCompressFile.
// Record i lives in page i div 256 at slot i mod 256; every page begins at a
// block boundary of the file, and the index (Capacity and the page offsets,
// persisted as "Capacity" and "Pages") tells where. Records are written with
// the untagged binary filer, so their Define is the format. THitIndicies is
// the store of TVexaHit records the engine keeps alerts' hits in.
//
// Batches: BeginBatch starts a new page for the next record and EndBatch
// pads the current page with blank records to 256, so the hits of one batch
// share pages of their own and a page is never appended to later. Reading
// (Get, the walk) loads one page at a time into a pool of 256 records and
// keeps the last one. A read in the middle of a batch is safe: it flushes
// what the batch wrote, and the next Add writes at the end of the file again.
//
// Write-behind: inside a batch, records are serialised on the caller's
// thread and each full page goes to a writer thread of the store's own,
// which compresses it and writes it to the file while the caller goes on
// (a page's offset is known once it is written). Everything that reads or
// moves the file (Get, the walk, Clear, EndBatch, saving the index, closing)
// first waits for the writer (Sync), so outside a batch the file always
// holds every page the index lists. A write that fails starts the store
// afresh, as the limits below do.
//
// Limits: page offsets are 32-bit and indices too. Before a page would start
// past kMaxFileSize - kPageReserve or take indices past kMaxRecords, the store
// starts afresh (file emptied, index cleared) rather than wrap; so does
// OpenFile when the file does not hold the pages the index lists. Either way
// every index handed out before is void, and the store tells its owner
// through OnRestart (with a text fit to show the user): at once outside a
// batch, at EndBatch inside one, so the owner can drop what refers to the old
// hits at a point where nothing is using them.
//
// Thread safety: none; the engine uses the store on the main thread only
// (the writer thread touches nothing but the file, and only between Syncs).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/AdvBinaryFilers.h"
#include "core/AdvIntegers.h"
#include "core/AdvPersistents.h"
#include "core/AdvStreams.h"
#include "monitor/AdvPools.h"
#include "monitor/CompressFiles.h"

class TVexaHit;

class TIndicies : public TAdvPersistent {
  ADV_CLASS(TIndicies)

  static constexpr int32_t kPageSize = 256;
  static constexpr int64_t kMaxFileSize = INT32_MAX;
  static constexpr int64_t kMaxRecords = INT32_MAX;
  // Room one page may take in the file: 256 records of the largest size
  // (a hit with every text full is 2 090 bytes) and their block headers.
  static constexpr int64_t kPageReserve = 1 << 20;

  using TRestartHandler = std::function<void(const std::string& message)>;

  // A store of TAdvPersistent records; records of other classes are refused.
  explicit TIndicies(TAdvClass recordClass = &TAdvPersistent::ClassInfo);

  // Binds the store to its file (held, not owned) and its filers to the
  // file. The file is opened through OpenFile.
  void AttachFile(TCompressFile* file);
  TCompressFile* File() const { return m_file; }

  // Opens the attached file under `fileName`. With `indexLoaded` the file's
  // content is kept when it holds every page the index lists (else the store
  // starts afresh and says so through OnRestart); without it the file is
  // emptied and the index cleared. Returns true when the stored hits were
  // kept. Raises the file's error when the file cannot be opened.
  bool OpenFile(const std::string& fileName, bool indexLoaded);
  // Opens the store at start-up: `loadIndex` reads the index (the engine's
  // state file `indexFileName`), then the hit file is opened, keeping its
  // content only when the index was read and matches it. An index file that
  // exists but fails to load is kept aside as "<name>.bad" and the store
  // starts afresh, saying so through OnRestart; a missing index file starts
  // an empty store without a message. Returns true when the stored hits were
  // kept; false means the owner must drop what refers to stored hits.
  bool Open(const std::string& indexFileName, const std::string& hitFileName,
            const std::function<void()>& loadIndex);
  // Flushes and closes the file.
  void CloseFile();

  // Empties the file and the index.
  void Clear();
  // The next record starts a new page at the end of the file.
  void BeginBatch();
  // Stores a record; returns its index.
  int32_t Add(TAdvPersistent* record);
  // Pads the current page to 256 records, waits for the writer and seeks to
  // the end of the file.
  void EndBatch();
  // Writes what has been stored so far and waits until the file holds it.
  void Sync();
  // The record with this index. It belongs to the store and stays valid until
  // another page is loaded or the next Get; an index outside 0..Capacity-1
  // gives a blank record. Raises EAdvStream when the page's data is damaged.
  TAdvPersistent* Get(int32_t index);

  // Walks every record page by page.
  void First();
  void Next();
  bool AtEnd() const { return m_walkSlot >= kPageSize; }
  TAdvPersistent* Current();

  int32_t Capacity() const { return m_capacity; }
  int32_t PageCount() const { return m_pages->Count() + m_pendingPages; }
  // Syncs first: a page the writer has not reached yet has no offset.
  int32_t PageOffset(int32_t page);
  TAdvClass RecordClass() const { return m_recordClass; }

  // Called when the store starts afresh; see the file comment.
  void SetOnRestart(TRestartHandler handler) { m_onRestart = std::move(handler); }
  // Lower limits, for tests that reach them without writing gigabytes.
  void SetLimits(int64_t maxRecords, int64_t maxFileSize);

  // "Capacity" and "Pages". Reading checks that the two agree and that the
  // offsets ascend, and raises for a damaged index; it also forgets the
  // loaded page and starts a new page for the next record.
  void Define(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;

 protected:
  ~TIndicies() override;

 private:
  void Check(std::string_view operation) const;
  void LoadPage(int32_t page);
  void Restart(const std::string& message);
  void Announce();
  void SeekToEnd();
  void ForgetPage() { m_loadedPage = -1; }
  TAdvPersistent* Blank();
  void StartPage();
  // Hands the staged bytes to the writer (inside a batch) or writes them.
  void SubmitStaged();
  bool Pending() const { return m_submitted > 0 || StagedBytes() > 0; }
  size_t StagedBytes() const;

  class TPageWriter;

  TAdvClass m_recordClass;
  int32_t m_capacity = 0;
  TAdvRef<TAdvIntegers> m_pages;
  TAdvRef<TAdvPool> m_pool;
  TAdvRef<TAdvPersistent> m_blank;  // handed out for indices that hold no record
  int32_t m_loadedPage = -1;
  int32_t m_fill = kPageSize;       // records in the current page; kPageSize = none open
  TCompressFile* m_file = nullptr;  // held, not owned
  TAdvRef<TAdvBinaryWriter> m_writer;
  TAdvRef<TAdvBinaryReader> m_reader;
  bool m_atEnd = false;  // the file's position is its end: writing may go on
  bool m_inBatch = false;
  std::string m_restartMessage;  // a restart not yet announced
  TRestartHandler m_onRestart;
  int64_t m_maxRecords = kMaxRecords;
  int64_t m_maxFileSize = kMaxFileSize;
  int32_t m_walkPage = 0;
  int32_t m_walkSlot = kPageSize;
  // Write-behind: the records of the current page not yet handed on, the
  // writer, and what it still owes.
  TAdvRef<TAdvCollectingStream> m_staging;
  std::unique_ptr<TPageWriter> m_pageWriter;
  bool m_stagedStartsPage = false;  // the staged bytes open a page of unknown offset
  int32_t m_submitted = 0;          // jobs handed to the writer since the last Sync
  int32_t m_pendingPages = 0;       // pages counted whose offsets the writer will tell
  int64_t m_boundEnd = 0;           // at least where the file will end once written
};

class THitIndicies : public TIndicies {
  ADV_CLASS(THitIndicies)

  THitIndicies();

  TVexaHit* GetHit(int32_t index);

 protected:
  ~THitIndicies() override = default;
};

// Registers the hit record, hit list and hit store classes with the class
// factory.
void RegisterHitClasses();
