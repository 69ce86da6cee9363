#include "documents/AdvFramedHTMLs.h"

#include <algorithm>

#include "core/AdvFormats.h"
#include "core/AdvPaths.h"

ADV_CLASS_IMPL(TFrameTOC, TAdvHTML)
ADV_CLASS_IMPL(TFramePage, TAdvHTML)
ADV_CLASS_IMPL(TAdvFramedHTML, TAdvHTML)

namespace {

constexpr std::string_view kFrameSet =
    "<html>\r\n"
    "  <frameset cols=\"200,*\">\r\n"
    "    <frame name=\"toc\" src=\"%0:stoc.html\"></frame>\r\n"
    "    <frame name=\"content\" src=\"%0:spage1.html\"></frame>\r\n"
    "    <noframes>\r\n"
    "      A frame-capable browser is required to view this report.\r\n"
    "    </noframes>\r\n"
    "  </frameset>\r\n"
    "</html>";

}  // namespace

// ---------------------------------------------------------------------------

void TFrameTOC::ScriptBlock() {
  OpenTag("script");
  WriteLine("  var expandImage = " + ScriptString(ExpandImageName) + ";");
  WriteLine("  var collapseImage = " + ScriptString(CollapseImageName) + ";");
  WriteLine("  function toggleSection(id) {");
  WriteLine("    var section = document.getElementById(\"section\" + id);");
  WriteLine("    var toggle = document.getElementById(\"toggle\" + id);");
  WriteLine("    var open = section.style.display != \"none\";");
  WriteLine("    section.style.display = open ? \"none\" : \"\";");
  WriteLine("    if (toggle.tagName == \"IMG\") toggle.src = open ? expandImage : collapseImage;");
  WriteLine("    else toggle.innerHTML = open ? \"[+]\" : \"[-]\";");
  WriteLine("  }");
  if (!ExtraScript.empty()) WriteLine(ExtraScript);
  CloseTag("script");
}

void TFrameTOC::AddEntry(std::string_view title, std::string_view href, int depth,
                         bool expandable) {
  std::string line = "<div class=\"TOC" + std::to_string(depth) + "\">";
  const std::string id = std::to_string(m_sectionCounter);
  if (expandable) {
    const std::string click = " id=\"toggle" + id + "\" onclick=\"toggleSection(" + id + ")\"";
    if (!CollapseImageName.empty())
      line +=
          "<img class=\"Toggle\" src=\"" + HtmlAttribute(CollapseImageName) + "\"" + click + ">";
    else
      line += "<span class=\"Toggle\"" + click + ">[-]</span>";
    line += " ";
  } else if (!DocumentImageName.empty()) {
    line += "<img class=\"Document\" src=\"" + HtmlAttribute(DocumentImageName) + "\"> ";
  }
  line += "<a href=\"" + HtmlAttribute(href) + "\" target=\"content\">" + Escape(title) + "</a>";
  WriteLine(line + "</div>");
  if (expandable) {
    WriteLine("<span class=\"section\" id=\"section" + id + "\">");
    ++m_sectionCounter;
  }
}

void TFrameTOC::EndEntry(bool expandable) {
  if (expandable) WriteLine("</span>");
}

// ---------------------------------------------------------------------------

std::string TFramePage::NextImageName() {
  return ResourceFolder + "Image" + std::to_string(NextImageNumber()) + ".jpg";
}

void TFramePage::NextPageLink(std::string_view page) {
  OpenTag("div", "align=\"center\"");
  SetStyle("NextPage");
  WriteLink("Next Page", page);
  CloseTag("div");
}

void TFramePage::SectionHeading(const std::vector<TOuterSection>& outer, std::string_view title,
                                int depth) {
  SetHeadingLevel(depth);
  std::string content;
  for (const TOuterSection& section : outer)
    content +=
        "<a href=\"" + HtmlAttribute(section.Href) + "\">" + Escape(section.Title) + "</a> - ";
  ElementWithAttributes("div", TakeStyle(), content + Escape(title));
}

// ---------------------------------------------------------------------------

TAdvFramedHTML::TAdvFramedHTML() : m_toc(new TFrameTOC()), m_page(new TFramePage()) {}

