#include "monitor/Inputs.h"

#include <utility>

#include "core/AdvAscii.h"
#include "core/AdvDates.h"
#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvFiles.h"
#include "core/AdvFormats.h"
#include "core/AdvRequiredEntries.h"
#include "monitor/Hits.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"

ADV_EXCEPTION_IMPL(EInput, EAdvanced)
ADV_CLASS_IMPL(TInputIssue, TAdvPersistent)
ADV_CLASS_IMPL(TInputIssues, TAdvList)
ADV_CLASS_IMPL(TInput, TAdvNamed)
ADV_CLASS_IMPL(TInputs, TAdvNamedList)
ADV_CLASS_IMPL(TContained, TInputs)
ADV_CLASS_IMPL(TContainers, TInputs)
ADV_CLASS_IMPL(TFolders, TContainers)
ADV_CLASS_IMPL(TStreamInputs, TInputs)
ADV_CLASS_IMPL(TFiles, TStreamInputs)
ADV_CLASS_IMPL(TContainer, TInput)
ADV_CLASS_IMPL(TFolder, TContainer)
ADV_CLASS_IMPL(TStreamInput, TInput)
ADV_CLASS_IMPL(TFile, TStreamInput)

// ---------------------------------------------------------------------------
// Issues

void TInputIssue::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& other = static_cast<const TInputIssue&>(source);
  Message = other.Message;
  Style = other.Style;
  First = other.First;
  Last = other.Last;
}

void TInputIssue::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("Message").DefineString(Message);
  filer.Field("Style").DefineEnumerated(Style);
  filer.Field("First").DefineInteger64(First);
  filer.Field("Last").DefineInteger64(Last);
}

TInputIssues::TInputIssues() {
  SetDuplicates(TAdvDuplicates::Accept);
  SetSorted(true);
}

void TInputIssues::AddIssue(std::string message, uint8_t style, int64_t first, int64_t last) {
  Add(new TInputIssue(std::move(message), style, first, last));
}

void TInputIssues::AddError(const std::exception& error) {
  uint8_t style = kIssueGeneral;
  std::string message;
  ClassifyError(error, style, message);
  AddIssue(std::move(message), style);
}

int TInputIssues::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  return CompareTextAscii(static_cast<TInputIssue*>(a)->Message,
                          static_cast<TInputIssue*>(b)->Message);
}

void ClassifyError(const std::exception& error, uint8_t& style, std::string& message) {
  const auto* advanced = dynamic_cast<const EAdvanced*>(&error);
  if (!advanced) {
    style = kIssueGeneral;
    message = error.what();
    return;
  }
  message = advanced->BareMessage();
  if (advanced->IsClassByName("EInput") || advanced->IsClassByName("EAdvFile"))
    style = kIssueInput;
  else if (advanced->IsClassByName("EAdvDateTime"))
    style = kIssueDateTime;
  else if (advanced->IsClassByName("ELoader") || advanced->IsClassByName("EFormat") ||
           advanced->IsClassByName("EConvertError"))
    style = kIssueFormat;
  else
    style = kIssueGeneral;
}

// ---------------------------------------------------------------------------
// TInput

double TInput::Progress() const {
  int64_t size = Size();
  return size == 0 ? 0.0 : double(ReadPosition()) / double(size);
}

int32_t TInput::Depth() const {
  int32_t depth = 0;
  for (const TInput* at = m_parent; at; at = at->Parent()) ++depth;
  return depth;
}

bool TInput::EffectivelyEnabled() const {
  for (const TInput* at = this; at; at = at->Parent())
    if (!at->Enabled()) return false;
  return true;
}

std::string TInput::TypeName() const {
  std::string name = ClassName();
  return !name.empty() && name[0] == 'T' ? name.substr(1) : name;
}

void TInput::Merge(const TInput& other) {
  m_enabled = other.m_enabled;
  m_checked = other.m_checked;
  m_issues->Assign(*other.m_issues);
}

void TInput::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  const auto& other = static_cast<const TInput&>(source);
  m_enabled = other.m_enabled;
  m_checked = other.m_checked;
  m_hits = other.m_hits;
  m_issues->Assign(*other.m_issues);
}

