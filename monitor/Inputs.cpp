#include "monitor/Inputs.h"

#include <unordered_map>

#include "classify/AdvMasks.h"
#include "core/AdvAscii.h"
#include "core/AdvDates.h"
#include "core/AdvFactories.h"
#include "core/AdvFiles.h"
#include "core/AdvFilers.h"
#include "core/AdvFormats.h"
#include "monitor/Hits.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"

ADV_EXCEPTION_IMPL(EInput, EAdvanced)
ADV_CLASS_IMPL(TInputIssue, TAdvPersistent)
ADV_CLASS_IMPL(TInputIssues, TAdvList)
ADV_CLASS_IMPL(TInput, TAdvNamed)
ADV_CLASS_IMPL(TContained, TAdvNamedList)
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
      Error("Force", AdvFormat("Expected a %s but found a %s", {std::string(cls->Name), found->ClassName()}));
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

namespace {

constexpr uint64_t kFnvOffset = 1469598103934665603ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

uint64_t HashBytes(const char* bytes, int32_t length) {
  uint64_t hash = kFnvOffset;
  for (int32_t i = 0; i < length; ++i) hash = (hash ^ uint8_t(bytes[i])) * kFnvPrime;
  return hash;
}

// A file new to the tree that starts with the same bytes as one read before,
// and is at least as long as what was read of it, is a copy of it (a log
// rotated by copy and truncate): it continues from the same position.
const TFile* CopiedFrom(const std::string& path, int64_t size,
                        const std::unordered_map<uint64_t, std::vector<TAdvRef<TFile>>>& known) {
  char buffer[TFileFingerprint::kBytes];
  int32_t have = -1;
  for (const auto& [inode, files] : known)
    for (const auto& old : files) {
      const TFileFingerprint& print = old->Fingerprint();
      if (print.Length <= 0 || old->Index() <= 0 || size < old->Index()) continue;
      if (have < 0) {
        have = 0;
        try {
          TAdvRef<TAdvFile> file = AdvNew<TAdvFile>();
          file->OpenFile(path, 0, 3);
          have = int32_t(std::min<int64_t>(file->GetSize(), TFileFingerprint::kBytes));
          file->Read(buffer, uint32_t(have));
        } catch (const std::exception&) {
          return nullptr;
        }
      }
      if (print.Length <= have && HashBytes(buffer, print.Length) == print.Hash) return old.Get();
    }
  return nullptr;
}

}  // namespace

// One listing. Files keep their position by identity: a file renamed within
// the folder (log rotation) takes the position it had under its old name, and
// a name that now holds another file starts from 0. The old positions are
// taken from a snapshot so that two files swapping names cannot mix them up.
void TFolder::ListEntries() {
  std::vector<platform::TFolderEntry> entries;
  std::string error;
  SetChecked(AdvNow());
  if (!platform::ListFolder(Name(), entries, &error)) Error("Scan", error);
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>(m_mask);

  std::unordered_map<uint64_t, std::vector<TAdvRef<TFile>>> byInode;
  for (int i = 0; i < Inputs().Count(); ++i)
    if (auto* file = AdvCast<TFile>(Inputs().Input(i)); file && file->Inode() != 0)
      byInode[file->Inode()].push_back(TAdvRef<TFile>(static_cast<TFile*>(file->Clone())));
  for (const TAdvRef<TInput>& input : m_departed)
    byInode[static_cast<TFile*>(input.Get())->Inode()].push_back(
        TAdvRef<TFile>::Share(static_cast<TFile*>(input.Get())));

  std::vector<std::string> seenFiles;
  for (const platform::TFolderEntry& entry : entries) {
    std::string path = Name() + entry.Name;
    if (entry.IsFolder) {
      if (!m_recurse) continue;
      auto* folder = static_cast<TFolder*>(Force(path + platform::kPathDelimiter, ClassType()));
      if (folder->Inputs().Count() == 0 && folder->Checked() == 0) {
        folder->m_search = m_search;
        folder->m_recurse = m_recurse;
        folder->m_mask = m_mask;
      }
      folder->List();
      continue;
    }
    if (!entry.IsFile || !mask->Matches(entry.Name)) continue;
    platform::TFileStatus status;
    platform::TFileIdentity identity;
    if (!platform::QueryFile(path, status) || !platform::PathIdentity(path, identity)) continue;
    auto* file = static_cast<TFile*>(Force(path, &TFile::ClassInfo));
    if (file->Inode() != identity.Inode || file->Device() != identity.Device) {
      // Another file stands under this name: the one read before under some
      // other name of this folder, or a new one.
      const TFile* previous = nullptr;
      if (auto found = byInode.find(identity.Inode); found != byInode.end())
        for (const auto& old : found->second)
          if (old->Device() == identity.Device) previous = old.Get();
      bool copied = false;
      if (!previous) copied = (previous = CopiedFrom(path, status.Size, byInode)) != nullptr;
      if (previous) {
        file->TakePosition(*previous);
        if (copied) SkipCopiedPart(*previous, status.Size);
      } else if (file->Inode() != 0) {
        file->Rewind();
      }
      file->SetIdentity(identity.Device, identity.Inode);
    }
    file->SetCount(status.Size);
    file->SetModified(LocalDateTimeFromUtc(status.LastWriteUtcMs));
    file->SetEnabled(true);
    seenFiles.push_back(path);
  }
  Prune(*mask, seenFiles);
}

