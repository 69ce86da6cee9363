// The input tree: the folders and log files one input follows, with the read
// position of every file, and the issues met while listing and reading them.
//
// TInput is the base of every node; its Name is the full path (a folder's
// ends with the path delimiter). TFolder lists itself (Search on) and keeps
// its children ordered files first, then by name ignoring ASCII case. TFile
// is a log file: Index is the number of bytes consumed, Count the size when
// last opened or listed. A loader's format reads the open file through
// Stream(), advances Index past every record it consumes, and may add issues,
// hits and the used size.
//
// A file's identity (device and inode) and a fingerprint of its first bytes
// are kept with its position, so that a file renamed away keeps its position
// under its new name, a copy made before a truncation goes on from where the
// original was read to, and a file replaced or truncated under the same name
// is read again from its start (see TFolder and FolderListing.cpp). The
// states of files that left a folder's listing are stored with the folder,
// so a rename or a copy that shows up only after a restart is matched too.
//
// Thread safety: a tree belongs to one input. Its thread lists and reads it
// while holding the input's tree lock; any other thread reading counters or
// changing the tree takes the same lock (see TMonitorFolder::TreeLock).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvLists.h"
#include "core/AdvStreams.h"

ADV_EXCEPTION(EInput, EAdvanced)

// Kinds of issue.
enum : uint8_t {
  kIssueGeneral = 0,
  kIssueDateTime = 1,
  kIssueFormat = 2,
  kIssueInput = 3,
  kIssueNoInputs = 4,
};

class TInputIssue : public TAdvPersistent {
  ADV_CLASS(TInputIssue)

  TInputIssue() = default;
  TInputIssue(std::string message, uint8_t style, int64_t first = -1, int64_t last = -1)
      : Message(std::move(message)), Style(style), First(first), Last(last) {}

  std::string Message;
  uint8_t Style = kIssueGeneral;
  int64_t First = -1;  // byte offsets of the record; -1 when not tied to one
  int64_t Last = -1;

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;

 protected:
  ~TInputIssue() override = default;
};

// Issues sorted by message, ignoring ASCII case.
class TInputIssues : public TAdvList {
  ADV_CLASS(TInputIssues)

  TInputIssues();
  TInputIssue* Issue(int index) const { return ItemAs<TInputIssue>(index); }
  // Adds one issue.
  void AddIssue(std::string message, uint8_t style, int64_t first = -1, int64_t last = -1);
  // Adds `error` classified by its class names (see ClassifyError).
  void AddError(const std::exception& error);
  int CompareEntries(TAdvObject* a, TAdvObject* b) const override;
  TAdvClass ItemClass() const override { return &TInputIssue::ClassInfo; }

 protected:
  ~TInputIssues() override = default;
};

// The style and message an error is recorded with: 3 for input and file
// errors, 1 for date-time errors, 2 for loader, format and conversion errors,
// 0 otherwise; the bare message for the library's own errors. Classes are
// tested by name along the ancestors, so errors from a plug-in classify alike.
void ClassifyError(const std::exception& error, uint8_t& style, std::string& message);

class TContainer;

class TInput : public TAdvNamed {
  ADV_CLASS(TInput)
  ADV_RAISES(EInput)

  TInput() = default;
  explicit TInput(std::string name) : TAdvNamed(std::move(name)) {}