void TInput::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Enabled").DefineBoolean(m_enabled);
  filer.Field("Checked").DefineReal(m_checked);
  filer.Field("Hits").DefineCardinal(m_hits);
  filer.Field("Issues").DefineObjectRef(m_issues);
  if (!m_issues) m_issues = AdvNew<TInputIssues>();
}

// ---------------------------------------------------------------------------
// TContained, TContainer

TContained::TContained() {
  SetDuplicates(TAdvDuplicates::Accept);
  SetSorted(true);
}

int TContained::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  bool aFile = AdvCast<TStreamInput>(a) != nullptr, bFile = AdvCast<TStreamInput>(b) != nullptr;
  if (aFile != bFile) return aFile ? -1 : 1;
  return CompareTextAscii(static_cast<TInput*>(a)->Name(), static_cast<TInput*>(b)->Name());
}

TInput* TContained::Find(std::string_view path) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (SameTextAscii(Input(i)->Name(), path)) return Input(i);
  return nullptr;
}

TInput* TContainer::AddChild(TInput* child) {
  child->SetParent(this);
  m_inputs->Add(child);
  return child;
}

TInput* TContainer::Force(std::string_view path, TAdvClass cls) {
  if (TInput* found = m_inputs->Find(path)) {
    if (!found->ClassType()->InheritsFrom(cls))
      Error("Force", AdvFormat("Expected a %s but found a %s",
                               {std::string(cls->Name), found->ClassName()}));
    return found;
  }
  TAdvRef<TInput> made = AdvCreate<TInput>(cls);
  if (!made) Error("Force", "Not an input class.");
  made->SetName(std::string(path));
  return AddChild(made.Detach());
}

void TContainer::AdoptChildren() {
  for (int i = 0; i < m_inputs->Count(); ++i) m_inputs->Input(i)->SetParent(this);
}

void TContainer::Merge(const TInput& other) {
  TInput::Merge(other);
  const auto* container = AdvCast<TContainer>(&other);
  if (!container) return;
  for (int i = 0; i < container->Inputs().Count(); ++i) {
    TInput* theirs = container->Inputs().Input(i);
    TInput* mine = m_inputs->Find(theirs->Name());
    if (mine)
      mine->Merge(*theirs);
    else
      AddChild(static_cast<TInput*>(theirs->Clone()));
  }
}

void TContainer::Rewind() {
  for (int i = 0; i < m_inputs->Count(); ++i) m_inputs->Input(i)->Rewind();
}
void TContainer::SkipToEnd() {
  for (int i = 0; i < m_inputs->Count(); ++i) m_inputs->Input(i)->SkipToEnd();
}
int64_t TContainer::ReadPosition() const {
  int64_t sum = 0;
  for (int i = 0; i < m_inputs->Count(); ++i) sum += m_inputs->Input(i)->ReadPosition();
  return sum;
}
int64_t TContainer::Size() const {
  int64_t sum = 0;
  for (int i = 0; i < m_inputs->Count(); ++i)
    if (int64_t size = m_inputs->Input(i)->Size(); size > 0) sum += size;
  return sum;
}
double TContainer::Progress() const {
  int64_t size = Size();
  return size == 0 ? 0.0 : double(ReadPosition()) / double(size);
}
uint32_t TContainer::HitCount() const {
  uint32_t sum = TInput::HitCount();
  for (int i = 0; i < m_inputs->Count(); ++i) sum += m_inputs->Input(i)->HitCount();
  return sum;
}
int32_t TContainer::FileCount() const {
  int32_t sum = 0;
  for (int i = 0; i < m_inputs->Count(); ++i) sum += m_inputs->Input(i)->FileCount();
  return sum;
}
int32_t TContainer::IssueCount() const {
  int32_t sum = TInput::IssueCount();
  for (int i = 0; i < m_inputs->Count(); ++i) sum += m_inputs->Input(i)->IssueCount();
  return sum;
}
bool TContainer::HasIssues() const {
  if (TInput::HasIssues()) return true;
  for (int i = 0; i < m_inputs->Count(); ++i)
    if (m_inputs->Input(i)->HasIssues()) return true;
  return false;
}
int64_t TContainer::UsedSize() const {
  int64_t sum = 0;
  for (int i = 0; i < m_inputs->Count(); ++i) sum += m_inputs->Input(i)->UsedSize();
  return sum;
}

