#include "core/AdvPaths.h"

#include <vector>

#include "core/AdvAscii.h"
#include "core/AdvDates.h"
#include "core/AdvFormats.h"
#include "platform/Folders.h"

namespace {

size_t NameStart(std::string_view path) {
  const size_t cut = path.find_last_of("\\/:");
  return cut == std::string_view::npos ? 0 : cut + 1;
}

// The position of the extension's "." in `path`, or npos.
size_t ExtensionStart(std::string_view path) {
  const size_t name = NameStart(path);
  const size_t dot = path.rfind('.');
  return dot == std::string_view::npos || dot <= name ? std::string_view::npos : dot;
}

}  // namespace

std::string FolderPart(std::string_view path, char delimiter) {
  const size_t cut = path.rfind(delimiter);
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

std::string FileNamePart(std::string_view path) {
  return std::string(path.substr(NameStart(path)));
}

std::string FileNameWithoutExtension(std::string_view path) {
  return WithoutExtension(FileNamePart(path));
}

std::string WithoutExtension(std::string_view path) {
  return std::string(path.substr(0, ExtensionStart(path)));
}

std::string RelativeTo(std::string_view base, std::string_view path) {
  if (path.size() >= base.size() && SameTextAscii(path.substr(0, base.size()), base))
    return std::string(path.substr(base.size()));
  return std::string(path);
}

std::string IncludeTrailingDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != kPathDelimiter) out += kPathDelimiter;
  return out;
}

std::string ExcludeTrailingDelimiter(std::string_view path) {
  if (path.size() > 1 && path.back() == kPathDelimiter) path.remove_suffix(1);
  return std::string(path);
}

bool ForceFolders(const std::string& path) {
  return platform::ForceFolders(path);
}

bool FolderExists(const std::string& path) {
  platform::TFileStatus status;
  return platform::QueryFile(path, status) && status.IsFolder;
}

bool FileExists(const std::string& path) {
  platform::TFileStatus status;
  return platform::QueryFile(path, status) && !status.IsFolder;
}

int64_t FileSize(const std::string& path) {
  platform::TFileStatus status;
  return platform::QueryFile(path, status) ? status.Size : 0;
}

uint32_t FileAttributes(const std::string& path) {
  platform::TFileStatus status;
  return platform::QueryFile(path, status) ? status.Attributes : 0;
}

bool DeleteFolderTree(const std::string& folder) {
  return platform::DeleteFolderTree(folder);
}

bool FileMaskMatches(std::string_view name, std::string_view mask) {
  if (mask == "*.*") return true;
  // Greedy match with one back-track point: the last "*" seen.
  size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || AsciiUpper(mask[m]) == AsciiUpper(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

bool CopyFolder(const std::string& source, const std::string& destination, std::string_view mask,
                bool recurse, uint32_t attributes) {
  // The source is listed before the destination is made, and the destination
  // itself is never copied into, so a destination inside the source cannot
  // make the copy chase its own tail.
  std::vector<platform::TFolderEntry> entries;
  if (!platform::ListFolder(source, entries)) return false;
  if (!ForceFolders(destination)) return false;
  const std::string from = IncludeTrailingDelimiter(source);
  const std::string to = IncludeTrailingDelimiter(destination);
  bool ok = true;
  for (const platform::TFolderEntry& entry : entries) {
    if (entry.Name[0] == '.' && !(attributes & platform::kFileAttributeHidden)) continue;
    if (entry.IsFolder) {
      if (from + entry.Name == ExcludeTrailingDelimiter(destination)) continue;
      if (recurse) ok = CopyFolder(from + entry.Name, to + entry.Name, "*", true, attributes) && ok;
      continue;
    }
    if (!entry.IsFile || !FileMaskMatches(entry.Name, mask)) continue;
    const std::string target = to + entry.Name;
    if (!platform::CopyFileReplacing(from + entry.Name, target)) {
      ok = false;
      continue;
    }
    platform::TFileStatus status;
    if (!platform::QueryFile(from + entry.Name, status) ||
        !platform::SetLastWriteTime(target, status.LastWriteUtcMs))
      throw EAdvanced(
          nullptr,
          AdvFormat("Unable to set the file created time of %s in SetFileCreated!", {target}),
          "CopyFolder");
  }
  return ok;
}

int64_t CreationTime(const std::string& path) {
  platform::TFileStatus status;
  return platform::QueryFile(path, status) ? status.CreationUtcMs : 0;
}

int64_t LastWriteTime(const std::string& path) {
  platform::TFileStatus status;
  return platform::QueryFile(path, status) ? status.LastWriteUtcMs : 0;
}

double ModifiedDate(const std::string& path) {
  platform::TFileStatus status;
  return platform::QueryFile(path, status) ? LocalDateTimeFromUtc(status.LastWriteUtcMs) : AdvNow();
}

std::string SystemFolder() {
  return "/usr/bin/";
}

std::string TempFolder() {
  const std::string folder = platform::PrivateTempFolder();
  return folder.empty() ? std::string() : IncludeTrailingDelimiter(folder);
}
