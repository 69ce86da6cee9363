#include "core/AdvFormats.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <span>

ADV_EXCEPTION_IMPL(EAdvFormat, EAdvanced)

const TAdvFormatSettings& DefaultFormatSettings() {
  static const TAdvFormatSettings kDefaults;
  return kDefaults;
}

namespace {

// Width and precision above this are refused as malformed: no message needs
// them, and a runaway number must not turn into a huge allocation.
constexpr int kMaxFieldSize = 100000;
// Digits beyond these carry no information for a double.
constexpr int kMaxDecimals = 18;
constexpr int kMaxSignificant = 18;

[[noreturn]] void Invalid(std::string_view format) {
  throw EAdvFormat(
      std::string("Format '").append(format).append("' invalid or incompatible with argument"));
}

std::string UnsignedText(uint64_t value, int base) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, base);
  std::string text(buffer, end);
  if (base == 16)
    for (char& c : text)
      if (c >= 'a' && c <= 'f') c = char(c - 32);
  return text;
}

// Splits the output of to_chars for a finite value into sign and digits.
struct TDecimal {
  bool Negative = false;
  std::string Whole;     // digits before the point
  std::string Fraction;  // digits after it
  int Exponent = 0;      // scientific form only
};

TDecimal FixedDigits(double value, int decimals) {
  char buffer[512];  // the largest double has 309 whole digits
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string_view text(buffer, size_t(end - buffer));
  TDecimal result;
  if (!text.empty() && text[0] == '-') {
    result.Negative = true;
    text.remove_prefix(1);
  }
  const size_t point = text.find('.');
  result.Whole = std::string(text.substr(0, point));
  if (point != std::string_view::npos) result.Fraction = std::string(text.substr(point + 1));
  return result;
}

// `significant` digits in d.ddd form with a decimal exponent.
TDecimal ScientificDigits(double value, int significant) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                 std::chars_format::scientific, significant - 1);
  std::string_view text(buffer, size_t(end - buffer));
  TDecimal result;
  if (!text.empty() && text[0] == '-') {
    result.Negative = true;
    text.remove_prefix(1);
  }
  const size_t e = text.find('e');
  std::string_view mantissa = text.substr(0, e);
  result.Whole = std::string(mantissa.substr(0, 1));
  if (mantissa.size() > 2) result.Fraction = std::string(mantissa.substr(2));
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(),
                  result.Exponent);
  return result;
}

bool AllZero(const TDecimal& d) {
  return std::all_of(d.Whole.begin(), d.Whole.end(), [](char c) { return c == '0'; }) &&
         std::all_of(d.Fraction.begin(), d.Fraction.end(), [](char c) { return c == '0'; });
}

std::string NonFinite(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

std::string Grouped(const std::string& digits, const std::string& separator) {
  if (separator.empty() || digits.size() <= 3) return digits;
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

std::string FixedText(double value, int decimals, bool thousands,
                      const TAdvFormatSettings& settings) {
  if (!std::isfinite(value)) return NonFinite(value);
  TDecimal d = FixedDigits(value, std::clamp(decimals, 0, kMaxDecimals));
  // "-0.00" says nothing the reader can use: a value that rounds to zero
  // prints without a sign.
  std::string out = d.Negative && !AllZero(d) ? "-" : "";
  out += thousands ? Grouped(d.Whole, settings.ThousandSeparator) : d.Whole;
  if (!d.Fraction.empty()) out += settings.DecimalSeparator + d.Fraction;
  return out;
}

std::string ExponentText(double value, int significant, const TAdvFormatSettings& settings) {
  if (!std::isfinite(value)) return NonFinite(value);
  const TDecimal d = ScientificDigits(value, std::clamp(significant, 1, kMaxSignificant));
  std::string out = d.Negative && !AllZero(d) ? "-" : "";
  out += d.Whole;
  if (!d.Fraction.empty()) out += settings.DecimalSeparator + d.Fraction;
  std::string exponent = std::to_string(std::abs(d.Exponent));
  if (exponent.size() < 3) exponent.insert(0, 3 - exponent.size(), '0');
  out += d.Exponent < 0 ? "E-" : "E+";
  return out + exponent;
}

std::string GeneralText(double value, int significant, const TAdvFormatSettings& settings) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0) return "0";
  const TDecimal d = ScientificDigits(value, std::clamp(significant, 1, kMaxSignificant));
  std::string digits = d.Whole + d.Fraction;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  // Digits before the decimal point in fixed notation.
  const int point = d.Exponent + 1;
  std::string out = d.Negative ? "-" : "";
  if (point > significant || point < -3) {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += settings.DecimalSeparator + digits.substr(1);
    return out + "E" + std::to_string(d.Exponent);
  }
  if (point <= 0)
    return out + "0" + settings.DecimalSeparator + std::string(size_t(-point), '0') + digits;
  if (size_t(point) >= digits.size()) return out + digits + std::string(point - digits.size(), '0');
  return out + digits.substr(0, size_t(point)) + settings.DecimalSeparator +
         digits.substr(size_t(point));
}

