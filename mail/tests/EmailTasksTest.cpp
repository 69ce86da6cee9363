#include "mail/EmailTasks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/AdvBinaryFilers.h"
#include "core/AdvFactories.h"
#include "core/AdvXMLFilers.h"
#include "mail/Emails.h"
#include "mail/MailClasses.h"
#include "mail/tests/SmtpFixture.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

using mailtest::TSmtpFixture;
using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TAdvRef<TEmailTask> MakeTask(const std::string& to, const std::string& subject) {
  auto task = AdvNew<TEmailTask>();
  task->Tos().Add(to);
  task->SetSubject(subject);
  task->Body().Add("Alert: " + subject);
  return task;
}

TSmtpAccount AccountFor(const TSmtpFixture& server, uint32_t replyTimeout = 5000) {
  TSmtpAccount account;
  account.Server = "127.0.0.1";
  account.Port = server.Port();
  account.Sender = "alerts@vexa.test";
  account.ReplyTimeout = replyTimeout;
  return account;
}

// The dispatcher running on its own thread for one test.
struct RunningDispatcher {
  TAdvRef<TEmailDispatcher> Dispatcher = AdvNew<TEmailDispatcher>();
  TAdvRef<TAdvTaskAdapter> Adapter;

  void Run() {
    Adapter = AdvNew<TAdvTaskAdapter>(Dispatcher.Get());
    Adapter->Run();
  }
  ~RunningDispatcher() {
    if (Adapter) Adapter->Terminate();
  }
  bool Add(const TAdvRef<TEmailTask>& task) {
    return Dispatcher->Add(TAdvRef<TEmailTask>(task).Detach());
  }
  // Waits until `count` sends have ended, one way or the other.
  bool WaitForSends(uint64_t count, int seconds = 20) const {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (Dispatcher->SentCount() + Dispatcher->FailedCount() < count) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
};

bool WaitForFile(const std::string& path) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!std::filesystem::exists(path)) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(EmailTaskTest, ListsIgnoreDuplicatesAndClearingRestoresTheReportSubject) {
  auto task = AdvNew<TEmailTask>();
  EXPECT_EQ(task->Subject(), "Varnex Vexa 2.2 Report");
  task->Tos().Add("a@x.test");
  task->Tos().Add("a@x.test");
  task->Ccs().SetAsText("c@x.test;c@x.test;d@x.test");
  EXPECT_EQ(task->Tos().Count(), 1);
  EXPECT_EQ(task->Ccs().AsText(), "c@x.test;d@x.test");
  EXPECT_TRUE(task->HasRecipients());

  auto copy = AdvNew<TEmailTask>();
  task->SetSubject("Copied");
  task->Body().Add("line");
  task->SetEnabled(false);
  copy->Assign(*task);
  EXPECT_EQ(copy->Subject(), "Copied");
  EXPECT_EQ(copy->Ccs().AsText(), "c@x.test;d@x.test");
  EXPECT_EQ(copy->Body().Count(), 1);
  EXPECT_FALSE(copy->Enabled());

  copy->Clear();
  EXPECT_EQ(copy->Subject(), "Varnex Vexa 2.2 Report");
  EXPECT_EQ(copy->Tos().Count() + copy->Ccs().Count() + copy->Bccs().Count() + copy->Body().Count(),
            0);
  EXPECT_TRUE(copy->Enabled());
  EXPECT_FALSE(copy->HasRecipients());
}

