#include "mail/AdvSockets.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A listener on a free loopback port.
struct Listener {
  TAdvRef<TAdvSocket> Socket = AdvNew<TAdvSocket>();
  uint16_t Port = 0;

  Listener() {
    Socket->Listen(0);
    Port = Socket->LocalPort();
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(Port); }
  TAdvRef<TAdvSocket> Accept() {
    TAdvRef<TAdvTransport> accepted = Socket->Accept();
    return TAdvRef<TAdvSocket>::Share(AdvCast<TAdvSocket>(accepted.Get()));
  }
};

// The message of the EAdvInternet that `action` raises (fails the test when
// it raises nothing or something else).
template <class F>
std::string InternetError(F action, int* code = nullptr) {
  try {
    action();
  } catch (const EAdvInternet& e) {
    if (code) *code = e.Code();
    return e.Message();
  }
  ADD_FAILURE() << "no EAdvInternet raised";
  return {};
}

TEST(AdvSocketTest, ConnectsSendsAndReceivesBothWays) {
  Listener listener;
  auto client = AdvNew<TAdvSocket>();
  client->Connect(listener.Address());
  EXPECT_EQ(client->State(), TAdvSocketState::Connected);
  EXPECT_TRUE(client->Active());
  TAdvRef<TAdvSocket> server = listener.Accept();
  ASSERT_TRUE(server);
  EXPECT_EQ(server->State(), TAdvSocketState::Connected);
  EXPECT_EQ(server->ClassType(), &TAdvSocket::ClassInfo);
  EXPECT_EQ(server->RemoteAddressText(), "127.0.0.1");
  EXPECT_EQ(client->GetRemoteAddress(), 0x7F000001u);

  client->Write("hello", 5);
  char buffer[5];
  server->Read(buffer, 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(client->Readable(), 0);
  server->Write("back", 4);
  EXPECT_TRUE(client->WaitForRead(2000));
  EXPECT_EQ(client->Readable(), 2147483647);
  client->Read(buffer, 4);
  EXPECT_EQ(std::string(buffer, 4), "back");

  client->Close();
  EXPECT_EQ(client->State(), TAdvSocketState::Closed);
  EXPECT_FALSE(client->Active());
}

TEST(AdvSocketTest, ReadReportsThePeerClosing) {
  Listener listener;
  auto client = AdvNew<TAdvSocket>();
  client->Connect(listener.Address());
  listener.Accept()->Close();
  char buffer[4];
  EXPECT_EQ(InternetError([&] { client->Read(buffer, 4); }),
            "(TAdvSocket.Read): Disconnection detected");
}

TEST(AdvSocketTest, RefusesAddressesBeforeTouchingTheNetwork) {
  for (const char* address : {"localhost", "127.0.0.1:", "127.0.0.1:http", "127.0.0.1:0",
                              "127.0.0.1:65536", "0.0.0.0:25"}) {
    auto client = AdvNew<TAdvSocket>();
    EXPECT_EQ(InternetError([&] { client->Connect(address); }),
              std::string("(TAdvSocket.Connect): Unable to connect with address '") + address + "'")
        << address;
    EXPECT_EQ(client->State(), TAdvSocketState::Closed) << address;
  }
}

TEST(AdvSocketTest, ARefusedConnectionClosesTheSocket) {
  uint16_t port;
  {
    Listener gone;
    port = gone.Port;
  }
  auto client = AdvNew<TAdvSocket>();
  int code = 0;
  const std::string message =
      InternetError([&] { client->Connect("127.0.0.1:" + std::to_string(port)); }, &code);
  EXPECT_EQ(code, ECONNREFUSED);
  EXPECT_EQ(message, "(TAdvSocket.Connect-connect): " + platform::SocketErrorText(ECONNREFUSED) +
                         " [" + std::to_string(ECONNREFUSED) + "]");
  EXPECT_EQ(client->State(), TAdvSocketState::Closed);
}

TEST(AdvSocketTest, AnUnknownHostNameIsAnErrorNotAConnection) {
  auto client = AdvNew<TAdvSocket>();
  client->SetConnectTimeout(5000);
  const std::string message = InternetError([&] { client->Connect("no-such-host.invalid:25"); });
  EXPECT_EQ(message.rfind("(TAdvSocket.Connect-lookup): ", 0), 0u) << message;
  EXPECT_EQ(client->State(), TAdvSocketState::Closed);
}

TEST(AdvSocketTest, WrongStatesAreRefused) {
  Listener listener;
  auto client = AdvNew<TAdvSocket>();
  EXPECT_EQ(InternetError([&] { client->Select(true, false, 0, false); }),
            "(TAdvSocket.Select): Can only select on open sockets");
  EXPECT_EQ(InternetError([&] { client->Accept(); }),
            "(TAdvSocket.Accept): Can only accept connections on a listening socket");
  client->Connect(listener.Address());
  EXPECT_EQ(InternetError([&] { client->Connect(listener.Address()); }),
            "(TAdvSocket.Connect): Cannot connect using an open socket");
  EXPECT_EQ(InternetError([&] { client->Listen(0); }),
            "(TAdvSocket.Listen): Cannot listen on an open socket");
  EXPECT_EQ(InternetError([&] { listener.Socket->Connect(listener.Address()); }),
            "(TAdvSocket.Connect): Cannot connect using an open socket");
}

TEST(AdvSocketTest, ANonBlockingConnectFinishesOnTheSecondCall) {
  Listener listener;
  auto client = AdvNew<TAdvSocket>();
  client->SetBlocking(false);
  EXPECT_EQ(client->State(), TAdvSocketState::Created);
  client->Connect(listener.Address());
  EXPECT_TRUE(client->State() == TAdvSocketState::Connecting ||
              client->State() == TAdvSocketState::Connected);
  if (client->State() == TAdvSocketState::Connecting) client->Connect(listener.Address());
  EXPECT_EQ(client->State(), TAdvSocketState::Connected);
  EXPECT_TRUE(client->WaitForWrite(1000));
}

TEST(AdvSocketTest, AcceptWithoutAConnectionGivesNullAfterItsWait) {
  Listener listener;
  listener.Socket->SetReceiveTimeout(50);
  EXPECT_FALSE(listener.Socket->Accept());
  listener.Socket->SetBlocking(false);
  EXPECT_FALSE(listener.Socket->Accept());
}

TEST(AdvSocketTest, ASilentPeerTimesOutTheRead) {
  Listener listener;
  auto client = AdvNew<TAdvSocket>();
  client->SetReceiveTimeout(200);
  client->Connect(listener.Address());
  auto server = listener.Accept();
  const auto start = Clock::now();
  char c;
  int code = 0;
  const std::string message = InternetError([&] { client->Read(&c, 1); }, &code);
  EXPECT_EQ(code, ETIMEDOUT);
  EXPECT_EQ(message, "(TAdvSocket.Read-recv): " + platform::SocketErrorText(ETIMEDOUT) + " [" +
                         std::to_string(ETIMEDOUT) + "]");
  EXPECT_GE(MillisecondsSince(start), 190);
  EXPECT_LT(MillisecondsSince(start), 5000);
}

TEST(AdvSocketTest, ASendIntoAFullPeerTimesOut) {
  Listener listener;
  auto client = AdvNew<TAdvSocket>();
  client->SetSendTimeout(200);
  client->Connect(listener.Address());
  auto server = listener.Accept();  // never reads
  const std::string block(1 << 20, 'x');
  int code = 0;
  InternetError(
      [&] {
        for (int i = 0; i < 256; ++i) client->Write(block.data(), uint32_t(block.size()));
      },
      &code);
  EXPECT_EQ(code, ETIMEDOUT);
}

TEST(AdvSocketTest, CancelFromAnotherThreadEndsABlockedRead) {
  Listener listener;
  auto client = AdvNew<TAdvSocket>();
  client->SetReceiveTimeout(kAdvInfinite);
  auto signal = std::make_shared<TAdvCancelSignal>();
  client->SetCancelSignal(signal);
  client->Connect(listener.Address());
  auto server = listener.Accept();
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    signal->Cancel();
  });
  const auto start = Clock::now();
  char c;
  int code = 0;
  InternetError([&] { client->Read(&c, 1); }, &code);
  canceller.join();
  EXPECT_EQ(code, ECANCELED);
  EXPECT_LT(MillisecondsSince(start), 5000);
  // Cancelled for good: a new connection is refused at once.
  client->Close();
  code = 0;
  InternetError([&] { client->Connect(listener.Address()); }, &code);
  EXPECT_EQ(code, ECANCELED);
}

