#include "documents/AdvRTFs.h"

#include <gtest/gtest.h>

#include <cctype>

#include "core/AdvFormats.h"

#include "documents/tests/DocumentTestHelpers.h"

using doctest::MessageOf;
using doctest::TFolder;

namespace {

const std::string kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\uc1\r\n"
    "{\\fonttbl{\\f0 Verdana;}}\r\n"
    "{\\colortbl;\\red0\\green0\\blue128;\\red255\\green255\\blue255;\\red0\\green0\\blue128;"
    "\\red255\\green255\\blue255;\\red0\\green0\\blue255;\\red255\\green255\\blue255;"
    "\\red0\\green0\\blue0;\\red240\\green240\\blue240;\\red0\\green0\\blue0;"
    "\\red240\\green240\\blue240;\\red0\\green0\\blue128;\\red250\\green240\\blue240;"
    "\\red0\\green0\\blue128;\\red255\\green247\\blue247;\\red150\\green150\\blue150;}\r\n";

// The header up to the style sheet, the style sheet line, and the rest
// after the empty line that follows it.
std::string AfterStyleSheet(const std::string& file) {
  EXPECT_TRUE(file.starts_with(kHeader)) << file.substr(0, 400);
  const std::string sheetStart = kHeader + "{\\stylesheet";
  EXPECT_TRUE(file.starts_with(sheetStart));
  const size_t end = file.find("}\r\n\r\n", kHeader.size());
  EXPECT_NE(end, std::string::npos);
  return end == std::string::npos ? file : file.substr(end + 5);
}

// True when the braces of an RTF text pair up and the document's group
// closes with its last byte. \bin data and escaped braces do not count.
bool GroupsBalance(const std::string& rtf) {
  int depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '\\') {
      if (rtf.compare(i, 4, "\\bin") == 0) {
        size_t k = i + 4;
        size_t count = 0;
        while (k < rtf.size() && std::isdigit(uint8_t(rtf[k])))
          count = count * 10 + size_t(rtf[k++] - '0');
        i = k + count;  // the delimiting blank, then the raw bytes
        continue;
      }
      ++i;  // an escaped character or the first letter of a control word
      continue;
    }
    if (c == '{') ++depth;
    if (c == '}' && --depth < 0) return false;
    if (depth == 0 && i + 1 != rtf.size()) return false;
  }
  return depth == 0;
}

TEST(RtfEscape, EscapesControlCharactersAndHighBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"a{b}c\\", "a\\{b\\}c\\\\"},
      {"x\r\ny", "x\\par y"},
      {"x\ry\nz", "x\ry\nz"},
      {"caf\xe9", "caf\\'e9"},                              // Windows-1252
      {"caf\xc3\xa9 \xe2\x82\xac", "caf\\u233? \\u8364?"},  // UTF-8
      {"\xf0\x9f\x98\x80", "\\u-10179?\\u-8704?"},          // beyond 16 bits: a pair
      {"\xc3\xa9\xff", "\\'c3\\'a9\\'ff"},                  // not UTF-8 as a whole
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(RtfEscape(in), out) << in;
}

