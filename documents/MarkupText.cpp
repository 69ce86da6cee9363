#include "documents/MarkupText.h"

std::string EscapeMarkup(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

std::string UnescapeMarkup(std::string_view text) {
  static constexpr struct {
    std::string_view Entity;
    char Character;
  } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}};
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    bool decoded = false;
    if (text[i] == '&') {
      for (const auto& entity : kEntities)
        if (text.substr(i, entity.Entity.size()) == entity.Entity) {
          out += entity.Character;
          i += entity.Entity.size();
          decoded = true;
          break;
        }
    }
    if (!decoded) out += text[i++];
  }
  return out;
}

std::string RemoveMarkupTags(std::string_view text) {
  std::string out(text);
  // Each pass removes one tag, and tags only ever come out, so the loop ends.
  for (;;) {
    const size_t open = out.find('<');
    if (open == std::string::npos) break;
    const size_t close = out.find('>');
    if (close == std::string::npos || close < open) break;
    out.erase(open, close - open + 1);
  }
  return out;
}

std::string MarkupToPlainText(std::string_view text) {
  return UnescapeMarkup(RemoveMarkupTags(text));
}
