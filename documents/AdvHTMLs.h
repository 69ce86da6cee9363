// TAdvHTML writes a document as one HTML page, with its pictures and style
// sheet copied beside it on the same folder.
//
// Every element is one line, without indentation. Text from the caller is
// escaped for where it lands: element text by Escape (entities for & < >,
// CR LF as <br>), attribute values by EscapeAttribute (quotes too), and link
// addresses by SafeLinkAddress, which keeps only the http, https and ftp
// schemes, so that no text handed to a document can add mark-up, attributes
// or script to the page. Two inputs are mark-up by contract and are written
// as given: the attributes of ImageWithAttributes and ExtraScript.
//
// Pictures become JPEG files (quality 80) named "<file>_files/Image<n>.jpg"
// (or "<file>_files_Image<n>.jpg" without SeparateFolder). The counter and
// the map from source files to written names live as long as the object, so
// a second page written by the same object continues the numbering and
// reuses pictures already exported. Picture problems never reach the caller:
// a file that cannot be converted is copied as it is, a missing one gets an
// empty name.
//
// Thread safety: one thread at a time per document.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvIntegers.h"
#include "core/AdvPipes.h"
#include "core/AdvStringMatches.h"
#include "documents/AdvDocuments.h"
#include "documents/AdvImageCompressors.h"

// & < > as entities, without line breaks: text inside an element that takes
// no mark-up (the title) and the inner part of the other escapes.
std::string HtmlEntities(std::string_view text);
// & < > " ' as entities: the value of a double- or single-quoted attribute.
std::string HtmlAttribute(std::string_view text);
// A link address that can only lead to a web or FTP location: blanks and
// control characters around it are dropped; an address starting with
// "http:", "https:" or "ftp:" (any case) and an in-page reference ("#name")
// are kept; an empty one stays empty; anything else (a bare host name, or
// another scheme such as javascript:) is read as a host name and gets
// "http://" in front.
std::string SafeLinkAddress(std::string_view url);
// A double-quoted JavaScript string literal that cannot end its script
// element: quotes, backslashes, < > & and control characters are escaped.
std::string ScriptString(std::string_view text);

class TAdvHTML : public TAdvText {
  ADV_CLASS(TAdvHTML)

  TAdvHTML();

  // Images in a sub-folder "<file>_files/" (true) or beside the page.
  bool SeparateFolder = true;
  // Links carry their anchor as "#anchor".
  bool AnchorsInLinks = true;
  // Script written into the page's script element as it is.
  std::string ExtraScript;
  // Path of a chart component file; "ActiveChart.ocx" or "VarnexChart.svg"
  // in its name select the scripted chart forms.
  std::string ChartComponent;
  // The id given to the next Picture element.
  std::string ImageId;

  int HeadingLevel() const { return m_headingLevel; }

  // The style attribute of the pending style: class="<style>", with the
  // heading level appended to "Heading"; empty without a style.
  std::string TakeStyle() override;
  // Writes the head (title, style sheet link, script) and opens the body.
  void Open() override;
  void Close() override;
  void Text(std::string_view text) override;
  void Paragraph(std::string_view text) override;
  void OpenSection(std::string_view text, bool expandable) override;
  void EndSection() override;
  void PageBreak() override;
  void Link(std::string_view text, std::string_view url, std::string_view anchor) override;
  void Anchor(std::string_view name) override;
  void Image(const std::string& path) override;
  void ImageWithAttributes(const std::string& path, std::string_view attributes) override;
  void Picture(const TAdvPicture& picture) override;
  void Table(TAdvTable& table) override;
  void Chart(TAdvChart& chart) override;

  // Element text: & < > as entities, then CR LF as <br>.
  virtual std::string Escape(std::string_view text);
  // class="name" (the name escaped), or empty for an empty name.
  virtual std::string ClassAttribute(std::string_view name);
  // Copies a file into the document's folder as `name` unless the folder
  // already has a file of that name; deletes the source when asked.
  virtual void CopyIntoFolder(const std::string& source, std::string_view name, bool deleteSource);
  // The next picture file name, relative to the folder's root.
  virtual std::string NextImageName();
  // The page's script element.
  virtual void ScriptBlock();
  // Writes the picture file once per source and returns its name relative to
  // the document's folder; empty when the source does not exist.
  virtual std::string ExportImage(const std::string& path);

 protected:
  ~TAdvHTML() override = default;

  // Element primitives; each writes one line.
  void OpenTag(std::string_view tag, std::string_view attributes = {});
  void CloseTag(std::string_view tag);
  void Element(std::string_view tag, std::string_view content);
  // "<tag attributes>content</tag>"; the space is written even when the
  // attributes are empty.
  void ElementWithAttributes(std::string_view tag, std::string_view attributes,
                             std::string_view content);
  // An "a" element to an address already made safe (or a page of this
  // document); `target` adds target="...".
  void WriteLink(std::string_view text, std::string_view href, std::string_view target = {});
  // The document's folder: FileName up to its last "/", relative to the root.
  std::string DocumentFolder() const;
  // A name relative to the root made relative to the document's folder.
  std::string RelativeName(const std::string& name) const;
  // True when ChartComponent names the existing SVG chart component.
  bool UsesSvgCharts() const;
  void SetHeadingLevel(int level) { m_headingLevel = level; }
  // The picture counter's value, then counts it up.
  int NextImageNumber() { return m_imageCounter++; }
  // The head of the page and the opening of its body.
  void WriteHead();

 private:
  // Writes bytes to a file on the folder, replacing it.
  void WriteFolderFile(const std::string& name, std::string_view bytes);
  // Copies an outside file to a file on the folder, replacing it.
  void CopyToFolderFile(const std::string& source, const std::string& name);
  void WriteTableCell(TAdvTable& table, int column);
  void ActiveChart(TAdvChart& chart);
  void SvgChart(TAdvChart& chart);

  int m_headingLevel = 0;
  int m_imageCounter = 0;  // never reset: numbering spans every page of the object
  int m_chartCounter = 0;
  TAdvRef<TAdvStringMatch> m_images;  // source path -> name relative to the root
  TAdvRef<TAdvIntegers> m_visibleColumns;
  TAdvRef<TAdvImageCompressor> m_compressor;
  TAdvRef<TAdvPipe> m_pipe;
};
