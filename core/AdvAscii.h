// Locale-free ASCII helpers. Texts are byte strings read as Windows-1252; only
// the letters a..z and A..Z ever change case, whatever the C locale says.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

// Ordinal comparison of ASCII upper-cased bytes: <0, 0 or >0. Bytes compare as
// unsigned, so texts with bytes from 0x80 up order after plain ASCII.
int CompareTextAscii(std::string_view a, std::string_view b);
// Ordinal byte comparison: <0, 0 or >0.
int CompareStrAscii(std::string_view a, std::string_view b);
bool SameTextAscii(std::string_view a, std::string_view b);
