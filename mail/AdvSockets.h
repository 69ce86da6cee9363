// Transports and TCP sockets: a connection used as a stream of bytes.
//
// TAdvTransport is the abstract connection (connect, listen, accept, close);
// TAdvInternet is an IPv4 socket of the system; TAdvSocket is its TCP form,
// which the SMTP client builds on.
//
// Nothing here blocks without a bound. The system socket is non-blocking and
// every wait is a poll with a time-out: ConnectTimeout for connecting (the
// name look-up included), ReceiveTimeout for each wait for incoming data and
// SendTimeout for each wait for room to send. A wait that runs out raises the
// system's time-out error; a cancelled one the system's cancellation error.
// Cancel (or a TAdvCancelSignal the socket is attached to) may be called from
// any thread: it shuts the socket down, which ends the wait in progress at
// once, and every later operation fails. That is how an owner stops a sender
// that is talking to a silent server.
//
// The blocking flag keeps its meaning for callers: with it set (the default)
// Connect returns connected, and ReceiveSome and SendSome wait (bounded) for
// progress; cleared, Connect may return in state Connecting and the two
// return at once with what moved. Read and Write always wait for all bytes.
//
// After StartTls the connection is encrypted: everything read and written
// passes through a TLS session whose encrypted bytes go over this socket
// with the same time-outs and cancellation.
//
// Thread safety: a socket is used by one thread; only Cancel, and the
// TAdvCancelSignal it is attached to, may be used from others.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvStreams.h"
#include "core/AdvThreads.h"
#include "platform/Sockets.h"

namespace platform {
class TTlsSession;
}

class TAdvInternet;

// A switch that an owner flips to abort the network operation a sender is
// blocked in, whichever socket it uses at that moment. Once cancelled it
// stays so (until Reset): attached sockets fail their current and next
// operations, and a socket attached later fails at once. Thread-safe.
class TAdvCancelSignal {
 public:
  void Cancel();
  bool IsCancelled() const { return m_cancelled.load(std::memory_order_acquire); }
  // Clears the switch for a new attempt; sockets already cancelled stay so.
  void Reset() { m_cancelled.store(false, std::memory_order_release); }

 private:
  friend class TAdvInternet;
  // False (and not attached) when the signal is already cancelled.
  bool Attach(TAdvInternet* socket);
  void Detach(TAdvInternet* socket);

  std::mutex m_lock;
  std::atomic<bool> m_cancelled{false};
  std::vector<TAdvInternet*> m_sockets;  // guarded by m_lock; not owned
};

class TAdvTransport : public TAdvStream {
  ADV_CLASS(TAdvTransport)
  ADV_RAISES(EAdvTransport)

  // `address` is "host:port".
  virtual void Connect(const std::string& address) {}
  virtual void Listen(int32_t port) {}
  virtual void Close() {}
  // A new connection, or null.
  virtual TAdvRef<TAdvTransport> Accept() { return nullptr; }
  // Connected, listening or connecting.
  virtual bool Active() const { return false; }
  virtual std::string RemoteAddressText() { return {}; }

 protected:
  // Destroying a transport closes it first.
  void BeforeDestruction() override;
};

enum class TAdvSocketState : int32_t {
  Closed = 0,
  Created = 1,
  Connected = 2,
  Listening = 3,
  Connecting = 4,
};

class TAdvInternet : public TAdvTransport {
  ADV_CLASS(TAdvInternet)
  ADV_RAISES(EAdvInternet)

  static constexpr uint32_t kDefaultConnectTimeout = 30000;
  static constexpr uint32_t kDefaultReceiveTimeout = 60000;
  static constexpr uint32_t kDefaultSendTimeout = 60000;

  TAdvInternet();

  // Exactly `count` bytes; "Disconnection detected" when the peer closes.
  void Read(void* buffer, uint32_t count) override;
  void Write(const void* buffer, uint32_t count) override;
  // 2147483647 when data is waiting (a zero-time wait), else 0.
  int64_t Readable() override;
  int64_t Writeable() override { return 2147483647; }

  // From Closed makes the socket; from Created resolves "host:port" and
  // connects; from Connecting waits until connected. The host is a dotted
  // IPv4 address or a name; 0.0.0.0 and names without an address are
  // refused. A failure closes the socket before it propagates.
  void Connect(const std::string& address) override;
  // Binds to all local interfaces on `port` (0: a free port); Listening.
  void Listen(int32_t port) override;
  void Close() override;
  // Only when Listening: the next connection as a new object of this class,
  // Connected and blocking. With the blocking flag set it waits up to
  // ReceiveTimeout for one; null when none came.
  TAdvRef<TAdvTransport> Accept() override;
  bool Active() const override;

  // Raises the socket error of the calling thread for `operation` when
  // `result` is not 0 and that error is a real one (not "would block").
  virtual void Check(std::string_view operation, int32_t result);
  // EAdvInternet "%s [%d]" of the system's text for `code` and the code.
  [[noreturn]] virtual void RaiseSocketError(std::string_view operation, int32_t code);
  virtual int32_t AddressFamily() const { return platform::kAddressFamilyInternet; }
  virtual int32_t SocketType() const { return 0; }
  virtual int32_t Protocol() const { return 0; }
  // Whether the socket became readable (writable) within `milliseconds`.
  virtual bool WaitForRead(uint32_t milliseconds);
  // Raises "Unable to connect." when a connection under way failed.
  virtual bool WaitForWrite(uint32_t milliseconds);
  virtual int64_t BytesAvailable();
  // One receive (one send): `received` is 0 at the end of data, and also
  // when the socket is non-blocking and nothing was waiting.
  virtual void ReceiveSome(void* buffer, uint32_t size, uint32_t& received);
  virtual void SendSome(const void* buffer, uint32_t size, uint32_t& sent);

