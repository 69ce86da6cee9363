// Paths, files and folders: taking paths apart, asking about files, and
// creating, deleting and copying folder trees.
//
// Paths use the platform's delimiter ("/" on Linux); FileNamePart also cuts
// at "\" and ":" so that names written on other systems come apart too. Texts
// are bytes: a "/" byte never occurs inside a multi-byte UTF-8 character, so
// cutting at it is safe for every encoding the program meets.
//
// Queries (exists, size, attributes, times) return false, zero or empty and
// never raise. File times are milliseconds since 1970-01-01 UTC.
//
// Thread safety: all functions may be called from any thread; the file system
// orders concurrent changes to the same files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

constexpr char kPathDelimiter = platform::kPathDelimiter;

// Everything up to and including the last `delimiter`; empty when there is none.
std::string FolderPart(std::string_view path, char delimiter = kPathDelimiter);
// Everything after the last "\", "/" or ":".
std::string FileNamePart(std::string_view path);
// FileNamePart without its extension.
std::string FileNameWithoutExtension(std::string_view path);
// The path without the extension of its file name. The extension starts at
// the name's last "."; a name's leading "." (".profile") starts none.
std::string WithoutExtension(std::string_view path);
// `path` without `base` in front when it starts with `base` (ASCII case
// ignored); otherwise `path` unchanged.
std::string RelativeTo(std::string_view base, std::string_view path);
// Adds one final delimiter unless there is one.
std::string IncludeTrailingDelimiter(std::string_view path);
// Removes one final delimiter; the root "/" stays as it is.
std::string ExcludeTrailingDelimiter(std::string_view path);

// Creates the folder with every missing parent; true when it exists afterwards.
bool ForceFolders(const std::string& path);
bool FolderExists(const std::string& path);
// A file, not a folder.
bool FileExists(const std::string& path);
// Bytes; 0 when the file cannot be examined.
int64_t FileSize(const std::string& path);
// The platform::kFileAttribute... bits; 0 when the path cannot be examined.
uint32_t FileAttributes(const std::string& path);
// The attribute filter that admits every file.
constexpr uint32_t kFileAttributesAny = 0xFFFFFFFF;

// Deletes the folder with every file and sub-folder in it (restoring write
// permission where it must). True when the folder is gone.
bool DeleteFolderTree(const std::string& folder);

// True when `name` matches `mask`: "*" any run of characters, "?" any one,
// ASCII case ignored; "*.*" matches every name, with or without a dot.
bool FileMaskMatches(std::string_view name, std::string_view mask);

// Copies every file of `source` whose name matches `mask` into
// `destination`, created when missing, overwriting files of the same name;
// hidden files only when `attributes` includes kFileAttributeHidden. Each copy
// keeps its source's last-write time (the nearest this system comes to
// keeping its creation time); when that cannot be set the copy raises
// "Unable to set the file created time of <file> in SetFileCreated!". With
// `recurse`, sub-folders are copied too, with the mask "*". Links to folders
// are not followed. Returns false when some file or folder could not be
// copied (the rest are still copied).
bool CopyFolder(const std::string& source, const std::string& destination, std::string_view mask,
                bool recurse, uint32_t attributes = kFileAttributesAny);

// Creation and last-write time, 0 when the path cannot be examined (folders
// are accepted).
int64_t CreationTime(const std::string& path);
int64_t LastWriteTime(const std::string& path);
// The last-write time as a local date-time, or the current one when the file
// cannot be examined.
double ModifiedDate(const std::string& path);

// The system's programs folder, with a trailing delimiter ("/usr/bin/").
std::string SystemFolder();
// The user's private temporary folder (mode 0700), with a trailing delimiter;
// empty when none can be made safely (see platform::PrivateTempFolder).
std::string TempFolder();
