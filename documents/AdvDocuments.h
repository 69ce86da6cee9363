// The write-only document interface and the plain-text renderer.
//
// A document is a streaming output object: the caller sets its folder, file
// name and title, opens it, emits content in reading order (paragraphs, runs
// of text, tables, pictures, links, anchors, page breaks, nested sections)
// and closes it. Every renderer turns the same calls into its own format, so
// a report composed once can be written as plain text, HTML, RTF or CSV by
// choosing the class (each is registered with the class factory by name).
//
// SetStyle names the style of the next element only: the next content call
// that takes a style consumes it. Sections nest and must pair.
//
// TAdvText writes plain text and is the base of every file-backed renderer:
// all output goes through Write and WriteLine into a 65,536-byte cache over a
// file opened on the folder in create mode, so the finished file replaces any
// older one only when Close succeeds (see AfsVolumes.h); a document released
// without Close leaves the older file as it was.
//
// Thread safety: one thread at a time per document.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvCaches.h"
#include "documents/AdvCharts.h"
#include "documents/AdvPictures.h"
#include "documents/AdvTables.h"
#include "documents/AfsVolumes.h"

class TAdvDocument : public TAdvObject {
  ADV_CLASS(TAdvDocument)

  TAdvDocument() = default;

  bool Active() const { return m_active; }
  // Relative to the folder's root.
  const std::string& FileName() const { return m_fileName; }
  const std::string& Title() const { return m_title; }
  // Full path of a style sheet file; only the HTML renderers use it.
  const std::string& StyleSheet() const { return m_styleSheet; }
  // The pending style, not yet consumed.
  const std::string& Style() const { return m_style; }
  // Held, not owned: it must outlive the document's use of it.
  TAfsVolume* Folder() const { return m_folder; }

  virtual void SetActive(bool active) { m_active = active; }
  virtual void SetFileName(std::string_view fileName) { m_fileName = fileName; }
  virtual void SetTitle(std::string_view title) { m_title = title; }
  virtual void SetStyleSheet(std::string_view path) { m_styleSheet = path; }
  virtual void SetFolder(TAfsVolume* folder) { m_folder = folder; }
  // Sets the pending style and returns the document, for chaining:
  //   document.SetStyle("Heading").Section("Users");
  virtual TAdvDocument& SetStyle(std::string_view name);
  // The pending style, now cleared (renderers may return it in their form).
  virtual std::string TakeStyle();
  virtual void Open() { m_active = true; }
  virtual void Flush() {}
  virtual void Close() { m_active = false; }
  virtual void DeleteFile() {}
  // Opens the finished file with the desktop's default handler; false when
  // that was refused.
  virtual bool View();
  virtual void Paragraph(std::string_view text) { Text(text); }
  virtual void Text(std::string_view text) {}
  virtual void Table(TAdvTable& table) {}
  virtual void Chart(TAdvChart& chart) {}
  virtual void Image(const std::string& path) {}
  // `attributes` is mark-up the caller vouches for (HTML renderers only).
  virtual void ImageWithAttributes(const std::string& path, std::string_view attributes) {}
  virtual void Picture(const TAdvPicture& picture) {}
  virtual void Link(std::string_view text, std::string_view url, std::string_view anchor) {}
  virtual void Anchor(std::string_view name) {}
  virtual void PageBreak() {}
  void Section(std::string_view text) { OpenSection(text, false); }
  virtual void OpenSection(std::string_view text, bool expandable) {}
  virtual void EndSection() {}

  // The full path of FileName on the folder (FileName alone without one).
  std::string FullFileName() const;

 protected:
  ~TAdvDocument() override = default;

  // The pending style's bare name, now cleared; TakeStyle in the base.
  std::string TakeStyleName();

 private:
  bool m_active = false;
  std::string m_fileName;
  std::string m_title;
  std::string m_styleSheet;
  std::string m_style;
  TAfsVolume* m_folder = nullptr;  // not owned
};

class TAdvText : public TAdvDocument {
  ADV_CLASS(TAdvText)

  static constexpr uint32_t kCacheSize = 65536;

  TAdvText() = default;

  // Creates FileName anew on the folder (share: others may read). Raises the
  // folder's errors, "AFS volume not assigned." without a folder; the
  // document is then not Active.
  void Open() override;
  void Flush() override;
  // Flushes and finishes the file; on an error the new file is dropped,
  // the older one kept, and the error passed on.
  void Close() override;
  void DeleteFile() override;
  void Text(std::string_view text) override { Write(text); }
  void Paragraph(std::string_view text) override;
  // "Image <path>" on a line.
  void Image(const std::string& path) override;
  // "text <url>" on a line; the anchor is not shown.
  void Link(std::string_view text, std::string_view url, std::string_view anchor) override;
  // CR LF, "-- Page --?", CR LF.
  void PageBreak() override;
  // A page break, then the text as a paragraph.
  void OpenSection(std::string_view text, bool expandable) override;
  // A fixed-width table: a rule of minus signs around the header, one line
  // per row, the footer; every cell " " + text padded to its column's width
  // + " ". A text wider than its column is written whole.
  void Table(TAdvTable& table) override;

  // The bytes of the text, no line end.
  virtual void Write(std::string_view text);
  // The text and CR LF.
  virtual void WriteLine(std::string_view text);

 protected:
  ~TAdvText() override;

  // The main file's cache; raises "Document is not open" while closed.
  TAdvCacheAdapter& Output();
  // Drops the file without keeping it (after a failure); Active := false.
  void Abandon();

 private:
  TAdvRef<TAfsFile> m_file;
  TAdvRef<TAdvCacheAdapter> m_cache;  // over m_file's stream
};
