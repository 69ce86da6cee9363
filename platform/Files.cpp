#include "platform/Files.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace platform {

static_assert(kSharingViolation == EWOULDBLOCK);

namespace {

thread_local int t_lastError = 0;

bool Fail(int code) {
  t_lastError = code;
  return false;
}

int64_t FailValue(int code) {
  t_lastError = code;
  return -1;
}

// The flock operation an open with this share value holds; 0 for none.
int SharingLock(int share) {
  switch (share) {
    case kFileShareNone:
      return LOCK_EX;
    case kFileShareRead:
    case kFileShareWrite:
      return LOCK_SH;
    default:
      return 0;
  }
}

// flock failures that mean "this filesystem has no flock", not a conflict.
bool LockUnsupported(int error) {
  return error == ENOLCK || error == EOPNOTSUPP || error == ENOTSUP || error == EINVAL ||
         error == EBADF;
}

// Takes the sharing lock of `share` on `fd`, never waiting. For share 3 only
// checks for an exclusive holder. Returns 0 or the error code.
int TakeSharingLock(int fd, int share) {
  const int held = SharingLock(share);
  const int probe = held ? held : LOCK_SH;
  while (flock(fd, probe | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return kSharingViolation;
    return LockUnsupported(errno) ? 0 : errno;
  }
  if (!held) flock(fd, LOCK_UN);
  return 0;
}

bool SameFile(int fd, const std::string& name) {
  struct stat byHandle {};
  struct stat byName {};
  if (fstat(fd, &byHandle) != 0 || stat(name.c_str(), &byName) != 0) return false;
  return byHandle.st_dev == byName.st_dev && byHandle.st_ino == byName.st_ino;
}

bool RangeLock(TFileHandle handle, int64_t offset, int64_t count, bool lock) {
  if (offset < 0 || count < 0) return Fail(EINVAL);
  if (count == 0) return true;
  int type = F_UNLCK;
  if (lock) {
    const int flags = fcntl(handle, F_GETFL);
    if (flags < 0) return Fail(errno);
    type = (flags & O_ACCMODE) == O_RDONLY ? F_RDLCK : F_WRLCK;
  }
  struct flock range {};
  range.l_type = static_cast<short>(type);
  range.l_whence = SEEK_SET;
  range.l_start = offset;
  range.l_len = count;
  range.l_pid = 0;  // required for open-file-description locks
  while (fcntl(handle, F_OFD_SETLK, &range) != 0) {
    if (errno == EINTR) continue;
    return Fail(errno == EAGAIN || errno == EACCES ? kSharingViolation : errno);
  }
  return true;
}

std::string ErrorText(int code) {
  if (code == kSharingViolation) return "The file is in use by another process";
  char buffer[512];
  const char* text = strerror_r(code, buffer, sizeof buffer);  // GNU: may return a static string
  std::string result = text ? text : "";
  const auto notSpace = [](unsigned char c) { return c > ' '; };
  result.erase(result.begin(), std::find_if(result.begin(), result.end(), notSpace));
  result.erase(std::find_if(result.rbegin(), result.rend(), notSpace).base(), result.end());
  if (result.size() > 512) result.resize(512);
  return result;
}

}  // namespace

TSystemError TakeLastError() {
  TSystemError error;
  error.Code = t_lastError;
  t_lastError = 0;
  if (error.Code == 0) return error;
  const std::string text = ErrorText(error.Code);
  error.Text = text.empty() ? std::to_string(error.Code) : std::to_string(error.Code) + ": " + text;
  return error;
}

bool FileOpen(const std::string& name, int mode, int share, TFileHandle& handle) {
  handle = kInvalidFileHandle;
  int flags = O_CLOEXEC;
  switch (mode) {
    case kFileModeRead:
      flags |= O_RDONLY;
      break;
    case kFileModeWrite:
      flags |= O_WRONLY | O_CREAT;
      break;
    case kFileModeReadWrite:
    case kFileModeCreate:
      flags |= O_RDWR | O_CREAT;  // mode 3 truncates once its lock is held
      break;
    case kFileModeCreateNew:
      flags |= O_RDWR | O_CREAT | O_EXCL;
      break;
    default:
      return Fail(EINVAL);
  }
  if (share < kFileShareNone || share > kFileShareReadWrite) return Fail(EINVAL);

  // A lock taken on a file that was renamed or deleted between open and lock
  // protects nothing (an atomic save renames its locked temporary away), so
  // a locking open checks that the name still leads to the locked file.
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd;
    do {
      fd = open(name.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Fail(errno);

    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
      const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
      close(fd);
      return Fail(error);
    }
    if (const int error = TakeSharingLock(fd, share)) {
      close(fd);
      return Fail(error);
    }
    if (SharingLock(share) && !SameFile(fd, name)) {
      close(fd);
      continue;
    }
    if (mode == kFileModeCreate && info.st_size != 0) {
      int rc;
      do {
        rc = ftruncate(fd, 0);
      } while (rc != 0 && errno == EINTR);
      if (rc != 0) {
        const int error = errno;
        close(fd);
        return Fail(error);
      }
    }
    handle = fd;
    return true;
  }
  return Fail(kSharingViolation);
}

void FileClose(TFileHandle handle) {
  if (handle != kInvalidFileHandle) close(handle);  // releases its locks
}

int64_t FileRead(TFileHandle handle, void* buffer, uint32_t count) {
  auto* out = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const ssize_t n = read(handle, out + done, size_t(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailValue(errno);
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

bool FileWrite(TFileHandle handle, const void* buffer, uint32_t count) {
  const auto* in = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = write(handle, in + done, size_t(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (n == 0) return Fail(EIO);
    done += uint32_t(n);
  }
  return true;
}

int64_t FileSeek(TFileHandle handle, int64_t offset, int origin) {
  const int whence = origin == kSeekEnd ? SEEK_END : origin == kSeekCurrent ? SEEK_CUR : SEEK_SET;
  const off_t result = lseek(handle, off_t(offset), whence);
  return result < 0 ? FailValue(errno) : int64_t(result);
}

int64_t FileSize(TFileHandle handle) {
  struct stat info {};
  if (fstat(handle, &info) != 0) return FailValue(errno);
  return int64_t(info.st_size);
}

bool FileTruncate(TFileHandle handle, int64_t size) {
  if (size < 0) return Fail(EINVAL);
  while (ftruncate(handle, off_t(size)) != 0) {
    if (errno != EINTR) return Fail(errno);
  }
  return true;
}

bool FileFlush(TFileHandle handle) {
  while (fsync(handle) != 0) {
    if (errno != EINTR) return Fail(errno);
  }
  return true;
}

bool FileLock(TFileHandle handle, int64_t offset, int64_t count) {
  return RangeLock(handle, offset, count, true);
}

bool FileUnlock(TFileHandle handle, int64_t offset, int64_t count) {
  return RangeLock(handle, offset, count, false);
}

bool FileModifiedTime(TFileHandle handle, int64_t& utcMilliseconds) {
  struct stat info {};
  if (fstat(handle, &info) != 0) return Fail(errno);
  utcMilliseconds = int64_t(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
  return true;
}

bool FileIdentity(TFileHandle handle, TFileIdentity& identity) {
  struct stat info {};
  if (fstat(handle, &info) != 0) return Fail(errno);
  identity.Device = uint64_t(info.st_dev);
  identity.Inode = uint64_t(info.st_ino);
  return true;
}

bool FileExists(const std::string& name) {
  struct stat info {};
  return stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FileDelete(const std::string& name) {
  return unlink(name.c_str()) == 0 || Fail(errno);
}

bool FileRename(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0 || Fail(errno);
}

bool FileCopyPermissions(const std::string& model, TFileHandle handle) {
  struct stat info {};
  if (stat(model.c_str(), &info) != 0) return errno == ENOENT || Fail(errno);
  return fchmod(handle, info.st_mode & 07777) == 0 || Fail(errno);
}

bool FolderSync(const std::string& folder) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  int rc;
  do {
    rc = fsync(fd);
  } while (rc != 0 && errno == EINTR);
  const int error = errno;
  close(fd);
  if (rc != 0 && error != EINVAL && error != ENOTSUP) return Fail(error);
  return true;
}

}  // namespace platform
