#include "core/AdvFiles.h"

#include <algorithm>
#include <cstdio>

#include "core/AdvCaches.h"
#include "core/AdvDates.h"

ADV_CLASS_IMPL(TAdvFile, TAdvAccessStream)
ADV_CLASS_IMPL(TAdvAtomicFile, TAdvFile)

using platform::kInvalidFileHandle;

TAdvFile::TAdvFile(const std::string& fileName, uint32_t attributes, int share, int mode)
    : m_fileName(fileName) {
  OpenFile(fileName, mode, share, attributes);
}

TAdvFile::~TAdvFile() {
  platform::FileClose(m_handle);
}

void TAdvFile::Error(std::string_view operation, std::string_view message) const {
  throw EAdvFile(this, message, operation, m_fileName);
}

void TAdvFile::SystemError(std::string_view operation, const std::string& text) const {
  TAdvFile::Error(operation, text + " [" + platform::TakeLastError().Text + "]");
}

void TAdvFile::OpenFile(const std::string& fileName, int mode, int share, uint32_t attributes) {
  CloseFile();
  m_fileName = fileName;
  // Attributes only matter where the system has them; 128 is a normal file.
  (void)attributes;
  if (!platform::FileOpen(fileName, mode, share, m_handle))
    SystemError("Open", "Unable to open file");
}

void TAdvFile::CloseFile() {
  platform::FileClose(m_handle);
  m_handle = kInvalidFileHandle;
}

void TAdvFile::SetFileName(const std::string& fileName) {
  CloseFile();
  m_fileName = fileName;
}

void TAdvFile::Read(void* buffer, uint32_t count) {
  if (count == 0) return;
  const int64_t got = platform::FileRead(m_handle, buffer, count);
  if (got < 0) SystemError("Read", "Unable to read the requested number of bytes");
  if (got == count) return;
  // The caller asked for an exact count: hand over nothing, and leave the
  // position where it was so a growing file can be read again later.
  if (got > 0) platform::FileSeek(m_handle, -got, platform::kSeekCurrent);
  platform::TakeLastError();
  if (got == 0) Error("Read", "Attempted to read past end of file");
  Error("Read", "Attempted to read past end of file (" + std::to_string(got) + " of " +
                    std::to_string(count) + " bytes available)");
}

void TAdvFile::Write(const void* buffer, uint32_t count) {
  if (count == 0) return;
  if (!platform::FileWrite(m_handle, buffer, count))
    SystemError("Write", "Unable to write the requested number of bytes");
}

int64_t TAdvFile::Readable() {
  return GetSize() - GetPosition();
}

int64_t TAdvFile::GetPosition() {
  const int64_t position = platform::FileSeek(m_handle, 0, platform::kSeekCurrent);
  if (position < 0) SystemError("GetPosition", "Unable to get the file position");
  return position;
}

void TAdvFile::SetPosition(int64_t position) {
  if (platform::FileSeek(m_handle, position, platform::kSeekBegin) >= 0) return;
  char text[64];
  std::snprintf(text, sizeof text, "Unable to set the file position %.8x/%.8x",
                unsigned(uint64_t(position) >> 32), unsigned(uint64_t(position) & 0xFFFFFFFFu));
  SystemError("SetPosition", text);
}

int64_t TAdvFile::GetSize() {
  const int64_t size = platform::FileSize(m_handle);
  if (size < 0) SystemError("GetSize", "Unable to get the size of the file");
  return size;
}

void TAdvFile::SetSize(int64_t size) {
  const int64_t position = GetPosition();
  if (!platform::FileTruncate(m_handle, size))
    SystemError("SetSize", "Unable to set the size of the file");
  SetPosition(std::min(position, size));
}

bool TAdvFile::Exists() {
  return platform::FileExists(m_fileName);
}

void TAdvFile::SeekToEnd() {
  SetPosition(GetSize());
}

void TAdvFile::DeleteFile() {
  CloseFile();
  if (!platform::FileDelete(m_fileName)) {
    if (!platform::FileExists(m_fileName)) {
      platform::TakeLastError();
      return;
    }
    SystemError("DeleteFile", "Unable to delete the file");
  }
}