// Removes files that are gone or no longer match, and sub-folders that are
// gone (or all of them without Recurse). A file the listing did not return
// is removed only when its path is really gone: a listing that runs while
// files are renamed may miss an entry. Removed files are remembered until
// the next listing, so a file that reappears under another name keeps its
// position.
// A copy of a file that is still here (copy and truncate, before the
// truncation) carries what the original held: that part of the original is
// read through the copy, so the original must not deliver it again.
void TFolder::SkipCopiedPart(const TFile& original, int64_t copySize) {
  auto* live = AdvCast<TFile>(Inputs().Find(original.Name()));
  if (live && live->Inode() == original.Inode() && live->Device() == original.Device() &&
      live->Index() < copySize)
    live->SetIndex(copySize);
}

void TFolder::Prune(const TAdvMask& mask, const std::vector<std::string>& seenFiles) {
  std::vector<TAdvRef<TInput>> departed;
  for (int i = Inputs().Count() - 1; i >= 0; --i) {
    TInput* child = Inputs().Input(i);
    platform::TFileStatus status;
    if (auto* folder = AdvCast<TFolder>(child)) {
      std::string bare = folder->Name();
      bare.pop_back();
      if (m_recurse && platform::QueryFile(bare, status) && status.IsFolder) continue;
      Inputs().DeleteByIndex(i);
      continue;
    }
    bool seen = false;
    for (const std::string& path : seenFiles)
      if (path == child->Name()) seen = true;
    if (seen) continue;
    std::string name = child->Name().substr(Name().size());
    if (mask.Matches(name) && platform::QueryFile(child->Name(), status) && !status.IsFolder)
      continue;
    if (auto* file = AdvCast<TFile>(child); file && file->Inode() != 0)
      departed.push_back(TAdvRef<TInput>(static_cast<TInput*>(file->Clone())));
    Inputs().DeleteByIndex(i);
  }
  m_departed = std::move(departed);
}

void TFolder::Assign(const TAdvObject& source) {
  TContainer::Assign(source);
  const auto& other = static_cast<const TFolder&>(source);
  m_search = other.m_search;
  m_recurse = other.m_recurse;
  m_mask = other.m_mask;
}

void TFolder::Define(TAdvFiler& filer) {
  TContainer::Define(filer);
  filer.Field("Search").DefineBoolean(m_search);
  filer.Field("Recurse").DefineBoolean(m_recurse);
  filer.Field("Mask").DefineString(m_mask);
}

// ---------------------------------------------------------------------------
// TStreamInput

TAdvAccessStream& TStreamInput::Stream() { throw EInput(this, "Stream not assigned.", "Stream"); }

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

void TStreamInput::Rewind() {
  m_index = 0;
  m_used = 0;
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

TFile::~TFile() { CloseInput(); }

void TFile::TakePosition(const TFile& other) {
  SetIndex(other.Index());
  SetUsedSize(other.UsedSize());
  m_fingerprint = other.m_fingerprint;
}

void TFile::Rewind() {
  TStreamInput::Rewind();
  m_fingerprint = {};
}

bool TFile::HashStart(int32_t length, uint64_t& hash) {
  if (m_file->GetSize() < length) return false;
  char buffer[TFileFingerprint::kBytes];
  m_file->SetPosition(0);
  m_file->Read(buffer, uint32_t(length));
  hash = HashBytes(buffer, length);
  return true;
}

void TFile::OpenInput() {
  CloseInput();
  TAdvRef<TAdvFile> file = AdvNew<TAdvFile>();
  file->OpenFile(Name(), 0, 3);
  m_file = file.Detach();
  m_modified = m_file->ModifiedTime();
  platform::TFileIdentity identity = m_file->Identity();
  SetCount(m_file->GetSize());
  bool replaced = (m_inode != 0 && (identity.Inode != m_inode || identity.Device != m_device));
  uint64_t hash = 0;
  if (!replaced && m_fingerprint.Length > 0 &&
      (!HashStart(m_fingerprint.Length, hash) || hash != m_fingerprint.Hash))
    replaced = true;  // truncated and rewritten, or a new file under this name
  if (replaced || Index() > Count()) Rewind();
  m_device = identity.Device;
  m_inode = identity.Inode;
  // Extend the fingerprint over what the file now holds.
  int32_t want = int32_t(std::min<int64_t>(Count(), TFileFingerprint::kBytes));
  if (want > m_fingerprint.Length && HashStart(want, hash)) m_fingerprint = {want, hash};
  m_file->SetPosition(Index());
  m_scratch = new TVexaHit();  // one owner: this file
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
    int64_t device = int64_t(m_device), inode = int64_t(m_inode), hash = int64_t(m_fingerprint.Hash);
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
                            &TStreamInput::ClassInfo, &TFile::ClassInfo});
}
