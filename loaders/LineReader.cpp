#include "loaders/LineReader.h"

#include <cstring>

#include "loaders/LogDetect.h"

TLineReader::TLineReader(size_t capacity) : m_buffer(capacity < 16 ? 16 : capacity) {}

void TLineReader::Reset() {
  m_start = 0;
  m_length = 0;
}

void TLineReader::Fill(TLogSource& source, int64_t index, int64_t limit) {
  // Keep what is buffered from `index` on, then read behind it.
  if (index >= m_start && index <= m_start + int64_t(m_length)) {
    const size_t keep = size_t(m_start + int64_t(m_length) - index);
    std::memmove(m_buffer.data(), m_buffer.data() + (index - m_start), keep);
    m_length = keep;
  } else {
    m_length = 0;
  }
  m_start = index;
  while (m_length < m_buffer.size()) {
    const int64_t at = m_start + int64_t(m_length);
    if (at >= limit) break;
    size_t want = m_buffer.size() - m_length;
    if (int64_t(want) > limit - at) want = size_t(limit - at);
    const size_t got = source.ReadAt(at, m_buffer.data() + m_length, want);
    if (got == 0) break;
    m_length += got;
  }
}

TLineResult TLineReader::Next(TLogSource& source, int64_t index, int64_t limit, TLogLine& line) {
  line = TLogLine();
  if (index >= limit) return TLineResult::NeedMore;
  const char* newline = nullptr;
  if (index >= m_start && index < m_start + int64_t(m_length)) {
    const size_t from = size_t(index - m_start);
    newline = static_cast<const char*>(std::memchr(m_buffer.data() + from, '\n', m_length - from));
  }
  if (!newline) {
    Fill(source, index, limit);
    newline = static_cast<const char*>(std::memchr(m_buffer.data(), '\n', m_length));
  }
  if (!newline) {
    if (m_length < m_buffer.size()) return TLineResult::NeedMore;
    // Longer than the buffer: look for its end block by block.
    int64_t at = m_start + int64_t(m_length);
    for (;;) {
      Fill(source, at, limit);
      if (m_length == 0) return TLineResult::NeedMore;
      newline = static_cast<const char*>(std::memchr(m_buffer.data(), '\n', m_length));
      if (newline) break;
      at = m_start + int64_t(m_length);
    }
    line.First = index;
    line.Last = m_start + (newline - m_buffer.data());
    line.Next = line.Last + 1;
    return TLineResult::TooLong;
  }
  const char* begin = m_buffer.data() + (index - m_start);
  std::string_view text(begin, size_t(newline - begin));
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (index == 0) text.remove_prefix(ByteOrderMarkLength(text));
  line.Text = text;
  line.First = index;
  line.Last = m_start + (newline - m_buffer.data());
  line.Next = line.Last + 1;
  return TLineResult::Line;
}
