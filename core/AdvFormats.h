// The program's one text formatter, and the locale settings that every text
// conversion reads.
//
// AdvFormat follows the classic Format rules that the program's
// messages are written in:
//
//   "%" [index ":"] ["-"] [width] ["." precision] type
//
//   %d  signed decimal; a precision is the minimum number of digits, padded
//       with zeros after the sign ("%.2d" of 5 is "05", of -5 is "-05")
//   %u  unsigned decimal; a negative argument is read as its two's complement
//       of the argument's own width (32 or 64 bits)
//   %x  upper-case hexadecimal, same reading of negatives; precision as %d
//   %f  fixed point; precision is the number of decimals (default 2)
//   %n  as %f with thousands separators
//   %e  scientific "-d.ddd...E+ddd"; precision is the number of significant
//       digits (default 15), the exponent has a sign and at least 3 digits
//   %g  the shortest general form with up to `precision` significant digits
//       (default 15): fixed notation unless the decimal exponent is above the
//       precision or the value is below 0.0001, then "1.5E-10" / "1E20"
//   %s  text (or one character); a precision cuts the text to that length
//   %%  a percent sign
//
// Width pads with blanks on the left, or on the right with "-". Index, width
// and precision may each be "*", taken from the next argument (an integer).
// An index sets the argument that the specifier reads; specifiers without one
// continue from there ("%1:s %s" reads arguments 1 and 2). The type letter
// may be upper case. %f, %n, %e and %g also accept integer arguments.
//
// A specifier that is malformed, refers past the last argument or does not
// suit its argument (%d given a text, %s given a number) raises EAdvFormat
// "Format '<format>' invalid or incompatible with argument"; nothing is
// written past the output and nothing crashes.
//
// The formatter never reads the C locale: separators come from
// TAdvFormatSettings. Real numbers round to nearest with ties to even.
//
// Thread safety: all functions are pure; call them from any thread.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/AdvObjects.h"

ADV_EXCEPTION(EAdvFormat, EAdvanced)

// The locale facts the program's texts depend on. The defaults are fixed and
// do not follow the machine's locale, so that files and messages read the same
// everywhere:
//   decimal "."  thousands ","  date "/"  time ":"
//   short date "dd/mm/yyyy"  long time "hh:nn:ss" (24-hour clock)
// Date patterns (see FormatDateTimeText in AdvDates.h) use "/" and ":" for
// the date and time separators below.
struct TAdvFormatSettings {
  std::string DecimalSeparator = ".";
  std::string ThousandSeparator = ",";
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";
  std::string ShortDateFormat = "dd/mm/yyyy";
  std::string LongTimeFormat = "hh:nn:ss";
};

// The fixed defaults above; a constant, safe to read from any thread.
const TAdvFormatSettings& DefaultFormatSettings();

// One argument of AdvFormat. Built implicitly from integers, reals, texts and
// characters; texts are held by view, so an argument must not outlive the
// expression it was made in (the usual case of an initializer list).
class TAdvFormatArg {
 public:
  enum class TKind : uint8_t { Signed, Unsigned, Real, Text, Char };

  template <std::signed_integral T>
  requires(!std::same_as<T, char>) TAdvFormatArg(T value)
      : m_kind(TKind::Signed), m_wide(sizeof(T) > 4), m_signed(static_cast<int64_t>(value)) {}
  template <std::unsigned_integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) TAdvFormatArg(T value)
      : m_kind(TKind::Unsigned), m_wide(sizeof(T) > 4), m_unsigned(static_cast<uint64_t>(value)) {}
  TAdvFormatArg(double value) : m_kind(TKind::Real), m_real(value) {}
  TAdvFormatArg(float value) : m_kind(TKind::Real), m_real(value) {}
  TAdvFormatArg(char value) : m_kind(TKind::Char), m_char(value) {}
  TAdvFormatArg(const char* value) : m_kind(TKind::Text), m_text(value ? value : "") {}
  TAdvFormatArg(const std::string& value) : m_kind(TKind::Text), m_text(value) {}
  TAdvFormatArg(std::string_view value) : m_kind(TKind::Text), m_text(value) {}
  // A truth value is no format argument: say what text it should show.
  TAdvFormatArg(bool) = delete;

  TKind Kind() const { return m_kind; }
  bool IsInteger() const { return m_kind == TKind::Signed || m_kind == TKind::Unsigned; }
  // True for 64-bit integer arguments (they print %u and %x negatives in 64 bits).
  bool IsWide() const { return m_wide; }
  int64_t SignedValue() const { return m_signed; }
  uint64_t UnsignedValue() const { return m_unsigned; }
  double RealValue() const { return m_real; }
  std::string_view TextValue() const { return m_text; }
  char CharValue() const { return m_char; }

 private:
  TKind m_kind;
  bool m_wide = false;
  int64_t m_signed = 0;
  uint64_t m_unsigned = 0;
  double m_real = 0;
  char m_char = 0;
  std::string_view m_text;
};

// Formats `args` by `format`; raises EAdvFormat on a bad specifier (see above).
std::string AdvFormat(std::string_view format, std::initializer_list<TAdvFormatArg> args);
std::string AdvFormat(const TAdvFormatSettings& settings, std::string_view format,
                      std::initializer_list<TAdvFormatArg> args);
