#include "documents/AdvHTMLs.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "documents/tests/DocumentTestHelpers.h"

using doctest::TFolder;

namespace {

const std::string kHead =
    "<html>\r\n<head>\r\n<title>Title</title>\r\n<script>\r\n</script>\r\n</head>\r\n<body>\r\n";
const std::string kTail = "</body>\r\n</html>\r\n";

// What the document wrote between its head and its tail.
std::string BodyOf(const std::string& page) {
  EXPECT_TRUE(page.starts_with(kHead)) << page;
  EXPECT_TRUE(page.ends_with(kTail)) << page;
  if (!page.starts_with(kHead) || !page.ends_with(kTail)) return page;
  return page.substr(kHead.size(), page.size() - kHead.size() - kTail.size());
}

TEST(AdvHTML, WritesThePageAndItsElements) {
  TFolder folder("html");
  const std::string sheet = vexatest::MakeTempFolder("sheets") + "/style.css";
  vexatest::WriteFileText(sheet, "body { color: navy }");
  auto html = folder.Document<TAdvHTML>("report.html", "A & B <x>");
  html->SetStyleSheet(sheet);
  html->ExtraScript = "var x = 1;";
  html->Open();
  html->Text("plain\r\ntwo");
  html->SetStyle("Note").Text("styled");
  html->SetStyle("Kept").Paragraph("");  // writes nothing; the style waits
  html->Paragraph("next");
  html->SetStyle("Heading").Section("Top");
  html->SetStyle("heading").Section("Inner");
  html->EndSection();
  html->EndSection();
  html->Paragraph("para");
  html->PageBreak();
  html->Link("go", "http://x.org/page", "part");
  html->Anchor("part");
  html->AnchorsInLinks = false;
  html->SetStyle("Link").Link("plain", "x.org", "part");
  html->Close();
  EXPECT_FALSE(html->Active());
  EXPECT_EQ(folder.Read("report.html"),
            "<html>\r\n<head>\r\n<title>A &amp; B &lt;x&gt;</title>\r\n"
            "<link rel=\"stylesheet\" href=\"style.css\" type=\"text/css\">\r\n"
            "<script>\r\nvar x = 1;\r\n</script>\r\n</head>\r\n<body>\r\n"
            "plain<br>two\r\n"
            "<span class=\"Note\">styled</span>\r\n"
            "<div class=\"Kept\">next</div>\r\n"
            "<div class=\"Heading1\">Top</div>\r\n"
            "<div class=\"heading2\">Inner</div>\r\n"
            "<div >para</div>\r\n"
            "<br style=\"page-break-before:always\">\r\n"
            "<a  href=\"http://x.org/page#part\">go</a>\r\n"
            "<a  name=\"part\"></a>\r\n"
            "<a class=\"Link\" href=\"http://x.org\">plain</a>\r\n" +
                kTail);
  EXPECT_EQ(folder.Read("style.css"), "body { color: navy }");
}

TEST(AdvHTML, TablesMarkLinkCellsByHeaderOrText) {
  TFolder folder("html");
  auto table = doctest::MakeTable(
      {"User", "Web Site", "Site Port", "Page URL", "Plain"}, 2, [](int column, int row) {
        static const char* cells[2][5] = {{"bob", "www.x.com", "8080", "https://y/", "http://z/"},
                                          {"<amy>", "SITE", "80", "u", "ftp://no"}};
        return column < 5 ? std::string(cells[row][column]) : std::string();
      });
  TAdvColumns& columns = table->Columns();
  columns.SetEqualWidths();
  columns.GetItem(2)->Alignment = TAdvColumn::kAlignRight;
  columns.GetItem(3)->Alignment = TAdvColumn::kAlignCenter;
  columns.GetItem(4)->Visible = false;
  columns.AddColumn()->Header = "More";
  columns.GetItem(0)->Footer = "Total";
  auto html = folder.Document<TAdvHTML>("t.html");
  html->Open();
  html->Table(*table);
  columns.ShowHeader = columns.ShowFooter = false;
  columns.GetItem(4)->Visible = true;
  columns.GetItem(5)->Visible = false;
  html->SetStyle("Grid").Table(*table);
  html->Close();
  const std::string link = "\" target=\"_blank\">";
  EXPECT_EQ(BodyOf(folder.Read("t.html")),
            "<table  width=\"100%\" border=\"0\" cellpadding=\"2\" cellspacing=\"1\">\r\n"
            "<colgroup>\r\n"
            "<col width=\"20%\" align=\"left\">\r\n"
            "<col width=\"20%\" align=\"left\">\r\n"
            "<col width=\"20%\" align=\"right\">\r\n"
            "<col width=\"20%\" align=\"center\">\r\n"
            "<col width=\"\" align=\"left\">\r\n"
            "</colgroup>\r\n"
            "<tr class=\"RowHeader\">\r\n<th>User</th>\r\n<th>Web Site</th>\r\n"
            "<th>Site Port</th>\r\n<th>Page URL</th>\r\n<th>More</th>\r\n</tr>\r\n"
            "<tr class=\"RowEven\">\r\n<td>bob</td>\r\n"
            "<td><a  href=\"http://www.x.com" +
                link +
                "www.x.com</a>\r\n</td>\r\n"
                "<td>8080</td>\r\n"
                "<td><a  href=\"https://y/" +
                link +
                "https://y/</a>\r\n</td>\r\n"
                "<td></td>\r\n</tr>\r\n"
                "<tr class=\"RowOdd\">\r\n<td>&lt;amy&gt;</td>\r\n"
                "<td><a  href=\"http://SITE" +
                link +
                "SITE</a>\r\n</td>\r\n"
                "<td>80</td>\r\n"
                "<td><a  href=\"http://u" +
                link +
                "u</a>\r\n</td>\r\n"
                "<td></td>\r\n</tr>\r\n"
                "<tr class=\"RowFooter\">\r\n<th>Total</th>\r\n<th></th>\r\n<th></th>\r\n"
                "<th></th>\r\n<th></th>\r\n</tr>\r\n"
                "</table>\r\n"
                // Second table: a style, no header or footer; a cell starting with
                // http:// is a link in any column, ftp:// only under a link header.
                "<table class=\"Grid\" width=\"100%\" border=\"0\" cellpadding=\"2\" "
                "cellspacing=\"1\">\r\n"
                "<colgroup>\r\n"
                "<col width=\"20%\" align=\"left\">\r\n"
                "<col width=\"20%\" align=\"left\">\r\n"
                "<col width=\"20%\" align=\"right\">\r\n"
                "<col width=\"20%\" align=\"center\">\r\n"
                "<col width=\"20%\" align=\"left\">\r\n"
                "</colgroup>\r\n"
                "<tr class=\"RowEven\">\r\n<td>bob</td>\r\n"
                "<td><a  href=\"http://www.x.com" +
                link +
                "www.x.com</a>\r\n</td>\r\n"
                "<td>8080</td>\r\n"
                "<td><a  href=\"https://y/" +
                link +
                "https://y/</a>\r\n</td>\r\n"
                "<td><a  href=\"http://z/" +
                link +
                "http://z/</a>\r\n</td>\r\n</tr>\r\n"
                "<tr class=\"RowOdd\">\r\n<td>&lt;amy&gt;</td>\r\n"
                "<td><a  href=\"http://SITE" +
                link +
                "SITE</a>\r\n</td>\r\n"
                "<td>80</td>\r\n"
                "<td><a  href=\"http://u" +
                link +
                "u</a>\r\n</td>\r\n"
                "<td>ftp://no</td>\r\n</tr>\r\n"
                "</table>\r\n");
}

class HtmlPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string bitmap = EncodeBitmap(doctest::SolidPicture(8, 4, 200, 10, 10));
    vexatest::WriteFileText(m_logo, bitmap);
    vexatest::WriteFileText(m_gif, "GIF89a not decodable here");
  }
  std::string m_sources = vexatest::MakeTempFolder("sources");
  std::string m_logo = m_sources + "/logo.bmp";
  std::string m_gif = m_sources + "/anim.gif";
  TFolder m_folder{"html"};
};

