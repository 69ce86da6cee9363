// Comma-separated values: TAdvCSV renders a document as CSV text, and TCSV
// reads and writes CSV records over a text stream for the import and export
// of profiles and alias tables.
//
// TCSV writes every cell in double quotes with inner quotes doubled and line
// breaks turned into blanks, so each record is one line; it reads lines back
// without changing any byte (no code-page folding), so a file it wrote reads
// back cell for cell, apart from those line breaks. Reading: blanks before a
// cell are skipped, blanks after an unquoted cell stay part of it; a quoted
// cell runs to its closing quote, a doubled quote standing for one; "a,,b"
// gives a, empty, b and "a," gives a and an empty cell.
//
// Thread safety: one thread at a time per object.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvStrings.h"
#include "core/AdvTextAdapters.h"
#include "documents/AdvDocuments.h"

class TAdvCSV : public TAdvText {
  ADV_CLASS(TAdvCSV)

  TAdvCSV() = default;

  std::string Separator = ",";

  // Double quotes become single quotes, tabs blanks, and every line break
  // (CR LF, CR or LF) closes the quoted text and opens a new one on the next
  // line; the whole is wrapped in double quotes.
  virtual std::string Quote(std::string_view text);

  void Text(std::string_view text) override { Write(Quote(text)); }
  void Paragraph(std::string_view text) override { WriteLine(Quote(text)); }
  // Two empty lines.
  void PageBreak() override;
  void Image(const std::string& path) override {}
  // An empty line and the header captions (when shown), one line per row,
  // then the footer captions (when shown): the visible columns' quoted
  // texts separated by Separator.
  void Table(TAdvTable& table) override;

 protected:
  ~TAdvCSV() override = default;
};

class TCSV : public TAdvTextAdapter {
  ADV_CLASS(TCSV)

  TCSV();
  explicit TCSV(TAdvStream* stream);

  // Over a seekable stream the text ends at the stream's size and reading
  // starts at its current position.
  void SetStream(TAdvStream* stream) override;

  // The text in double quotes, inner quotes doubled, line breaks as blanks.
  virtual std::string QuoteCell(std::string_view text);
  virtual void WriteCells(std::initializer_list<std::string_view> texts);
  virtual void WriteCells(const std::vector<std::string>& texts);
  // The quoted text, then the quoted entries of `list`, on one line.
  virtual void WriteNameAndList(std::string_view text, const TAdvStrings& list);
  // One line of the quoted entries; an empty list writes an empty line.
  virtual void WriteList(const TAdvStrings& list);
  virtual void WriteCell(std::string_view text);
  // Reads one line and adds each of its cells to `list`.
  virtual void ReadList(TAdvStrings& list);
  // Reads one line and returns its first cell.
  virtual std::string ReadCell();

 protected:
  ~TCSV() override = default;
};

// The cells of one CSV line by the rules above.
std::vector<std::string> SplitCsvLine(std::string_view line);