  TContainer* Parent() const { return m_parent; }
  void SetParent(TContainer* parent) { m_parent = parent; }
  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool value) { m_enabled = value; }
  double Checked() const { return m_checked; }
  void SetChecked(double value) { m_checked = value; }
  uint32_t Hits() const { return m_hits; }
  TInputIssues& Issues() { return *m_issues; }
  const TInputIssues& Issues() const { return *m_issues; }

  // Operations in slot order.
  virtual int64_t UsedSize() const { return 0; }
  virtual void SetUsedSize(int64_t value) {}
  // Takes enabled, checked time and issues (containers: children by name).
  virtual void Merge(const TInput& other);
  virtual void OpenInput() {}
  virtual void CloseInput() {}
  virtual void Rewind() {}
  virtual void SkipToEnd() {}
  // Refreshes the node from the file system; false when it failed (the
  // failure is then recorded as an issue and the node disabled).
  virtual bool List() { return true; }
  virtual int64_t ReadPosition() const { return 0; }
  virtual int64_t Size() const { return 0; }
  virtual double Progress() const;
  virtual double LastWriteTime() const { return 0; }
  virtual uint32_t HitCount() const { return m_hits; }
  virtual int32_t Depth() const;
  virtual int32_t FileCount() const { return 0; }
  virtual int32_t IssueCount() const { return m_issues->Count(); }
  virtual bool EffectivelyEnabled() const;
  virtual bool HasIssues() const { return m_issues->Count() > 0; }
  virtual std::string PathText() const { return Name(); }
  virtual std::string TypeName() const;
  virtual void AddHits(uint32_t count) { m_hits += count; }

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;

 protected:
  ~TInput() override = default;
  void ResetHits() { m_hits = 0; }

 private:
  TContainer* m_parent = nullptr;  // not owned; not persisted
  bool m_enabled = true;
  double m_checked = 0;
  uint32_t m_hits = 0;
  TAdvRef<TInputIssues> m_issues = AdvNew<TInputIssues>();
};

// Owning lists of tree nodes, by kind; loading or Validate refuses an entry
// of another kind. TContained is a container's own list of children.
class TInputs : public TAdvNamedList {
  ADV_CLASS(TInputs)

  TInputs() = default;
  TInput* Input(int index) const { return ItemAs<TInput>(index); }
  TAdvClass ItemClass() const override { return &TInput::ClassInfo; }

 protected:
  ~TInputs() override = default;
};

// Children of a container: files before folders, then by name.
class TContained : public TInputs {
  ADV_CLASS(TContained)

  TContained();
  int CompareEntries(TAdvObject* a, TAdvObject* b) const override;
  // The child with this path (ASCII case ignored), or null.
  TInput* Find(std::string_view path) const;

 protected:
  ~TContained() override = default;
};

class TContainer : public TInput {
  ADV_CLASS(TContainer)

  TContainer() = default;
  explicit TContainer(std::string name) : TInput(std::move(name)) {}

  TContained& Inputs() { return *m_inputs; }
  const TContained& Inputs() const { return *m_inputs; }
  bool Collapsed() const { return m_collapsed; }
  void SetCollapsed(bool value) { m_collapsed = value; }
  // Adds a child (taking the reference) and sets its parent.
  TInput* AddChild(TInput* child);
  // The child of `path`; raises "Expected a %s but found a %s" (operation
  // "Force") when one of another class stands there; made of `cls` otherwise.
  TInput* Force(std::string_view path, TAdvClass cls);

  void Merge(const TInput& other) override;
  void Rewind() override;
  void SkipToEnd() override;
  int64_t ReadPosition() const override;
  int64_t Size() const override;
  double Progress() const override;
  uint32_t HitCount() const override;
  int32_t FileCount() const override;
  int32_t IssueCount() const override;
  bool HasIssues() const override;
  int64_t UsedSize() const override;

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;
  void Load(TAdvFiler& filer) override;

 protected:
  ~TContainer() override = default;
  // Re-links the children's parent pointers after loading or copying.
  void AdoptChildren();

 private:
  TAdvRef<TContained> m_inputs = AdvNew<TContained>();
  bool m_collapsed = false;
};

// Marks where a file's content starts, to tell a replaced file from the one
// read before.
struct TFileFingerprint {
  static constexpr int32_t kBytes = 256;
  int32_t Length = 0;  // bytes hashed (up to kBytes)
  uint64_t Hash = 0;
};
// The hash a fingerprint keeps of `length` bytes.
uint64_t FingerprintHash(const char* bytes, int32_t length);