TEST_F(HtmlPictures, EachSourceIsExportedOnceAndUnreadableOnesAreCopied) {
  auto html = m_folder.Document<TAdvHTML>("report.html");
  html->Open();
  html->Image(m_logo);
  html->SetStyle("Logo").ImageWithAttributes(m_logo, "width=\"10\"");
  html->Image(m_gif);
  html->Image(m_sources + "/missing.png");
  html->Picture(doctest::SolidPicture(3, 3, 0, 0, 255));
  html->Close();
  EXPECT_EQ(BodyOf(m_folder.Read("report.html")),
            "<span class=\"\"><img src=\"report_files/Image0.jpg\"></span>\r\n"
            "<span class=\"Logo\"><img src=\"report_files/Image0.jpg\" width=\"10\"></span>\r\n"
            // The pending style is used unchanged and stays pending.
            "<span class=\"Logo\"><img src=\"report_files/Image1.gif\"></span>\r\n"
            "<span class=\"Logo\"><img src=\"\"></span>\r\n"
            "<div class=\"Logo\"><img src=\"report_files/Image2.jpg\" id=\"\"></div>\r\n");
  EXPECT_EQ(m_folder.Files(),
            (std::vector<std::string>{"report.html", "report_files/Image0.jpg",
                                      "report_files/Image1.gif", "report_files/Image2.jpg"}));
  EXPECT_EQ(m_folder.Read("report_files/Image1.gif"), "GIF89a not decodable here");
  TAdvPicture back;
  ASSERT_TRUE(DecodePicture(m_folder.Read("report_files/Image0.jpg"), back));
  EXPECT_EQ(back.Width, 8u);
  EXPECT_EQ(back.Height, 4u);
  ASSERT_TRUE(DecodePicture(m_folder.Read("report_files/Image2.jpg"), back));
  EXPECT_EQ(back.Width, 3u);

  // The same object writing a second page continues the numbering and
  // reuses what it exported; without SeparateFolder names get "_files_".
  html->SetFileName("second.html");
  html->SeparateFolder = false;
  html->Open();
  html->Image(m_logo);
  html->ImageId = "pic";
  html->Picture(doctest::SolidPicture(2, 2, 0, 0, 0));
  html->Close();
  EXPECT_EQ(BodyOf(m_folder.Read("second.html")),
            "<span class=\"\"><img src=\"report_files/Image0.jpg\"></span>\r\n"
            "<div ><img src=\"second_files_Image3.jpg\" id=\"pic\"></div>\r\n");
}

