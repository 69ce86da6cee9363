#include "mail/AdvSockets.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "core/AdvThreads.h"
#include "platform/Clock.h"
#include "platform/TlsSessions.h"

ADV_ABSTRACT_CLASS_IMPL(TAdvTransport, TAdvStream)
ADV_CLASS_IMPL(TAdvInternet, TAdvTransport)
ADV_CLASS_IMPL(TAdvSocket, TAdvInternet)

namespace {

// A time-out for poll: kAdvInfinite means none.
int32_t PollTimeout(uint32_t milliseconds) {
  if (milliseconds == kAdvInfinite) return -1;
  return static_cast<int32_t>(std::min<uint32_t>(milliseconds, 0x7FFFFFFF));
}

}  // namespace

// ---------------------------------------------------------------------------
// TAdvCancelSignal

void TAdvCancelSignal::Cancel() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_cancelled.store(true, std::memory_order_release);
  for (TAdvInternet* socket : m_sockets) socket->Cancel();
}

bool TAdvCancelSignal::Attach(TAdvInternet* socket) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (IsCancelled()) return false;
  m_sockets.push_back(socket);
  return true;
}

void TAdvCancelSignal::Detach(TAdvInternet* socket) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), socket), m_sockets.end());
}

// ---------------------------------------------------------------------------
// TAdvTransport