class TStreamInput : public TInput {
  ADV_CLASS(TStreamInput)

  TStreamInput() = default;
  explicit TStreamInput(std::string name) : TInput(std::move(name)) {}

  int64_t Index() const { return m_index; }
  // The read position; formats advance it past what they consumed.
  void SetIndex(int64_t value) { m_index = value; }
  int64_t Count() const { return m_count; }
  void SetCount(int64_t value) { m_count = value; }

  // The open stream; the base raises "Stream not assigned." (operation "Stream").
  virtual TAdvAccessStream& Stream();
  bool HasUnread() const { return m_index < m_count; }
  // Moves the stream to Index.
  void SeekToIndex() { Stream().SetPosition(m_index); }
  // Up to `count` bytes at the stream position, which does not move.
  uint32_t Peek(void* buffer, uint32_t count);

  int64_t UsedSize() const override { return m_used; }
  void SetUsedSize(int64_t value) override { m_used = value; }
  void Rewind() override;
  void SkipToEnd() override { m_index = m_count; }
  int64_t ReadPosition() const override { return m_index; }
  int64_t Size() const override { return m_count; }
  int32_t FileCount() const override { return 1; }

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;

 protected:
  ~TStreamInput() override = default;

 private:
  int64_t m_index = 0;
  int64_t m_count = 0;
  int64_t m_used = 0;
};

class TAdvFile;
class THit;

class TFile : public TStreamInput {
  ADV_CLASS(TFile)

  TFile() = default;
  explicit TFile(std::string path) : TStreamInput(std::move(path)) {}

  double Modified() const { return m_modified; }
  void SetModified(double value) { m_modified = value; }
  uint64_t Device() const { return m_device; }
  uint64_t Inode() const { return m_inode; }
  void SetIdentity(uint64_t device, uint64_t inode) {
    m_device = device;
    m_inode = inode;
  }
  const TFileFingerprint& Fingerprint() const { return m_fingerprint; }
  void SetFingerprint(const TFileFingerprint& value) { m_fingerprint = value; }
  // Takes the position and fingerprint of `other`: the same content seen
  // under another name (renamed, or copied before a truncation).
  void TakePosition(const TFile& other);
  // The file under this name is new content: read it from its start. Unlike
  // Rewind (the user's command) the hit count and issues stay.
  void StartOver();

  // Opens read-only, shared with the writer, and reads Modified and Count.
  // A file the folder listing has placed (see TFolder) is read only when it
  // is still the file and the content that listing saw: same identity, not
  // shrunk, first bytes matching the fingerprint. Otherwise it is left for
  // this pass (ChangedSinceListing) and marked for the next listing to look
  // at, which decides where its old content went. Bytes added since that
  // listing are read only once the fingerprint is whole (kBytes): a shorter
  // one cannot tell them from new content written after a copy and a
  // truncation. A file that was never listed starts again from 0 when it
  // shrank below Index or its first bytes changed. The fingerprint grows
  // over the first bytes as data is counted.
  void OpenInput() override;
  void CloseInput() override;
  bool IsOpen() const { return m_file != nullptr; }
  TAdvAccessStream& Stream() override;
  // The scratch hit, present while the file is open.
  THit* ScratchHit() const { return m_scratch; }
  // Set by the listing: the size it saw (-1 before the first listing).
  int64_t ListedSize() const { return m_listedSize; }
  void SetListedSize(int64_t size) { m_listedSize = size; }
  bool ChangedSinceListing() const { return m_changedSinceListing; }
  // An open found the file not as listed; the next listing checks its
  // content even when its size and time look unchanged.
  bool Suspect() const { return m_suspect; }
  void SetSuspect(bool value) { m_suspect = value; }
  // Open and close: false (issue recorded, disabled) when that fails.
  bool List() override;
  double LastWriteTime() const override { return m_modified; }
  void Rewind() override;

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;

