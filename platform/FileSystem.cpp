#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/TimeZones.h"

namespace platform {
namespace {

int64_t Milliseconds(int64_t seconds, int64_t nanoseconds) {
  return seconds * 1000 + nanoseconds / 1000000;
}

void SetError(std::string* error, int code) {
  if (error) *error = SystemErrorText(code);
}

std::string BaseName(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

// Removes everything inside the open folder `fd` (which it closes).
bool EmptyFolder(int fd) {
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return false;
  }
  bool ok = true;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (fstatat(dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      ok = false;
      continue;
    }
    if (S_ISDIR(info.st_mode)) {
      fchmodat(dirfd(dir), name.c_str(), (info.st_mode & 07777) | S_IRWXU, 0);
      const int child =
          openat(dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child < 0 || !EmptyFolder(child)) ok = false;
      if (unlinkat(dirfd(dir), name.c_str(), AT_REMOVEDIR) != 0) ok = false;
    } else if (unlinkat(dirfd(dir), name.c_str(), 0) != 0) {
      ok = false;
    }
  }
  closedir(dir);
  return ok;
}

}  // namespace

bool QueryFile(const std::string& path, TFileStatus& status) {
  status = TFileStatus();
  struct statx info {};
  if (path.empty() || statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
    return false;
  status.IsFolder = S_ISDIR(info.stx_mode);
  status.Size = status.IsFolder ? 0 : int64_t(info.stx_size);
  status.LastWriteUtcMs = Milliseconds(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
  if (info.stx_mask & STATX_BTIME) {
    status.CreationUtcMs = Milliseconds(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
  } else {
    const int64_t changed = Milliseconds(info.stx_ctime.tv_sec, info.stx_ctime.tv_nsec);
    status.CreationUtcMs = changed < status.LastWriteUtcMs ? changed : status.LastWriteUtcMs;
  }
  uint32_t attributes = 0;
  if (status.IsFolder) attributes |= kFileAttributeDirectory;
  if (access(path.c_str(), W_OK) != 0) attributes |= kFileAttributeReadOnly;
  const std::string name = BaseName(path);
  if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= kFileAttributeHidden;
  struct stat link {};
  if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) attributes |= kFileAttributeSymlink;
  status.Attributes = attributes ? attributes : kFileAttributeNormal;
  return true;
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool ForceFolders(const std::string& path) {
  if (path.empty()) return false;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  if (slash != std::string::npos && slash > 0 && !ForceFolders(trimmed.substr(0, slash)))
    return false;
  if (mkdir(trimmed.c_str(), 0777) == 0) return true;
  // Another thread or process may have made it meanwhile.
  return errno == EEXIST && stat(trimmed.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFolderTree(const std::string& path) {
  struct stat info {};
  if (path.empty() || lstat(path.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode)) return false;
  chmod(path.c_str(), (info.st_mode & 07777) | S_IRWXU);
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  EmptyFolder(fd);
  return rmdir(path.c_str()) == 0;
}

bool ListFolder(const std::string& path, std::vector<TFolderEntry>& entries, std::string* error) {
  entries.clear();
  DIR* dir = opendir(path.c_str());
  if (!dir) {
    SetError(error, errno);
    return false;
  }
  while (dirent* entry = readdir(dir)) {
    TFolderEntry item;
    item.Name = entry->d_name;
    if (item.Name == "." || item.Name == "..") continue;
    struct stat info {};
    if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
      item.IsFolder = S_ISDIR(info.st_mode);
      if (S_ISLNK(info.st_mode) && fstatat(dirfd(dir), entry->d_name, &info, 0) != 0) info = {};
      item.IsFile = S_ISREG(info.st_mode);
    }
    entries.push_back(std::move(item));
  }
  closedir(dir);
  return true;
}

bool CopyFileReplacing(const std::string& source, const std::string& target, std::string* error) {
  int code = 0;  // the first failure's errno
  auto fail = [&code](int value) {
    if (code == 0) code = value;
  };
  const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    SetError(error, errno);
    return false;
  }
  struct stat info {};
  if (fstat(in, &info) != 0)
    fail(errno);
  else if (!S_ISREG(info.st_mode))
    fail(EISDIR);
  std::string temporary = target + ".copy-XXXXXX";
  const int out = code ? -1 : mkostemp(temporary.data(), O_CLOEXEC);
  if (out < 0) fail(errno);
  char buffer[65536];
  while (code == 0) {
    const ssize_t n = read(in, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno != EINTR) fail(errno);
      continue;
    }
    for (ssize_t done = 0; code == 0 && done < n;) {
      const ssize_t w = write(out, buffer + done, size_t(n - done));
      if (w >= 0)
        done += w;
      else if (errno != EINTR)
        fail(errno);
    }
  }
  if (code == 0 && fchmod(out, info.st_mode & 07777) != 0) fail(errno);
  if (code == 0 && fdatasync(out) != 0) fail(errno);
  if (out >= 0 && close(out) != 0) fail(errno);
  close(in);
  if (code == 0 && rename(temporary.c_str(), target.c_str()) != 0) fail(errno);
  if (code == 0) return true;
  if (out >= 0) unlink(temporary.c_str());
  SetError(error, code);
  return false;
}

bool SetLastWriteTime(const std::string& path, int64_t utcMs, std::string* error) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  int64_t seconds = utcMs / 1000, rest = utcMs % 1000;
  if (rest < 0) {
    seconds -= 1;
    rest += 1000;
  }
  times[1].tv_sec = time_t(seconds);
  times[1].tv_nsec = long(rest * 1000000);
  if (utimensat(AT_FDCWD, path.c_str(), times, 0) == 0) return true;
  SetError(error, errno);
  return false;
}

}  // namespace platform
