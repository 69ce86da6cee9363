#include "ui/widgets/Markup.h"

#include "core/AdvAscii.h"

std::string MarkupEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string MarkupUnescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '&') {
      const std::string_view rest = text.substr(i);
      if (rest.starts_with("&amp;")) {
        out += '&';
        i += 5;
        continue;
      }
      if (rest.starts_with("&lt;")) {
        out += '<';
        i += 4;
        continue;
      }
      if (rest.starts_with("&gt;")) {
        out += '>';
        i += 4;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

namespace {

bool StartsWithAscii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Builds the run list: consecutive text of one style is merged into one run.
class TRunBuilder {
 public:
  explicit TRunBuilder(TMarkupParse& parse) : m_parse(parse) {}

  void Text(std::string_view escaped) {
    if (escaped.empty()) return;
    std::vector<TMarkupRun>& runs = m_parse.Runs;
    if (runs.empty() || runs.back().Kind != TMarkupRun::TKind::Text || runs.back().Bold != Bold ||
        runs.back().Italic != Italic || runs.back().Link != Link) {
      runs.push_back({TMarkupRun::TKind::Text, {}, Bold, Italic, Link});
    }
    runs.back().Text += MarkupUnescape(escaped);
  }
  void Break() { m_parse.Runs.push_back({TMarkupRun::TKind::Break, {}, Bold, Italic, Link}); }
  void StartLink(std::string_view name) {
    m_parse.Links.push_back(MarkupUnescape(name));
    Link = int(m_parse.Links.size()) - 1;
  }

  bool Bold = false;
  bool Italic = false;
  int Link = -1;

 private:
  TMarkupParse& m_parse;
};

struct TStyle {
  bool Bold;
  bool Italic;
};

void ParseView(std::string_view markup, TMarkupParse& parse) {
  TRunBuilder out(parse);
  std::vector<TStyle> saved;  // styles before each open <b>/<i>
  size_t i = 0;
  while (i < markup.size()) {
    const size_t lt = markup.find('<', i);
    const size_t gt = lt == std::string_view::npos ? lt : markup.find('>', lt + 1);
    if (gt == std::string_view::npos) {
      out.Text(markup.substr(i));
      break;
    }
    out.Text(markup.substr(i, lt - i));
    const std::string_view tag = markup.substr(lt + 1, gt - lt - 1);
    i = gt + 1;
    if (SameTextAscii(tag, "b") || SameTextAscii(tag, "i")) {
      saved.push_back({out.Bold, out.Italic});
      (AsciiLower(tag[0]) == 'b' ? out.Bold : out.Italic) = true;
    } else if (SameTextAscii(tag, "/b") || SameTextAscii(tag, "/i")) {
      if (!saved.empty()) {
        out.Bold = saved.back().Bold;
        out.Italic = saved.back().Italic;
        saved.pop_back();
      }
    } else if (SameTextAscii(tag, "br/") || SameTextAscii(tag, "br") ||
               SameTextAscii(tag, "br /")) {
      out.Break();
    } else if (StartsWithAscii(tag, "a")) {
      out.StartLink(TrimBlanks(tag.substr(1)));
    } else if (StartsWithAscii(tag, "/a")) {
      out.Link = -1;
    }
    // Any other tag is dropped.
  }
}

enum class TLabelTag { None, Break, BoldOn, BoldOff, ItalicOn, ItalicOff, LinkOn, LinkOff };

TLabelTag ClassifyLabelTag(std::string_view tag) {
  if (StartsWithAscii(tag, "br")) return TLabelTag::Break;
  if (StartsWithAscii(tag, "b")) return TLabelTag::BoldOn;
  if (StartsWithAscii(tag, "/b")) return TLabelTag::BoldOff;
  if (StartsWithAscii(tag, "i")) return TLabelTag::ItalicOn;
  if (StartsWithAscii(tag, "/i")) return TLabelTag::ItalicOff;
  if (StartsWithAscii(tag, "a")) return TLabelTag::LinkOn;
  if (StartsWithAscii(tag, "/a")) return TLabelTag::LinkOff;
  return TLabelTag::None;
}

void ParseLabel(std::string_view markup, TMarkupParse& parse) {
  TRunBuilder out(parse);
  int bold = 0;
  int italic = 0;
  size_t i = 0;
  size_t textStart = 0;  // start of the text not yet handed to `out`
  while (i < markup.size()) {
    if (markup[i] != '<') {
      ++i;
      continue;
    }
    const size_t gt = markup.find('>', i + 1);
    if (gt == std::string_view::npos) break;  // the rest is text
    const std::string_view tag = markup.substr(i + 1, gt - i - 1);
    const TLabelTag kind = ClassifyLabelTag(tag);
    if (kind == TLabelTag::None) {
      ++i;  // the "<" is text; read on after it
      continue;
    }
    out.Text(markup.substr(textStart, i - textStart));
    switch (kind) {
      case TLabelTag::Break:
        out.Break();
        break;
      case TLabelTag::BoldOn:
        ++bold;
        break;
      case TLabelTag::BoldOff:
        bold = bold > 0 ? bold - 1 : 0;
        break;
      case TLabelTag::ItalicOn:
        ++italic;
        break;
      case TLabelTag::ItalicOff:
        italic = italic > 0 ? italic - 1 : 0;
        break;
      case TLabelTag::LinkOn:
        out.StartLink(tag.size() > 2 ? tag.substr(2) : std::string_view());
        break;
      case TLabelTag::LinkOff:
        out.Link = -1;
        break;
      case TLabelTag::None:
        break;
    }
    out.Bold = bold > 0;
    out.Italic = italic > 0;
    i = gt + 1;
    textStart = i;
  }
  out.Text(markup.substr(textStart));
}

}  // namespace

TMarkupParse ParseMarkup(std::string_view markup, TMarkupDialect dialect) {
  TMarkupParse parse;
  if (dialect == TMarkupDialect::View)
    ParseView(markup, parse);
  else
    ParseLabel(markup, parse);
  return parse;
}

std::string MarkupPlainText(std::string_view markup, TMarkupDialect dialect) {
  std::string text;
  for (const TMarkupRun& run : ParseMarkup(markup, dialect).Runs)
    text += run.Kind == TMarkupRun::TKind::Break ? std::string("\r\n") : run.Text;
  return text;
}

bool MarkupHasLinks(std::string_view markup) {
  return markup.find("<a") != std::string_view::npos || markup.find("<A") != std::string_view::npos;
}
