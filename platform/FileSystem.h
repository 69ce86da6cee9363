// Queries and whole-folder operations on the file system: what a path is,
// its size, attributes and times, creating and deleting folder trees, listing
// a folder and copying one file.
//
// Queries return false (and leave zeros) instead of failing; operations that
// can fail give the system's text through `error`. Symbolic links are followed
// when a path is examined or a file copied, but never when a tree is deleted
// or walked, so a link cannot lead a deletion or a copy outside its folder.
//
// Thread safety: every function is safe from any thread; two threads working
// on the same files see each other's changes as the file system orders them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr char kPathDelimiter = '/';

// Attribute bits, numbered like the classic desktop file attributes so that
// stored values keep their meaning.
enum : uint32_t {
  kFileAttributeReadOnly = 0x01,  // the user may not write it
  kFileAttributeHidden = 0x02,    // the name starts with "."
  kFileAttributeDirectory = 0x10,
  kFileAttributeNormal = 0x80,    // a plain file with none of the other bits
  kFileAttributeSymlink = 0x400,  // the path itself is a symbolic link
};

struct TFileStatus {
  bool IsFolder = false;
  int64_t Size = 0;  // bytes; 0 for folders
  uint32_t Attributes = 0;
  // Milliseconds since 1970-01-01 UTC. Creation is the birth time where the
  // file system records one, else the earlier of the last write and the last
  // status change.
  int64_t CreationUtcMs = 0;
  int64_t LastWriteUtcMs = 0;
};

// Examines `path` (following links); false when it does not exist or cannot
// be examined.
bool QueryFile(const std::string& path, TFileStatus& status);
// A regular file the user may execute.
bool IsExecutableFile(const std::string& path);

// Creates `path` and every missing parent; true when it exists as a folder
// afterwards.
bool ForceFolders(const std::string& path);
// Deletes the folder, every file and every sub-folder in it. Write permission
// is restored on each sub-folder first, so read-only folders do not stop it.
// Links are removed, never followed. True when the folder is gone.
bool DeleteFolderTree(const std::string& path);

struct TFolderEntry {
  std::string Name;
  bool IsFile = false;    // a regular file, possibly through a link
  bool IsFolder = false;  // a real sub-folder (not a link to one)
};
// The entries of a folder other than "." and "..", in the system's order.
bool ListFolder(const std::string& path, std::vector<TFolderEntry>& entries,
                std::string* error = nullptr);

// Copies the bytes and the permission bits of `source` over `target`. The
// copy is written beside the target and renamed over it, so a failure never
// leaves a half-written target.
bool CopyFileReplacing(const std::string& source, const std::string& target,
                       std::string* error = nullptr);
// Sets the last-write time (milliseconds since 1970 UTC) of `path`.
bool SetLastWriteTime(const std::string& path, int64_t utcMs, std::string* error = nullptr);

}  // namespace platform
