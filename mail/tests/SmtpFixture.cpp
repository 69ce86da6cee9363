#include "mail/tests/SmtpFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/Processes.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace fs = std::filesystem;

namespace mailtest {

namespace {

constexpr auto kStartWait = std::chrono::seconds(20);
constexpr auto kFileWait = std::chrono::seconds(10);

std::string NumberedName(int n, const char* prefix, const char* suffix) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%04d%s", prefix, n, suffix);
  return name;
}

}  // namespace

std::string FixtureScript() {
  // Beside this file in the source tree, wherever the tests run from.
  return (fs::path(__FILE__).parent_path() / "smtp_fixture.py").string();
}

TSmtpFixture::TSmtpFixture(const std::vector<std::string>& options)
    : m_folder(vexatest::MakeTempFolder("smtp")) {
  std::vector<std::string> arguments{"/usr/bin/python3", FixtureScript(), m_folder};
  arguments.insert(arguments.end(), options.begin(), options.end());
  std::string error;
  m_pid = platform::StartProcess(arguments, &error);
  if (m_pid < 0) {
    ADD_FAILURE() << "cannot start the SMTP fixture: " << error;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + kStartWait;
  while (std::chrono::steady_clock::now() < deadline) {
    const std::string port = vexatest::ReadFileText(m_folder + "/port");
    if (!port.empty()) {
      m_port = static_cast<uint16_t>(std::stoi(port));
      return;
    }
    if (platform::WaitForProcess(m_pid, 0) != platform::kProcessStillRunning) {
      m_pid = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ADD_FAILURE() << "the SMTP fixture did not start (is python3-aiosmtpd installed?)";
}

TSmtpFixture::~TSmtpFixture() {
  if (m_pid < 0) return;
  vexatest::WriteFileText(m_folder + "/stop", "");
  if (platform::WaitForProcess(m_pid, 10000) == platform::kProcessStillRunning)
    platform::ReleaseProcess(m_pid);
}

std::string TSmtpFixture::Address() const {
  return "127.0.0.1:" + std::to_string(m_port);
}

void TSmtpFixture::SetScript(const std::string& json) const {
  vexatest::WriteFileText(m_folder + "/script.json.tmp", json);
  fs::rename(m_folder + "/script.json.tmp", m_folder + "/script.json");
}

std::string TSmtpFixture::WaitForFile(const std::string& name) const {
  const std::string path = m_folder + "/" + name;
  const auto deadline = std::chrono::steady_clock::now() + kFileWait;
  while (!fs::exists(path)) {
    if (std::chrono::steady_clock::now() >= deadline) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return vexatest::ReadFileText(path);
}

std::string TSmtpFixture::Message(int n) const {
  return WaitForFile(NumberedName(n, "msg-", ".eml"));
}

std::string TSmtpFixture::Envelope(int n) const {
  return WaitForFile(NumberedName(n, "msg-", ".env"));
}

std::string TSmtpFixture::Session(int n) const {
  return WaitForFile(NumberedName(n, "session-", ".raw"));
}

std::string TSmtpFixture::Wire(int n) const {
  return WaitForFile(NumberedName(n, "wire-", ".raw"));
}

bool TSmtpFixture::HasMessage(int n) const {
  return fs::exists(m_folder + "/" + NumberedName(n, "msg-", ".eml"));
}

int TSmtpFixture::MessageCount() const {
  int count = 0;
  while (HasMessage(count + 1)) ++count;
  return count;
}

}  // namespace mailtest
