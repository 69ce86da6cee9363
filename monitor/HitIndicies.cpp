#include "monitor/HitIndicies.h"

#include <string>

#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvFiles.h"
#include "monitor/HitLists.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TIndicies, TAdvPersistent)
ADV_CLASS_IMPL(THitIndicies, TIndicies)

TIndicies::TIndicies(TAdvClass recordClass)
    : m_recordClass(recordClass),
      m_pages(new TAdvIntegers()),
      m_pool(new TAdvPool(recordClass, kPageSize)),
      m_writer(new TAdvBinaryWriter()),
      m_reader(new TAdvBinaryReader()) {}

TIndicies::~TIndicies() = default;

void TIndicies::AttachFile(TCompressFile* file) {
  m_file = file;
  m_writer->SetStream(file);
  m_reader->SetStream(file);
  m_atEnd = false;
  ForgetPage();
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
  m_capacity = 0;
  m_pages->Clear();
  const std::string bad = AdvKeepFileAsBad(indexFileName);
  OpenFile(hitFileName, false);
  if (!bad.empty()) {
    m_restartMessage = "The hit index \"" + indexFileName + "\" could not be read (" + problem +
                       ") and was kept as \"" + bad +
                       "\"; the stored hits were discarded and alerts from before lose their hits.";
    Announce();
  }
  return false;
}

void TIndicies::CloseFile() {
  if (m_file) m_file->Close();
  m_atEnd = false;
  ForgetPage();
}

void TIndicies::Clear() {
  Check("Clear");
  m_file->SetSize(0);
  m_file->SetPosition(0);
  m_atEnd = true;
  m_pages->Clear();
  m_capacity = 0;
  ForgetPage();
  m_fill = kPageSize;
}

void TIndicies::SeekToEnd() {
  if (!m_atEnd) {
    m_file->SetPosition(m_file->GetSize());
    m_atEnd = true;
  }
}

void TIndicies::BeginBatch() {
  Check("BeginBatch");
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
  if (m_fill >= kPageSize) {
    int64_t start = m_file->GetPosition();
    if (m_capacity > m_maxRecords - kPageSize || start > m_maxFileSize - kPageReserve) {
      Restart("The hit store in \"" + m_file->FileName() +
              "\" reached its limit of 2 GB or 2 147 483 647 hits and was started afresh; "
              "alerts from before lose their hits.");
      start = 0;
    }
    m_pages->Add(int32_t(start));
    m_fill = 0;
  }
  // The page being written is no longer what a loaded copy of it says.
  if (m_loadedPage == m_pages->Count() - 1) ForgetPage();
  record->Define(*m_writer);
  const int32_t index = m_capacity;
  ++m_capacity;
  ++m_fill;
  if (!m_inBatch) Announce();
  return index;
}

void TIndicies::EndBatch() {
  Check("EndBatch");
  if (m_fill < kPageSize) {
    TAdvRef<TAdvObject> blank(m_recordClass->Create());
    auto* record = static_cast<TAdvPersistent*>(blank.Get());
    while (m_fill < kPageSize) Add(record);
  }
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
  if (index < 0 || index >= m_capacity) return Blank();
  LoadPage(index / kPageSize);
  return m_pool->GetAs<TAdvPersistent>(index % kPageSize);
}

void TIndicies::First() {
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
  const auto& other = static_cast<const TIndicies&>(source);
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
