// Playing a sound file without holding up the caller: the file is handed to
// a player program (paplay, pw-play or aplay, looked up on PATH and started
// with an argument vector, never through a shell) by a worker thread of the
// TSoundPlayer. A new request cuts off the sound still playing, as the
// desktop's own play-from-file call does.
//
// Requests never wait: PlaySoundFile only records the file as the latest
// request and wakes the worker. Requests that arrive faster than the worker
// can start players collapse into the latest one, so a burst of alerts costs
// one player process, not one per alert. A player that cannot be started or
// that ends with a failure (no sound server, no device, a file it cannot
// read) makes the worker try the next program; when none works the sound is
// silently lost. A missing file plays nothing.
//
// Thread safety: PlaySoundFile, Stop and the counters may be called from any
// thread. The destructor stops the worker and ends a player still running.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

class TSoundPlayer {
 public:
  // The programs tried, in order; each gets the file as its one argument.
  static std::vector<std::string> DefaultPlayers();

  explicit TSoundPlayer(std::vector<std::string> players = DefaultPlayers());
  ~TSoundPlayer();
  TSoundPlayer(const TSoundPlayer&) = delete;
  TSoundPlayer& operator=(const TSoundPlayer&) = delete;

  // Plays `fileName` asynchronously, cutting off the sound playing now.
  void PlaySoundFile(const std::string& fileName);
  // Cuts off the sound playing now and drops a request not yet started.
  void Stop();

  // Player processes started so far (for tests and diagnostics).
  uint64_t StartedCount() const;
  // Requests that ended with no player able to play them.
  uint64_t SilentCount() const;
  // True while nothing is requested and no player runs.
  bool Idle() const;

 private:
  void Run();
  // Tries the players for one file; runs on the worker without the lock.
  void Play(const std::string& fileName, uint64_t generation);
  // Waits for the player to end or to be cut off by a newer request.
  // Returns its exit code, or -1 when it was cut off.
  int Follow(int32_t pid, uint64_t generation);

  const std::vector<std::string> m_players;
  mutable std::mutex m_lock;
  std::condition_variable m_wake;
  std::string m_request;      // guarded; the file to play next
  bool m_hasRequest = false;  // guarded
  bool m_playing = false;     // guarded; a request is being worked on
  bool m_stopping = false;    // guarded
  uint64_t m_generation = 0;  // guarded; moves on with every request and Stop
  size_t m_preferred = 0;     // worker only: the player that worked last
  uint64_t m_started = 0;     // guarded
  uint64_t m_silent = 0;      // guarded
  std::thread m_worker;
};

// The process-wide player that the program's sounds go through; made on
// first use and ended when the process exits.
TSoundPlayer& SoundPlayer();

// SoundPlayer().PlaySoundFile(fileName).
void PlaySoundFile(const std::string& fileName);

}  // namespace platform