void TAdvTransport::BeforeDestruction() {
  try {
    Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
}

// ---------------------------------------------------------------------------
// TAdvInternet: life cycle

TAdvInternet::TAdvInternet() = default;

TAdvInternet::~TAdvInternet() {
  // Detach before anything is freed, so a Cancel on another thread never
  // reaches a destroyed socket.
  if (m_signal) m_signal->Detach(this);
  std::lock_guard<std::mutex> guard(m_handleLock);
  if (m_handle != platform::kNoSocket) platform::SocketClose(m_handle);
  m_handle = platform::kNoSocket;
}

void TAdvInternet::Fail(std::string_view operation, std::string_view message) const {
  throw EAdvInternet(this, message, operation);
}

void TAdvInternet::Check(std::string_view operation, int32_t result) {
  if (result == 0) return;
  const int32_t code = platform::LastSocketError();
  if (code != 0 && !platform::IsWouldBlockError(code)) RaiseSocketError(operation, code);
}

void TAdvInternet::RaiseSocketError(std::string_view operation, int32_t code) {
  throw EAdvInternet(this, platform::SocketErrorText(code), code, operation);
}

void TAdvInternet::RaiseCancelled(std::string_view operation) {
  RaiseSocketError(operation, platform::CancelledError());
}

void TAdvInternet::Make() {
  if (IsCancelled()) RaiseCancelled("Make-socket");
  const platform::TSocketHandle handle =
      platform::SocketCreate(AddressFamily(), SocketType(), Protocol());
  if (handle == platform::kNoSocket) RaiseSocketError("Make-socket", platform::LastSocketError());
  {
    std::lock_guard<std::mutex> guard(m_handleLock);
    if (m_handle != platform::kNoSocket) platform::SocketClose(m_handle);
    m_handle = handle;
  }
  m_state = TAdvSocketState::Created;
  m_blocking = true;
  m_tls.reset();
  // A Cancel that came in before the handle was published found none to
  // shut down: see it now.
  if (IsCancelled()) platform::SocketShutdown(handle);
}

void TAdvInternet::Adopt(platform::TSocketHandle handle) {
  {
    std::lock_guard<std::mutex> guard(m_handleLock);
    if (m_handle != platform::kNoSocket) platform::SocketClose(m_handle);
    m_handle = handle;
  }
  m_state = TAdvSocketState::Connected;
  m_blocking = true;
  m_tls.reset();
}

void TAdvInternet::Close() {
  m_tls.reset();
  std::lock_guard<std::mutex> guard(m_handleLock);
  if (m_handle != platform::kNoSocket) platform::SocketClose(m_handle);
  m_handle = platform::kNoSocket;
  m_state = TAdvSocketState::Closed;
}

bool TAdvInternet::Active() const {
  return m_state == TAdvSocketState::Connected || m_state == TAdvSocketState::Listening ||
         m_state == TAdvSocketState::Connecting;
}

void TAdvInternet::Cancel() {
  m_cancelled.store(true, std::memory_order_release);
  std::lock_guard<std::mutex> guard(m_handleLock);
  if (m_handle != platform::kNoSocket) platform::SocketShutdown(m_handle);
}

void TAdvInternet::SetCancelSignal(std::shared_ptr<TAdvCancelSignal> signal) {
  if (m_signal) m_signal->Detach(this);
  m_signal = std::move(signal);
  if (m_signal && !m_signal->Attach(this)) Cancel();
}

void TAdvInternet::SetBlocking(bool blocking) {
  if (m_handle == platform::kNoSocket) Make();
  // The system socket stays non-blocking; the flag decides whether this
  // object waits (see the header).
  m_blocking = blocking;
}

// ---------------------------------------------------------------------------
// Connecting

void TAdvInternet::Connect(const std::string& address) {
  if (m_state == TAdvSocketState::Connected || m_state == TAdvSocketState::Listening)
    Fail("Connect", "Cannot connect using an open socket");
  if (m_state == TAdvSocketState::Connecting) {
    try {
      FinishConnecting();
    } catch (...) {
      Close();
      throw;
    }
    return;
  }
  ConnectTo(address);
}

void TAdvInternet::ConnectTo(const std::string& address) {
  // Host and port are checked before anything touches the network.
  const size_t colon = address.find(':');
  if (colon == std::string::npos)
    Fail("Connect", "Unable to connect with address '" + address + "'");
  const std::string host = address.substr(0, colon);
  const std::string portText = address.substr(colon + 1);
  uint32_t port = 0;
  bool portValid = !portText.empty() && portText.size() <= 5;
  for (char c : portText) {
    if (c < '0' || c > '9') portValid = false;
    if (portValid) port = port * 10 + uint32_t(c - '0');
  }
  if (!portValid || port == 0 || port > 65535)
    Fail("Connect", "Unable to connect with address '" + address + "'");
  m_host = host;
  if (m_state == TAdvSocketState::Closed) Make();
  try {
    uint32_t ip = 0;
    std::string lookupError;
    if (!platform::LookupHostIPv4(host, ip, lookupError, PollTimeout(m_connectTimeout),
                                  [this] { return IsCancelled(); })) {
      if (IsCancelled()) RaiseCancelled("Connect-lookup");
      Fail("Connect-lookup", "Unable to find the address of '" + host + "': " + lookupError);
    }
    // 0.0.0.0 would reach this machine on some systems: never a relay.
    if (ip == 0) Fail("Connect", "Unable to connect with address '" + address + "'");
    if (platform::SocketConnect(m_handle, ip, static_cast<uint16_t>(port)) == 0) {
      m_state = TAdvSocketState::Connected;
      return;
    }
    const int32_t code = platform::LastSocketError();
    if (!platform::IsWouldBlockError(code)) RaiseSocketError("Connect-connect", code);
    m_state = TAdvSocketState::Connecting;
    if (m_blocking) FinishConnecting();
  } catch (...) {
    Close();
    throw;
  }
}

void TAdvInternet::FinishConnecting() {
  Await(false, m_connectTimeout, "Connect-connect");
  const int32_t code = platform::SocketPendingError(m_handle);
  if (IsCancelled()) RaiseCancelled("Connect-connect");
  if (code != 0) RaiseSocketError("Connect-connect", code);
  m_state = TAdvSocketState::Connected;
}

// ---------------------------------------------------------------------------
// Listening

void TAdvInternet::Listen(int32_t port) {
  if (m_state != TAdvSocketState::Closed && m_state != TAdvSocketState::Created)
    Fail("Listen", "Cannot listen on an open socket");
  if (m_state == TAdvSocketState::Closed) Make();
  try {
    if (port < 0 || port > 65535) RaiseSocketError("Listen-bind", EINVAL);
    Check("Listen-bind", platform::SocketBind(m_handle, 0, static_cast<uint16_t>(port)));
  } catch (...) {
    Close();
    throw;
  }
  m_state = TAdvSocketState::Listening;
}

void TAdvSocket::Listen(int32_t port) {
  TAdvInternet::Listen(port);
  try {
    Check("Listen-listen", platform::SocketListen(Handle(), kBacklog));
  } catch (...) {
    Close();
    throw;
  }
}

TAdvRef<TAdvTransport> TAdvInternet::Accept() {
  if (m_state != TAdvSocketState::Listening)
    Fail("Accept", "Can only accept connections on a listening socket");
  if (m_blocking) {
    bool readable = false, writable = false, failed = false;
    if (IsCancelled()) RaiseCancelled("Accept-accept");
    const int32_t ready = platform::SocketWait(m_handle, true, false, PollTimeout(m_receiveTimeout),
                                               readable, writable, failed);
    Check("Accept-accept", ready < 0 ? -1 : 0);
    if (IsCancelled()) RaiseCancelled("Accept-accept");
    if (ready == 0) return nullptr;
  }
  const platform::TSocketHandle handle = platform::SocketAccept(m_handle);
  if (handle == platform::kNoSocket) {
    Check("Accept-accept", -1);
    return nullptr;
  }
  TAdvRef<TAdvObject> made(ClassType()->Create());
  auto* accepted = AdvCast<TAdvInternet>(made.Get());
  if (!accepted) {
    platform::SocketClose(handle);
    return nullptr;
  }
  accepted->Adopt(handle);
  accepted->m_connectTimeout = m_connectTimeout;
  accepted->m_receiveTimeout = m_receiveTimeout;
  accepted->m_sendTimeout = m_sendTimeout;
  made.Detach();
  return TAdvRef<TAdvTransport>(accepted);
}

// ---------------------------------------------------------------------------
// Waiting

bool TAdvInternet::Select(bool read, bool write, uint32_t milliseconds, bool error) {
  if (!Active()) Fail("Select", "Can only select on open sockets");
  bool readable = false, writable = false, failed = false;
  const int32_t ready = platform::SocketWait(m_handle, read, write, PollTimeout(milliseconds),
                                             readable, writable, failed);
  Check("Select-select", ready < 0 ? -1 : 0);
  if (ready <= 0) return false;
  return (read && readable) || (write && writable) || (error && failed);
}

bool TAdvInternet::WaitForRead(uint32_t milliseconds) {
  if (m_tls && m_tls->Pending() > 0) return true;
  return Select(true, false, milliseconds, false);
}

bool TAdvInternet::WaitForWrite(uint32_t milliseconds) {
  if (!Active()) Fail("Select", "Can only select on open sockets");
  bool readable = false, writable = false, failed = false;
  const int32_t ready = platform::SocketWait(m_handle, false, true, PollTimeout(milliseconds),
                                             readable, writable, failed);
  Check("Select-select", ready < 0 ? -1 : 0);
  if (ready <= 0) return false;
  if (m_state == TAdvSocketState::Connecting &&
      (failed || platform::SocketPendingError(m_handle) != 0))
    Fail("WaitForWrite", "Unable to connect.");
  if (m_state == TAdvSocketState::Connecting && writable) m_state = TAdvSocketState::Connected;
  return writable;
}

void TAdvInternet::Await(bool forRead, uint32_t timeout, std::string_view operation) {
  if (IsCancelled()) RaiseCancelled(operation);
  if (m_handle == platform::kNoSocket) Fail(operation, "Can only select on open sockets");
  bool readable = false, writable = false, failed = false;
  const int32_t ready = platform::SocketWait(m_handle, forRead, !forRead, PollTimeout(timeout),
                                             readable, writable, failed);
  // A Cancel shuts the socket down, which wakes this wait as a hang-up.
  if (IsCancelled()) RaiseCancelled(operation);
  if (ready < 0) RaiseSocketError(operation, platform::LastSocketError());
  if (ready == 0) RaiseSocketError(operation, platform::TimedOutError());
}

int64_t TAdvInternet::BytesAvailable() {
  if (m_tls && m_tls->Pending() > 0) return static_cast<int64_t>(m_tls->Pending());
  if (m_handle == platform::kNoSocket) return 0;
  const int64_t count = platform::SocketBytesAvailable(m_handle);
  return count < 0 ? 0 : count;
}

int64_t TAdvInternet::Readable() {
  if (!Active()) return 0;
  return WaitForRead(0) ? 2147483647 : 0;
}

// ---------------------------------------------------------------------------
// Receiving and sending

uint32_t TAdvInternet::RawReceive(void* buffer, uint32_t size, bool wait) {
  for (;;) {
    if (IsCancelled()) RaiseCancelled("Read-recv");
    if (m_handle == platform::kNoSocket) Fail("Read", "Disconnection detected");
    const int64_t got = platform::SocketReceive(m_handle, buffer, size);
    if (got >= 0) {
      // A shutdown by Cancel also reads as the end of data.
      if (got == 0 && IsCancelled()) RaiseCancelled("Read-recv");
      return static_cast<uint32_t>(got);
    }
    const int32_t code = platform::LastSocketError();
    if (!platform::IsWouldBlockError(code)) RaiseSocketError("Read-recv", code);
    if (!wait) return 0;
    Await(true, m_receiveTimeout, "Read-recv");
  }
}

uint32_t TAdvInternet::RawSend(const void* buffer, uint32_t size, bool wait) {
  for (;;) {
    if (IsCancelled()) RaiseCancelled("Write-send");
    if (m_handle == platform::kNoSocket) Fail("Write", "Disconnection detected");
    const int64_t sent = platform::SocketSend(m_handle, buffer, size);
    if (sent > 0) return static_cast<uint32_t>(sent);
    if (sent == 0) Fail("Write", "Disconnection detected");
    const int32_t code = platform::LastSocketError();
    if (!platform::IsWouldBlockError(code)) RaiseSocketError("Write-send", code);
    if (!wait) return 0;
    Await(false, m_sendTimeout, "Write-send");
  }
}

void TAdvInternet::RawSendAll(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(bytes.size() - done, 1u << 20));
    done += RawSend(bytes.data() + done, piece, true);
  }
}