 protected:
  ~TFile() override;

 private:
  // Hash of the first `length` bytes of the open file; false when short.
  bool HashStart(int32_t length, uint64_t& hash);

  double m_modified = 0;
  uint64_t m_device = 0;  // identity when last listed or opened; 0 when never
  uint64_t m_inode = 0;
  TFileFingerprint m_fingerprint;
  int64_t m_listedSize = -1;  // not persisted
  bool m_changedSinceListing = false;
  bool m_suspect = false;      // not persisted
  TAdvFile* m_file = nullptr;  // owned; open only during a read
  THit* m_scratch = nullptr;   // owned; present only during a read
};

class TFolder : public TContainer {
  ADV_CLASS(TFolder)

  TFolder() = default;
  // `path` gets a trailing delimiter when it lacks one.
  explicit TFolder(std::string path);

  bool Search() const { return m_search; }
  void SetSearch(bool value) { m_search = value; }
  bool Recurse() const { return m_recurse; }
  void SetRecurse(bool value) { m_recurse = value; }
  const std::string& Mask() const { return m_mask; }
  void SetMask(const std::string& value) { m_mask = value; }
  double LastRead() const { return m_lastRead; }
  void SetLastRead(double value) { m_lastRead = value; }

  // Lists the folder (see FolderListing.cpp for the steps); failures become
  // issues and disable the folder.
  bool List() override;
  double LastWriteTime() const override { return m_modified; }

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;

 protected:
  ~TFolder() override = default;

 private:
  // The state of a file that left this folder's listing, or whose content
  // was replaced under its name, kept for a while so that the same content
  // found again (renamed back, or a copy made before a truncation) goes on
  // from where it was read to. A state of replaced content has no identity.
  // Only states something was read of are kept (Index > 0), for at most
  // kDepartedListings listings; they are stored with the folder, with their
  // age, so the limit counts listings across restarts.
  struct TDeparted {
    TAdvRef<TFile> State;  // owned, shared with no tree
    int32_t Age = 0;       // listings since it departed
  };
  static constexpr int32_t kDepartedListings = 64;

  void ListEntries();
  void DefineDeparted(TAdvFiler& filer);
  static void DefineDepartedState(TAdvFiler& filer, TDeparted& departed);

  bool m_search = false;
  bool m_recurse = true;
  std::string m_mask = "*";
  double m_modified = 0;  // not persisted
  double m_lastRead = 0;  // last successful read pass; root only; not persisted
  std::vector<TDeparted> m_departed;
};

class TContainers : public TInputs {
  ADV_CLASS(TContainers)

  TContainers() = default;
  TContainer* Container(int index) const { return ItemAs<TContainer>(index); }
  TAdvClass ItemClass() const override { return &TContainer::ClassInfo; }

 protected:
  ~TContainers() override = default;
};

class TFolders : public TContainers {
  ADV_CLASS(TFolders)

  TFolders() = default;
  TFolder* Folder(int index) const { return ItemAs<TFolder>(index); }
  TAdvClass ItemClass() const override { return &TFolder::ClassInfo; }

 protected:
  ~TFolders() override = default;
};

class TStreamInputs : public TInputs {
  ADV_CLASS(TStreamInputs)

  TStreamInputs() = default;
  TStreamInput* Stream(int index) const { return ItemAs<TStreamInput>(index); }
  TAdvClass ItemClass() const override { return &TStreamInput::ClassInfo; }

 protected:
  ~TStreamInputs() override = default;
};

class TFiles : public TStreamInputs {
  ADV_CLASS(TFiles)

  TFiles() = default;
  TFile* File(int index) const { return ItemAs<TFile>(index); }
  TAdvClass ItemClass() const override { return &TFile::ClassInfo; }

 protected:
  ~TFiles() override = default;
};

// Registers the tree's persistable classes with the factory.
void RegisterInputClasses();
