// Test isolation: a private home with its XDG folders, TZ and locale pinned.
#pragma once

#include <string>

namespace vexatest {

// Creates a private temporary home and points HOME and every XDG_* variable
// into it; sets TZ (UTC unless the caller already chose one) and LC_ALL=C.
void IsolateEnvironment();
// The private home made by IsolateEnvironment.
const std::string& IsolatedHome();
void RemoveIsolatedHome();

// A fresh empty folder under the private home, removed with it.
std::string MakeTempFolder(const std::string& prefix = "t");

// Sets TZ for the rest of the test and re-reads it; restores on destruction.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz);
  ~ScopedTimeZone();

 private:
  std::string m_old;
  bool m_had = false;
};

// The source tree's root, for test data (VEXA_SOURCE_DIR from CTest).
std::string SourceDir();

}  // namespace vexatest