TEST(EmailTaskTest, TheStoredFormKeepsListsSubjectBodyAndEnabled) {
  const std::string folder = vexatest::MakeTempFolder("task");
  auto task = MakeTask("a@x.test", "Stored");
  task->Ccs().Add("c@x.test");
  task->Bccs().Add("b@x.test");
  task->Body().Add("second");
  task->SetEnabled(false);
  task->SaveToFile(folder + "/task", &TAdvWriter::ClassInfo);
  auto loaded = AdvNew<TEmailTask>();
  loaded->LoadFromFile(folder + "/task", &TAdvReader::ClassInfo);
  EXPECT_EQ(loaded->Tos().AsText(), "a@x.test");
  EXPECT_EQ(loaded->Ccs().AsText(), "c@x.test");
  EXPECT_EQ(loaded->Bccs().AsText(), "b@x.test");
  EXPECT_EQ(loaded->Subject(), "Stored");
  EXPECT_EQ(loaded->Body().AsText(), "Alert: Stored\r\nsecond");
  EXPECT_FALSE(loaded->Enabled());
  // The loaded lists keep ignoring duplicates.
  loaded->Tos().Add("a@x.test");
  EXPECT_EQ(loaded->Tos().Count(), 1);
}

TEST(EmailTaskTest, MessageTemplatesAreMadeByTheFactoryWhenRead) {
  RegisterMailClasses();
  EXPECT_EQ(AdvFactory().Lookup("TEmail"), &TEmail::ClassInfo);
  EXPECT_EQ(AdvFactory().Lookup("TEmailSettings"), &TEmailSettings::ClassInfo);
  const std::string file = vexatest::MakeTempFolder("emails") + "/Default.Emails";
  auto emails = AdvNew<TEmails>();
  for (const char* name : {"Weekly", "Daily"}) {
    auto email = AdvNew<TEmail>();
    email->SetName(name);
    email->SetSubject(std::string(name) + " report");
    email->SetBody("line one\r\nline two");
    emails->Add(email.Detach());
  }
  emails->SaveToFile(file, &TAdvXMLWriter::ClassInfo);
  auto loaded = AdvNew<TEmails>();
  loaded->LoadFromFile(file, &TAdvXMLReader::ClassInfo);
  ASSERT_EQ(loaded->Count(), 2);
  auto* daily = AdvCast<TEmail>(loaded->GetByName("daily"));
  ASSERT_NE(daily, nullptr);
  EXPECT_EQ(daily->Subject(), "Daily report");
  EXPECT_EQ(daily->Body(), "line one\r\nline two");
}

TEST(EmailTaskTest, SendsItselfOverSmtpWithCopiesHtmlAndAnAttachment) {
  TSmtpFixture server;
  ASSERT_TRUE(server.Started());
  const std::string file = vexatest::MakeTempFolder("att") + "/report.html";
  vexatest::WriteFileText(file, "<p>report</p>");
  auto task = MakeTask("a@x.test", "Alert: Gaming");
  task->Ccs().Add("c@x.test");
  task->Bccs().Add("b@x.test");
  task->SetHtml(true);
  task->SendSmtp("127.0.0.1", server.Port(), file, "alerts@vexa.test");
  EXPECT_EQ(server.Envelope(1),
            "MAIL alerts@vexa.test\nRCPT a@x.test\nRCPT c@x.test\nRCPT b@x.test\n");
  const std::string message = server.Message(1);
  EXPECT_NE(message.find("\r\nSubject: Alert: Gaming\r\n"), std::string::npos);
  EXPECT_NE(message.find("\r\nContent-Type: text/html\r\n"), std::string::npos);
  EXPECT_NE(message.find("filename=\"report.html\""), std::string::npos);
}

TEST(EmailTaskTest, ARefusedConnectionRaises) {
  uint16_t port;
  {
    TSmtpFixture gone({"--scripted"});
    ASSERT_TRUE(gone.Started());
    port = gone.Port();
  }
  auto task = MakeTask("a@x.test", "nowhere");
  EXPECT_THROW(task->SendSmtp("127.0.0.1", port, "", "s@x.test"), EAdvInternet);
}

