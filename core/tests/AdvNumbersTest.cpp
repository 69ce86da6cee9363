#include "core/AdvNumbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(AdvNumbers, HexDigitsAndBytes) {
  EXPECT_EQ(HexDigit('a'), 10);
  EXPECT_EQ(HexDigit('F'), 15);
  EXPECT_EQ(HexDigit('g'), 0);
  uint8_t value = 99;
  EXPECT_FALSE(HexDigitStrict('g', value));
  EXPECT_EQ(value, 99);
  EXPECT_TRUE(HexDigitStrict('7', value));
  EXPECT_EQ(value, 7);
  EXPECT_EQ(HexPair('f', '0'), 0xF0);

  uint8_t buffer[4] = {0, 0, 0, 0xEE};
  EXPECT_EQ(HexToBytes("0aFf7", buffer, 4), 2u);  // the unpaired "7" is not read
  EXPECT_EQ(buffer[0], 0x0A);
  EXPECT_EQ(buffer[1], 0xFF);
  EXPECT_EQ(buffer[2], 0);
  EXPECT_EQ(HexToBytes("010203", buffer, 2), 2u);  // stops at the count
  EXPECT_EQ(buffer[2], 0);
  EXPECT_EQ(buffer[3], 0xEE);

  EXPECT_EQ(HexToNumber("1aF"), 0x1AFu);
  EXPECT_EQ(HexToNumber("123456789"), 0x23456789u);
  const uint8_t bytes[] = {0x00, 0x9F, 0xAB};
  EXPECT_EQ(BytesToHex(bytes, 3), "009FAB");
  EXPECT_EQ(BytesToHex(uint32_t(0x12345678)), "78563412");
}

TEST(AdvNumbers, NumberTexts) {
  EXPECT_EQ(IntegerText(-42), "-42");
  EXPECT_EQ(Integer64Text(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(RealText(0.1), "0.1");
  EXPECT_EQ(RealText(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(FixedText(2, 1234.5), "1,234.50");
  EXPECT_EQ(FixedText(0, 999999.5), "1,000,000");
  TAdvFormatSettings german;
  german.DecimalSeparator = ",";
  german.ThousandSeparator = ".";
  EXPECT_EQ(FixedText(1, 1234.25, german), "1.234,2");
  EXPECT_EQ(RealText(1.5, german), "1,5");
}

TEST(AdvNumbers, ParseIntegerAndRealFallBackOnAnythingElse) {
  const struct {
    const char* Text;
    int32_t Expected;
  } integers[] = {{"42", 42},
                  {" -7 ", -7},
                  {"+5", 5},
                  {"", -1},
                  {"4x", -1},
                  {"1.5", -1},
                  {"2147483647", 2147483647},
                  {"2147483648", -1},
                  {"+-3", -1},
                  {"0x10", -1}};
  for (const auto& c : integers) EXPECT_EQ(ParseInteger(c.Text, -1), c.Expected) << c.Text;
  EXPECT_EQ(ParseInteger64("9223372036854775807", 0), INT64_MAX);

  const struct {
    const char* Text;
    double Expected;
  } reals[] = {{"1.5", 1.5}, {"-2", -2},  {" .25 ", 0.25}, {"3e2", 300},  {"1,5", -1},
               {"inf", -1},  {"nan", -1}, {"", -1},        {"1e999", -1}, {"--1", -1}};
  for (const auto& c : reals) EXPECT_EQ(ParseReal(c.Text, -1), c.Expected) << c.Text;
}

TEST(AdvNumbers, ParseDecimalTakesOneSeparatorOfTheSet) {
  const struct {
    const char* Text;
    bool Ok;
    double Expected;
  } cases[] = {
      {"12.5", true, 12.5}, {"12,5", true, 12.5}, {"12", true, 12},    {".5", true, 0.5},
      {"7.", true, 7},      {"1.2.3", false, 0},  {"1,2.3", false, 0}, {"-1.5", false, 0},
      {" 1.5", false, 0},   {"1.5x", false, 0},   {"", false, 0},      {".", false, 0},
      {"1;5", false, 0},
  };
  for (const auto& c : cases) {
    double value = -99;
    EXPECT_EQ(ParseDecimal(c.Text, ".,", value), c.Ok) << c.Text;
    EXPECT_EQ(value, c.Ok ? c.Expected : -99) << c.Text;
  }
}

}  // namespace