uint32_t TAdvInternet::TlsReceive(void* buffer, uint32_t size) {
  char incoming[16384];
  for (;;) {
    size_t count = 0;
    const platform::TTlsStatus status = m_tls->Read(buffer, size, count);
    if (status == platform::TTlsStatus::Done) return static_cast<uint32_t>(count);
    if (status == platform::TTlsStatus::Closed) return 0;
    if (status == platform::TTlsStatus::Failed) Fail("Read-tls", m_tls->LastError());
    RawSendAll(m_tls->TakeOutput());
    const uint32_t got = RawReceive(incoming, sizeof incoming, true);
    if (got == 0) return 0;
    m_tls->PutInput(incoming, got);
  }
}

void TAdvInternet::ReceiveSome(void* buffer, uint32_t size, uint32_t& received) {
  received = 0;
  if (size == 0) return;
  if (m_tls) {
    if (!m_blocking && m_tls->Pending() == 0 && !WaitForRead(0)) return;
    received = TlsReceive(buffer, size);
    return;
  }
  received = RawReceive(buffer, size, m_blocking);
}

void TAdvInternet::SendSome(const void* buffer, uint32_t size, uint32_t& sent) {
  sent = 0;
  if (size == 0) return;
  if (m_tls) {
    // Encrypting never waits; the encrypted bytes then go out in full.
    platform::TTlsStatus status = m_tls->Write(buffer, size);
    while (status == platform::TTlsStatus::WantInput) {
      RawSendAll(m_tls->TakeOutput());
      char incoming[16384];
      const uint32_t got = RawReceive(incoming, sizeof incoming, true);
      if (got == 0) Fail("Write", "Disconnection detected");
      m_tls->PutInput(incoming, got);
      status = m_tls->Write(buffer, size);
    }
    if (status != platform::TTlsStatus::Done) Fail("Write-tls", m_tls->LastError());
    RawSendAll(m_tls->TakeOutput());
    sent = size;
    return;
  }
  sent = RawSend(buffer, size, m_blocking);
}