TEST(EmailTaskTest, HandsItselfToTheDesktopMailProgram) {
  const std::string record = vexatest::MakeTempFolder("xdg") + "/args.txt";
  vexatest::ScopedFakeProgram program("xdg-email", "printf '[%s]\\n' \"$@\" > '" + record + "'");
  auto task = MakeTask("a@x.test", "By hand");
  task->Body().Add("second line");
  EXPECT_TRUE(task->SendMapi("profile", "password", "", false));
  EXPECT_EQ(
      vexatest::ReadFileText(record),
      "[--utf8]\n[--subject]\n[By hand]\n[--body]\n[Alert: By hand\nsecond line]\n[a@x.test]\n");
}

// ---------------------------------------------------------------------------
// The dispatcher

TEST(EmailDispatcherTest, SendsQueuedTasksInOrder) {
  TSmtpFixture server;
  ASSERT_TRUE(server.Started());
  RunningDispatcher running;
  running.Dispatcher->SetAccount(AccountFor(server));
  running.Run();
  for (const char* subject : {"one", "two", "three"})
    EXPECT_TRUE(running.Add(MakeTask("a@x.test", subject)));
  ASSERT_TRUE(running.WaitForSends(3));
  EXPECT_EQ(running.Dispatcher->SentCount(), 3u);
  EXPECT_NE(server.Message(1).find("Subject: one\r\n"), std::string::npos);
  EXPECT_NE(server.Message(2).find("Subject: two\r\n"), std::string::npos);
  EXPECT_NE(server.Message(3).find("Subject: three\r\n"), std::string::npos);
}

TEST(EmailDispatcherTest, AFailedTaskIsReportedAndTheNextIsStillSent) {
  TSmtpFixture server({"--reject", "nobody@x.test"});
  ASSERT_TRUE(server.Started());
  RunningDispatcher running;
  std::mutex lock;
  std::vector<std::string> failures;
  running.Dispatcher->SetOnSendFailed([&](const TEmailTask& task, const std::exception& error) {
    std::lock_guard<std::mutex> guard(lock);
    failures.push_back(task.Subject() + ": " + error.what());
  });
  // First a relay that refuses the connection, then a rejected recipient.
  uint16_t closed;
  {
    TSmtpFixture gone({"--scripted"});
    ASSERT_TRUE(gone.Started());
    closed = gone.Port();
  }
  TSmtpAccount nowhere = AccountFor(server);
  nowhere.Port = closed;
  running.Dispatcher->SetAccount(nowhere);
  running.Run();
  EXPECT_TRUE(running.Add(MakeTask("a@x.test", "refused")));
  ASSERT_TRUE(running.WaitForSends(1));
  running.Dispatcher->SetAccount(AccountFor(server));
  EXPECT_TRUE(running.Add(MakeTask("nobody@x.test", "rejected")));
  EXPECT_TRUE(running.Add(MakeTask("a@x.test", "delivered")));
  ASSERT_TRUE(running.WaitForSends(3));
  EXPECT_EQ(running.Dispatcher->FailedCount(), 2u);
  EXPECT_EQ(running.Dispatcher->SentCount(), 1u);
  EXPECT_NE(server.Message(1).find("Subject: delivered\r\n"), std::string::npos);
  std::lock_guard<std::mutex> guard(lock);
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].rfind("refused: (TAdvMail.Connect-connect): ", 0), 0u) << failures[0];
  EXPECT_EQ(failures[1],
            "rejected: (TAdvMail.Receive): 5.1.1 <nobody@x.test>: Recipient address rejected[550]");
}

