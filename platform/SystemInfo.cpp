#include "platform/SystemInfo.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace platform {
namespace {

// Reads the number at `pos` and steps past one following ".".
int32_t NextNumber(const std::string& text, size_t& pos) {
  int64_t value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = std::min<int64_t>(value * 10 + (text[pos] - '0'), INT32_MAX);
    ++pos;
  }
  if (pos < text.size() && text[pos] == '.') ++pos;
  return int32_t(value);
}

}  // namespace

bool SystemVersion(TSystemVersion& version) {
  version = TSystemVersion();
  utsname names{};
  if (uname(&names) != 0) return false;
  version.Name = names.sysname;
  version.Release = names.release;
  size_t pos = 0;
  version.Major = NextNumber(version.Release, pos);
  version.Minor = NextNumber(version.Release, pos);
  version.Build = NextNumber(version.Release, pos);
  return true;
}

std::string LocaleName() {
  const char* value = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    value = getenv(name);
    if (value && *value) break;
    value = nullptr;
  }
  if (!value) return "C";
  std::string locale = value;
  locale = locale.substr(0, locale.find_first_of(".@"));
  return locale.empty() ? "C" : locale;
}

std::string ComputerName() {
  struct utsname names {};
  if (uname(&names) != 0) return {};
  return names.nodename;
}

}  // namespace platform