TEST_F(HtmlPictures, NamesAreRelativeToTheDocumentsOwnFolder) {
  auto html = m_folder.Document<TAdvHTML>("sub\\dir/page.html");
  html->Open();
  EXPECT_EQ(html->FileName(), "sub/dir/page.html");
  html->Image(m_logo);
  html->Close();
  EXPECT_TRUE(m_folder.Exists("sub/dir/page_files/Image0.jpg"));
  EXPECT_EQ(BodyOf(m_folder.Read("sub/dir/page.html")),
            "<span class=\"\"><img src=\"page_files/Image0.jpg\"></span>\r\n");
}

// ---------------------------------------------------------------------------
// Hostile texts

TEST(SafeLinkAddress, KeepsOnlyWebAndFtpSchemes) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"#part", "#part"},
      {"http://x/", "http://x/"},
      {"HTTPS://x/", "HTTPS://x/"},
      {"ftp://f/", "ftp://f/"},
      {"www.x.com", "http://www.x.com"},
      {"www.x.com:8080/a", "http://www.x.com:8080/a"},
      {"javascript:alert(1)", "http://javascript:alert(1)"},
      {" \t JavaScript:alert(1)", "http://JavaScript:alert(1)"},
      {"data:text/html,<b>", "http://data:text/html,<b>"},
      {"vbscript:x", "http://vbscript:x"},
      {"  http://padded/ \r\n", "http://padded/"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(SafeLinkAddress(in), out) << in;
  EXPECT_EQ(HtmlAttribute("a\"b'c<d>&"), "a&quot;b&#39;c&lt;d&gt;&amp;");
  EXPECT_EQ(ScriptString("a\"</script>\\\n"), "\"a\\\"\\x3C/script\\x3E\\\\\\x0A\"");
}

