// The operating-system file layer under TAdvFile: open with access, sharing
// and creation mode, read, write, seek, size, truncate, flush, byte-range
// locks, last-write time and identity, plus the few by-name operations an
// atomic save needs (exists, delete, rename, folder sync).
//
// Every call returns success or failure and never raises; a failure records
// the system's error for the calling thread, which TakeLastError reads (and
// clears), so the caller can put it into its own message.
//
// Sharing. The share value of an open (0 none, 1 others may read, 2 others
// may write, 3 both) is emulated with flock, which is per open file
// description, so two handles of one process meet each other exactly as two
// processes do:
//   share 0      holds an exclusive lock for as long as the handle is open;
//   share 1, 2   hold a shared lock (flock cannot deny writers yet admit
//                readers, so these only keep exclusive openers out);
//   share 3      holds no lock at all: it denies nothing, and a held lock
//                would stall a log writer that takes an exclusive lock while
//                it appends. It only checks that nobody holds the file
//                exclusively.
// Locks are never waited for: an open that meets a conflicting lock fails at
// once with kSharingViolation. A truncating open (mode 3) truncates only after
// its lock is held, so a refused open never harms the file. Filesystems
// without flock support are opened without sharing checks.
//
// Thread safety: handles are plain descriptors; use one handle from one
// thread at a time. The last error is per thread.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using TFileHandle = int;
inline constexpr TFileHandle kInvalidFileHandle = -1;

// Open modes: access and what happens when the file exists or not.
enum TFileMode : int {
  kFileModeRead = 0,       // read; must exist
  kFileModeWrite = 1,      // write; created when missing, contents kept
  kFileModeReadWrite = 2,  // read and write; created when missing, contents kept
  kFileModeCreate = 3,     // read and write; emptied, or created
  kFileModeCreateNew = 4,  // read and write; fails when it exists
};

// Share values: what other opens of the same file may do meanwhile.
enum TFileShare : int {
  kFileShareNone = 0,
  kFileShareRead = 1,
  kFileShareWrite = 2,
  kFileShareReadWrite = 3,
};

// The error code of an open or range lock that another handle's lock refuses
// (EWOULDBLOCK); its text is "The file is in use by another process".
inline constexpr int kSharingViolation = 11;

struct TSystemError {
  int Code = 0;      // errno, kSharingViolation, or 0 for none
  std::string Text;  // "%d: %s" of the code and the system's text; empty when Code is 0
};

// The calling thread's last file error, then cleared.
TSystemError TakeLastError();

// Opens `name`; false (and nothing left open or truncated) on failure. An
// unknown mode or share value fails with EINVAL.
bool FileOpen(const std::string& name, int mode, int share, TFileHandle& handle);
void FileClose(TFileHandle handle);

// Reads until `count` bytes arrived or the end of the file; the bytes read, or
// -1 on error. Interrupted calls are resumed.
int64_t FileRead(TFileHandle handle, void* buffer, uint32_t count);
// Writes all `count` bytes (resuming partial writes); false on error.
bool FileWrite(TFileHandle handle, const void* buffer, uint32_t count);

enum TSeekOrigin : int { kSeekBegin = 0, kSeekCurrent = 1, kSeekEnd = 2 };
// The new position, or -1 on error.
int64_t FileSeek(TFileHandle handle, int64_t offset, int origin);
// The size in bytes, or -1 on error.
int64_t FileSize(TFileHandle handle);
// Sets the end of the file at `size` without moving the position.
bool FileTruncate(TFileHandle handle, int64_t size);
// Writes the file's data and metadata through to the device (fsync).
bool FileFlush(TFileHandle handle);

// Byte-range locks, never waited for; a conflicting range fails with
// kSharingViolation. They belong to the handle (open file description), are
// exclusive on handles opened for writing and shared on read-only handles
// (POSIX refuses an exclusive range lock on a read-only descriptor), and are
// independent of the sharing locks above.
bool FileLock(TFileHandle handle, int64_t offset, int64_t count);
bool FileUnlock(TFileHandle handle, int64_t offset, int64_t count);

// The last-write time in milliseconds since 1970-01-01 UTC.
bool FileModifiedTime(TFileHandle handle, int64_t& utcMilliseconds);

struct TFileIdentity {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  bool operator==(const TFileIdentity&) const = default;
};
bool FileIdentity(TFileHandle handle, TFileIdentity& identity);

// True when `name` is an existing regular file (not a folder).
bool FileExists(const std::string& name);
// Removes the file; false on failure (ENOENT included).
bool FileDelete(const std::string& name);
// Renames `from` to `to`, replacing `to` atomically when it exists.
bool FileRename(const std::string& from, const std::string& to);
// Gives the file the permission bits of `model` when that file exists.
bool FileCopyPermissions(const std::string& model, TFileHandle handle);
// Makes the folder's entries (a rename into it) durable. Filesystems that
// cannot sync a folder count as success.
bool FolderSync(const std::string& folder);

}  // namespace platform