void TAdvInternet::Read(void* buffer, uint32_t count) {
  auto* bytes = static_cast<char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    const uint32_t got = m_tls ? TlsReceive(bytes + done, count - done)
                               : RawReceive(bytes + done, count - done, true);
    if (got == 0) Fail("Read", "Disconnection detected");
    done += got;
  }
}

void TAdvInternet::Write(const void* buffer, uint32_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    uint32_t sent = 0;
    if (m_tls) {
      SendSome(bytes + done, count - done, sent);
    } else {
      sent = RawSend(bytes + done, count - done, true);
    }
    if (sent == 0) Fail("Write", "Disconnection detected");
    done += sent;
  }
}

// ---------------------------------------------------------------------------
// TLS

void TAdvInternet::StartTls(const std::string& serverName, const std::string& trustFile) {
  if (m_state != TAdvSocketState::Connected) Fail("StartTls", "The socket is not connected");
  if (m_tls) Fail("StartTls", "The connection is already encrypted");
  auto session = std::make_unique<platform::TTlsSession>();
  std::string error;
  if (!session->Begin(serverName, trustFile, error)) Fail("StartTls", error);
  char incoming[16384];
  for (;;) {
    const platform::TTlsStatus status = session->Handshake();
    RawSendAll(session->TakeOutput());
    if (status == platform::TTlsStatus::Done) break;
    if (status != platform::TTlsStatus::WantInput)
      Fail("StartTls", status == platform::TTlsStatus::Closed ? "Disconnection detected"
                                                              : session->LastError());
    const uint32_t got = RawReceive(incoming, sizeof incoming, true);
    if (got == 0) Fail("StartTls", "Disconnection detected");
    session->PutInput(incoming, got);
  }
  m_tls = std::move(session);
}

