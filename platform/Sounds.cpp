#include "platform/Sounds.h"

#include <signal.h>

#include <chrono>

#include "platform/FileSystem.h"
#include "platform/Processes.h"

namespace platform {

namespace {

// How often a running player is checked for its end while no request comes.
constexpr auto kPollInterval = std::chrono::milliseconds(20);
// How long a cut-off player gets to end after SIGTERM before SIGKILL.
constexpr int32_t kTerminateWaitMs = 500;

void EndProcess(int32_t pid) {
  ::kill(pid, SIGTERM);
  if (WaitForProcess(pid, kTerminateWaitMs) == kProcessStillRunning) {
    ::kill(pid, SIGKILL);
    WaitForProcess(pid, -1);
  }
}

}  // namespace

std::vector<std::string> TSoundPlayer::DefaultPlayers() {
  return {"paplay", "pw-play", "aplay"};
}

TSoundPlayer::TSoundPlayer(std::vector<std::string> players) : m_players(std::move(players)) {
  m_worker = std::thread([this] { Run(); });
}

TSoundPlayer::~TSoundPlayer() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stopping = true;
    ++m_generation;
  }
  m_wake.notify_all();
  if (m_worker.joinable()) m_worker.join();
}

void TSoundPlayer::PlaySoundFile(const std::string& fileName) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_request = fileName;
    m_hasRequest = true;
    ++m_generation;
  }
  m_wake.notify_all();
}

void TSoundPlayer::Stop() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_hasRequest = false;
    m_request.clear();
    ++m_generation;
  }
  m_wake.notify_all();
}

uint64_t TSoundPlayer::StartedCount() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_started;
}

uint64_t TSoundPlayer::SilentCount() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_silent;
}

bool TSoundPlayer::Idle() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return !m_hasRequest && !m_playing;
}

void TSoundPlayer::Run() {
  std::unique_lock<std::mutex> lock(m_lock);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stopping || m_hasRequest; });
    if (m_stopping) return;
    const std::string fileName = std::move(m_request);
    m_request.clear();
    m_hasRequest = false;
    m_playing = true;
    const uint64_t generation = m_generation;
    lock.unlock();
    Play(fileName, generation);
    lock.lock();
    m_playing = false;
  }
}

void TSoundPlayer::Play(const std::string& fileName, uint64_t generation) {
  TFileStatus status;
  if (fileName.empty() || !QueryFile(fileName, status) || status.IsFolder) {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_silent;
    return;
  }
  // The file is one argument of its own; "./" keeps a name that begins with
  // "-" from being read as an option.
  const std::string argument = fileName[0] == '-' ? "./" + fileName : fileName;
  const size_t count = m_players.size();
  for (size_t i = 0; i < count; ++i) {
    const size_t index = (m_preferred + i) % count;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      if (m_generation != generation) return;
    }
    const int32_t pid = StartProcess({m_players[index], argument});
    if (pid < 0) continue;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      ++m_started;
    }
    const int code = Follow(pid, generation);
    if (code < 0) return;  // cut off by a newer request or Stop
    if (code == 0) {
      m_preferred = index;
      return;
    }
  }
  std::lock_guard<std::mutex> guard(m_lock);
  ++m_silent;
}

int TSoundPlayer::Follow(int32_t pid, uint64_t generation) {
  for (;;) {
    const int code = WaitForProcess(pid, 0);
    if (code != kProcessStillRunning) return code < 0 ? 1 : code;
    std::unique_lock<std::mutex> lock(m_lock);
    const bool cutOff = m_wake.wait_for(lock, kPollInterval,
                                        [&] { return m_stopping || m_generation != generation; });
    if (cutOff) {
      lock.unlock();
      EndProcess(pid);
      return -1;
    }
  }
}

TSoundPlayer& SoundPlayer() {
  static TSoundPlayer player;
  return player;
}

void PlaySoundFile(const std::string& fileName) {
  SoundPlayer().PlaySoundFile(fileName);
}

}  // namespace platform