TEST(AdvRTF, AssemblesTitlePageContentsAndBody) {
  TFolder folder("rtf");
  auto rtf = folder.Document<TAdvRTF>("report.rtf");
  rtf->Open();
  rtf->Open();  // already open: nothing happens
  EXPECT_TRUE(rtf->FirstPart());
  rtf->SetStyle("Title").Paragraph("Report {1}");
  rtf->Text("a\\b");
  rtf->SetStyle("Subtitle").Text("9 users");
  rtf->SetStyle("Unknown").Text("x");
  rtf->PageBreak();
  EXPECT_FALSE(rtf->FirstPart());
  rtf->SetStyle("Heading").Section("Users");
  rtf->Paragraph("line1\r\nline2");
  rtf->Link("home", "http://x/", "top");
  rtf->Link("back", "", "bookmark1");
  rtf->SetStyle("Heading").Section("Inner");
  rtf->EndSection();
  rtf->EndSection();
  EXPECT_EQ(folder.Files(),
            (std::vector<std::string>{"report.a.tmp", "report.b.tmp", "report.rtf.tmp"}));
  rtf->Close();
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"report.rtf"});
  const std::string file = folder.Read("report.rtf");
  EXPECT_TRUE(GroupsBalance(file));
  const std::string entry =
      "{\\pard\\plain \\s2%d0\\li0\\tqr\\tldot\\tx8296 {\\field{\\*\\fldinst { HYPERLINK \\\\l "
      "\"%s\" }}{\\fldrslt {%s}}}\\tab {\\field{\\*\\fldinst { PAGEREF %s \\\\h }}{\\fldrslt "
      "{-1}}}\\par}\r\n";
  EXPECT_EQ(AfterStyleSheet(file),
            // title page
            "{\\s40 Report \\{1\\}\\par}a\\\\b{\\s41 9 users}x\\page "
            // contents
            "{\\s200 Table of Contents}{\\field{\\*\\fldinst { TOC \\\\o \"1-3\" \\\\h \\\\z }}"
            "{\\fldrslt \r\n" +
                AdvFormat(entry, {1, "bookmark1", "Users", "bookmark1"}) +
                AdvFormat(entry, {2, "bookmark2", "Inner", "bookmark2"}) +
                "}}\\pard\\par "
                // body
                "{\\*\\bkmkstart bookmark1}{\\*\\bkmkend bookmark1}{\\s21 Users\\par}"
                "{ line1\\par line2\\par}"
                "{\\field{\\*\\fldinst { HYPERLINK \"http://x/#top\" }}{\\fldrslt {home}}}"
                "{\\field{\\*\\fldinst { HYPERLINK \\\\l \"bookmark1\" }}{\\fldrslt {back}}}"
                "{\\*\\bkmkstart bookmark2}{\\*\\bkmkend bookmark2}{\\s22 Inner\\par}"
                "}");
}

TEST(AdvRTF, WithoutPageBreakOrSectionsTheBraceStillComesLast) {
  TFolder folder("rtf");
  auto rtf = folder.Document<TAdvRTF>("plain.rtf");
  rtf->Open();
  rtf->Paragraph("only");
  rtf->Close();
  const std::string file = folder.Read("plain.rtf");
  EXPECT_EQ(AfterStyleSheet(file), "{ only\\par}}");
  EXPECT_TRUE(GroupsBalance(file));
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"plain.rtf"});
}

TEST(AdvRTF, TablesShadeRowsAndLinkSiteCells) {
  TFolder folder("rtf");
  auto table = doctest::MakeTable({"User", "Web Site", "Hidden"}, 2, [](int column, int row) {
    static const char* cells[2][3] = {{"bob", "www.x.com", "-"}, {"{amy}", "ftp://y/\"z", "-"}};
    return std::string(cells[row][column]);
  });
  table->Columns().GetItem(1)->Alignment = TAdvColumn::kAlignRight;
  table->Columns().GetItem(0)->Footer = "Total";
  table->Columns().GetItem(2)->Visible = false;
  auto rtf = folder.Document<TAdvRTF>("t.rtf");
  rtf->Open();
  rtf->Table(*table);
  rtf->Close();
  const std::string row = "\\trowd\\trleft-108\\trgaph108\\trautofit0";
  const auto edges = [](const std::string& shading) {
    const std::string border =
        "\\clbrdrt\\brdrs\\brdrcf15\\clbrdrl\\brdrs\\brdrcf15\\clbrdrb\\brdrs\\brdrcf15"
        "\\clbrdrr\\brdrs\\brdrcf15" +
        shading;
    return border + "\\cellx4000\r\n" + border + "\\cellx8000\r\n";
  };
  EXPECT_EQ(AfterStyleSheet(folder.Read("t.rtf")),
            row + "\\trhdr\r\n" + edges("\\clcbpat8") +
                "{\\intbl\\s31\r\nUser\\cell {\\qr Web Site\\cell}\\row}\r\n" + row + "\r\n" +
                edges("\\clcbpat12") +
                "{\\intbl\\s35\r\nbob\\cell {\\qr {\\field{\\*\\fldinst { HYPERLINK "
                "\"http://www.x.com\" }}{\\fldrslt {\\cs3 www.x.com}}}\\cell}\\row}\r\n" +
                row + "\r\n" + edges("\\clcbpat14") +
                "{\\intbl\\s34\r\n\\{amy\\}\\cell {\\qr {\\field{\\*\\fldinst { HYPERLINK "
                "\"ftp://y/%22z\" }}{\\fldrslt {\\cs3 ftp://y/\"z}}}\\cell}\\row}\r\n" +
                row + "\r\n" + edges("\\clcbpat10") +
                "{\\intbl\\s32\r\nTotal\\cell {\\qr \\cell}\\row}\r\n"
                "\\pard \r\n \\par \r\n}");
}

