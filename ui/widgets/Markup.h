// The small mark-up of captions and labels: bold, italic, line breaks and
// named links, with "&amp;", "&lt;" and "&gt;" standing for the three
// characters that would otherwise read as mark-up.
//
// Text that comes from data (log fields, file contents, user names) is always
// put into mark-up through MarkupEscape, and every control reads text back
// through MarkupUnescape, so an escaped text shows exactly as it was.
//
// ParseMarkup turns a caption into styled runs without drawing anything; the
// renderer (MarkupRenderer.h) lays the runs out. The list view and the label
// read tags slightly differently (TMarkupDialect):
//
//   list view   <b> </b> and <i> </i> push and pop the style (a closing tag
//               restores the style before its opening tag); <br/> (or <br>)
//               breaks the line; a tag beginning with "a" starts a link named
//               by the rest of the tag, trimmed; </a> ends it; any other tag
//               is dropped.
//   label       tags are known by their first letters: "br…" breaks the line,
//               other "b…" turn bold on and "/b…" off, "i…" and "/i…" the same
//               for italic (both counted, so nesting works); "a…" starts a
//               link named by the tag from its third character ("<a open>"
//               names "open"); "/a…" ends it. Any other tag is not mark-up:
//               its "<" shows as text and the rest reads on as text.
//
// In both, a "<" without a closing ">" is text, so "a <= b" shows as written.
//
// Thread safety: pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// "&" "<" ">" become "&amp;" "&lt;" "&gt;".
std::string MarkupEscape(std::string_view text);
// The reverse, in one left-to-right pass ("&amp;lt;" gives "&lt;"). Any other
// "&" is kept as it is.
std::string MarkupUnescape(std::string_view text);

enum class TMarkupDialect : uint8_t { View, Label };

struct TMarkupRun {
  enum class TKind : uint8_t { Text, Break };
  TKind Kind = TKind::Text;
  std::string Text;  // unescaped bytes; empty for a break
  bool Bold = false;
  bool Italic = false;
  int Link = -1;  // index into TMarkupParse::Links, -1 outside links
};

struct TMarkupParse {
  std::vector<TMarkupRun> Runs;
  std::vector<std::string> Links;  // link names, unescaped, in order of appearance
};

TMarkupParse ParseMarkup(std::string_view markup, TMarkupDialect dialect);
// The text without tags, unescaped; breaks become "\r\n".
std::string MarkupPlainText(std::string_view markup, TMarkupDialect dialect = TMarkupDialect::View);
// True when the caption holds a link ("<a").
bool MarkupHasLinks(std::string_view markup);