  // Creates the system socket: Created, blocking.
  void Make();
  // Makes the socket first when there is none.
  void SetBlocking(bool blocking);
  bool Blocking() const { return m_blocking; }
  // Waits for the asked readiness; true when the socket became ready.
  // Raises "Can only select on open sockets" unless connected, listening or
  // connecting.
  bool Select(bool read, bool write, uint32_t milliseconds, bool error);

  TAdvSocketState State() const { return m_state; }
  platform::TSocketHandle Handle() const { return m_handle; }

  // Time-outs in milliseconds (kAdvInfinite: none). Set before use.
  uint32_t ConnectTimeout() const { return m_connectTimeout; }
  uint32_t ReceiveTimeout() const { return m_receiveTimeout; }
  uint32_t SendTimeout() const { return m_sendTimeout; }
  void SetConnectTimeout(uint32_t milliseconds) { m_connectTimeout = milliseconds; }
  void SetReceiveTimeout(uint32_t milliseconds) { m_receiveTimeout = milliseconds; }
  void SetSendTimeout(uint32_t milliseconds) { m_sendTimeout = milliseconds; }

  // Any thread: aborts the operation in progress and every later one.
  void Cancel();
  bool IsCancelled() const { return m_cancelled.load(std::memory_order_acquire); }
  // Attaches the socket to `signal` (may be null to detach).
  void SetCancelSignal(std::shared_ptr<TAdvCancelSignal> signal);

  // Encrypts the connected socket: a TLS handshake as the client of
  // `serverName`, whose certificate must verify against the system's
  // authorities or against `trustFile` (PEM) when one is given.
  void StartTls(const std::string& serverName, const std::string& trustFile = {});
  bool IsEncrypted() const { return m_tls != nullptr; }
  // The negotiated protocol ("TLSv1.3"), empty when not encrypted.
  std::string TlsProtocol() const;

  // The host part of the last address given to Connect.
  const std::string& Host() const { return m_host; }

 protected:
  ~TAdvInternet() override;

  // Raises EAdvInternet whatever class this object is: errors of the socket
  // layer keep their exception class in descendants that raise others.
  [[noreturn]] void Fail(std::string_view operation, std::string_view message) const;
  // Takes over a connected system socket (from Accept).
  void Adopt(platform::TSocketHandle handle);

 private:
  void ConnectTo(const std::string& address);
  void FinishConnecting();
  // Waits, bounded and cancellable, until the socket is readable or
  // writable; raises the time-out or cancellation error for `operation`.
  void Await(bool forRead, uint32_t timeout, std::string_view operation);
  // Plain socket I/O under TLS or without it; Await first when `wait`.
  uint32_t RawReceive(void* buffer, uint32_t size, bool wait);
  uint32_t RawSend(const void* buffer, uint32_t size, bool wait);
  void RawSendAll(const std::string& bytes);
  uint32_t TlsReceive(void* buffer, uint32_t size);
  void RaiseCancelled(std::string_view operation);

  platform::TSocketHandle m_handle = platform::kNoSocket;  // written under m_handleLock
  TAdvSocketState m_state = TAdvSocketState::Closed;
  bool m_blocking = true;
  uint32_t m_connectTimeout = kDefaultConnectTimeout;
  uint32_t m_receiveTimeout = kDefaultReceiveTimeout;
  uint32_t m_sendTimeout = kDefaultSendTimeout;
  std::string m_host;
  std::unique_ptr<platform::TTlsSession> m_tls;

  // Cancel may run on another thread: it reads the handle under this lock,
  // and the owner closes and replaces the handle only under it, so a
  // shutdown never reaches a descriptor number that was reused.
  std::mutex m_handleLock;
  std::atomic<bool> m_cancelled{false};
  std::shared_ptr<TAdvCancelSignal> m_signal;
};

class TAdvSocket : public TAdvInternet {
  ADV_CLASS(TAdvSocket)

  static constexpr int32_t kBacklog = 5;

  int32_t SocketType() const override { return platform::kSocketTypeStream; }
  int32_t Protocol() const override { return platform::kProtocolTcp; }
  void Listen(int32_t port) override;
  // "%d.%d.%d.%d" of the remote address.
  std::string RemoteAddressText() override;

  // IPv4 addresses in host order (the first part of the dotted form is the
  // most significant byte). GetLocalAddress makes the socket first when
  // there is none.
  virtual uint32_t GetLocalAddress();
  virtual uint32_t GetRemoteAddress();
  // The local port (a listener on port 0 learns its port here).
  uint16_t LocalPort();
};

// The system's socket library needs no start or stop on this platform; these
// exist for the application's start-up and shutdown and always succeed. On a
// failure they would fill `message` with the text to show the user.
bool AdvStartSockets(std::string& message);
bool AdvStopSockets(std::string& message);
