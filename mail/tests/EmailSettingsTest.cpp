#include "mail/EmailSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "core/AdvBinaryFilers.h"
#include "core/AdvFilers.h"
#include "core/AdvXMLFilers.h"
#include "testing/TestEnvironment.h"

namespace {

// Settings as files written before the optional fields existed: the first
// four fields only, or the first eight.
class TOlderEmailSettings : public TAdvPersistent {
  ADV_CLASS(TOlderEmailSettings)

  bool WithLists = false;

  std::string PersistedClassName() const override { return "TEmailSettings"; }
  void Define(TAdvFiler& filer) override {
    TAdvPersistent::Define(filer);
    filer.Field("Style").DefineEnumerated(m_style);
    filer.Field("Server").DefineString(m_server);
    filer.Field("Port").DefineInteger(m_port);
    filer.Field("Sender").DefineString(m_sender);
    if (!WithLists) return;
    filer.Field("TosLast").DefineObjectRef(m_tos);
    filer.Field("CcsLast").DefineObjectRef(m_ccs);
    filer.Field("BccsLast").DefineObjectRef(m_bccs);
    filer.Field("SmtpOnly").DefineBoolean(m_smtpOnly);
  }

  TAdvRef<TAdvStrings> m_tos = AdvNew<TAdvStrings>(), m_ccs = AdvNew<TAdvStrings>(),
                       m_bccs = AdvNew<TAdvStrings>();
  uint8_t m_style = 0;
  std::string m_server = "relay.old.test", m_sender = "old@old.test";
  int32_t m_port = 2525;
  bool m_smtpOnly = true;
};
ADV_CLASS_IMPL(TOlderEmailSettings, TAdvPersistent)

TEST(EmailSettingsTest, DefaultsArePlaceholdersThatAreStillValid) {
  auto settings = AdvNew<TEmailSettings>();
  EXPECT_EQ(settings->Style(), 0);
  EXPECT_EQ(settings->Server(), "smtp.example.com");
  EXPECT_EQ(settings->Port(), 25);
  EXPECT_EQ(settings->Sender(), "alerts@example.com");
  EXPECT_EQ(settings->TosLast().AsText(), "alerts@example.com");
  EXPECT_EQ(settings->TosLast().Separator(), ";");
  EXPECT_EQ(settings->CcsLast().Count() + settings->BccsLast().Count(), 0);
  EXPECT_FALSE(settings->SmtpOnly());
  EXPECT_FALSE(settings->StartTls());
  EXPECT_TRUE(settings->UserName().empty());
  EXPECT_TRUE(settings->IsValid());
}

TEST(EmailSettingsTest, ValidityNeedsSmtpAServerAPortAndASender) {
  struct Case {
    uint8_t Style;
    const char* Server;
    int32_t Port;
    const char* Sender;
    bool Valid;
  } cases[] = {
      {0, "relay.test", 25, "a@x.test", true}, {1, "relay.test", 25, "a@x.test", false},
      {0, "", 25, "a@x.test", false},          {0, "relay.test", 0, "a@x.test", false},
      {0, "relay.test", 25, "", false},
  };
  for (const Case& c : cases) {
    auto settings = AdvNew<TEmailSettings>();
    settings->SetStyle(c.Style);
    settings->SetServer(c.Server);
    settings->SetPort(c.Port);
    settings->SetSender(c.Sender);
    EXPECT_EQ(settings->IsValid(), c.Valid) << int(c.Style) << c.Server << c.Port << c.Sender;
  }
}

TEST(EmailSettingsTest, APortThatIsNotANumberBecomes25) {
  struct Case {
    const char* Text;
    int32_t Port;
  } cases[] = {{"587", 587}, {"25", 25},    {"", 25},   {"smtp", 25},
               {"0", 25},    {"65536", 25}, {"-1", 25}, {"65535", 65535}};
  for (const Case& c : cases) {
    auto settings = AdvNew<TEmailSettings>();
    settings->SetPort(2);
    settings->SetPortText(c.Text);
    EXPECT_EQ(settings->Port(), c.Port) << c.Text;
  }
}

TAdvRef<TEmailSettings> Filled() {
  auto settings = AdvNew<TEmailSettings>();
  settings->SetServer("relay.vexa.test");
  settings->SetPort(587);
  settings->SetSender("alerts@vexa.test");
  settings->TosLast().SetAsText("a@x.test;b@x.test");
  settings->CcsLast().Add("c@x.test");
  settings->SetSmtpOnly(true);
  settings->SetStartTls(true);
  settings->SetTrustFile("/etc/vexa/relay.pem");
  settings->SetUserName("vexa");
  settings->SetPassword("s3cret");
  return settings;
}

void ExpectSame(const TEmailSettings& a, const TEmailSettings& b) {
  EXPECT_EQ(a.Server(), b.Server());
  EXPECT_EQ(a.Port(), b.Port());
  EXPECT_EQ(a.Sender(), b.Sender());
  EXPECT_EQ(a.TosLast().AsText(), b.TosLast().AsText());
  EXPECT_EQ(a.CcsLast().AsText(), b.CcsLast().AsText());
  EXPECT_EQ(a.BccsLast().Count(), b.BccsLast().Count());
  EXPECT_EQ(a.SmtpOnly(), b.SmtpOnly());
  EXPECT_EQ(a.StartTls(), b.StartTls());
  EXPECT_EQ(a.TrustFile(), b.TrustFile());
  EXPECT_EQ(a.UserName(), b.UserName());
  EXPECT_EQ(a.Password(), b.Password());
}

TEST(EmailSettingsTest, EveryFieldSurvivesBinaryAndXmlFilesAndAssign) {
  const std::string folder = vexatest::MakeTempFolder("settings");
  auto settings = Filled();
  struct Format {
    const char* Name;
    TAdvClass Writer;
    TAdvClass Reader;
  } formats[] = {{"binary", &TAdvWriter::ClassInfo, &TAdvReader::ClassInfo},
                 {"xml", &TAdvXMLWriter::ClassInfo, &TAdvXMLReader::ClassInfo}};
  for (const Format& f : formats) {
    const std::string file = folder + "/Emails." + f.Name;
    settings->SaveToFile(file, f.Writer);
    auto loaded = AdvNew<TEmailSettings>();
    loaded->LoadFromFile(file, f.Reader);
    ExpectSame(*loaded, *settings);
    EXPECT_EQ(loaded->TosLast().Separator(), ";") << f.Name;
  }
  auto copy = AdvNew<TEmailSettings>();
  copy->Assign(*settings);
  ExpectSame(*copy, *settings);
}

TEST(EmailSettingsTest, OlderFilesLoadAndKeepTheDefaultsOfTheMissingFields) {
  const std::string folder = vexatest::MakeTempFolder("settings");
  for (bool withLists : {false, true}) {
    auto older = AdvNew<TOlderEmailSettings>();
    older->WithLists = withLists;
    older->m_tos->SetAsText("x@old.test");
    const std::string file = folder + (withLists ? "/eight" : "/four");
    older->SaveToFile(file, &TAdvWriter::ClassInfo);

    auto loaded = Filled();
    loaded->Reset();
    loaded->LoadFromFile(file, &TAdvReader::ClassInfo);
    EXPECT_EQ(loaded->Server(), "relay.old.test");
    EXPECT_EQ(loaded->Port(), 2525);
    EXPECT_EQ(loaded->Sender(), "old@old.test");
    EXPECT_EQ(loaded->TosLast().AsText(), withLists ? "x@old.test" : "alerts@example.com");
    EXPECT_EQ(loaded->SmtpOnly(), withLists);
    EXPECT_FALSE(loaded->StartTls());
    EXPECT_TRUE(loaded->UserName().empty());
    EXPECT_TRUE(loaded->Password().empty());
  }
}

TEST(EmailSettingsTest, TheAccountCarriesWhatASenderNeeds) {
  const TSmtpAccount account = Filled()->Account();
  EXPECT_EQ(account.Server, "relay.vexa.test");
  EXPECT_EQ(account.Port, 587);
  EXPECT_EQ(account.Sender, "alerts@vexa.test");
  EXPECT_TRUE(account.StartTls);
  EXPECT_EQ(account.TrustFile, "/etc/vexa/relay.pem");
  EXPECT_EQ(account.UserName, "vexa");
  EXPECT_EQ(account.Password, "s3cret");
}

}  // namespace
