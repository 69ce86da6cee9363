#include "platform/LocalMessages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "testing/TestEnvironment.h"

namespace {

namespace fs = std::filesystem;

TEST(LocalMessenger, BroadcastReachesEveryOtherEndpointButNotItself) {
  const std::string folder = vexatest::MakeTempFolder("msg") + "/endpoints";
  platform::TLocalMessenger a, b, c;
  std::string error;
  ASSERT_TRUE(a.Open(folder, &error)) << error;
  ASSERT_TRUE(b.Open(folder, &error)) << error;
  ASSERT_TRUE(c.Open(folder, &error)) << error;
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_TRUE(a.AnyPeer());
  EXPECT_EQ(a.Broadcast("hello", 5), 2);
  std::string got;
  EXPECT_TRUE(b.Receive(got, 1000));
  EXPECT_EQ(got, "hello");
  EXPECT_TRUE(c.Receive(got, 1000));
  EXPECT_EQ(got, "hello");
  EXPECT_FALSE(a.Receive(got, 0));
  EXPECT_TRUE(a.SendToSelf("me", 2));
  EXPECT_TRUE(a.Receive(got, 1000));
  EXPECT_EQ(got, "me");
  EXPECT_FALSE(b.Receive(got, 0));
}

TEST(LocalMessenger, DeadPeersAreRemovedWhenMet) {
  const std::string folder = vexatest::MakeTempFolder("msg") + "/endpoints";
  platform::TLocalMessenger sender;
  ASSERT_TRUE(sender.Open(folder));
  // A socket file nobody is bound to any more, as a crashed program leaves.
  const std::string stale = folder + "/99999-0.sock";
  {
    platform::TLocalMessenger crashed;
    ASSERT_TRUE(crashed.Open(vexatest::MakeTempFolder("msg2")));
    fs::rename(crashed.Path(), stale);  // the file moves; the socket closes with the object
  }
  ASSERT_TRUE(fs::exists(stale));
  EXPECT_EQ(sender.Broadcast("x", 1), 0);
  EXPECT_FALSE(fs::exists(stale));

  {
    platform::TLocalMessenger crashed;
    ASSERT_TRUE(crashed.Open(vexatest::MakeTempFolder("msg3")));
    fs::rename(crashed.Path(), stale);
  }
  platform::TLocalMessenger newcomer;
  ASSERT_TRUE(newcomer.Open(folder));  // opening sweeps the folder
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(newcomer.AnyPeer());
}

TEST(LocalMessenger, RefusesWhatItCannotBind) {
  platform::TLocalMessenger messenger;
  std::string error;
  const std::string deep = vexatest::MakeTempFolder("msg") + "/" + std::string(120, 'x');
  EXPECT_FALSE(messenger.Open(deep, &error));
  EXPECT_NE(error.find("too long"), std::string::npos) << error;
  EXPECT_FALSE(messenger.IsOpen());
  const std::string file = vexatest::MakeTempFolder("msg") + "/file";
  std::fclose(std::fopen(file.c_str(), "w"));
  EXPECT_FALSE(messenger.Open(file, &error));
  EXPECT_FALSE(messenger.Receive(error, 0));
  EXPECT_EQ(messenger.Broadcast("x", 1), 0);
}

}  // namespace
