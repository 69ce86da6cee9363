// The mail settings: which relay to send through and as whom, the recipient
// lists proposed for a new trigger, and whether interactive messages use
// SMTP instead of the desktop's mail program. Stored in the application
// settings as the object field "Emails".
//
// Stored fields, in order: "Style", "Server", "Port", "Sender", then the
// optional "TosLast", "CcsLast", "BccsLast", "SmtpOnly", and after them the
// optional "StartTls", "TrustFile", "UserName" and "Password" for relays
// that want an encrypted, authenticated connection. Each optional field is
// read only when the next stored value has its kind, so files written before
// it existed still load; writing always writes every field.
//
// TSmtpAccount is what a sender needs from these settings, as a plain value.
// The e-mail dispatcher's thread reads it as an immutable snapshot that the
// owner publishes (TEmailDispatcher::SetAccount), never the live settings
// object that the options dialog edits.
//
// Thread safety: a settings object belongs to the thread that edits it
// (the user interface); an account value may be copied anywhere.
#pragma once

#include <cstdint>
#include <string>

#include "core/AdvPersistents.h"
#include "core/AdvStrings.h"
#include "mail/AdvSockets.h"

struct TSmtpAccount {
  std::string Server;
  int32_t Port = 25;
  std::string Sender;
  bool StartTls = false;
  std::string TrustFile;  // PEM certificates trusted instead of the system's
  std::string UserName;   // empty: no AUTH
  std::string Password;
  uint32_t ConnectTimeout = TAdvInternet::kDefaultConnectTimeout;
  uint32_t ReplyTimeout = TAdvInternet::kDefaultReceiveTimeout;
  uint32_t SendTimeout = TAdvInternet::kDefaultSendTimeout;
};

class TEmailSettings : public TAdvPersistent {
  ADV_CLASS(TEmailSettings)

  static constexpr const char* kDefaultServer = "smtp.example.com";
  static constexpr const char* kDefaultSender = "alerts@example.com";
  static constexpr int32_t kDefaultPort = 25;

  TEmailSettings();

  void Define(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;
  // Style 0 (SMTP), a server, a port and a sender.
  virtual bool IsValid() const;
  // Back to the defaults.
  virtual void Reset();

  // What a sender needs, as a value.
  TSmtpAccount Account() const;

  uint8_t Style() const { return m_style; }
  void SetStyle(uint8_t style) { m_style = style; }
  const std::string& Server() const { return m_server; }
  void SetServer(const std::string& server) { m_server = server; }
  int32_t Port() const { return m_port; }
  void SetPort(int32_t port) { m_port = port; }
  // A port typed by the user: anything that is not a number in 1..65535
  // gives 25.
  void SetPortText(const std::string& text);
  const std::string& Sender() const { return m_sender; }
  void SetSender(const std::string& sender) { m_sender = sender; }
  TAdvStrings& TosLast() const { return *m_tosLast; }
  TAdvStrings& CcsLast() const { return *m_ccsLast; }
  TAdvStrings& BccsLast() const { return *m_bccsLast; }
  bool SmtpOnly() const { return m_smtpOnly; }
  void SetSmtpOnly(bool only) { m_smtpOnly = only; }
  bool StartTls() const { return m_startTls; }
  void SetStartTls(bool use) { m_startTls = use; }
  const std::string& TrustFile() const { return m_trustFile; }
  void SetTrustFile(const std::string& file) { m_trustFile = file; }
  const std::string& UserName() const { return m_userName; }
  void SetUserName(const std::string& name) { m_userName = name; }
  const std::string& Password() const { return m_password; }
  void SetPassword(const std::string& password) { m_password = password; }

 private:
  uint8_t m_style = 0;
  std::string m_server;
  int32_t m_port = kDefaultPort;
  std::string m_sender;
  TAdvRef<TAdvStrings> m_tosLast, m_ccsLast, m_bccsLast;  // never null
  bool m_smtpOnly = false;
  bool m_startTls = false;
  std::string m_trustFile;
  std::string m_userName;
  std::string m_password;
};
