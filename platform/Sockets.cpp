#include "platform/Sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/TimeZones.h"

namespace platform {

namespace {

thread_local int32_t t_lastError = 0;

// Records errno for LastSocketError and passes `result` through.
template <class T>
T Failed(T result) {
  t_lastError = errno;
  return result;
}

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(address);
  return sa;
}

using TClockTime = std::chrono::steady_clock::time_point;

int32_t RemainingMs(TClockTime deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
  return left < 0 ? 0 : static_cast<int32_t>(left);
}

}  // namespace

int32_t LastSocketError() {
  return t_lastError;
}

bool IsWouldBlockError(int32_t code) {
  return code == EAGAIN || code == EWOULDBLOCK || code == EINPROGRESS || code == EALREADY;
}

int32_t TimedOutError() {
  return ETIMEDOUT;
}

int32_t CancelledError() {
  return ECANCELED;
}

std::string SocketErrorText(int32_t code) {
  return SystemErrorText(code);
}

TSocketHandle SocketCreate(int32_t family, int32_t type, int32_t protocol) {
  const int handle = socket(family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
  if (handle < 0) return Failed(kNoSocket);
  return handle;
}

int32_t SocketClose(TSocketHandle handle) {
  // Linux releases the descriptor even when close reports EINTR, so it is
  // never retried (a retry could close a descriptor another thread opened).
  if (close(handle) != 0 && errno != EINTR) return Failed(-1);
  return 0;
}

int32_t SocketShutdown(TSocketHandle handle) {
  // On a socket that is still connecting this aborts the attempt; on one
  // that never connected it fails with ENOTCONN but still wakes any waiter.
  if (shutdown(handle, SHUT_RDWR) != 0) return Failed(-1);
  return 0;
}

int32_t SocketConnect(TSocketHandle handle, uint32_t address, uint16_t port) {
  const sockaddr_in sa = MakeAddress(address, port);
  if (connect(handle, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) return Failed(-1);
  return 0;
}

int32_t SocketPendingError(TSocketHandle handle) {
  int code = 0;
  socklen_t size = sizeof code;
  if (getsockopt(handle, SOL_SOCKET, SO_ERROR, &code, &size) != 0) return errno;
  return code;
}

int32_t SocketBind(TSocketHandle handle, uint32_t address, uint16_t port) {
  const int on = 1;
  setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const sockaddr_in sa = MakeAddress(address, port);
  if (bind(handle, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) return Failed(-1);
  return 0;
}

int32_t SocketListen(TSocketHandle handle, int32_t backlog) {
  if (listen(handle, backlog) != 0) return Failed(-1);
  return 0;
}

TSocketHandle SocketAccept(TSocketHandle handle) {
  int accepted;
  while ((accepted = accept4(handle, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) < 0 &&
         errno == EINTR) {
  }
  if (accepted < 0) return Failed(kNoSocket);
  return accepted;
}

int32_t SocketWait(TSocketHandle handle, bool wantRead, bool wantWrite, int32_t milliseconds,
                   bool& readable, bool& writable, bool& failed) {
  readable = writable = failed = false;
  pollfd entry{};
  entry.fd = handle;
  entry.events = static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0));
  const TClockTime deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
  for (;;) {
    const int timeout = milliseconds < 0 ? -1 : RemainingMs(deadline);
    const int result = poll(&entry, 1, timeout);
    if (result < 0) {
      if (errno == EINTR) continue;
      return Failed(-1);
    }
    if (result == 0) return 0;
    const bool hangUp = (entry.revents & (POLLHUP | POLLRDHUP)) != 0;
    readable = (entry.revents & POLLIN) != 0 || hangUp;
    writable = (entry.revents & POLLOUT) != 0;
    failed = (entry.revents & (POLLERR | POLLNVAL)) != 0 || hangUp;
    return 1;
  }
}

int64_t SocketReceive(TSocketHandle handle, void* buffer, uint64_t size) {
  ssize_t count;
  while ((count = recv(handle, buffer, size, 0)) < 0 && errno == EINTR) {
  }
  if (count < 0) return Failed<int64_t>(-1);
  return count;
}

int64_t SocketSend(TSocketHandle handle, const void* buffer, uint64_t size) {
  ssize_t count;
  while ((count = send(handle, buffer, size, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
  }
  if (count < 0) return Failed<int64_t>(-1);
  return count;
}

int64_t SocketBytesAvailable(TSocketHandle handle) {
  int count = 0;
  if (ioctl(handle, FIONREAD, &count) != 0) return Failed<int64_t>(-1);
  return count;
}

namespace {

int32_t NameOf(TSocketHandle handle, bool peer, uint32_t& address, uint16_t& port) {
  sockaddr_in sa{};
  socklen_t size = sizeof sa;
  const int result = peer ? getpeername(handle, reinterpret_cast<sockaddr*>(&sa), &size)
                          : getsockname(handle, reinterpret_cast<sockaddr*>(&sa), &size);
  if (result != 0) return Failed(-1);
  if (sa.sin_family != AF_INET) {
    address = 0;
    port = 0;
    return 0;
  }
  address = ntohl(sa.sin_addr.s_addr);
  port = ntohs(sa.sin_port);
  return 0;
}

}  // namespace

int32_t SocketLocalAddress(TSocketHandle handle, uint32_t& address, uint16_t& port) {
  return NameOf(handle, false, address, port);
}

int32_t SocketPeerAddress(TSocketHandle handle, uint32_t& address, uint16_t& port) {
  return NameOf(handle, true, address, port);
}

bool ParseIPv4(const std::string& text, uint32_t& address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
  address = ntohl(parsed.s_addr);
  return true;
}

std::string IPv4Text(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

namespace {

// What the look-up thread hands back. Shared, so that a caller that stopped
// waiting leaves it to the thread, which frees it when it finishes.
struct TLookup {
  std::mutex Lock;
  std::condition_variable Finished;
  bool Done = false;
  bool Found = false;
  uint32_t Address = 0;
  std::string Error;
};

void RunLookup(const std::string& host, TLookup& lookup) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int result = getaddrinfo(host.c_str(), nullptr, &hints, &list);
  bool found = false;
  uint32_t address = 0;
  std::string error;
  if (result != 0) {
    error = result == EAI_SYSTEM ? SystemErrorText(errno) : gai_strerror(result);
  } else {
    for (const addrinfo* entry = list; entry; entry = entry->ai_next) {
      if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in)) continue;
      address = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
      if (address != 0) {
        found = true;
        break;
      }
    }
    if (!found) error = "The name has no usable IPv4 address";
    freeaddrinfo(list);
  }
  std::lock_guard<std::mutex> guard(lookup.Lock);
  lookup.Done = true;
  lookup.Found = found;
  lookup.Address = address;
  lookup.Error = error;
  lookup.Finished.notify_all();
}

}  // namespace

bool LookupHostIPv4(const std::string& host, uint32_t& address, std::string& error,
                    int32_t milliseconds, const std::function<bool()>& cancelled) {
  if (ParseIPv4(host, address)) return true;
  if (host.empty() || host.find('\0') != std::string::npos) {
    error = gai_strerror(EAI_NONAME);
    return false;
  }
  auto lookup = std::make_shared<TLookup>();
  try {
    std::thread([host, lookup] { RunLookup(host, *lookup); }).detach();
  } catch (const std::system_error& e) {
    error = e.what();
    return false;
  }
  const TClockTime deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
  std::unique_lock<std::mutex> guard(lookup->Lock);
  for (;;) {
    if (lookup->Finished.wait_for(guard, std::chrono::milliseconds(20),
                                  [&] { return lookup->Done; }))
      break;
    if (cancelled && cancelled()) {
      error = SystemErrorText(ECANCELED);
      return false;
    }
    if (milliseconds >= 0 && std::chrono::steady_clock::now() >= deadline) {
      error = SystemErrorText(ETIMEDOUT);
      return false;
    }
  }
  if (!lookup->Found) {
    error = lookup->Error;
    return false;
  }
  address = lookup->Address;
  return true;
}

std::string LocalHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace platform
