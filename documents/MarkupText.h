// The small mark-up that list cells and labels display (bold, italics, line
// breaks and named links as tags, with "<", ">" and "&" in the text written
// as "&lt;", "&gt;" and "&amp;"), and its conversion to plain text for
// reports and measuring.
//
// Thread safety: all functions are pure; call them from any thread.
#pragma once

#include <string>
#include <string_view>

// "&", "<" and ">" as entities: text inserted into mark-up.
std::string EscapeMarkup(std::string_view text);
// "&lt;", "&gt;" and "&amp;" back to their characters, in one pass from the
// left ("&amp;lt;" gives "&lt;"); any other "&" stays as it is.
std::string UnescapeMarkup(std::string_view text);
// Removes tags: while the first "<" comes before the first ">", everything
// from that "<" through that ">" goes. A ">" before the first "<" leaves the
// rest as it is, and so does a "<" with no ">" after it.
std::string RemoveMarkupTags(std::string_view text);
// The text a reader sees: tags removed, then entities decoded.
std::string MarkupToPlainText(std::string_view text);
