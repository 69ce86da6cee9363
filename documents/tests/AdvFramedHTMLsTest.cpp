#include "documents/AdvFramedHTMLs.h"

#include <gtest/gtest.h>

#include "core/AdvFactories.h"
#include "documents/AdvRTFs.h"
#include "documents/CSVs.h"
#include "documents/DocumentClasses.h"
#include "documents/tests/DocumentTestHelpers.h"

using doctest::TFolder;

namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(AdvFramedHTML, SplitsSectionsIntoLinkedPagesWithContents) {
  TFolder folder("framed");
  auto framed = folder.Document<TAdvFramedHTML>("report.html", "Report");
  framed->Open();
  framed->SetStyle("Title").Paragraph("Cover");
  framed->SetStyle("Heading").OpenSection("Users", true);
  framed->Text("in users");
  framed->SetStyle("Heading").Section("Alice <a>");  // nested: a page of its own
  framed->Link("site", "www.x.com", "");
  framed->EndSection();
  framed->EndSection();
  framed->PageBreak();
  framed->Paragraph("last page");
  framed->Close();

  EXPECT_EQ(folder.Read("report.html"),
            "<html>\r\n"
            "  <frameset cols=\"200,*\">\r\n"
            "    <frame name=\"toc\" src=\"report_files/toc.html\"></frame>\r\n"
            "    <frame name=\"content\" src=\"report_files/page1.html\"></frame>\r\n"
            "    <noframes>\r\n"
            "      A frame-capable browser is required to view this report.\r\n"
            "    </noframes>\r\n"
            "  </frameset>\r\n"
            "</html>\r\n");
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{
                                "report.html", "report_files/page1.html", "report_files/page2.html",
                                "report_files/page3.html", "report_files/toc.html"}));

  const std::string toc = folder.Read("report_files/toc.html");
  EXPECT_TRUE(Has(toc, "<title>Report - Table of Contents</title>"));
  EXPECT_TRUE(Has(toc, "function toggleSection(id)"));
  EXPECT_TRUE(Has(toc, "<div class=\"TOCTitle\">Report</div>"));
  EXPECT_TRUE(Has(toc,
                  "<div class=\"TOC1\"><span class=\"Toggle\" id=\"toggle0\" "
                  "onclick=\"toggleSection(0)\">[-]</span> <a href=\"page1.html#bookmark1\" "
                  "target=\"content\">Users</a></div>\r\n"
                  "<span class=\"section\" id=\"section0\">\r\n"
                  "<div class=\"TOC2\"><a href=\"page2.html#bookmark1\" target=\"content\">"
                  "Alice &lt;a&gt;</a></div>\r\n"
                  "</span>\r\n"));

  const std::string page1 = folder.Read("report_files/page1.html");
  EXPECT_TRUE(Has(page1,
                  "<div class=\"Title\">Cover</div>\r\n"
                  "<a  name=\"bookmark1\"></a>\r\n"
                  "<div class=\"Heading1\">Users</div>\r\n"
                  "in users\r\n"
                  "<div align=\"center\">\r\n"
                  "<a class=\"NextPage\" href=\"page2.html\">Next Page</a>\r\n"
                  "</div>\r\n</body>\r\n</html>\r\n"));
  const std::string page2 = folder.Read("report_files/page2.html");
  EXPECT_TRUE(Has(page2,
                  "<a  name=\"bookmark1\"></a>\r\n"
                  "<div class=\"Heading2\"><a href=\"page1.html#bookmark1\">Users</a> - "
                  "Alice &lt;a&gt;</div>\r\n"
                  "<a  href=\"http://www.x.com\">site</a>\r\n"));
  EXPECT_TRUE(Has(page2, "href=\"page3.html\">Next Page</a>"));
  EXPECT_TRUE(Has(folder.Read("report_files/page3.html"), "<div >last page</div>\r\n</body>"));
}

TEST(DocumentClasses, EveryRendererCanBeMadeByName) {
  RegisterDocumentClasses();
  const std::pair<const char*, TAdvClass> kinds[] = {{"TAdvText", &TAdvText::ClassInfo},
                                                     {"TAdvHTML", &TAdvHTML::ClassInfo},
                                                     {"tadvframedhtml", &TAdvFramedHTML::ClassInfo},
                                                     {"TAdvRTF", &TAdvRTF::ClassInfo},
                                                     {"TAdvCSV", &TAdvCSV::ClassInfo}};
  for (const auto& [name, cls] : kinds) {
    TAdvRef<TAdvObject> made(AdvFactory().Make(name));
    ASSERT_TRUE(made) << name;
    EXPECT_EQ(made->ClassType(), cls) << name;
    EXPECT_TRUE(AdvCast<TAdvDocument>(made.Get())) << name;
  }
}

}  // namespace
