// Small file and environment helpers for tests that work with real files and
// processes: whole-file reads and writes, scripts standing in for programs on
// PATH, and environment variables set for one test.
#pragma once

#include <string>

namespace vexatest {

// The whole file as text; empty when it cannot be read.
std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
// A "#!/bin/sh" script running `body`, executable by the owner.
void WriteScript(const std::string& path, const std::string& body);

// Sets (or, given null, clears) an environment variable; restores it on
// destruction.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name, m_old;
  bool m_had = false;
};

// A script named `name` running `body` in a fresh folder put in front of
// PATH, standing in for a system program; PATH is restored on destruction.
class ScopedFakeProgram {
 public:
  ScopedFakeProgram(const std::string& name, const std::string& body);
  ~ScopedFakeProgram();
  ScopedFakeProgram(const ScopedFakeProgram&) = delete;
  ScopedFakeProgram& operator=(const ScopedFakeProgram&) = delete;

  const std::string& Folder() const { return m_folder; }
  // Deletes the script, so that the program is missing from its folder.
  void Remove();
  // Leaves only the fake's folder on PATH, hiding the real programs.
  void HideSystemPath();

 private:
  std::string m_folder, m_name, m_oldPath;
};

}  // namespace vexatest
