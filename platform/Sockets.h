// The system's TCP/IPv4 sockets, reduced to what the mail client and the
// reverse look-ups need: create, connect, bind, listen, accept, wait with a
// time-out, send and receive, shut down, addresses and name look-up.
//
// Every socket made here is non-blocking and close-on-exec at the system
// level, so no call can block without a bound: the caller waits for
// readiness with SocketWait (poll) and a time-out of its choice. Sends never
// raise SIGPIPE.
//
// Results follow the system's convention: 0 (or a count, or a handle) for
// success and -1 for failure, with the error code (an errno value) kept for
// the calling thread in LastSocketError, the way the socket library of other
// systems keeps it.
//
// Addresses are IPv4 in host order: the most significant byte is the first
// part of the dotted form.
//
// Thread safety: every function may be called from any thread. A handle is
// used by one thread, except that SocketShutdown may be called from another
// thread to end a wait on it: the waiting SocketWait returns at once and the
// socket reports end of data (and refuses further sends).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

using TSocketHandle = int32_t;
constexpr TSocketHandle kNoSocket = -1;

constexpr int32_t kAddressFamilyInternet = 2;  // AF_INET
constexpr int32_t kSocketTypeStream = 1;       // SOCK_STREAM
constexpr int32_t kProtocolTcp = 6;            // IPPROTO_TCP

// The error code of the calling thread's last failed call here (0 if none).
int32_t LastSocketError();
// True for the codes that only say "not yet": would block, in progress.
bool IsWouldBlockError(int32_t code);
// The code of a time-out (ETIMEDOUT) and of a cancelled wait (ECANCELED).
int32_t TimedOutError();
int32_t CancelledError();
// The system's text for a code.
std::string SocketErrorText(int32_t code);

// A new non-blocking, close-on-exec socket, or kNoSocket.
TSocketHandle SocketCreate(int32_t family, int32_t type, int32_t protocol);
int32_t SocketClose(TSocketHandle handle);
// Ends both directions; a thread waiting on the socket wakes up. Safe to
// call on a socket that is connecting or not connected at all.
int32_t SocketShutdown(TSocketHandle handle);

// Starts connecting. 0 when connected at once; -1 with a would-block code
// when the connection is under way (wait for writing, then ask
// SocketPendingError); -1 with another code when it failed.
int32_t SocketConnect(TSocketHandle handle, uint32_t address, uint16_t port);
// The outcome of a finished connection attempt: 0 or the error code.
int32_t SocketPendingError(TSocketHandle handle);
// Binds to `address` (0: all local interfaces) with address reuse, so a
// listener can be reopened at once on the same port.
int32_t SocketBind(TSocketHandle handle, uint32_t address, uint16_t port);
int32_t SocketListen(TSocketHandle handle, int32_t backlog);
// A waiting connection as a new non-blocking socket, or kNoSocket.
TSocketHandle SocketAccept(TSocketHandle handle);

// Waits up to `milliseconds` (negative: without limit) for the socket to
// become readable and/or writable as asked. Returns 1 when it did, 0 on
// time-out, -1 on failure. `readable`, `writable` and `failed` (error or
// hang-up) report what the system saw; a hang-up counts as readable, so the
// next receive reports the end. Interrupted waits resume with the time left.
int32_t SocketWait(TSocketHandle handle, bool wantRead, bool wantWrite, int32_t milliseconds,
                   bool& readable, bool& writable, bool& failed);

// Receives up to `size` bytes: the count, 0 at the end of data, -1 on
// failure (a would-block code when nothing is waiting).
int64_t SocketReceive(TSocketHandle handle, void* buffer, uint64_t size);
// Sends up to `size` bytes: the count, or -1 (a would-block code when the
// system's buffer is full).
int64_t SocketSend(TSocketHandle handle, const void* buffer, uint64_t size);
// Bytes waiting to be received, or -1.
int64_t SocketBytesAvailable(TSocketHandle handle);

int32_t SocketLocalAddress(TSocketHandle handle, uint32_t& address, uint16_t& port);
int32_t SocketPeerAddress(TSocketHandle handle, uint32_t& address, uint16_t& port);

// A dotted IPv4 text ("192.168.1.5") as an address; false for anything else.
bool ParseIPv4(const std::string& text, uint32_t& address);
std::string IPv4Text(uint32_t address);

// The first IPv4 address of `host`: a dotted address is taken as it is,
// anything else is looked up by name. The look-up runs on a helper thread so
// that the caller waits at most `milliseconds` and stops waiting as soon as
// `cancelled` (asked every few milliseconds, may be empty) says so. False
// with the system's text in `error` when the name is unknown, the look-up
// failed, timed out or was cancelled; never an address of 0.
bool LookupHostIPv4(const std::string& host, uint32_t& address, std::string& error,
                    int32_t milliseconds = 30000, const std::function<bool()>& cancelled = {});

// The machine's host name as the system reports it; empty when it has none.
std::string LocalHostName();

}  // namespace platform