// The pages and the contents drop their unfinished files when released.
TAdvFramedHTML::~TAdvFramedHTML() = default;

void TAdvFramedHTML::AbandonAll() {
  try {
    m_page->SetActive(false);
    m_toc->SetActive(false);
    m_page.Reset(new TFramePage());
    m_toc.Reset(new TFrameTOC());
    Abandon();
  } catch (...) {
    // Dropping files reports nothing worth raising.
  }
}

TFramePage& TAdvFramedHTML::Page() {
  if (!m_page->Active()) Error("Write", "Document is not open");
  if (!Style().empty()) m_page->SetStyle(TakeStyleName());
  return *m_page;
}

void TAdvFramedHTML::Open() {
  std::string name = FileName();
  std::replace(name.begin(), name.end(), '\\', '/');
  SetFileName(name);
  m_resourceFolder = SeparateFolder ? WithoutExtension(FileName()) + "_files/" : "";
  m_pageNumber = 0;
  m_sections.clear();
  TAdvText::Open();
  try {
    WriteLine(AdvFormat(kFrameSet, {HtmlAttribute(RelativeName(m_resourceFolder))}));

    TFrameTOC& toc = *m_toc;
    toc.SetFolder(Folder());
    toc.SetFileName(m_resourceFolder + "toc.html");
    toc.SetTitle(Title() + " - Table of Contents");
    toc.SetStyleSheet(StyleSheet());
    toc.ExtraScript = ExtraScript;
    toc.ExpandImageName = ExpandImage.empty() ? "" : toc.ExportImage(ExpandImage);
    toc.CollapseImageName = CollapseImage.empty() ? "" : toc.ExportImage(CollapseImage);
    toc.DocumentImageName = DocumentImage.empty() ? "" : toc.ExportImage(DocumentImage);
    toc.Open();
    toc.SetStyle("TOCTitle").Paragraph(Title());

    TFramePage& page = *m_page;
    page.SetFolder(Folder());
    page.SetStyleSheet(StyleSheet());
    page.ResourceFolder = m_resourceFolder;
    page.SeparateFolder = SeparateFolder;
    page.AnchorsInLinks = AnchorsInLinks;
    page.ExtraScript = ExtraScript;
    page.ChartComponent = ChartComponent;
    PageBreak();
  } catch (...) {
    AbandonAll();
    throw;
  }
}

void TAdvFramedHTML::PageBreak() {
  ++m_pageNumber;
  const std::string next = CurrentPageName();
  TFramePage& page = *m_page;
  if (page.Active()) {
    page.NextPageLink(next);
    page.Close();
  }
  page.SetFileName(m_resourceFolder + next);
  page.SetTitle(Title());
  page.Open();
  page.BookmarkCounter = 1;
}

void TAdvFramedHTML::OpenSection(std::string_view text, bool expandable) {
  const std::string style = TakeStyleName();
  if (!m_sections.empty()) PageBreak();
  TFramePage& page = Page();
  const std::string bookmark = "bookmark" + std::to_string(page.BookmarkCounter++);
  const int depth = int(m_sections.size()) + 1;
  m_toc->AddEntry(text, CurrentPageName() + "#" + bookmark, depth, expandable);
  std::vector<TFramePage::TOuterSection> outer;
  for (const TOpenSection& section : m_sections)
    outer.push_back({section.Title, section.Page + "#" + section.Bookmark});
  page.Anchor(bookmark);
  page.SetStyle(style);
  page.SectionHeading(outer, text, depth);
  m_sections.push_back({std::string(text), CurrentPageName(), bookmark, expandable});
}

void TAdvFramedHTML::EndSection() {
  if (m_sections.empty()) return;
  m_toc->EndEntry(m_sections.back().Expandable);
  m_sections.pop_back();
}

void TAdvFramedHTML::Close() {
  if (!Active()) {
    TAdvText::Close();
    return;
  }
  try {
    while (!m_sections.empty()) EndSection();
    if (m_page->Active()) m_page->Close();
    if (m_toc->Active()) m_toc->Close();
  } catch (...) {
    AbandonAll();
    throw;
  }
  TAdvText::Close();
}
