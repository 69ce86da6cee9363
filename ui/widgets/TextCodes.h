// Byte-level text helpers without Qt: UTF-8 validation and the Windows-1252
// code page, for the conversion rule of UiText.h (valid UTF-8 shows as UTF-8,
// anything else as Windows-1252).
//
// Thread safety: pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// True when the bytes are well-formed UTF-8: no overlong forms, no surrogate
// code points, nothing above U+10FFFF, no cut sequence.
bool IsValidUtf8(std::string_view bytes);
// The Unicode code point of one Windows-1252 byte. The five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control
// of the same value, so no byte is lost.
char32_t Windows1252ToUnicode(uint8_t byte);
// The bytes read as Windows-1252, written as UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);
