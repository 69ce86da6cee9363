#include "platform/Folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <vector>

namespace platform {
namespace {

// An absolute path without trailing "/"; empty for a relative one, which the
// XDG rules say to ignore.
std::string AbsoluteFolder(std::string_view path) {
  if (path.empty() || path[0] != '/') return {};
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

std::string AbsoluteEnv(const char* name) {
  const char* value = getenv(name);
  return value ? AbsoluteFolder(value) : std::string();
}

std::string UnderHome(const char* sub) {
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/" + sub;
}

std::string EnvOrHome(const char* name, const char* underHome) {
  const std::string path = AbsoluteEnv(name);
  return path.empty() ? UnderHome(underHome) : path;
}

// Reads NAME="$HOME/sub" or NAME="/abs" from the user-dirs file that desktop
// sessions keep in the config folder. Lines are short; anything odd is ignored.
std::string UserDirsEntry(const char* name) {
  const std::string config = ConfigFolder();
  if (config.empty()) return {};
  std::ifstream file(config + "/user-dirs.dirs");
  const std::string prefix = std::string(name) + "=\"";
  std::string line;
  while (std::getline(file, line)) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    const size_t close = line.find('"', prefix.size());
    if (close == std::string::npos) return {};
    std::string value = line.substr(prefix.size(), close - prefix.size());
    if (value.compare(0, 5, "$HOME") == 0) value = HomeFolder() + value.substr(5);
    return AbsoluteFolder(value);
  }
  return {};
}

std::string UserDir(const char* name, const char* underHome) {
  std::string path = AbsoluteEnv(name);
  if (path.empty()) path = UserDirsEntry(name);
  return path.empty() ? UnderHome(underHome) : path;
}

}  // namespace

std::string HomeFolder() {
  std::string home = AbsoluteEnv("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/')
    return found->pw_dir;
  return {};
}

std::string ConfigFolder() {
  return EnvOrHome("XDG_CONFIG_HOME", ".config");
}
std::string StateFolder() {
  return EnvOrHome("XDG_STATE_HOME", ".local/state");
}
std::string DataFolder() {
  return EnvOrHome("XDG_DATA_HOME", ".local/share");
}
std::string CacheFolder() {
  return EnvOrHome("XDG_CACHE_HOME", ".cache");
}
std::string DocumentsFolder() {
  return UserDir("XDG_DOCUMENTS_DIR", "Documents");
}
std::string DesktopFolder() {
  return UserDir("XDG_DESKTOP_DIR", "Desktop");
}
std::string TemplatesFolder() {
  return UserDir("XDG_TEMPLATES_DIR", "Templates");
}

std::string RuntimeFolder() {
  std::string path = AbsoluteEnv("XDG_RUNTIME_DIR");
  return path.empty() ? PrivateTempFolder() : path;
}

std::string SharedDataFolder() {
  const char* dirs = getenv("XDG_DATA_DIRS");
  const std::string_view all = dirs ? dirs : "";
  const std::string first = AbsoluteFolder(all.substr(0, all.find(':')));
  return first.empty() ? "/usr/local/share" : first;
}

std::string PrivateTempFolder() {
  std::string base = AbsoluteEnv("TMPDIR");
  if (base.empty()) base = "/tmp";
  const uid_t uid = getuid();
  const std::string path = base + "/vexa-" + std::to_string(uid);
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != uid) return {};
  if ((info.st_mode & 07777) != 0700 && chmod(path.c_str(), 0700) != 0) return {};
  return path;
}

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (size_t(n) < buffer.size()) {
      const std::string exe(buffer.data(), size_t(n));
      const size_t slash = exe.rfind('/');
      if (slash == std::string::npos) return {};
      return slash == 0 ? "/" : exe.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
