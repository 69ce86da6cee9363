#include "testing/TestEnvironment.h"

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace vexatest {
namespace {
std::string g_home;
std::atomic<int> g_counter{0};
}  // namespace

void IsolateEnvironment() {
  std::string pattern = (fs::temp_directory_path() / "vexa-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  g_home = pattern;
  const char* const kSub[][2] = {{"XDG_CONFIG_HOME", ".config"},   {"XDG_STATE_HOME", ".local/state"},
                                 {"XDG_DATA_HOME", ".local/share"}, {"XDG_CACHE_HOME", ".cache"},
                                 {"XDG_RUNTIME_DIR", "run"},        {"XDG_DOCUMENTS_DIR", "Documents"}};
  setenv("HOME", g_home.c_str(), 1);
  for (const auto& entry : kSub) {
    const fs::path path = fs::path(g_home) / entry[1];
    fs::create_directories(path);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
    setenv(entry[0], path.c_str(), 1);
  }
  unsetenv("XDG_CONFIG_DIRS");
  unsetenv("XDG_DATA_DIRS");
  setenv("TMPDIR", g_home.c_str(), 1);
  if (!getenv("TZ")) setenv("TZ", "UTC", 1);
  tzset();
  setenv("LC_ALL", "C", 1);
}

const std::string& IsolatedHome() { return g_home; }

void RemoveIsolatedHome() {
  if (g_home.empty() || getenv("VEXA_KEEP_TEST_HOME")) return;
  std::error_code ec;
  fs::remove_all(g_home, ec);
}

std::string MakeTempFolder(const std::string& prefix) {
  const fs::path path =
      fs::path(g_home) / "tmp" / (prefix + "-" + std::to_string(g_counter.fetch_add(1)));
  fs::remove_all(path);
  fs::create_directories(path);
  return path.string();
}

ScopedTimeZone::ScopedTimeZone(const char* tz) {
  if (const char* old = getenv("TZ")) {
    m_old = old;
    m_had = true;
  }
  setenv("TZ", tz, 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (m_had)
    setenv("TZ", m_old.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

std::string SourceDir() {
  const char* dir = getenv("VEXA_SOURCE_DIR");
  return dir ? dir : VEXA_SOURCE_TREE;
}

}  // namespace vexatest