void TContainer::Assign(const TAdvObject& source) {
  TInput::Assign(source);
  const auto& other = static_cast<const TContainer&>(source);
  m_inputs->Assign(*other.m_inputs);
  m_collapsed = other.m_collapsed;
  AdoptChildren();
}

void TContainer::Define(TAdvFiler& filer) {
  TInput::Define(filer);
  filer.Field("Inputs").DefineObjectRef(m_inputs);
  if (!m_inputs) m_inputs = AdvNew<TContained>();
  AdvRequireEntries(filer, *m_inputs, "Inputs");
  filer.Field("Collapsed").DefineBoolean(m_collapsed);
}

void TContainer::Load(TAdvFiler& filer) {
  TInput::Load(filer);
  AdoptChildren();
}

// ---------------------------------------------------------------------------
// TFolder

TFolder::TFolder(std::string path) : TContainer(std::move(path)) {
  if (Name().empty() || Name().back() != platform::kPathDelimiter)
    SetName(Name() + platform::kPathDelimiter);
}

bool TFolder::List() {
  std::string bare = Name();
  if (bare.size() > 1 && bare.back() == platform::kPathDelimiter) bare.pop_back();
  platform::TFileStatus status;
  if (platform::QueryFile(bare, status)) m_modified = LocalDateTimeFromUtc(status.LastWriteUtcMs);
  if (!m_search) return true;
  try {
    ListEntries();
    return true;
  } catch (const std::exception& error) {
    Issues().AddError(error);
    SetEnabled(false);
    return false;
  }
}

void TFolder::Assign(const TAdvObject& source) {
  TContainer::Assign(source);
  const auto& other = static_cast<const TFolder&>(source);
  m_search = other.m_search;
  m_recurse = other.m_recurse;
  m_mask = other.m_mask;
  // The copy lists on its own: its departed states are its own too.
  m_departed.clear();
  for (const TDeparted& departed : other.m_departed)
    m_departed.push_back(
        {TAdvRef<TFile>(static_cast<TFile*>(departed.State->Clone())), departed.Age});
}

void TFolder::Define(TAdvFiler& filer) {
  TContainer::Define(filer);
  filer.Field("Search").DefineBoolean(m_search);
  filer.Field("Recurse").DefineBoolean(m_recurse);
  filer.Field("Mask").DefineString(m_mask);
  DefineDeparted(filer);
}

// Added later, after the folder's own fields: the number of departed states,
// then each state. Written only when there are any, so a folder without them
// is stored exactly as before and an older build still reads it; a reader
// finds them by the kind of the value after Mask (the end marker without).
void TFolder::DefineDeparted(TAdvFiler& filer) {
  if (filer.IsReader()) m_departed.clear();
  if (filer.IsReader() ? filer.Peek() != TAdvFilerKind::Integer : m_departed.empty()) return;
  int32_t count = int32_t(m_departed.size());
  filer.Field("Departed").DefineInteger(count);
  if (!filer.IsReader()) {
    for (TDeparted& departed : m_departed) DefineDepartedState(filer, departed);
    return;
  }
  if (count < 0) filer.Error("Define", "Departed count " + std::to_string(count) + " is negative");
  // Read into a list of their own: a damaged state leaves none behind.
  std::vector<TDeparted> loaded;
  for (int32_t i = 0; i < count; ++i) {
    TDeparted departed{AdvNew<TFile>(), 0};
    DefineDepartedState(filer, departed);
    loaded.push_back(std::move(departed));
  }
  m_departed = std::move(loaded);
}

namespace {

void CheckDepartedValue(const TAdvFiler& filer, const char* name, int64_t value, int64_t low,
                        int64_t high) {
  if (value < low || value > high)
    filer.Error("Define", std::string("Departed state's ") + name + " " + std::to_string(value) +
                              " is out of bounds");
}

}  // namespace

