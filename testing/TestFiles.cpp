#include "testing/TestFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "testing/TestEnvironment.h"

namespace fs = std::filesystem;

namespace vexatest {

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

void WriteScript(const std::string& path, const std::string& body) {
  WriteFileText(path, "#!/bin/sh\n" + body + "\n");
  fs::permissions(path, fs::perms::owner_all);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
  if (const char* old = getenv(name)) {
    m_old = old;
    m_had = true;
  }
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (m_had)
    setenv(m_name.c_str(), m_old.c_str(), 1);
  else
    unsetenv(m_name.c_str());
}

ScopedFakeProgram::ScopedFakeProgram(const std::string& name, const std::string& body)
    : m_folder(MakeTempFolder("bin")), m_name(name) {
  WriteScript(m_folder + "/" + name, body);
  m_oldPath = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (m_folder + ":" + m_oldPath).c_str(), 1);
}

ScopedFakeProgram::~ScopedFakeProgram() {
  setenv("PATH", m_oldPath.c_str(), 1);
}

void ScopedFakeProgram::Remove() {
  fs::remove(m_folder + "/" + m_name);
}

void ScopedFakeProgram::HideSystemPath() {
  setenv("PATH", m_folder.c_str(), 1);
}

}  // namespace vexatest
