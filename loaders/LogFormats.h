// The format object the loaders hand to the host for one log file: it cuts
// the file into complete lines (TLineReader) and has one of the parsers turn
// each line into a hit.
//
// Contract with the host (see monitor/Loaders.h): Read advances the file's
// Index past each line it consumes, whether the line gave a hit or was a
// comment; a line the writer has not finished is left for the next pass (no
// advance, and HasMore turns false until the next Begin). A malformed line
// raises EFormat through Error with Index still at its start, so the input
// records it with its offsets and, with Ignore set, steps over it. Each hit
// adds one to the file's hit count and its line's bytes to the used size.
//
// Thread safety: used by one input's thread; one format per file.
#pragma once

#include <memory>

#include "loaders/LineReader.h"
#include "loaders/LogDetect.h"
#include "loaders/LogParsers.h"
#include "monitor/Loaders.h"

class TStreamInput;

class TLogFileFormat : public TFormat {
  ADV_CLASS(TLogFileFormat)

  TLogFileFormat() = default;

  // The file this format reads and the parser it uses (taken over). A new
  // parser kind, or a file that was rewound, starts afresh.
  void Bind(TStreamInput& file, TDetectedFormat kind);
  TDetectedFormat Kind() const { return m_kind; }

  void Begin() override;
  void End() override;
  bool HasMore() override;
  bool Read(THit& hit) override;

 protected:
  ~TLogFileFormat() override = default;

 private:
  // Feeds the directive lines before Index to a parser that has forgotten
  // them (a W3C log resumed in the middle after a restart).
  void Recover();

  TStreamInput* m_file = nullptr;  // not owned; set by Bind for each pass
  TDetectedFormat m_kind = TDetectedFormat::Unknown;
  std::unique_ptr<TLogParser> m_parser;
  TLineReader m_reader;
  bool m_waiting = false;  // the rest of the file is an unfinished line
  bool m_recovered = false;
};

// A parser for the kind; null for Unknown.
std::unique_ptr<TLogParser> NewLogParser(TDetectedFormat kind);
