// An alert e-mail end to end: dispatched from the queue, handed to the
// running e-mail dispatcher and received by a loopback SMTP server.
#include <gtest/gtest.h>

#include <string>

#include "activity/Users.h"
#include "alerts/AlertActions.h"
#include "alerts/AlertQueues.h"
#include "alerts/Alerts.h"
#include "alerts/Triggers.h"
#include "app/Settings.h"
#include "core/AdvDates.h"
#include "core/AdvFactories.h"
#include "core/AdvTasks.h"
#include "mail/EmailTasks.h"
#include "mail/MailClasses.h"
#include "mail/tests/SmtpFixture.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"

namespace {

TEST(AlertMailDeliveryTest, SessionAlertArrivesWithHeaderAndTable) {
  RegisterCoreClasses();
  RegisterHitClasses();
  RegisterMailClasses();
  RegisterAlertClasses();
  mailtest::TSmtpFixture server;
  ASSERT_TRUE(server.Started());

  auto settings = AdvNew<TSettings>();
  settings->SetSizeUnit(kSizeKilobytes);
  auto users = AdvNew<TUsers>();
  auto hit = AdvNew<TVexaHit>();
  hit->SetSource("u101");
  hit->SetDestination("www.a.com");
  hit->SetInitiated(EncodeDateTime(2024, 3, 5, 10, 0, 0));
  hit->Data().SourceSize = 1536;
  TSession* session = users->FindForHit(*hit)->Sessions().AddHit(*hit);

  auto alert = AdvNew<TAlert>("Big Downloads");
  alert->SetUser("u101");
  alert->SetSession(session->Start());
  auto trigger = AdvNew<TTrigger>();
  trigger->SetNotify(true);
  trigger->Tos().Clear();
  trigger->Tos().Add("boss@example.com");
  trigger->SetSubject("Download alert");
  auto queue = AdvNew<TAlertQueue>();
  queue->Append(alert.Get(), trigger.Get());

  auto dispatcher = AdvNew<TEmailDispatcher>();
  TSmtpAccount account;
  account.Server = "127.0.0.1";
  account.Port = server.Port();
  account.Sender = "alerts@vexa.test";
  dispatcher->SetAccount(account);
  auto adapter = AdvNew<TAdvTaskAdapter>(dispatcher.Get());
  adapter->Run();

  TAlertActionContext context;
  context.Settings = settings.Get();
  context.Users = users.Get();
  context.SendEmail = EmailSinkFor(*dispatcher);
  DispatchAlerts(*queue, context);

  const std::string message = server.Message(1);
  adapter->Terminate();
  ASSERT_FALSE(message.empty());
  EXPECT_NE(message.find("Subject: Download alert"), std::string::npos);
  EXPECT_NE(message.find("boss@example.com"), std::string::npos);
  EXPECT_NE(message.find("\r\nAlert: Big Downloads\r\nUser: u101\r\n"
                         "Started: 05/03/2024 10:00:00\r\nElapsed: < 00:00:01\r\n"),
            std::string::npos)
      << message;
  EXPECT_NE(message.find("Site/Recipient  Hits  Size (KB)        Last Accessed  \r\n"),
            std::string::npos)
      << message;
  EXPECT_NE(message.find("     www.a.com     1          2  05/03/2024 10:00:00  \r\n"),
            std::string::npos)
      << message;
  EXPECT_EQ(server.MessageCount(), 1);
}

}  // namespace
