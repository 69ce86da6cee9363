#include "loaders/LogText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace logtext;

std::vector<std::string> Split(std::string_view line) {
  std::string_view fields[8];
  const size_t count = SplitBlanks(line, fields, 8);
  std::vector<std::string> out;
  for (size_t i = 0; i < count && i < 8; ++i) out.emplace_back(fields[i]);
  if (count > 8) out.emplace_back("+" + std::to_string(count - 8));
  return out;
}

TEST(LogText, SplitsAtRunsOfBlanksAndTabs) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Split("a b"), (V{"a", "b"}));
  EXPECT_EQ(Split("  1796855800.100    12 10.0.0.7  "), (V{"1796855800.100", "12", "10.0.0.7"}));
  EXPECT_EQ(Split("a\tb \t c"), (V{"a", "b", "c"}));
  EXPECT_EQ(Split(""), V{});
  EXPECT_EQ(Split("   "), V{});
  EXPECT_EQ(Split("1 2 3 4 5 6 7 8 9 10"), (V{"1", "2", "3", "4", "5", "6", "7", "8", "+2"}));
}

TEST(LogText, FindsThePortOfAUrl) {
  const struct {
    const char* Url;
    uint16_t Port;
  } cases[] = {
      {"http://h.test:8080/x", 8080}, {"mail.test:443", 443},
      {"http://u:pw@h.test/", 0},     {"http://u:pw@h.test:81/", 81},
      {"http://[::1]:82/", 82},       {"http://[::1]/", 0},
      {"http://h.test/a:b", 0},       {"http://h.test:99999/", 0},
      {"h.test:7?q=a:1", 7},          {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(PortOfUrl(c.Url), c.Port) << c.Url;
}

}  // namespace
