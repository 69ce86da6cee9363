// Short messages between the running programs of one user on this machine:
// each program binds a datagram socket (AF_UNIX) in a common folder, and a
// broadcast sends one datagram to every other socket found there.
//
// The folder should be private to the user (under $XDG_RUNTIME_DIR, mode
// 0700), which is what keeps other users out. A socket file whose program
// has gone (nobody bound to it) is stale: it is deleted when the folder is
// opened and whenever a send finds it dead. Sending never waits: a receiver
// whose queue is full misses that datagram, which suits notifications that
// only say "something changed, look again".
//
// Thread safety: one endpoint is used by one thread at a time; endpoints in
// several threads or processes may share a folder.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

class TLocalMessenger {
 public:
  // The longest datagram Receive returns; longer ones are cut.
  static constexpr size_t kMaxDatagram = 4096;

  TLocalMessenger() = default;
  ~TLocalMessenger() { Close(); }
  TLocalMessenger(const TLocalMessenger&) = delete;
  TLocalMessenger& operator=(const TLocalMessenger&) = delete;

  // Creates `folder` (mode 0700) when missing, deletes stale sockets in it
  // and binds this endpoint there under a name of its own. False with the
  // system's text in `error` when the folder or socket cannot be made (a
  // path too long for a socket address included).
  bool Open(const std::string& folder, std::string* error = nullptr);
  // Unbinds and deletes this endpoint's socket file.
  void Close();
  bool IsOpen() const { return m_socket >= 0; }
  // The descriptor to wait on for incoming datagrams (-1 when closed).
  int Handle() const { return m_socket; }
  // This endpoint's socket file.
  const std::string& Path() const { return m_path; }

  // Sends the bytes to every other endpoint of the folder; returns how many
  // took them. Stale sockets met on the way are deleted.
  int Broadcast(const void* data, size_t size);
  // Sends to this endpoint itself (a message to be handled later).
  bool SendToSelf(const void* data, size_t size);
  // Whether any other live endpoint is bound in the folder.
  bool AnyPeer();
  // The next datagram, waiting up to `timeoutMs` for one (0: no wait,
  // negative: no limit). False when none arrived.
  bool Receive(std::string& datagram, int timeoutMs = 0);

 private:
  // Calls visit(path) for every socket file of the folder but our own.
  template <class F>
  void ForEachPeer(F&& visit);

  int m_socket = -1;
  std::string m_folder;
  std::string m_path;
};

}  // namespace platform
