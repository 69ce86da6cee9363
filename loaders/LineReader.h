// Cutting a growing log file into complete lines, with the byte offsets the
// host needs: where each line starts, where its line end is, and where the
// next one starts.
//
// A line is complete only when its LF has been written: a line the writer
// has not finished yet is left alone (NeedMore) and read on a later pass,
// from the same offset. CR before LF is dropped from the text; a UTF-8
// byte-order mark at offset 0 is skipped. Bytes are read in large blocks
// into one buffer owned by the reader, so a pass over many lines costs one
// read per block and no allocation per line. A line longer than the buffer
// is reported as TooLong with its offsets once its LF is in the file, so the
// caller can skip it.
//
// Thread safety: one reader belongs to one file being read on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Where the reader takes its bytes from.
class TLogSource {
 public:
  virtual ~TLogSource() = default;
  // Reads up to `size` bytes at `offset` into `buffer`; returns the number
  // read (0 at the end). Raises on a read failure.
  virtual size_t ReadAt(int64_t offset, char* buffer, size_t size) = 0;
};

struct TLogLine {
  std::string_view Text;  // without CR, LF and (at offset 0) byte-order mark
  int64_t First = -1;     // offset of the line's first byte
  int64_t Last = -1;      // offset of its LF
  int64_t Next = -1;      // offset after the LF
};

enum class TLineResult : uint8_t { Line, NeedMore, TooLong };

class TLineReader {
 public:
  static constexpr size_t kDefaultCapacity = 64 * 1024;

  explicit TLineReader(size_t capacity = kDefaultCapacity);

  // Forgets buffered bytes (a new file, or the file changed under us).
  void Reset();
  // The line starting at `index`, reading no further than `limit` (the size
  // of the file as the host last saw it). Line: `line` is filled and stays
  // valid until the next call. NeedMore: no complete line before `limit`.
  // TooLong: the line does not fit the buffer; `line` has its offsets and
  // an empty text.
  TLineResult Next(TLogSource& source, int64_t index, int64_t limit, TLogLine& line);

 private:
  // Makes the buffer start at `index` and hold as much as it can.
  void Fill(TLogSource& source, int64_t index, int64_t limit);

  std::vector<char> m_buffer;
  int64_t m_start = 0;  // file offset of m_buffer[0]
  size_t m_length = 0;  // valid bytes in m_buffer
};
