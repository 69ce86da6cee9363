#include "platform/TlsSessions.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "platform/Sockets.h"

namespace platform {

struct TTlsSession::TState {
  SSL_CTX* Context = nullptr;
  SSL* Session = nullptr;
  BIO* Input = nullptr;   // owned by Session once attached
  BIO* Output = nullptr;  // owned by Session once attached

  ~TState() {
    if (Session) SSL_free(Session);  // frees both BIOs
    if (Context) SSL_CTX_free(Context);
  }
};

namespace {

// The library's queued reasons, oldest first, joined; clears the queue.
std::string DrainErrors() {
  std::string text;
  while (const unsigned long code = ERR_get_error()) {
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    if (!text.empty()) text += "; ";
    text += buffer;
  }
  return text;
}

}  // namespace

TTlsSession::TTlsSession() : m_state(std::make_unique<TState>()) {}

TTlsSession::~TTlsSession() = default;

bool TTlsSession::Begin(const std::string& serverName, const std::string& trustFile,
                        std::string& error) {
  ERR_clear_error();
  TState& s = *m_state;
  s.Context = SSL_CTX_new(TLS_client_method());
  if (!s.Context) {
    error = DrainErrors();
    return false;
  }
  SSL_CTX_set_min_proto_version(s.Context, TLS1_2_VERSION);
  SSL_CTX_set_verify(s.Context, SSL_VERIFY_PEER, nullptr);
  const int trusted = trustFile.empty()
                          ? SSL_CTX_set_default_verify_paths(s.Context)
                          : SSL_CTX_load_verify_locations(s.Context, trustFile.c_str(), nullptr);
  if (trusted != 1) {
    error = "Unable to load the trusted certificates" +
            (trustFile.empty() ? std::string() : " from '" + trustFile + "'") + ": " +
            DrainErrors();
    return false;
  }
  s.Session = SSL_new(s.Context);
  s.Input = BIO_new(BIO_s_mem());
  s.Output = BIO_new(BIO_s_mem());
  if (!s.Session || !s.Input || !s.Output) {
    if (s.Input) BIO_free(s.Input);
    if (s.Output) BIO_free(s.Output);
    s.Input = s.Output = nullptr;
    error = DrainErrors();
    return false;
  }
  SSL_set_bio(s.Session, s.Input, s.Output);
  SSL_set_connect_state(s.Session);

  uint32_t address = 0;
  X509_VERIFY_PARAM* check = SSL_get0_param(s.Session);
  const bool named = !ParseIPv4(serverName, address);
  const int matched = named ? X509_VERIFY_PARAM_set1_host(check, serverName.c_str(), 0)
                            : X509_VERIFY_PARAM_set1_ip_asc(check, serverName.c_str());
  if (matched != 1 || (named && SSL_set_tlsext_host_name(s.Session, serverName.c_str()) != 1)) {
    error = "Unable to check certificates for '" + serverName + "': " + DrainErrors();
    return false;
  }
  return true;
}

TTlsStatus TTlsSession::Outcome(int result) {
  if (result == 1) return TTlsStatus::Done;
  const int reason = SSL_get_error(m_state->Session, result);
  switch (reason) {
    case SSL_ERROR_WANT_READ:
      return TTlsStatus::WantInput;
    case SSL_ERROR_ZERO_RETURN:
      return TTlsStatus::Closed;
    default:
      break;
  }
  m_error = DrainErrors();
  const long verified = SSL_get_verify_result(m_state->Session);
  if (verified != X509_V_OK) {
    m_error = std::string("The server's certificate was refused: ") +
              X509_verify_cert_error_string(verified) +
              (m_error.empty() ? std::string() : " (" + m_error + ")");
  } else if (m_error.empty()) {
    m_error = "TLS failure " + std::to_string(reason);
  }
  return TTlsStatus::Failed;
}

TTlsStatus TTlsSession::Handshake() {
  if (!m_state->Session) return TTlsStatus::Failed;
  ERR_clear_error();
  return Outcome(SSL_do_handshake(m_state->Session));
}

TTlsStatus TTlsSession::Read(void* buffer, size_t size, size_t& count) {
  count = 0;
  if (!m_state->Session) return TTlsStatus::Failed;
  ERR_clear_error();
  return Outcome(SSL_read_ex(m_state->Session, buffer, size, &count));
}

TTlsStatus TTlsSession::Write(const void* buffer, size_t size) {
  if (!m_state->Session) return TTlsStatus::Failed;
  if (size == 0) return TTlsStatus::Done;
  ERR_clear_error();
  size_t written = 0;
  // The output is a memory buffer, so a write completes at once unless the
  // session first needs the peer's answer (renegotiation).
  return Outcome(SSL_write_ex(m_state->Session, buffer, size, &written));
}

std::string TTlsSession::TakeOutput() {
  std::string bytes;
  if (!m_state->Output) return bytes;
  const size_t waiting = BIO_ctrl_pending(m_state->Output);
  if (waiting == 0) return bytes;
  bytes.resize(waiting);
  const int got = BIO_read(m_state->Output, bytes.data(), static_cast<int>(waiting));
  bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return bytes;
}

void TTlsSession::PutInput(const void* data, size_t size) {
  if (m_state->Input && size > 0) BIO_write(m_state->Input, data, static_cast<int>(size));
}

size_t TTlsSession::Pending() const {
  return m_state->Session ? static_cast<size_t>(SSL_pending(m_state->Session)) : 0;
}

std::string TTlsSession::ProtocolName() const {
  if (!m_state->Session || !SSL_is_init_finished(m_state->Session)) return {};
  return SSL_get_version(m_state->Session);
}

}  // namespace platform