std::string TAdvInternet::TlsProtocol() const {
  return m_tls ? m_tls->ProtocolName() : std::string();
}

// ---------------------------------------------------------------------------
// TAdvSocket

uint32_t TAdvSocket::GetLocalAddress() {
  if (Handle() == platform::kNoSocket) Make();
  uint32_t address = 0;
  uint16_t port = 0;
  Check("GetLocalAddress-getsockname", platform::SocketLocalAddress(Handle(), address, port));
  return address;
}

uint32_t TAdvSocket::GetRemoteAddress() {
  if (Handle() == platform::kNoSocket) RaiseSocketError("GetRemoteAddress-getpeername", ENOTCONN);
  uint32_t address = 0;
  uint16_t port = 0;
  Check("GetRemoteAddress-getpeername", platform::SocketPeerAddress(Handle(), address, port));
  return address;
}

uint16_t TAdvSocket::LocalPort() {
  if (Handle() == platform::kNoSocket) Make();
  uint32_t address = 0;
  uint16_t port = 0;
  Check("GetLocalAddress-getsockname", platform::SocketLocalAddress(Handle(), address, port));
  return port;
}

std::string TAdvSocket::RemoteAddressText() {
  return platform::IPv4Text(GetRemoteAddress());
}

bool AdvStartSockets(std::string& message) {
  message.clear();
  return true;
}

bool AdvStopSockets(std::string& message) {
  message.clear();
  return true;
}
