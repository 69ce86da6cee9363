// The e-mail dispatcher sending 1 000 queued alert messages to a real SMTP
// server on loopback (the tests' aiosmtpd fixture, which writes every
// message to disk), one connection per message as in production. Reports
// messages per second, plainly and with STARTTLS on every connection.
//
// Needs /usr/bin/python3 with python3-aiosmtpd (scripts/setup installs it).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/AdvTasks.h"
#include "mail/EmailTasks.h"
#include "platform/Processes.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMessages = 1000;

// The fixture script beside the mail tests in this source tree.
std::string FixtureScript() {
  return (fs::path(__FILE__).parent_path().parent_path() / "mail/tests/smtp_fixture.py").string();
}

class LoopbackServer {
 public:
  explicit LoopbackServer(const std::vector<std::string>& options) {
    std::random_device random;
    m_folder =
        (fs::temp_directory_path() / ("vexa-smtp-bench-" + std::to_string(random()))).string();
    fs::create_directories(m_folder);
    std::vector<std::string> arguments{"/usr/bin/python3", FixtureScript(), m_folder};
    arguments.insert(arguments.end(), options.begin(), options.end());
    m_pid = platform::StartProcess(arguments);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (m_pid >= 0 && std::chrono::steady_clock::now() < deadline) {
      std::ifstream in(m_folder + "/port");
      if (in >> m_port) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_port = 0;
  }
  ~LoopbackServer() {
    std::ofstream(m_folder + "/stop").flush();
    if (m_pid >= 0 && platform::WaitForProcess(m_pid, 10000) == platform::kProcessStillRunning)
      platform::ReleaseProcess(m_pid);
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }
  int Port() const { return m_port; }
  std::string Certificate() const { return m_folder + "/cert.pem"; }

 private:
  std::string m_folder;
  int32_t m_pid = -1;
  int m_port = 0;
};

TAdvRef<TEmailTask> AlertTask(int n) {
  auto task = AdvNew<TEmailTask>();
  task->Tos().Add("admin@vexa.test");
  task->Ccs().Add("security@vexa.test");
  task->SetSubject("Alert: Gaming sites (" + std::to_string(n) + ")");
  task->Body().SetAsText(
      "\r\nAlert: Gaming sites\r\nUser: jsmith\r\nStarted: 06/03/2011 09:05:01\r\n"
      "Elapsed: 00:12:30\r\n");
  for (int row = 0; row < 20; ++row)
    task->Body().Add("10:0" + std::to_string(row % 10) + ":00  www.games.example/play?level=" +
                     std::to_string(row) + "   200   14.2 KB   Games");
  return task;
}

void Dispatch(benchmark::State& state, bool startTls) {
  LoopbackServer server(startTls ? std::vector<std::string>{"--tls"} : std::vector<std::string>{});
  if (server.Port() == 0) {
    state.SkipWithError("the loopback SMTP server did not start");
    return;
  }
  TSmtpAccount account;
  account.Server = "127.0.0.1";
  account.Port = server.Port();
  account.Sender = "alerts@vexa.test";
  account.StartTls = startTls;
  account.TrustFile = startTls ? server.Certificate() : std::string();

  uint64_t sent = 0, failed = 0;
  for (auto _ : state) {
    auto dispatcher = AdvNew<TEmailDispatcher>();
    dispatcher->SetAccount(account);
    dispatcher->SetAddWait(60000);  // the producer here may wait: nothing is dropped
    auto adapter = AdvNew<TAdvTaskAdapter>(dispatcher.Get());
    adapter->Run();
    for (int n = 0; n < kMessages; ++n) dispatcher->Add(AlertTask(n).Detach());
    while (dispatcher->SentCount() + dispatcher->FailedCount() + dispatcher->DroppedCount() <
           kMessages)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    adapter->Terminate();
    sent += dispatcher->SentCount();
    failed += dispatcher->FailedCount() + dispatcher->DroppedCount();
  }
  state.counters["messages_per_second"] =
      benchmark::Counter(static_cast<double>(sent), benchmark::Counter::kIsRate);
  state.counters["sent"] = static_cast<double>(sent);
  state.counters["failed"] = static_cast<double>(failed);
}

void BM_DispatchThousandMessages(benchmark::State& state) {
  Dispatch(state, false);
}
void BM_DispatchThousandMessagesWithStartTls(benchmark::State& state) {
  Dispatch(state, true);
}

BENCHMARK(BM_DispatchThousandMessages)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DispatchThousandMessagesWithStartTls)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