// What the listing matches a departed state by (identity, fingerprint) and
// takes from it (position, size, used size), with its age. The name, hits
// and issues stay with the file that left.
void TFolder::DefineDepartedState(TAdvFiler& filer, TDeparted& departed) {
  TFile& state = *departed.State;
  int64_t device = int64_t(state.Device()), inode = int64_t(state.Inode());
  int64_t index = state.Index(), count = state.Count(), used = state.UsedSize();
  TFileFingerprint print = state.Fingerprint();
  int64_t hash = int64_t(print.Hash);
  filer.DefineBegin();
  filer.Field("Age").DefineInteger(departed.Age);
  filer.Field("Device").DefineInteger64(device);
  filer.Field("Inode").DefineInteger64(inode);
  filer.Field("Index").DefineInteger64(index);
  filer.Field("Count").DefineInteger64(count);
  filer.Field("Used").DefineInteger64(used);
  filer.Field("FingerprintLength").DefineInteger(print.Length);
  filer.Field("Fingerprint").DefineInteger64(hash);
  filer.DefineEnd();
  if (!filer.IsReader()) return;
  CheckDepartedValue(filer, "age", departed.Age, 0, kDepartedListings);
  CheckDepartedValue(filer, "index", index, 1, INT64_MAX);
  CheckDepartedValue(filer, "size", count, 0, INT64_MAX);
  CheckDepartedValue(filer, "used size", used, 0, INT64_MAX);
  CheckDepartedValue(filer, "fingerprint length", print.Length, 0, TFileFingerprint::kBytes);
  state.SetIdentity(uint64_t(device), uint64_t(inode));
  state.SetIndex(index);
  state.SetCount(count);
  state.SetUsedSize(used);
  print.Hash = uint64_t(hash);
  state.SetFingerprint(print);
}

// ---------------------------------------------------------------------------
// TStreamInput

TAdvAccessStream& TStreamInput::Stream() {
  throw EInput(this, "Stream not assigned.", "Stream");
}

uint32_t TStreamInput::Peek(void* buffer, uint32_t count) {
  TAdvAccessStream& stream = Stream();
  int64_t position = stream.GetPosition();
  int64_t available = stream.GetSize() - position;
  if (available <= 0) return 0;
  if (int64_t(count) > available) count = uint32_t(available);
  stream.Read(buffer, count);
  stream.SetPosition(position);
  return count;
}

// The user's command: everything is read again, as if never read.
void TStreamInput::Rewind() {
  m_index = 0;
  m_used = 0;
  ResetHits();
  Issues().Clear();
}

void TStreamInput::Assign(const TAdvObject& source) {
  TInput::Assign(source);
  const auto& other = static_cast<const TStreamInput&>(source);
  m_index = other.m_index;
  m_count = other.m_count;
  m_used = other.m_used;
}

void TStreamInput::Define(TAdvFiler& filer) {
  TInput::Define(filer);
  filer.Field("Index").DefineInteger64(m_index);
  filer.Field("Count").DefineInteger64(m_count);
  if (filer.HasOptional(TAdvFilerKind::Integer64)) filer.Field("Used").DefineInteger64(m_used);
}

// ---------------------------------------------------------------------------
// TFile

TFile::~TFile() {
  CloseInput();
}

void TFile::TakePosition(const TFile& other) {
  SetIndex(other.Index());
  SetUsedSize(other.UsedSize());
  m_fingerprint = other.m_fingerprint;
}

void TFile::StartOver() {
  SetIndex(0);
  SetUsedSize(0);
  m_fingerprint = {};
}

void TFile::Rewind() {
  TStreamInput::Rewind();
  m_fingerprint = {};
}

uint64_t FingerprintHash(const char* bytes, int32_t length) {
  // FNV-1a.
  uint64_t hash = 1469598103934665603ull;
  for (int32_t i = 0; i < length; ++i) hash = (hash ^ uint8_t(bytes[i])) * 1099511628211ull;
  return hash;
}

bool TFile::HashStart(int32_t length, uint64_t& hash) {
  if (m_file->GetSize() < length) return false;
  char buffer[TFileFingerprint::kBytes];
  m_file->SetPosition(0);
  m_file->Read(buffer, uint32_t(length));
  hash = FingerprintHash(buffer, length);
  return true;
}