// Every tag of the page is one this writer makes, every attribute one it
// sets, and every link leads to a web, FTP or in-page address.
void ExpectInert(const std::string& page) {
  static const std::set<std::string> kTags = {"html", "head", "title", "link", "script", "body",
                                              "span", "div",  "a",     "br",   "table",  "colgroup",
                                              "col",  "tr",   "th",    "td",   "img"};
  static const std::set<std::string> kAttributes = {
      "class", "href",   "name",        "target",      "src", "id",   "width",
      "align", "border", "cellpadding", "cellspacing", "rel", "type", "style"};
  int scripts = 0;
  for (size_t at = page.find('<'); at != std::string::npos; at = page.find('<', at + 1)) {
    size_t i = at + 1;
    if (i < page.size() && page[i] == '/') ++i;
    size_t end = i;
    while (end < page.size() && std::isalpha(uint8_t(page[end]))) ++end;
    const std::string tag = page.substr(i, end - i);
    ASSERT_TRUE(kTags.count(tag)) << "tag <" << tag << "> at " << page.substr(at, 60);
    if (tag == "script" && page[at + 1] != '/') ++scripts;
    // Attributes: name="value" pairs up to the closing ">".
    i = end;
    for (;;) {
      while (i < page.size() && page[i] == ' ') ++i;
      ASSERT_LT(i, page.size());
      if (page[i] == '>') break;
      size_t nameEnd = i;
      while (nameEnd < page.size() &&
             (std::isalpha(uint8_t(page[nameEnd])) || page[nameEnd] == '-'))
        ++nameEnd;
      const std::string name = page.substr(i, nameEnd - i);
      ASSERT_TRUE(kAttributes.count(name))
          << "attribute '" << name << "' at " << page.substr(at, 80);
      ASSERT_EQ(page.substr(nameEnd, 2), "=\"") << page.substr(at, 80);
      const size_t close = page.find('"', nameEnd + 2);
      ASSERT_NE(close, std::string::npos);
      const std::string value = page.substr(nameEnd + 2, close - nameEnd - 2);
      EXPECT_EQ(value.find_first_of("<>"), std::string::npos) << value;
      if (name == "href") {
        EXPECT_TRUE(value.starts_with("http://") || value.starts_with("https://") ||
                    value.starts_with("ftp://") || value.starts_with("#"))
            << value;
      }
      i = close + 1;
    }
  }
  EXPECT_EQ(scripts, 1);  // the page's own, empty script element
}

TEST(AdvHTML, HostileTextsStayText) {
  TFolder folder("html");
  const std::string evil = "\"><script>alert('x')</script><img src=x onerror=alert(1)>";
  auto html = folder.Document<TAdvHTML>("evil.html", evil);
  html->Open();
  html->Text(evil);
  html->SetStyle(evil).Paragraph(evil);
  html->Link(evil, "javascript:alert(document.cookie)", evil);
  html->Link("x", "JAVASCRIPT:alert(1)", "");
  html->SetStyle("x\" onclick=\"alert(1)").Anchor("a\" onmouseover=\"alert(1)");
  html->SetStyle(evil).Section(evil);
  html->ImageId = evil;
  html->Picture(doctest::SolidPicture(1, 1, 0, 0, 0));
  auto table = doctest::MakeTable({"Site", evil, "URL"}, 2, [&](int column, int row) {
    return row == 0 ? std::string("javascript:alert(1)") : evil;
  });
  table->Columns().TableWidth = evil;
  table->Columns().GetItem(0)->Width = evil;
  table->Columns().GetItem(1)->Footer = evil;
  table->SetRowClass(evil);
  html->SetStyle(evil).Table(*table);
  html->Close();
  const std::string page = folder.Read("evil.html");
  ExpectInert(page);
  EXPECT_NE(page.find("<title>\"&gt;&lt;script&gt;alert('x')&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(page.find("<a  href=\"http://javascript:alert(document.cookie)#&quot;&gt;"),
            std::string::npos);
  EXPECT_NE(page.find("<td><a  href=\"http://javascript:alert(1)\" target=\"_blank\">"),
            std::string::npos);
}

}  // namespace
