#include "documents/AfsVolumes.h"

#include <algorithm>

#include "core/AdvPaths.h"

ADV_EXCEPTION_IMPL(EAfs, EAdvanced)
ADV_ABSTRACT_CLASS_IMPL(TAfsVolume, TAdvStringHashable)
ADV_CLASS_IMPL(TWindowsVolume, TAfsVolume)
ADV_CLASS_IMPL(TAfsStream, TAdvAccessStream)
ADV_CLASS_IMPL(TAfsFile, TAdvObject)

namespace {

// The system's text of a file error: the last bracketed part of the message
// TAdvFile raised, which holds the system's description.
std::string SystemText(const EAdvanced& error) {
  const std::string& text = error.BareMessage();
  const size_t close = text.rfind(']');
  const size_t open = close == std::string::npos ? std::string::npos : text.rfind('[', close);
  if (open == std::string::npos) return text;
  return text.substr(open + 1, close - open - 1);
}

}  // namespace

void TAfsVolume::SetRoot(std::string_view root) {
  std::string path(root);
  std::replace(path.begin(), path.end(), '\\', kPathDelimiter);
  SetName(path.empty() ? path : IncludeTrailingDelimiter(path));
}

std::string TAfsVolume::FullPath(std::string_view name) const {
  std::string path = Root() + std::string(name);
  std::replace(path.begin() + std::ptrdiff_t(Root().size()), path.end(), '\\', kPathDelimiter);
  return path;
}

// ---------------------------------------------------------------------------

void TWindowsVolume::OpenFolder() {
  if (FolderExists(Root())) return;
  if (Mode() == kModeRead) Error("Open", "Could not open volume.");
  if (!ForceFolders(Root())) Error("Open", "Could not create folder " + Root());
}

TAfsHandle TWindowsVolume::OpenFile(std::string_view name, int mode, int share) {
  const std::string path = FullPath(name);
  const int effective = std::clamp(std::min(mode, Mode()), int(kModeRead), int(kModeCreate));
  if (effective > kModeRead) {
    const std::string folder = FolderPart(path);
    if (!folder.empty()) ForceFolders(folder);
  }
  // Sharing as the file layer counts it: 1 others may read, 3 read and write.
  const int fileShare = share <= kShareNone ? 0 : (share == kShareRead ? 1 : 3);
  TAfsHandle handle = nullptr;
  try {
    if (effective == kModeCreate) {
      handle = new TAdvAtomicFile(path);
    } else {
      const int fileMode =
          effective == kModeRead ? platform::kFileModeRead : platform::kFileModeReadWrite;
      handle = new TAdvFile(path, TAdvFile::kNormalAttributes, fileShare, fileMode);
    }
  } catch (const EAdvanced&) {
  }
  if (!handle) Error("Open", "Failed to open file \"" + path + "\".");
  return handle;
}

void TWindowsVolume::CloseFile(TAfsHandle handle) {
  if (!handle) return;
  TAdvRef<TAdvFile> file(handle);
  if (auto* atomic = AdvCast<TAdvAtomicFile>(handle))
    atomic->Commit();
  else
    file->CloseFile();
}

void TWindowsVolume::DiscardFile(TAfsHandle handle) {
  if (!handle) return;
  TAdvRef<TAdvFile> file(handle);
  if (auto* atomic = AdvCast<TAdvAtomicFile>(handle))
    atomic->Abandon();
  else
    file->CloseFile();
}

void TWindowsVolume::Read(TAfsHandle handle, void* buffer, uint32_t count) {
  handle->Read(buffer, count);
}

void TWindowsVolume::Write(TAfsHandle handle, const void* buffer, uint32_t count) {
  handle->Write(buffer, count);
}

int64_t TWindowsVolume::FileSize(TAfsHandle handle) {
  try {
    return handle->GetSize();
  } catch (const EAdvanced&) {
    return 0;
  }
}

int64_t TWindowsVolume::GetPosition(TAfsHandle handle) {
  std::string failure;
  try {
    return handle->GetPosition();
  } catch (const EAdvanced& error) {
    failure = SystemText(error);
  }
  throw EAfs(this, "Unable to get the file position [" + failure + "]", "GetPosition");
}

void TWindowsVolume::SetPosition(TAfsHandle handle, int64_t position) {
  std::string failure;
  try {
    handle->SetPosition(position);
    return;
  } catch (const EAdvanced& error) {
    failure = SystemText(error);
  }
  Error("SetPosition", "Unable to set the file position [" + failure + "]");
}

bool TWindowsVolume::FileExists(std::string_view name) {
  return ::FileExists(FullPath(name));
}

void TWindowsVolume::DeleteFile(std::string_view name) {
  TAdvRef<TAdvFile> file = AdvNew<TAdvFile>(FullPath(name));
  file->DeleteFile();
}

// ---------------------------------------------------------------------------

TAfsVolume& TAfsStream::Volume(const char* operation) const {
  if (!m_volume || !m_handle) Error(operation, "AFS volume not assigned.");
  return *m_volume;
}

void TAfsStream::Read(void* buffer, uint32_t count) {
  Volume("Read").Read(m_handle, buffer, count);
}

void TAfsStream::Write(const void* buffer, uint32_t count) {
  Volume("Write").Write(m_handle, buffer, count);
}

int64_t TAfsStream::Readable() {
  TAfsVolume& volume = Volume("Readable");
  return std::max<int64_t>(0, volume.FileSize(m_handle) - volume.GetPosition(m_handle));
}

int64_t TAfsStream::GetPosition() {
  return Volume("GetPosition").GetPosition(m_handle);
}

void TAfsStream::SetPosition(int64_t position) {
  Volume("SetPosition").SetPosition(m_handle, position);
}

int64_t TAfsStream::GetSize() {
  return Volume("GetSize").FileSize(m_handle);
}

// ---------------------------------------------------------------------------

TAfsFile::~TAfsFile() {
  try {
    Discard();
  } catch (...) {
    // Destruction cannot report; an unfinished save is simply not kept.
  }
}

void TAfsFile::Open(int mode, int share) {
  if (!m_volume) Error("Open", "AFS volume not assigned.");
  Discard();
  m_handle = m_volume->OpenFile(m_name, mode, share);
  m_stream = AdvNew<TAfsStream>(m_volume, m_handle);
}

void TAfsFile::Close() {
  if (!m_handle) return;
  m_stream.Reset();
  // The handle is given back before the close may raise: it is gone either way.
  m_volume->CloseFile(std::exchange(m_handle, nullptr));
}

void TAfsFile::Discard() {
  if (!m_handle) return;
  m_stream.Reset();
  m_volume->DiscardFile(std::exchange(m_handle, nullptr));
}
