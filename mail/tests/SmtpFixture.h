// A loopback SMTP server for the mail tests: smtp_fixture.py run under
// /usr/bin/python3 in a fresh folder, either the real server (aiosmtpd) or
// the scripted one. See the script's own description for the options and
// what it records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mailtest {

class TSmtpFixture {
 public:
  // Starts the server with `options` (e.g. {"--tls"}, {"--scripted"}) and
  // waits until it listens. Fails the running test when it does not start.
  explicit TSmtpFixture(const std::vector<std::string>& options = {});
  ~TSmtpFixture();
  TSmtpFixture(const TSmtpFixture&) = delete;
  TSmtpFixture& operator=(const TSmtpFixture&) = delete;

  bool Started() const { return m_port != 0; }
  uint16_t Port() const { return m_port; }
  // "127.0.0.1:<port>"
  std::string Address() const;
  const std::string& Folder() const { return m_folder; }
  // The throw-away certificate of a --tls server.
  std::string CertificateFile() const { return m_folder + "/cert.pem"; }

  // The scripted server's answers for the next connections (JSON object
  // text, e.g. R"({"rcpt": "550 no such user"})").
  void SetScript(const std::string& json) const;

  // The n-th accepted message (from 1) as it arrived, and its envelope;
  // waits up to a few seconds for it to be written. Empty when it never came.
  std::string Message(int n) const;
  std::string Envelope(int n) const;
  // Scripted server: all bytes of the n-th session, and the n-th DATA phase
  // as it came over the wire. Waits the same way.
  std::string Session(int n) const;
  std::string Wire(int n) const;
  // Whether a file of that kind exists now (no waiting).
  bool HasMessage(int n) const;
  // Number of messages accepted so far.
  int MessageCount() const;

 private:
  std::string WaitForFile(const std::string& name) const;

  std::string m_folder;
  int32_t m_pid = -1;
  uint16_t m_port = 0;
};

// The path of the fixture script in the source tree.
std::string FixtureScript();

}  // namespace mailtest
