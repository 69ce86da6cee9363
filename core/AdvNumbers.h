// Number routines: hexadecimal digits and bytes, number texts and parsing.
//
// Every conversion is locale-free: texts use "." for decimals unless a
// routine takes separators, and thousands separators come from
// TAdvFormatSettings.
//
// Thread safety: all functions are pure; call them from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvFormats.h"

// 0..15 for 0-9, A-F, a-f; any other character counts as 0.
uint8_t HexDigit(char c);
// The same, but false for a character that is no hexadecimal digit.
bool HexDigitStrict(char c, uint8_t& value);
// Two digits, most significant first, as one byte (lenient like HexDigit).
uint8_t HexPair(char high, char low);

// Reads pairs of digits into `buffer` until the text or `count` bytes run out;
// a final unpaired digit is ignored. Returns the number of bytes written.
size_t HexToBytes(std::string_view text, uint8_t* buffer, size_t count);
// Accumulates every character as a hexadecimal digit (4 bits each; only the
// last eight count).
uint32_t HexToNumber(std::string_view text);
// Two upper-case digits per byte, in the order given.
std::string BytesToHex(const uint8_t* bytes, size_t count);
// The number's bytes in memory order, lowest byte first: 0x12345678 gives
// "78563412".
std::string BytesToHex(uint32_t value);

std::string IntegerText(int32_t value);
std::string Integer64Text(int64_t value);
// The shortest general form with up to 15 significant digits ("%g").
std::string RealText(double value, const TAdvFormatSettings& settings = DefaultFormatSettings());
// Thousands separators and `digits` decimals ("%.*n").
std::string FixedText(int32_t digits, double value,
                      const TAdvFormatSettings& settings = DefaultFormatSettings());

// An optional sign and decimal digits, blanks allowed around them; `fallback`
// for anything else, including a value out of range.
int32_t ParseInteger(std::string_view text, int32_t fallback);
int64_t ParseInteger64(std::string_view text, int64_t fallback);
// A decimal real with "." ("1.5", "-2", "3e4"), blanks allowed around it;
// `fallback` for anything else, including infinities and not-a-number.
double ParseReal(std::string_view text, double fallback);

// Digits, then optionally one separator out of `separators` and more digits;
// at least one digit in all. Any other character (a sign, a blank, a second
// separator) fails and leaves `value` unchanged.
bool ParseDecimal(std::string_view text, std::string_view separators, double& value);
