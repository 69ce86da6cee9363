// Text routines that the whole program shares: replacing, padding, trimming,
// splitting, ASCII case, prefixes and endings, plurals.
//
// Texts are byte strings; "ignoring case" means ASCII letters only (see
// AdvAscii.h), whatever the C locale says. Positions that the routines report
// are 1-based with 0 for "absent", as the callers count.
//
// Thread safety: all functions are pure; call them from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvAscii.h"

// Replaces every occurrence of `find` from left to right; the search resumes
// after the inserted replacement. Without case sensitivity both sides compare
// in ASCII upper case. An empty `find` changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement,
                       bool caseSensitive = true);

// Fill to `width` after, before or around the text; a text at or over the
// width comes back unchanged. Centre puts (width - length) div 2 before.
std::string PadRight(std::string_view text, char fill, int32_t width);
std::string PadLeft(std::string_view text, char fill, int32_t width);
std::string PadCentre(std::string_view text, char fill, int32_t width);

// `count` copies of `c` (empty for a count of 0 or less).
std::string RepeatChar(char c, int32_t count);

// Removes the characters of `set` from both ends.
std::string TrimSet(std::string_view text, std::string_view set);

// Splits at the first `separator`. When it is absent both parts are empty and
// the result is false.
bool SplitAt(std::string_view text, std::string_view separator, std::string& before,
             std::string& after);

// 1-based position of the last `c` in `text`, 0 when absent.
int32_t LastIndexOfChar(char c, std::string_view text);

// Cuts `buffer` at each `c` into `parts` (views into the buffer) and returns
// their number. Empty pieces are kept only when `keepEmpty` is set. After a
// cut, leading blanks of the next piece are skipped, except when `c` itself
// is a blank and empty pieces are kept. At most `limit` pieces are made: once
// the limit is reached the last piece holds the rest of the buffer uncut. An
// empty buffer gives no pieces.
int32_t SplitChar(std::string_view buffer, char c, bool keepEmpty,
                  std::vector<std::string_view>& parts, int32_t limit = INT32_MAX);

// Only a..z (A..Z) change; other bytes stay as they are.
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
// Lower case, then the first character upper case when the text has more
// than one character.
std::string Capitalise(std::string_view text);

// Adds `c` at the start (end) unless it is already there. EnsurePrefix also
// applies to an empty text, EnsureSuffix does not.
std::string EnsurePrefix(std::string_view text, char c);
std::string EnsureSuffix(std::string_view text, char c);
// Drops the first character when it is `c`.
std::string RemovePrefixChar(std::string_view text, char c);

// Appends (removes) `ending` unless it is already there (absent); ASCII case
// is ignored.
std::string EnsureEnding(std::string_view text, std::string_view ending);
std::string RemoveEnding(std::string_view text, std::string_view ending);

// The English plural of `word` for `count` (unchanged for a count of 1 or an
// empty word): "th" takes "s"; h, j, s, x, z take "es"; a word of more than
// two letters ending in y after a consonant takes "ies" for the y; anything
// else takes "s". Letters compare ignoring ASCII case.
std::string Pluralise(std::string_view word, int64_t count);

// True when the text is "True", ignoring ASCII case.
bool IsTrueText(std::string_view text);

// The sum of the byte values (unsigned).
uint32_t ByteSum(std::string_view text);
