#include "documents/AdvRTFs.h"

#include <vector>

#include "core/AdvAscii.h"
#include "core/AdvFormats.h"
#include "core/AdvPaths.h"
#include "core/AdvTexts.h"

ADV_CLASS_IMPL(TAdvRTF, TAdvText)

namespace {

// The colour table, entries 1 to 15 (entry 0 is the automatic colour).
constexpr uint8_t kColours[15][3] = {{0, 0, 128}, {255, 255, 255}, {0, 0, 128},    {255, 255, 255},
                                     {0, 0, 255}, {255, 255, 255}, {0, 0, 0},      {240, 240, 240},
                                     {0, 0, 0},   {240, 240, 240}, {0, 0, 128},    {250, 240, 240},
                                     {0, 0, 128}, {255, 247, 247}, {150, 150, 150}};

// Style sheet entries: number (with its control word) and name, plus the
// formatting each style stands for.
constexpr std::string_view kStyleSheet =
    "{\\stylesheet"
    "{\\s1\\f0\\fs20 Normal;}"
    "{\\*\\cs3\\ul\\cf5 Link;}"
    "{\\s21\\b\\f0\\fs32\\cf1 Heading 1;}{\\s22\\b\\f0\\fs28\\cf1 Heading 2;}"
    "{\\s23\\b\\f0\\fs24\\cf1 Heading 3;}{\\s24\\b\\f0\\fs22\\cf1 Heading 4;}"
    "{\\s25\\b\\f0\\fs20\\cf1 Heading 5;}{\\s26\\b\\f0\\fs20\\cf1 Heading 6;}"
    "{\\s27\\b\\f0\\fs20\\cf1 Heading 7;}{\\s28\\b\\f0\\fs20\\cf1 Heading 8;}"
    "{\\s29\\b\\f0\\fs20\\cf1 Heading 9;}"
    "{\\s200\\b\\f0\\fs28 TOC Title;}{\\s210\\f0\\fs20 TOC 1;}"
    "{\\s220\\li200\\f0\\fs20 TOC 2;}{\\s230\\li400\\f0\\fs20 TOC 3;}"
    "{\\s31\\b\\f0\\fs20 Column Heading;}{\\s32\\b\\f0\\fs20 Table Heading;}"
    "{\\s33\\f0\\fs18 Table Text;}{\\s34\\f0\\fs18 Table Row Even;}"
    "{\\s35\\f0\\fs18 Table Row Odd;}"
    "{\\s40\\qc\\b\\f0\\fs48\\cf1 Title;}{\\s41\\qc\\f0\\fs32 Subtitle;}"
    "{\\s42\\f0\\fs20 Body Text;}{\\s43\\qc\\f0\\fs20 Chart;}"
    "}";

constexpr std::pair<std::string_view, std::string_view> kStyleCodes[] = {
    {"Title", "\\s40"},  {"Subtitle", "\\s41"}, {"Description", "\\s42"}, {"Chart", "\\s43"},
    {"RowOdd", "\\s34"}, {"RowEven", "\\s35"},  {"Link", "\\cs3"}};

constexpr std::string_view kTableRow = "\\trowd\\trleft-108\\trgaph108\\trautofit0";
constexpr std::string_view kCellBorder = "\\brdrs\\brdrcf15";

// The length of the UTF-8 sequence at `text[i]` and its code point, or 0
// when no valid sequence starts there.
int Utf8Sequence(std::string_view text, size_t i, uint32_t& codePoint) {
  const auto lead = uint8_t(text[i]);
  int length;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < size_t(length)) return 0;
  for (int k = 1; k < length; ++k) {
    const auto next = uint8_t(text[i + size_t(k)]);
    if ((next & 0xC0) != 0x80) return 0;
    codePoint = codePoint << 6 | (next & 0x3F);
  }
  static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < kLeast[length] || codePoint > 0x10FFFF ||
      (codePoint >= 0xD800 && codePoint <= 0xDFFF))
    return 0;
  return length;
}

// True when the text is valid UTF-8 and has a character beyond ASCII.
bool IsWideUtf8(std::string_view text) {
  bool wide = false;
  for (size_t i = 0; i < text.size();) {
    uint32_t codePoint;
    const int length = Utf8Sequence(text, i, codePoint);
    if (length == 0) return false;
    wide |= length > 1;
    i += size_t(length);
  }
  return wide;
}

