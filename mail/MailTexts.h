// The texts of a mail transaction that come from outside the program
// (addresses typed by the user, subjects and bodies made of log data) and the
// rules that keep them from changing the dialogue's framing:
//  - an address goes inside "<" and ">" on a command line, so it may hold no
//    line break or other control byte and no angle bracket;
//  - a header text stays on its one header line, and one that is not plain
//    ASCII is carried as RFC 2047 encoded words;
//  - a body entry may hold line breaks of any kind: each becomes a line
//    break of the message, and every line is dot-stuffed and kept within the
//    998-byte line limit, so no log text can end the DATA phase early or be
//    read by the server as a command.
//
// Thread safety: pure functions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Cuts `entry` at each ";", trims blanks and tabs from both ends of each
// piece and appends the pieces that are not empty to `addresses`.
void AppendAddresses(std::string_view entry, std::vector<std::string>& addresses);

// No control byte (below 32, or 127) and no "<" or ">".
bool IsSafeAddress(std::string_view address);
// No control byte other than the tab.
bool IsSafeHeaderText(std::string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The text as UTF-8: valid UTF-8 stays as it is, anything else is read as
// windows-1252 (the program's byte texts) and converted.
std::string TextAsUtf8(std::string_view text);

// A header value as it goes on the wire: unchanged when it holds only
// printable ASCII (and tabs); otherwise base64 encoded words in UTF-8 (valid
// UTF-8 text) or windows-1252 (any other bytes), at most 75 characters
// each, never splitting a UTF-8 character, joined by CRLF and a blank.
std::string EncodeHeaderText(std::string_view text);

// The longest line the message may carry, without its CRLF.
constexpr size_t kMaxMailLine = 998;

// One body entry as message lines, each followed by CRLF: the entry is cut at
// every CRLF, CR or LF; a line longer than kMaxMailLine is cut into pieces of
// that length; a line that begins with "." gets one more in front.
std::string BodyEntryText(std::string_view entry);
