// Telling a log's format from its first lines, for the loader that reads
// whatever it is given.
//
// Thread safety: pure functions.
#pragma once

#include <cstdint>
#include <string_view>

enum class TDetectedFormat : uint8_t { Unknown, Squid, Ncsa, W3c };

// The format of a file whose first bytes are `head` (a UTF-8 byte-order
// mark is allowed). Only complete lines are looked at; Unknown when no
// complete line is there yet or none looks like a known format.
TDetectedFormat DetectLogFormat(std::string_view head);

// The length of a UTF-8 byte-order mark at the start of `text`: 3 or 0.
size_t ByteOrderMarkLength(std::string_view text);