TEST(AdvRTF, PicturesAreEmbeddedAsJpegOrLeftOut) {
  TFolder folder("rtf");
  const std::string sources = vexatest::MakeTempFolder("sources");
  vexatest::WriteFileText(sources + "/logo.bmp",
                          EncodeBitmap(doctest::SolidPicture(5, 3, 9, 9, 9)));
  vexatest::WriteFileText(sources + "/anim.gif", "GIF89a");
  auto rtf = folder.Document<TAdvRTF>("p.rtf");
  rtf->Open();
  rtf->SetStyle("Chart").Picture(doctest::SolidPicture(4, 2, 255, 0, 0));
  rtf->Image(sources + "/logo.bmp");
  TAdvPicture broken = doctest::SolidPicture(4, 2, 0, 0, 0);
  broken.Pixels.pop_back();
  rtf->SetStyle("Chart").Picture(broken);  // nothing, and the style is used up
  EXPECT_EQ(MessageOf([&] { rtf->Image(sources + "/missing.bmp"); }),
            "(TAdvImageCompressor.Load): Image '" + sources + "/missing.bmp' could not be located");
  EXPECT_EQ(MessageOf([&] { rtf->Image(sources + "/anim.gif"); }),
            "(TAdvImageCompressor.Load): Unable to load image \"" + sources + "/anim.gif\"");
  EXPECT_TRUE(rtf->Active());
  rtf->Paragraph("after");
  rtf->Close();
  const std::string body = AfterStyleSheet(folder.Read("p.rtf"));
  EXPECT_TRUE(GroupsBalance(folder.Read("p.rtf")));
  // Each group: the prefix, the JPEG bytes (FF D8 ... FF D9), "}\par}".
  const std::string first = "{\\s43{\\pict\\jpegblip\\picw4\\pich2\\bin";
  ASSERT_TRUE(body.starts_with(first)) << body.substr(0, 80);
  size_t at = first.size();
  const auto jpegAt = [&](size_t& position) {
    const size_t blank = body.find(' ', position);
    const size_t count = std::stoul(body.substr(position, blank - position));
    const std::string jpeg = body.substr(blank + 1, count);
    position = blank + 1 + count;
    return jpeg;
  };
  TAdvPicture back;
  ASSERT_TRUE(DecodePicture(jpegAt(at), back));
  EXPECT_EQ(back.Width, 4u);
  const std::string second = "}\\par}{\\qc{\\pict\\jpegblip\\picw5\\pich3\\bin";
  ASSERT_EQ(body.substr(at, second.size()), second);
  at += second.size();
  ASSERT_TRUE(DecodePicture(jpegAt(at), back));
  EXPECT_EQ(back.Width, 5u);
  EXPECT_EQ(body.substr(at), "}\\par}{ after\\par}}");
}

}  // namespace
