// The mail tests' loopback SMTP server, built into this test program too so
// that alert e-mails are checked as a relay receives them.
#include "mail/tests/SmtpFixture.cpp"
