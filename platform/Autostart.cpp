#include "platform/Autostart.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string ConfigHome() {
  if (const char* xdg = getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return xdg;
  const char* home = getenv("HOME");
  return std::string(home ? home : "") + "/.config";
}

std::string StemOf(std::string name) {
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
  for (char& c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32) c = '_';
  if (name.empty() || name[0] == '.') name.insert(0, "_");
  return name;
}

void MakeFolders(const std::string& path) {
  for (size_t at = 1; (at = path.find('/', at)) != std::string::npos; ++at)
    mkdir(path.substr(0, at).c_str(), 0700);
  mkdir(path.c_str(), 0700);
}

}  // namespace

std::string AutostartFile(const std::string& name) {
  return ConfigHome() + "/autostart/" + StemOf(name) + ".desktop";
}

bool AutostartExists(const std::string& name) {
  struct stat st {};
  return stat(AutostartFile(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadAutostart(const std::string& name, std::string& command) {
  std::ifstream in(AutostartFile(name));
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Exec=", 0) == 0) {
      command = line.substr(5);
      return true;
    }
  }
  return false;
}

bool WriteAutostart(const std::string& name, const std::string& command) {
  if (command.find_first_of("\r\n") != std::string::npos) {
    errno = EINVAL;
    return false;
  }
  const std::string file = AutostartFile(name);
  MakeFolders(file.substr(0, file.rfind('/')));
  const std::string temp = file + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << "[Desktop Entry]\nType=Application\nName=" << StemOf(name) << "\nExec=" << command
        << "\nX-GNOME-Autostart-enabled=true\n";
    out.flush();
    if (!out) {
      unlink(temp.c_str());
      return false;
    }
  }
  return rename(temp.c_str(), file.c_str()) == 0;
}

bool RemoveAutostart(const std::string& name) {
  return unlink(AutostartFile(name).c_str()) == 0 || errno == ENOENT;
}

}  // namespace platform