TEST(EmailDispatcherTest, AFullQueueDropsAfterABoundedWaitAndReportsIt) {
  auto dispatcher = AdvNew<TEmailDispatcher>();  // not running: nothing is taken
  dispatcher->SetAddWait(100);
  std::vector<std::string> dropped;
  dispatcher->SetOnDropped([&](const TEmailTask& task) { dropped.push_back(task.Subject()); });
  for (uint32_t i = 0; i < TEmailDispatcher::kCapacity; ++i)
    EXPECT_TRUE(dispatcher->Add(MakeTask("a@x.test", "queued").Detach()));

  auto start = Clock::now();
  auto late = MakeTask("a@x.test", "late");
  EXPECT_FALSE(dispatcher->Add(TAdvRef<TEmailTask>(late).Detach()));
  EXPECT_GE(MillisecondsSince(start), 90);
  EXPECT_EQ(late->ReferenceCount(), 0);  // the dispatcher let go of its reference
  // Still full: the next one is dropped without waiting again.
  start = Clock::now();
  EXPECT_FALSE(dispatcher->Add(MakeTask("a@x.test", "later").Detach()));
  EXPECT_LT(MillisecondsSince(start), 50);
  EXPECT_EQ(dispatcher->DroppedCount(), 2u);
  EXPECT_EQ(dropped, (std::vector<std::string>{"late", "later"}));
  EXPECT_FALSE(dispatcher->Add(nullptr));
}

TEST(EmailDispatcherTest, AnAddWaitsForTheSlotThatASendFrees) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  server.SetScript(R"({"message": "silent"})");
  RunningDispatcher running;
  running.Dispatcher->SetAccount(AccountFor(server, 300));
  running.Dispatcher->SetAddWait(10000);
  running.Run();
  EXPECT_TRUE(running.Add(MakeTask("a@x.test", "stuck")));
  ASSERT_TRUE(WaitForFile(server.Folder() + "/session-0001.part"));  // it is being sent
  for (uint32_t i = 0; i < TEmailDispatcher::kCapacity; ++i)
    EXPECT_TRUE(running.Add(MakeTask("a@x.test", "waiting")));
  const auto start = Clock::now();
  EXPECT_TRUE(running.Add(MakeTask("a@x.test", "one more")));
  // Room came when the stuck send gave up after its reply time-out.
  EXPECT_GE(MillisecondsSince(start), 100);
  EXPECT_EQ(running.Dispatcher->DroppedCount(), 0u);
}

TEST(EmailDispatcherTest, TerminateCancelsASendToASilentRelay) {
  TSmtpFixture server({"--scripted"});
  ASSERT_TRUE(server.Started());
  server.SetScript(R"({"rcpt": "silent"})");
  RunningDispatcher running;
  running.Dispatcher->SetAccount(AccountFor(server, kAdvInfinite));
  running.Run();
  EXPECT_TRUE(running.Add(MakeTask("a@x.test", "never answered")));
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(running.Add(MakeTask("a@x.test", "never sent")));
  ASSERT_TRUE(WaitForFile(server.Folder() + "/session-0001.part"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto start = Clock::now();
  running.Adapter->Terminate();
  EXPECT_LT(MillisecondsSince(start), 2000);
  EXPECT_FALSE(running.Dispatcher->Continue());
  EXPECT_EQ(running.Dispatcher->SentCount(), 0u);
  EXPECT_EQ(running.Dispatcher->FailedCount(), 1u);
  running.Adapter = nullptr;
}

TEST(EmailDispatcherTest, APublishedAccountTakesEffectWithTheNextMessage) {
  TSmtpFixture first, second;
  ASSERT_TRUE(first.Started() && second.Started());
  RunningDispatcher running;
  running.Dispatcher->SetAccount(AccountFor(first));
  running.Run();
  EXPECT_TRUE(running.Add(MakeTask("a@x.test", "to the first")));
  ASSERT_TRUE(running.WaitForSends(1));
  TSmtpAccount changed = AccountFor(second);
  changed.Sender = "other@vexa.test";
  running.Dispatcher->SetAccount(changed);
  EXPECT_TRUE(running.Add(MakeTask("a@x.test", "to the second")));
  ASSERT_TRUE(running.WaitForSends(2));
  EXPECT_EQ(first.MessageCount(), 1);
  EXPECT_EQ(second.Envelope(1), "MAIL other@vexa.test\nRCPT a@x.test\n");
}

}  // namespace