void AppendUnicode(std::string& out, uint32_t unit) {
  // RTF numbers are signed 16-bit; "?" is what a reader without Unicode shows.
  out += "\\u" + std::to_string(int16_t(uint16_t(unit))) + "?";
}

}  // namespace

std::string RtfEscape(std::string_view text) {
  const bool unicode = IsWideUtf8(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = uint8_t(c);
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += c;
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\\par ";
      ++i;
    } else if (byte < 0x80) {
      out += c;
    } else if (unicode) {
      uint32_t codePoint;
      const int length = Utf8Sequence(text, i, codePoint);
      if (codePoint > 0xFFFF) {
        codePoint -= 0x10000;
        AppendUnicode(out, 0xD800 + (codePoint >> 10));
        AppendUnicode(out, 0xDC00 + (codePoint & 0x3FF));
      } else {
        AppendUnicode(out, codePoint);
      }
      i += size_t(length) - 1;
    } else {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\'";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

TAdvRTF::TAdvRTF()
    : m_styles(new TAdvStringMatch()),
      m_compressor(new TAdvImageCompressor()),
      m_pipe(new TAdvPipe()) {
  m_styles->SetForced(true);
  m_styles->SetSorted(true);
}

std::string TAdvRTF::StyleCode(const std::string& name) const {
  if (name.empty()) return {};
  return m_styles->GetMatch(name);
}

std::string TAdvRTF::QuotedTarget(std::string_view address) {
  // A quote would end the argument and a backslash start a field switch;
  // neither belongs in an address, so both travel percent-encoded.
  std::string target = ReplaceAll(ReplaceAll(address, "\"", "%22"), "\\", "%5C");
  return "\"" + RtfEscape(target) + "\"";
}

// ---------------------------------------------------------------------------
// Opening and closing

void TAdvRTF::Open() {
  if (Active()) return;
  TAdvText::Open();
  m_headingLevel = 0;
  m_bookmarkCounter = 1;
  m_firstPart = true;
  m_hasContents = false;
  try {
    const std::string base = WithoutExtension(FileName());
    m_contents = AdvNew<TAfsFile>(Folder(), base + ".a");
    m_contents->Open(TAfsVolume::kModeCreate, TAfsVolume::kShareRead);
    m_contentsCache = AdvNew<TAdvCacheAdapter>(m_contents->Stream(), kCacheSize);
    m_body = AdvNew<TAfsFile>(Folder(), base + ".b");
    m_body->Open(TAfsVolume::kModeCreate, TAfsVolume::kShareRead);
    m_bodyCache = AdvNew<TAdvCacheAdapter>(m_body->Stream(), kCacheSize);
    WriteHeader();
  } catch (...) {
    DropSideFiles();
    Abandon();
    throw;
  }
}

void TAdvRTF::WriteHeader() {
  WriteLine("{\\rtf1\\ansi\\ansicpg1252\\uc1");
  WriteLine("{\\fonttbl{\\f0 Verdana;}}");
  std::string colours = "{\\colortbl;";
  for (const auto& rgb : kColours)
    colours += AdvFormat("\\red%d\\green%d\\blue%d;", {rgb[0], rgb[1], rgb[2]});
  WriteLine(colours + "}");
  WriteLine(kStyleSheet);
  m_styles->Clear();
  for (const auto& [name, code] : kStyleCodes) m_styles->Add(std::string(name), std::string(code));
  WriteLine("");
  WriteContents(
      "{\\s200 Table of Contents}"
      "{\\field{\\*\\fldinst { TOC \\\\o \"1-3\" \\\\h \\\\z }}{\\fldrslt \r\n");
}

void TAdvRTF::Flush() {
  TAdvText::Flush();
  if (m_contentsCache) m_contentsCache->Flush();
  if (m_bodyCache) m_bodyCache->Flush();
}

void TAdvRTF::AppendSideFile(TAdvRef<TAfsFile>& file, TAdvRef<TAdvCacheAdapter>& cache) {
  cache->Flush();
  cache.Reset();
  TAfsStream* stream = file->Stream();
  stream->SetPosition(0);
  m_pipe->SetInput(stream);
  m_pipe->SetOutput(&Output());
  m_pipe->Run();
  m_pipe->SetInput(nullptr);
  m_pipe->SetOutput(nullptr);
  file->Discard();
  file.Reset();
}

void TAdvRTF::DropSideFiles() {
  m_pipe->SetInput(nullptr);
  m_pipe->SetOutput(nullptr);
  for (auto* cache : {&m_contentsCache, &m_bodyCache})
    if (*cache) {
      (*cache)->SetStream(nullptr);
      cache->Reset();
    }
  for (auto* file : {&m_contents, &m_body})
    if (*file) {
      (*file)->Discard();
      file->Reset();
    }
}

void TAdvRTF::Close() {
  if (!Active()) {
    TAdvText::Close();
    return;
  }
  try {
    WriteContents("}}\\pard\\par ");
    // Assembled in reading order; the document group's closing brace is the
    // last byte, after everything the side files add.
    if (m_hasContents) {
      AppendSideFile(m_contents, m_contentsCache);
    } else {
      m_contentsCache->SetStream(nullptr);
      m_contentsCache.Reset();
      m_contents->Discard();
      m_contents.Reset();
    }
    AppendSideFile(m_body, m_bodyCache);
    m_firstPart = true;
    Write("}");
  } catch (...) {
    DropSideFiles();
    Abandon();
    throw;
  }
  TAdvText::Close();
}

// ---------------------------------------------------------------------------
// Output

void TAdvRTF::Write(std::string_view text) {
  if (m_firstPart || !m_bodyCache) {
    TAdvText::Write(text);
    return;
  }
  m_bodyCache->Write(text.data(), uint32_t(text.size()));
}

void TAdvRTF::WriteContents(std::string_view text) {
  if (!m_contentsCache) Error("Write", "Document is not open");
  m_contentsCache->Write(text.data(), uint32_t(text.size()));
}

void TAdvRTF::Text(std::string_view text) {
  const std::string code = StyleCode(TakeStyle());
  // The blank ends the style's control word, so a text starting with a digit
  // or a letter is not read as part of it.
  if (code.empty())
    Write(RtfEscape(text));
  else
    Write("{" + code + " " + RtfEscape(text) + "}");
}

void TAdvRTF::Paragraph(std::string_view text) {
  const std::string style = TakeStyle();
  const std::string code =
      SameTextAscii(style, "Heading") ? AdvFormat("\\s2%d", {m_headingLevel}) : StyleCode(style);
  Write("{" + code + " " + RtfEscape(text) + "\\par}");
}

void TAdvRTF::OpenSection(std::string_view text, bool expandable) {
  const std::string style = TakeStyle();
  const std::string bookmark = AdvFormat("bookmark%d", {m_bookmarkCounter});
  Anchor(bookmark);
  ++m_bookmarkCounter;
  ++m_headingLevel;
  m_hasContents = true;
  WriteContents(
      AdvFormat("{\\pard\\plain \\s2%d0\\li0\\tqr\\tldot\\tx8296 "
                "{\\field{\\*\\fldinst { HYPERLINK \\\\l \"%s\" }}{\\fldrslt {%s}}}\\tab "
                "{\\field{\\*\\fldinst { PAGEREF %s \\\\h }}{\\fldrslt {-1}}}\\par}\r\n",
                {m_headingLevel, bookmark, RtfEscape(text), bookmark}));
  SetStyle(style);
  Paragraph(text);
}

void TAdvRTF::EndSection() {
  --m_headingLevel;
}

void TAdvRTF::Anchor(std::string_view name) {
  const std::string escaped = RtfEscape(name);
  Write("{\\*\\bkmkstart " + escaped + "}{\\*\\bkmkend " + escaped + "}");
}

void TAdvRTF::Link(std::string_view text, std::string_view url, std::string_view anchor) {
  TakeStyle();
  const std::string target = !url.empty()
                                 ? QuotedTarget(std::string(url) + "#" + std::string(anchor))
                                 : "\\\\l " + QuotedTarget(anchor);
  Write("{\\field{\\*\\fldinst { HYPERLINK " + target + " }}{\\fldrslt {" + RtfEscape(text) +
        "}}}");
}

void TAdvRTF::PageBreak() {
  Write("\\page ");
  m_firstPart = false;
}

// ---------------------------------------------------------------------------
// Pictures

void TAdvRTF::PictureGroup() {
  const std::string code = StyleCode(TakeStyle());
  const std::string_view bytes = m_compressor->Bytes();
  Write(AdvFormat("{%s{\\pict\\jpegblip\\picw%d\\pich%d\\bin%d ",
                  {code.empty() ? std::string("\\qc") : code, m_compressor->Width(),
                   m_compressor->Height(), uint32_t(bytes.size())}));
  Write(bytes);
  Write("}\\par}");
}

void TAdvRTF::Image(const std::string& path) {
  m_compressor->LoadAndCompress(path);
  PictureGroup();
}

void TAdvRTF::Picture(const TAdvPicture& picture) {
  if (m_compressor->Compress(picture) != TAdvImageCompressor::TFormat::Jpeg) {
    // Only JPEG may stand under the JPEG tag: anything else is left out.
    TakeStyle();
    return;
  }
  PictureGroup();
}

// ---------------------------------------------------------------------------
// Tables

void TAdvRTF::Table(TAdvTable& table) {
  TakeStyle();
  TAdvColumns& columns = table.Columns();
  std::vector<int> visible;
  for (int i = 0; i < columns.Count(); ++i)
    if (columns.GetItem(i)->Visible) visible.push_back(i);
  const int width = visible.empty() ? 0 : 8000 / int(visible.size());
  const auto edges = [&](std::string_view shading) {
    const std::string border = AdvFormat("\\clbrdrt%0:s\\clbrdrl%0:s\\clbrdrb%0:s\\clbrdrr%0:s%1:s",
                                         {kCellBorder, shading});
    for (size_t k = 0; k < visible.size(); ++k)
      WriteLine(AdvFormat("%s\\cellx%d", {border, width * int(k + 1)}));
  };
  const auto cell = [&](int column, const std::string& content) {
    switch (columns.GetItem(column)->Alignment) {
      case TAdvColumn::kAlignRight:
        Write("{\\qr " + content + "\\cell}");
        break;
      case TAdvColumn::kAlignCenter:
        Write("{\\qc " + content + "\\cell}");
        break;
      default:
        // The blank ends the control word: the next cell's text would
        // otherwise run into it ("\cellSales" is no \cell).
        Write(content + "\\cell ");
    }
  };
  const auto captions = [&](bool header) {
    WriteLine(std::string(kTableRow) + (header ? "\\trhdr" : ""));
    edges(header ? "\\clcbpat8" : "\\clcbpat10");
    WriteLine(header ? "{\\intbl\\s31" : "{\\intbl\\s32");
    for (int column : visible) {
      const TAdvColumn& c = *columns.GetItem(column);
      cell(column, RtfEscape(header ? c.Header : c.Footer));
    }
    WriteLine("\\row}");
  };
  if (columns.ShowHeader) captions(true);
  int count = 0;
  for (table.First(); table.More(); table.Next(), ++count) {
    WriteLine(kTableRow);
    edges(count % 2 == 0 ? "\\clcbpat12" : "\\clcbpat14");
    WriteLine("{\\intbl" + StyleCode(table.RowClass()));
    for (int column : visible) {
      const std::string lower = LowerAscii(columns.GetItem(column)->Header);
      const std::string text = table.CellText(column);
      bool link;
      if (lower.find("site") != std::string::npos)
        link = lower.find("site port") == std::string::npos;
      else
        link = columns.GetItem(column)->Header.find("URL") != std::string::npos ||
               text.starts_with("http://");
      if (!link) {
        cell(column, RtfEscape(text));
        continue;
      }
      const std::string address = text.find("://") != std::string::npos ? text : "http://" + text;
      cell(column, "{\\field{\\*\\fldinst { HYPERLINK " + QuotedTarget(address) +
                       " }}{\\fldrslt {" + StyleCode("Link") + " " + RtfEscape(text) + "}}}");
    }
    WriteLine("\\row}");
  }
  if (columns.ShowFooter) captions(false);
  WriteLine("\\pard ");
  Write(" ");
  WriteLine("\\par ");
}
