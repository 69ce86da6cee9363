#include "core/AdvNumbers.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

template <class T>
T ParseWhole(std::string_view text, T fallback) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return fallback;
  }
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return fallback;
  return value;
}

}  // namespace

uint8_t HexDigit(char c) {
  uint8_t value = 0;
  HexDigitStrict(c, value);
  return value;
}

bool HexDigitStrict(char c, uint8_t& value) {
  if (c >= '0' && c <= '9')
    value = uint8_t(c - '0');
  else if (c >= 'A' && c <= 'F')
    value = uint8_t(c - 'A' + 10);
  else if (c >= 'a' && c <= 'f')
    value = uint8_t(c - 'a' + 10);
  else
    return false;
  return true;
}

uint8_t HexPair(char high, char low) {
  return uint8_t(HexDigit(high) << 4 | HexDigit(low));
}

size_t HexToBytes(std::string_view text, uint8_t* buffer, size_t count) {
  size_t written = 0;
  for (size_t i = 0; i + 1 < text.size() && written < count; i += 2)
    buffer[written++] = HexPair(text[i], text[i + 1]);
  return written;
}

uint32_t HexToNumber(std::string_view text) {
  uint32_t value = 0;
  for (const char c : text) value = value << 4 | HexDigit(c);
  return value;
}

std::string BytesToHex(const uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

std::string BytesToHex(uint32_t value) {
  const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                            uint8_t(value >> 24)};
  return BytesToHex(bytes, 4);
}

std::string IntegerText(int32_t value) {
  return std::to_string(value);
}
std::string Integer64Text(int64_t value) {
  return std::to_string(value);
}

std::string RealText(double value, const TAdvFormatSettings& settings) {
  return AdvFormat(settings, "%g", {value});
}

std::string FixedText(int32_t digits, double value, const TAdvFormatSettings& settings) {
  return AdvFormat(settings, "%.*n", {digits < 0 ? 0 : digits, value});
}

int32_t ParseInteger(std::string_view text, int32_t fallback) {
  return ParseWhole(text, fallback);
}
int64_t ParseInteger64(std::string_view text, int64_t fallback) {
  return ParseWhole(text, fallback);
}

double ParseReal(std::string_view text, double fallback) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars would take "inf" and "nan"; insist on a digit or a point.
  if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.'))
    return fallback;
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return fallback;
  return negative ? -value : value;
}

bool ParseDecimal(std::string_view text, std::string_view separators, double& value) {
  std::string normal;  // the same number with "." as its separator
  normal.reserve(text.size());
  bool separated = false;
  size_t digits = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      normal += c;
      ++digits;
    } else if (!separated && separators.find(c) != std::string_view::npos) {
      normal += '.';
      separated = true;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  if (normal.front() == '.') normal.insert(0, 1, '0');
  double parsed = 0;
  const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), parsed);
  if (ec != std::errc() || end != normal.data() + normal.size()) return false;
  value = parsed;
  return true;
}
