// TAdvTextAdapter reads and writes lines of text over another stream.
//
// Reading decodes one-byte text (with an optional UTF-8 marker) and two-byte
// text, low byte first (with or without its FF FE marker), into single-byte
// lines. The encoding is decided on the first fill after Reset. Lines end at
// CR LF, LF or a lone CR (unless LoneCRIgnored); the last line of the data
// needs no line end. In one-byte text a UTF-8 pair C2 xx or C3 xx, where xx is
// a continuation byte (80 to BF), becomes the single byte it encodes (C3 A9 is
// E9); a C2 or C3 before any other byte is kept as it is (readers that must
// give back exactly the bytes written turn this off with SetFoldsUtf8Pairs).
// Zero units are dropped; a two-byte unit whose low byte is CR or LF but is
// not a line end becomes "~"; other units keep their low byte.
//
// The adapter reads 65,536 bytes per fill and decodes in place into a line
// buffer of 65,536 characters: ReadLine allocates nothing and its result is
// valid until the next ReadLine. A line of 65,536 characters raises "Line too
// long" (EAdvTextAdapter) and leaves the rest of that line unread.
//
// Where the text ends: a new adapter has Limit 0 and reads nothing. Reset
// makes it read to the end of the stream (Limit -1); a caller that knows where
// the text ends sets Limit (a stream offset) and the position instead.
//
// Writing puts the line's bytes and CR LF straight into the stream.
//
// Used by one thread at a time; the stream is held, not owned.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/AdvStreams.h"

class TAdvTextAdapter : public TAdvStreamAdapter {
  ADV_CLASS(TAdvTextAdapter)
  ADV_RAISES(EAdvTextAdapter)

  static constexpr uint32_t kBufferSize = 65536;
  static constexpr uint32_t kLineSize = 65536;
  enum : uint8_t { kEncodingUnknown = 0, kEncodingSingle = 1, kEncodingWide = 2 };

  TAdvTextAdapter();
  explicit TAdvTextAdapter(TAdvStream* stream);

  // Reads the next piece of the text into the read buffer; the bytes read.
  virtual uint32_t FillBuffer();
  // Empties the read buffer, counts nothing taken, removes the limit and
  // forgets the encoding.
  virtual void Reset();
  virtual void WriteLine(std::string_view text);
  // The next line, without its line end; valid until the next ReadLine.
  virtual std::string_view ReadLine();
  virtual bool AtEnd() { return !More(); }
  // With a limit: TextPosition < Limit; without: bytes are left in the read
  // buffer or in the stream.
  virtual bool More();
  // Moves to stream offset `offset`: seeks a seekable stream, and reads
  // forward over any other (which cannot move back).
  virtual void SkipTo(int64_t offset);

  // The stream offset of the next unread byte.
  int64_t TextPosition() const;
  // Declares the stream offset to read from next; seeks a seekable stream.
  void SetTextPosition(int64_t position);

  int64_t Limit() const { return m_limit; }
  void SetLimit(int64_t limit) { m_limit = limit; }
  uint8_t Encoding() const { return m_encoding; }
  void SetEncoding(uint8_t encoding) { m_encoding = encoding; }
  bool LoneCRIgnored() const { return m_loneCRIgnored; }
  void SetLoneCRIgnored(bool value) { m_loneCRIgnored = value; }
  bool FoldsUtf8Pairs() const { return m_foldUtf8Pairs; }
  void SetFoldsUtf8Pairs(bool value) { m_foldUtf8Pairs = value; }
  bool TrimLeading() const { return m_trimLeading; }
  void SetTrimLeading(bool value) { m_trimLeading = value; }

 private:
  void EmptyBuffer(int64_t taken);
  // Decides the encoding from the first bytes of the first fill.
  void DetectEncoding();

  // kBufferSize bytes plus two sentinels (LF, then 0) after the bytes held,
  // so that a line always ends at the end of the data.
  std::unique_ptr<uint8_t[]> m_buffer;
  std::unique_ptr<char[]> m_line;  // kLineSize characters plus a terminator
  uint32_t m_held = 0;             // bytes in m_buffer
  uint32_t m_index = 0;            // next byte to decode; passes m_held only over a sentinel
  int64_t m_taken = 0;             // bytes taken from the stream, counted from offset 0
  int64_t m_limit = 0;             // stream offset where the text ends; -1 for none
  uint8_t m_encoding = kEncodingUnknown;
  bool m_loneCRIgnored = false;
  bool m_trimLeading = true;
  bool m_foldUtf8Pairs = true;
};