TEST(AdvSocketTest, ASocketAttachedToACancelledSignalFailsAtOnce) {
  Listener listener;
  auto signal = std::make_shared<TAdvCancelSignal>();
  signal->Cancel();
  auto client = AdvNew<TAdvSocket>();
  client->SetCancelSignal(signal);
  int code = 0;
  InternetError([&] { client->Connect(listener.Address()); }, &code);
  EXPECT_EQ(code, ECANCELED);
}

// Fills the accept queue of a listener that never accepts, so that the next
// connection attempt hangs in the handshake. False when the system answers
// every attempt anyway.
bool FillBacklog(Listener& listener, std::vector<TAdvRef<TAdvSocket>>& held) {
  for (int i = 0; i < 64; ++i) {
    auto socket = AdvNew<TAdvSocket>();
    socket->SetBlocking(false);
    socket->Connect(listener.Address());
    held.push_back(socket);
    if (socket->State() == TAdvSocketState::Connecting && !socket->WaitForWrite(300)) return true;
  }
  return false;
}

TEST(AdvSocketTest, AConnectionThatNeverCompletesTimesOutOrIsCancelled) {
  Listener listener;
  std::vector<TAdvRef<TAdvSocket>> held;
  if (!FillBacklog(listener, held)) GTEST_SKIP() << "the system completes every connection";

  auto client = AdvNew<TAdvSocket>();
  client->SetConnectTimeout(200);
  auto start = Clock::now();
  int code = 0;
  InternetError([&] { client->Connect(listener.Address()); }, &code);
  EXPECT_EQ(code, ETIMEDOUT);
  EXPECT_GE(MillisecondsSince(start), 190);
  EXPECT_EQ(client->State(), TAdvSocketState::Closed);

  auto waiting = AdvNew<TAdvSocket>();
  waiting->SetConnectTimeout(kAdvInfinite);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    waiting->Cancel();
  });
  start = Clock::now();
  code = 0;
  InternetError([&] { waiting->Connect(listener.Address()); }, &code);
  canceller.join();
  EXPECT_EQ(code, ECANCELED);
  EXPECT_LT(MillisecondsSince(start), 5000);
}

}  // namespace