void TAdvFile::FlushFile() {
  if (!platform::FileFlush(m_handle)) SystemError("FlushFile", "Unable to flush the file");
}

void TAdvFile::Skip(int64_t offset) {
  SetPosition(GetPosition() + offset);
}

void TAdvFile::Lock(int64_t offset, int64_t count) {
  if (!platform::FileLock(m_handle, offset, count))
    SystemError("Lock", "Unable to lock the specified region");
}

void TAdvFile::Unlock(int64_t offset, int64_t count) {
  if (!platform::FileUnlock(m_handle, offset, count))
    SystemError("Lock", "Unable to unlock the specified region");
}

double TAdvFile::ModifiedTime() {
  int64_t utcMilliseconds = 0;
  if (!platform::FileModifiedTime(m_handle, utcMilliseconds))
    SystemError("ModifiedTime", "Unable to get the modified time of the file");
  return LocalDateTimeFromUtc(utcMilliseconds);
}

platform::TFileIdentity TAdvFile::Identity() {
  platform::TFileIdentity identity;
  if (!platform::FileIdentity(m_handle, identity))
    SystemError("Identity", "Unable to get the identity of the file");
  return identity;
}

// ---------------------------------------------------------------------------

namespace {

std::string FolderOf(const std::string& fileName) {
  const size_t slash = fileName.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : fileName.substr(0, slash);
}

}  // namespace

TAdvAtomicFile::~TAdvAtomicFile() {
  try {
    Abandon();
  } catch (...) {
    // Destruction must not throw; a temporary file left behind is replaced
    // by the next save of the same file.
  }
}

void TAdvAtomicFile::Begin(const std::string& targetName) {
  Abandon();
  OpenFile(TemporaryNameFor(targetName), platform::kFileModeCreate, platform::kFileShareNone);
  m_targetName = targetName;
  // Keep the target's permissions; a failure here only loses that nicety.
  if (!platform::FileCopyPermissions(targetName, m_handle)) platform::TakeLastError();
}

void TAdvAtomicFile::Commit() {
  if (m_targetName.empty()) Error("Commit", "No save in progress");
  try {
    FlushFile();
  } catch (...) {
    Abandon();
    throw;
  }
  // Rename while the temporary file is still open and locked: no other saver
  // can have opened and emptied it between our flush and the rename.
  if (!platform::FileRename(m_fileName, m_targetName)) {
    const std::string reason = platform::TakeLastError().Text;
    const std::string target = m_targetName;
    Abandon();
    throw EAdvFile(this, "Unable to replace the file [" + reason + "]", "Commit", target);
  }
  // From here the temporary name is gone (another saver may already use it):
  // never delete by that name again.
  const std::string target = m_targetName;
  m_targetName.clear();
  CloseFile();
  m_fileName = target;
  if (!platform::FolderSync(FolderOf(target))) SystemError("Commit", "Unable to sync the folder");
}

void TAdvAtomicFile::Abandon() {
  if (m_targetName.empty()) return;
  m_targetName.clear();
  // Delete while the lock is held, then close.
  if (IsOpen() && !platform::FileDelete(m_fileName)) platform::TakeLastError();
  CloseFile();
}

void AdvSaveFileAtomically(const std::string& fileName,
                           const std::function<void(TAdvStream&)>& writer, uint32_t cacheCapacity) {
  TAdvRef<TAdvAtomicFile> file(new TAdvAtomicFile(fileName));
  try {
    TAdvRef<TAdvCacheAdapter> cache(new TAdvCacheAdapter(file.Get(), cacheCapacity));
    writer(*cache);
    cache->Flush();
    cache.Reset();
    file->Commit();
  } catch (...) {
    file->Abandon();
    throw;
  }
}

std::string AdvKeepFileAsBad(const std::string& fileName) {
  if (!platform::FileExists(fileName)) return {};
  const std::string badName = fileName + ".bad";
  if (platform::FileRename(fileName, badName)) return badName;
  platform::TakeLastError();
  return {};
}