// One specifier's fields while it is being read.
constexpr int kAbsent = INT_MIN;

struct TField {
  bool Left = false;
  int Width = kAbsent;
  int Precision = -1;
  char Type = 0;
};

class TFormatter {
 public:
  TFormatter(const TAdvFormatSettings& settings, std::string_view format,
             std::initializer_list<TAdvFormatArg> args)
      : m_settings(settings), m_format(format), m_args(args.begin(), args.size()) {}

  std::string Run() {
    m_out.reserve(m_format.size() + 16 * m_args.size());
    while (m_pos < m_format.size()) {
      const size_t percent = m_format.find('%', m_pos);
      m_out.append(m_format.substr(m_pos, percent - m_pos));
      if (percent == std::string_view::npos) break;
      m_pos = percent + 1;
      if (Peek() == '%') {
        m_out += '%';
        ++m_pos;
        continue;
      }
      Specifier();
    }
    return std::move(m_out);
  }

 private:
  char Peek() const { return m_pos < m_format.size() ? m_format[m_pos] : '\0'; }

  const TAdvFormatArg& NextArg() {
    if (m_next < 0 || size_t(m_next) >= m_args.size()) Invalid(m_format);
    return m_args[size_t(m_next++)];
  }

  // Digits or "*"; kAbsent when neither is present. Only "*" gives negatives.
  int Number() {
    if (Peek() == '*') {
      ++m_pos;
      const TAdvFormatArg& arg = NextArg();
      if (arg.Kind() == TAdvFormatArg::TKind::Signed)
        return int(std::clamp<int64_t>(arg.SignedValue(), -kMaxFieldSize, kMaxFieldSize));
      if (arg.Kind() == TAdvFormatArg::TKind::Unsigned)
        return int(std::min<uint64_t>(arg.UnsignedValue(), kMaxFieldSize));
      Invalid(m_format);
    }
    if (Peek() < '0' || Peek() > '9') return kAbsent;
    int value = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      value = value * 10 + (m_format[m_pos++] - '0');
      if (value > kMaxFieldSize) Invalid(m_format);
    }
    return value;
  }

  void Specifier() {
    TField field;
    if (Peek() == '-') {
      field.Left = true;
      ++m_pos;
      field.Width = Number();
    } else {
      const int first = Number();
      if (Peek() == ':') {
        ++m_pos;
        if (first < 0) Invalid(m_format);  // absent or a negative "*"
        m_next = first;
        if (Peek() == '-') {
          field.Left = true;
          ++m_pos;
        }
        field.Width = Number();
      } else {
        field.Width = first;
      }
    }
    if (field.Width != kAbsent && field.Width < 0) {  // "*" given a negative width
      field.Left = true;
      field.Width = -field.Width;
    }
    if (Peek() == '.') {
      ++m_pos;
      field.Precision = Number();
    }
    if (field.Precision < 0) field.Precision = -1;
    if (m_pos >= m_format.size()) Invalid(m_format);
    field.Type = AsciiLowerLetter(m_format[m_pos++]);
    Emit(field, Convert(field, NextArg()));
  }

  static char AsciiLowerLetter(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

  std::string Convert(const TField& field, const TAdvFormatArg& arg) {
    using K = TAdvFormatArg::TKind;
    switch (field.Type) {
      case 'd': {
        if (!arg.IsInteger()) Invalid(m_format);
        const bool negative = arg.Kind() == K::Signed && arg.SignedValue() < 0;
        const uint64_t magnitude = arg.Kind() == K::Unsigned ? arg.UnsignedValue()
                                   : negative ? uint64_t(0) - uint64_t(arg.SignedValue())
                                              : uint64_t(arg.SignedValue());
        return (negative ? "-" : "") + ZeroPadded(UnsignedText(magnitude, 10), field.Precision);
      }
      case 'u':
      case 'x': {
        if (!arg.IsInteger()) Invalid(m_format);
        uint64_t value = arg.UnsignedValue();
        if (arg.Kind() == K::Signed)
          value = arg.IsWide() ? uint64_t(arg.SignedValue()) : uint32_t(arg.SignedValue());
        return ZeroPadded(UnsignedText(value, field.Type == 'x' ? 16 : 10), field.Precision);
      }
      case 'f':
      case 'n':
        return FixedText(RealOf(arg), field.Precision < 0 ? 2 : field.Precision, field.Type == 'n',
                         m_settings);
      case 'e':
        return ExponentText(RealOf(arg), field.Precision < 0 ? 15 : field.Precision, m_settings);
      case 'g':
        return GeneralText(RealOf(arg), field.Precision <= 0 ? 15 : field.Precision, m_settings);
      case 's': {
        std::string text;
        if (arg.Kind() == K::Text)
          text = std::string(arg.TextValue());
        else if (arg.Kind() == K::Char)
          text = std::string(1, arg.CharValue());
        else
          Invalid(m_format);
        if (field.Precision >= 0 && size_t(field.Precision) < text.size())
          text.resize(field.Precision);
        return text;
      }
      default:
        Invalid(m_format);
    }
  }

  double RealOf(const TAdvFormatArg& arg) const {
    switch (arg.Kind()) {
      case TAdvFormatArg::TKind::Real:
        return arg.RealValue();
      case TAdvFormatArg::TKind::Signed:
        return double(arg.SignedValue());
      case TAdvFormatArg::TKind::Unsigned:
        return double(arg.UnsignedValue());
      default:
        Invalid(m_format);
    }
  }

  static std::string ZeroPadded(std::string digits, int precision) {
    if (precision > 0 && digits.size() < size_t(precision))
      digits.insert(0, size_t(precision) - digits.size(), '0');
    return digits;
  }

  void Emit(const TField& field, const std::string& text) {
    const size_t pad =
        field.Width > 0 && size_t(field.Width) > text.size() ? field.Width - text.size() : 0;
    if (!field.Left) m_out.append(pad, ' ');
    m_out += text;
    if (field.Left) m_out.append(pad, ' ');
  }

  const TAdvFormatSettings& m_settings;
  std::string_view m_format;
  std::span<const TAdvFormatArg> m_args;
  size_t m_pos = 0;
  int m_next = 0;  // index of the argument the next specifier reads
  std::string m_out;
};

}  // namespace

std::string AdvFormat(std::string_view format, std::initializer_list<TAdvFormatArg> args) {
  return TFormatter(DefaultFormatSettings(), format, args).Run();
}

std::string AdvFormat(const TAdvFormatSettings& settings, std::string_view format,
                      std::initializer_list<TAdvFormatArg> args) {
  return TFormatter(settings, format, args).Run();
}
