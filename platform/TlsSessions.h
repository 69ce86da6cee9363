// The client side of a TLS session as a pure transformation: the caller
// moves the encrypted bytes between the session and its socket itself
// (PutInput what arrived, TakeOutput what must be sent), so the socket's own
// time-outs and cancellation stay in force during the handshake and
// afterwards, and the session never touches a descriptor.
//
// The peer's certificate is always verified: against the system's trusted
// authorities, or against the certificates of one PEM file when the caller
// names one, and it must match the server name (a host name, or a dotted
// address matched against the certificate's IP entries). TLS 1.2 is the
// oldest version accepted.
//
// Thread safety: a session is used by one thread at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace platform {

enum class TTlsStatus {
  Done,       // the operation completed
  WantInput,  // send TakeOutput, then PutInput what the peer sends, then retry
  Closed,     // the peer ended the session cleanly
  Failed,     // see LastError
};

class TTlsSession {
 public:
  TTlsSession();
  ~TTlsSession();
  TTlsSession(const TTlsSession&) = delete;
  TTlsSession& operator=(const TTlsSession&) = delete;

  // Prepares a client session for `serverName`. `trustFile` is a PEM file of
  // trusted certificates used instead of the system's store; empty for the
  // store. False, with the reason in `error`, when that fails.
  bool Begin(const std::string& serverName, const std::string& trustFile, std::string& error);

  TTlsStatus Handshake();
  // Decrypted bytes into `buffer`: Done with `count` > 0, or another status.
  TTlsStatus Read(void* buffer, size_t size, size_t& count);
  // Encrypts all of `buffer` (Done) into the output.
  TTlsStatus Write(const void* buffer, size_t size);

  // Encrypted bytes for the peer; empty when there are none.
  std::string TakeOutput();
  // Encrypted bytes that arrived from the peer.
  void PutInput(const void* data, size_t size);
  // Decrypted bytes that can be read without further input.
  size_t Pending() const;

  // What went wrong last: the library's reason and, when the certificate
  // was refused, why.
  const std::string& LastError() const { return m_error; }
  // The negotiated protocol, e.g. "TLSv1.3"; empty before the handshake.
  std::string ProtocolName() const;

 private:
  TTlsStatus Outcome(int result);

  struct TState;
  std::unique_ptr<TState> m_state;
  std::string m_error;
};

}  // namespace platform
