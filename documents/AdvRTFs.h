// TAdvRTF writes a document as Rich Text: a title page, a generated table of
// contents and styled tables.
//
// Everything before the first page break is the title page and goes into the
// main file; everything after it goes into a body side file, and every
// section adds an entry to a contents side file (both beside the main file,
// named "<file>.a" and "<file>.b", and dropped at Close). Close assembles the
// main file as: header, title page, contents (when a section was written),
// body, and the closing brace of the document's group as the last byte.
//
// Texts are escaped by RtfEscape; a text that is valid UTF-8 with characters
// beyond ASCII is written as Unicode characters, any other byte from 0x80 up
// as a Windows-1252 character (\'hh). Pictures are embedded as JPEG; one that
// cannot be encoded as JPEG is left out.
//
// Thread safety: one thread at a time per document.
#pragma once

#include <string>
#include <string_view>

#include "core/AdvPipes.h"
#include "core/AdvStringMatches.h"
#include "documents/AdvDocuments.h"
#include "documents/AdvImageCompressors.h"

// "\", "{" and "}" get a backslash before them, CR LF becomes "\par ", and
// bytes from 0x80 up become \uN? (valid UTF-8 text) or \'hh (any other).
std::string RtfEscape(std::string_view text);

class TAdvRTF : public TAdvText {
  ADV_CLASS(TAdvRTF)

  TAdvRTF();

  int HeadingLevel() const { return m_headingLevel; }
  bool FirstPart() const { return m_firstPart; }
  bool HasContents() const { return m_hasContents; }

  // Nothing when already open. Creates the main and the two side files and
  // writes the header (font, colour and style tables).
  void Open() override;
  void Flush() override;
  void Close() override;
  void Text(std::string_view text) override;
  void Paragraph(std::string_view text) override;
  // An anchor "bookmark<n>", a contents entry linking to it, then the
  // heading as a paragraph of style "\s2<level>" when the style is "Heading".
  void OpenSection(std::string_view text, bool expandable) override;
  void EndSection() override;
  void Anchor(std::string_view name) override;
  void Link(std::string_view text, std::string_view url, std::string_view anchor) override;
  // "\page "; from here on output goes to the body.
  void PageBreak() override;
  // Raises the picture loader's errors; the document stays open.
  void Image(const std::string& path) override;
  void Picture(const TAdvPicture& picture) override;
  void Table(TAdvTable& table) override;

  // To the main file while FirstPart, else to the body file.
  void Write(std::string_view text) override;

 protected:
  ~TAdvRTF() override = default;

 private:
  void WriteHeader();
  void WriteContents(std::string_view text);
  // The style map's code of a style name ("" for none or an unknown one).
  std::string StyleCode(const std::string& name) const;
  // The picture group of the JPEG in the compressor.
  void PictureGroup();
  // A HYPERLINK field instruction target: the address in double quotes.
  static std::string QuotedTarget(std::string_view address);
  // Appends a side file to the main file and drops the side file.
  void AppendSideFile(TAdvRef<TAfsFile>& file, TAdvRef<TAdvCacheAdapter>& cache);
  void DropSideFiles();

  TAdvRef<TAdvStringMatch> m_styles;  // Forced: an unknown style has no code
  TAdvRef<TAdvImageCompressor> m_compressor;
  TAdvRef<TAdvPipe> m_pipe;
  TAdvRef<TAfsFile> m_contents;
  TAdvRef<TAdvCacheAdapter> m_contentsCache;
  TAdvRef<TAfsFile> m_body;
  TAdvRef<TAdvCacheAdapter> m_bodyCache;
  int m_headingLevel = 0;
  int m_bookmarkCounter = 1;
  bool m_firstPart = true;
  bool m_hasContents = false;
};
