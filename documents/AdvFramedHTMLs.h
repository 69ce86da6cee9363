// TAdvFramedHTML writes a document as a frame set: a table of contents on the
// left (TFrameTOC) and numbered content pages on the right (TFramePage).
//
// The document's own file holds only the frame set. The contents page and
// the pages live in the resource folder "<file>_files/" (beside the file
// when SeparateFolder is false). Every page break starts a new page linked
// from the end of the previous one by "Next Page"; a section nested inside
// another starts a new page too. Each section gets a contents entry that
// links to its page and bookmark; an expandable section's entry folds its
// sub-entries with a toggle.
//
// The toggle and entry images are optional picture files set by the caller
// (ExpandImage, CollapseImage, DocumentImage); without them the toggle is a
// "[+]"/"[-]" text and entries carry no image.
//
// Thread safety: one thread at a time per document.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "documents/AdvHTMLs.h"

// The contents page: entries that link into the content frame.
class TFrameTOC : public TAdvHTML {
  ADV_CLASS(TFrameTOC)

  TFrameTOC() = default;

  // Names relative to this page, set before Open (empty: text toggles).
  std::string ExpandImageName;
  std::string CollapseImageName;
  std::string DocumentImageName;

  // The fold script beside the other script of the page.
  void ScriptBlock() override;
  // One entry linking to `href` in the content frame; an expandable entry
  // opens a fold that EndEntry closes.
  void AddEntry(std::string_view title, std::string_view href, int depth, bool expandable);
  void EndEntry(bool expandable);

 protected:
  ~TFrameTOC() override = default;

 private:
  int m_sectionCounter = 0;
};

// One content page at a time; the same object writes every page in turn.
class TFramePage : public TAdvHTML {
  ADV_CLASS(TFramePage)

  TFramePage() = default;

  // The resource folder the pages live in (relative to the root).
  std::string ResourceFolder;
  int BookmarkCounter = 1;

  // Pictures go beside the pages: "<resource folder>Image<n>.jpg".
  std::string NextImageName() override;
  // The closing "Next Page" link to `page` (a file name in the same folder).
  void NextPageLink(std::string_view page);
  // The heading of a section: links to the open outer sections separated by
  // " - ", then the title, in a div of the pending style.
  struct TOuterSection {
    std::string Title;
    std::string Href;
  };
  void SectionHeading(const std::vector<TOuterSection>& outer, std::string_view title, int depth);

 protected:
  ~TFramePage() override = default;
};

class TAdvFramedHTML : public TAdvHTML {
  ADV_CLASS(TAdvFramedHTML)

  TAdvFramedHTML();

  // Optional picture files for the contents page.
  std::string ExpandImage;
  std::string CollapseImage;
  std::string DocumentImage;

  // Writes the frame set, opens the contents page and the first page.
  void Open() override;
  // Closes open sections, the page, the contents and the frame set file.
  void Close() override;
  void PageBreak() override;
  void OpenSection(std::string_view text, bool expandable) override;
  void EndSection() override;

  void Text(std::string_view text) override { Page().Text(text); }
  void Paragraph(std::string_view text) override { Page().Paragraph(text); }
  void Table(TAdvTable& table) override { Page().Table(table); }
  void Chart(TAdvChart& chart) override { Page().Chart(chart); }
  void Image(const std::string& path) override { Page().Image(path); }
  void ImageWithAttributes(const std::string& path, std::string_view attributes) override {
    Page().ImageWithAttributes(path, attributes);
  }
  void Picture(const TAdvPicture& picture) override { Page().Picture(picture); }
  void Link(std::string_view text, std::string_view url, std::string_view anchor) override {
    Page().Link(text, url, anchor);
  }
  void Anchor(std::string_view name) override { Page().Anchor(name); }

  const std::string& ResourceFolder() const { return m_resourceFolder; }
  int PageNumber() const { return m_pageNumber; }

 protected:
  ~TAdvFramedHTML() override;

 private:
  struct TOpenSection {
    std::string Title;
    std::string Page;  // file name of the page, in the resource folder
    std::string Bookmark;
    bool Expandable = false;
  };

  // The current page with the pending style handed over to it.
  TFramePage& Page();
  std::string CurrentPageName() const { return "page" + std::to_string(m_pageNumber) + ".html"; }
  // Drops every file still open after a failure.
  void AbandonAll();

  TAdvRef<TFrameTOC> m_toc;
  TAdvRef<TFramePage> m_page;
  std::vector<TOpenSection> m_sections;  // open sections, outermost first
  std::string m_resourceFolder;          // relative to the root, ends in "/" or is empty
  int m_pageNumber = 0;
};
