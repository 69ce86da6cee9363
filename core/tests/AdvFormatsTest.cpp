#include "core/AdvFormats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

struct TFormatCase {
  const char* Format;
  std::string Expected;
  std::initializer_list<TAdvFormatArg> Args;
};

TEST(AdvFormat, FollowsTheFormatRules) {
  const std::string text = "text";
  const TFormatCase cases[] = {
      {"plain", "plain", {}},
      {"100%%", "100%", {}},
      {"%d", "42", {42}},
      {"%d", "-42", {-42}},
      {"%.2d", "05", {5}},
      {"%.2d", "-05", {-5}},
      {"%.2d", "123", {123}},
      {"%5d|%-5d|", "   42|42   |", {42, 42}},
      {"%5.3d", "  007", {7}},
      {"%d", "-9223372036854775808", {std::numeric_limits<int64_t>::min()}},
      {"%d", "18446744073709551615", {std::numeric_limits<uint64_t>::max()}},
      {"%u", "4294967295", {-1}},
      {"%u", "18446744073709551615", {int64_t(-1)}},
      {"%x", "FF", {255}},
      {"%.4x", "00FF", {255}},
      {"%x", "FFFFFFFF", {-1}},
      {"%X", "ABC", {uint32_t(0xabc)}},
      {"%s", "text", {text}},
      {"%s|%s|%s", "a|b|c", {"a", std::string_view("b"), 'c'}},
      {"%.2s", "te", {"text"}},
      {"%6s|%-6s|", "  text|text  |", {"text", "text"}},
      {"%s", "", {static_cast<const char*>(nullptr)}},
      {"%f", "3.14", {3.14159}},
      {"%.0f", "2", {2.5}},  // ties to even
      {"%.3f", "-1.500", {-1.5}},
      {"%.2f", "0.00", {-0.001}},
      {"%f", "2.00", {2}},
      {"%n", "1,234,567.89", {1234567.891}},
      {"%.0n", "1,000", {1000}},
      {"%.1n", "-999.5", {-999.5}},
      {"%.0n", "100", {100}},
      {"%n", "123,456.00", {int64_t(123456)}},
      {"%g", "0.1", {0.1}},
      {"%g", "0.333333333333333", {1.0 / 3}},
      {"%g", "1234567", {1234567.0}},
      {"%g", "0", {0.0}},
      {"%g", "-2.5", {-2.5}},
      {"%g", "0.0001", {0.0001}},
      {"%g", "1E-5", {0.00001}},
      {"%g", "1.5E-10", {1.5e-10}},
      {"%g", "100000000000000", {1e14}},
      {"%g", "1E20", {1e20}},
      {"%.3g", "1.23E5", {123456.0}},
      {"%g", "NAN", {std::nan("")}},
      {"%g", "-INF", {-std::numeric_limits<double>::infinity()}},
      {"%e", "1.23450000000000E+003", {1234.5}},
      {"%.3e", "-1.50E-007", {-1.5e-7}},
      {"%1:s %0:s", "b a", {"a", "b"}},
      {"%1:s %s", "b c", {"a", "b", "c"}},
      {"%1:.2d%0:s%2:.2d%0:s%3:.2d", "25:01:01", {":", 25, 1, 1}},
      {"%*d|%-*d|", "   7|7   |", {4, 7, 4, 7}},
      {"%.*f", "1.500", {3, 1.5}},
      {"%*d", "7   ", {-4, 7}},
      {"%5s%%", "   ab%", {"ab"}},
  };
  for (const TFormatCase& c : cases) EXPECT_EQ(AdvFormat(c.Format, c.Args), c.Expected) << c.Format;
}

TEST(AdvFormat, SeparatorsComeFromTheSettings) {
  TAdvFormatSettings settings;
  settings.DecimalSeparator = ",";
  settings.ThousandSeparator = ".";
  EXPECT_EQ(AdvFormat(settings, "%n", {1234567.5}), "1.234.567,50");
  EXPECT_EQ(AdvFormat(settings, "%g|%f|%e", {0.25, 0.25, 0.25}), "0,25|0,25|2,50000000000000E-001");
  settings.ThousandSeparator = "";
  EXPECT_EQ(AdvFormat(settings, "%.0n", {1234567}), "1234567");
}

TEST(AdvFormat, RejectsMismatchesWithAClearError) {
  const struct {
    const char* Format;
    std::initializer_list<TAdvFormatArg> Args;
  } cases[] = {
      {"%d", {"text"}}, {"%d", {1.5}}, {"%x", {'c'}},        {"%s", {42}},
      {"%f", {"x"}},    {"%d", {}},    {"%d %d", {1}},       {"%5:d", {1}},
      {"%", {1}},       {"%5", {1}},   {"%q", {1}},          {"%*d", {"x", 1}},
      {"%.", {1}},      {"%-", {1}},   {"%999999999d", {1}}, {"%:d", {1}},
  };
  for (const auto& c : cases) {
    try {
      AdvFormat(c.Format, c.Args);
      ADD_FAILURE() << "no error for " << c.Format;
    } catch (const EAdvFormat& e) {
      EXPECT_EQ(e.Message(),
                std::string("Format '") + c.Format + "' invalid or incompatible with argument");
      EXPECT_TRUE(e.IsClassByName("EAdvanced"));
    }
  }
}

}  // namespace