void TFile::OpenInput() {
  CloseInput();
  TAdvRef<TAdvFile> file = AdvNew<TAdvFile>();
  file->OpenFile(Name(), 0, 3);
  m_file = file.Detach();
  m_scratch = new TVexaHit();  // one owner: this file
  m_modified = m_file->ModifiedTime();
  const platform::TFileIdentity identity = m_file->Identity();
  const int64_t size = m_file->GetSize();
  const bool otherFile = m_inode != 0 && (identity.Inode != m_inode || identity.Device != m_device);
  uint64_t hash = 0;
  const bool otherStart = m_fingerprint.Length > 0 &&
                          (!HashStart(m_fingerprint.Length, hash) || hash != m_fingerprint.Hash);
  const auto* folder = AdvCast<TFolder>(Parent());
  if (m_listedSize >= 0 || (folder && folder->Search())) {
    // In a listed folder: read only the file and content the listing saw
    // (none yet after a restart). Anything else waits for the next listing,
    // which can tell a rename or a copy from new content; deciding here
    // would lose the old position.
    m_changedSinceListing =
        m_listedSize < 0 || otherFile || otherStart || size < m_listedSize || Index() > size;
    if (m_changedSinceListing) {
      m_suspect = true;
      return;
    }
    // Bytes added since the listing are read now only when the fingerprint
    // is whole: a shorter one (the listing saw a short or empty file) cannot
    // tell bytes appended to that content from a file copied away,
    // truncated and written again since, whose copy the listing has not
    // seen yet and whose lines come first. Those bytes wait for the next
    // listing; the bytes the listing saw start as its head did.
    SetCount(m_fingerprint.Length < TFileFingerprint::kBytes ? std::max(m_listedSize, Index())
                                                             : size);
  } else {
    m_changedSinceListing = false;
    if (otherFile || otherStart || Index() > size) StartOver();
    SetCount(size);
  }
  m_device = identity.Device;
  m_inode = identity.Inode;
  // Extend the fingerprint over what is read of the file.
  const int32_t want = int32_t(std::min<int64_t>(Count(), TFileFingerprint::kBytes));
  if (want > m_fingerprint.Length && HashStart(want, hash)) m_fingerprint = {want, hash};
  m_file->SetPosition(Index());
}

void TFile::CloseInput() {
  TAdvObject::Release(std::exchange(m_scratch, nullptr));
  TAdvObject::Release(std::exchange(m_file, nullptr));
}

TAdvAccessStream& TFile::Stream() {
  if (!m_file) TStreamInput::Stream();
  return *m_file;
}

bool TFile::List() {
  try {
    OpenInput();
    CloseInput();
    return true;
  } catch (const std::exception& error) {
    CloseInput();
    Issues().AddError(error);
    SetEnabled(false);
    return false;
  }
}

void TFile::Assign(const TAdvObject& source) {
  TStreamInput::Assign(source);
  const auto& other = static_cast<const TFile&>(source);
  m_modified = other.m_modified;
  m_device = other.m_device;
  m_inode = other.m_inode;
  m_fingerprint = other.m_fingerprint;
}

void TFile::Define(TAdvFiler& filer) {
  TStreamInput::Define(filer);
  filer.Field("Modified").DefineReal(m_modified);
  // Added later: identity and fingerprint, optional when reading.
  if (filer.HasOptional(TAdvFilerKind::Integer64)) {
    int64_t device = int64_t(m_device), inode = int64_t(m_inode),
            hash = int64_t(m_fingerprint.Hash);
    filer.Field("Device").DefineInteger64(device);
    filer.Field("Inode").DefineInteger64(inode);
    filer.Field("FingerprintLength").DefineInteger(m_fingerprint.Length);
    filer.Field("Fingerprint").DefineInteger64(hash);
    m_device = uint64_t(device);
    m_inode = uint64_t(inode);
    m_fingerprint.Hash = uint64_t(hash);
    if (m_fingerprint.Length < 0 || m_fingerprint.Length > TFileFingerprint::kBytes)
      m_fingerprint = {};
  }
}

void RegisterInputClasses() {
  AdvFactory().RegisterAll({&TInputIssue::ClassInfo, &TInputIssues::ClassInfo, &TInput::ClassInfo,
                            &TContained::ClassInfo, &TContainer::ClassInfo, &TFolder::ClassInfo,
                            &TStreamInput::ClassInfo, &TFile::ClassInfo, &TInputs::ClassInfo,
                            &TContainers::ClassInfo, &TFolders::ClassInfo,
                            &TStreamInputs::ClassInfo, &TFiles::ClassInfo});
}
