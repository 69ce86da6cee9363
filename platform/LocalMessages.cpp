#include "platform/LocalMessages.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/TimeZones.h"

namespace platform {
namespace {

constexpr const char kSuffix[] = ".sock";

std::atomic<int> g_endpointCounter{0};

bool IsSocketName(const std::string& name) {
  const size_t n = sizeof kSuffix - 1;
  return name.size() > n && name.compare(name.size() - n, n, kSuffix) == 0;
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// True when nobody is bound to the socket file any more.
bool IsStale(const std::string& path) {
  sockaddr_un address;
  if (!MakeAddress(path, address)) return false;
  const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool stale =
      connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      errno == ECONNREFUSED;
  close(probe);
  return stale;
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

template <class F>
void TLocalMessenger::ForEachPeer(F&& visit) {
  std::vector<TFolderEntry> entries;
  if (!ListFolder(m_folder, entries)) return;
  for (const TFolderEntry& entry : entries) {
    if (!IsSocketName(entry.Name)) continue;
    const std::string path = m_folder + "/" + entry.Name;
    if (path != m_path) visit(path);
  }
}

bool TLocalMessenger::Open(const std::string& folder, std::string* error) {
  Close();
  if (folder.empty() || !ForceFolders(folder)) {
    SetError(error, "Cannot create the folder '" + folder + "': " + SystemErrorText(errno));
    return false;
  }
  struct stat status;
  if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
      status.st_uid != getuid()) {
    SetError(error, "The folder '" + folder + "' is not a folder of this user");
    return false;
  }
  chmod(folder.c_str(), 0700);
  m_folder = folder;
  ForEachPeer([](const std::string& path) {
    if (IsStale(path)) unlink(path.c_str());
  });

  const std::string path = folder + "/" + std::to_string(getpid()) + "-" +
                           std::to_string(g_endpointCounter.fetch_add(1)) + kSuffix;
  sockaddr_un address;
  if (!MakeAddress(path, address)) {
    SetError(error, "The path '" + path + "' is too long for a local socket");
    return false;
  }
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    SetError(error, SystemErrorText(errno));
    return false;
  }
  unlink(path.c_str());  // left by an earlier process of the same id
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    SetError(error, "Cannot bind '" + path + "': " + SystemErrorText(errno));
    close(fd);
    return false;
  }
  m_socket = fd;
  m_path = path;
  return true;
}

void TLocalMessenger::Close() {
  if (m_socket < 0) return;
  close(m_socket);
  unlink(m_path.c_str());
  m_socket = -1;
  m_path.clear();
}

int TLocalMessenger::Broadcast(const void* data, size_t size) {
  if (m_socket < 0) return 0;
  int reached = 0;
  ForEachPeer([&](const std::string& path) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) return;
    if (sendto(m_socket, data, size, MSG_DONTWAIT | MSG_NOSIGNAL,
               reinterpret_cast<const sockaddr*>(&address), sizeof address) >= 0) {
      ++reached;
    } else if (errno == ECONNREFUSED) {
      unlink(path.c_str());
    }
  });
  return reached;
}

bool TLocalMessenger::SendToSelf(const void* data, size_t size) {
  sockaddr_un address;
  if (m_socket < 0 || !MakeAddress(m_path, address)) return false;
  return sendto(m_socket, data, size, MSG_DONTWAIT | MSG_NOSIGNAL,
                reinterpret_cast<const sockaddr*>(&address), sizeof address) >= 0;
}

bool TLocalMessenger::AnyPeer() {
  if (m_socket < 0) return false;
  bool any = false;
  ForEachPeer([&](const std::string& path) {
    if (IsStale(path))
      unlink(path.c_str());
    else
      any = true;
  });
  return any;
}

bool TLocalMessenger::Receive(std::string& datagram, int timeoutMs) {
  if (m_socket < 0) return false;
  pollfd wait{m_socket, POLLIN, 0};
  int ready;
  do {
    ready = poll(&wait, 1, timeoutMs < 0 ? -1 : timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return false;
  datagram.resize(kMaxDatagram);
  const ssize_t got = recv(m_socket, datagram.data(), datagram.size(), MSG_DONTWAIT);
  if (got < 0) {
    datagram.clear();
    return false;
  }
  datagram.resize(size_t(got));
  return true;
}

}  // namespace platform
