#include "core/AdvTextAdapters.h"

#include <algorithm>

ADV_CLASS_IMPL(TAdvTextAdapter, TAdvStreamAdapter)

TAdvTextAdapter::TAdvTextAdapter()
    : m_buffer(new uint8_t[kBufferSize + 2]), m_line(new char[kLineSize + 1]) {
  m_buffer[0] = '\n';
  m_buffer[1] = 0;
  m_line[0] = 0;
}

TAdvTextAdapter::TAdvTextAdapter(TAdvStream* stream) : TAdvTextAdapter() {
  TAdvTextAdapter::SetStream(stream);
}

void TAdvTextAdapter::EmptyBuffer(int64_t taken) {
  m_held = 0;
  m_index = 0;
  m_taken = taken;
}

void TAdvTextAdapter::Reset() {
  EmptyBuffer(0);
  m_limit = -1;
  m_encoding = kEncodingUnknown;
}

void TAdvTextAdapter::DetectEncoding() {
  const uint8_t* b = m_buffer.get();
  if (m_held >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    m_encoding = kEncodingWide;
    m_index = 2;
  } else if (m_held >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    m_encoding = kEncodingSingle;
    m_index = 3;
  } else if (m_held >= 2 && b[0] != 0 && b[1] == 0) {
    m_encoding = kEncodingWide;
  } else {
    m_encoding = kEncodingSingle;
  }
}

uint32_t TAdvTextAdapter::FillBuffer() {
  int64_t remaining;
  if (m_limit >= 0)
    remaining = m_limit - m_taken;
  else
    remaining = Adapted("FillBuffer").Readable();
  const auto count = uint32_t(std::clamp<int64_t>(remaining, 0, kBufferSize));
  // Empty before reading: a failed read leaves nothing half-decoded behind.
  m_held = 0;
  m_index = 0;
  if (count > 0) Adapted("FillBuffer").Read(m_buffer.get(), count);
  m_held = count;
  m_buffer[count] = '\n';
  m_buffer[count + 1] = 0;
  if (m_encoding == kEncodingUnknown) DetectEncoding();
  m_taken += count;
  return count;
}

std::string_view TAdvTextAdapter::ReadLine() {
  char* const line = m_line.get();
  uint32_t length = 0;
  const auto store = [&](uint8_t c) {
    line[length++] = char(c);
    if (length == kLineSize) {
      line[length] = 0;
      Error("ReadLine", "Line too long");
    }
  };
  // One unit per step; the sentinels after the data end the last line, so
  // the loop needs no end-of-data test. A refill happens only once the index
  // has passed the bytes held.
  for (;;) {
    if (m_index >= m_held) FillBuffer();
    const uint8_t* unit = m_buffer.get() + m_index;
    const bool wide = m_encoding == kEncodingWide;
    const uint8_t low = unit[0];
    const uint8_t high = wide ? unit[1] : 0;
    m_index += wide ? 2 : 1;

    if (high != 0) {
      if (low == 0) continue;
      store(low == '\r' || low == '\n' ? '~' : low);
      continue;
    }
    switch (low) {
      case '\n':
        break;
      case '\r': {
        if (m_index >= m_held) FillBuffer();
        const uint8_t* next = m_buffer.get() + m_index;
        if (next[0] == '\n' && (!wide || next[1] == 0)) {
          m_index += wide ? 2 : 1;
          break;
        }
        if (!m_loneCRIgnored) break;
        continue;
      }
      case 0:
        continue;
      case 0xC2:
      case 0xC3:
        if (!wide && m_foldUtf8Pairs) {
          if (m_index >= m_held) FillBuffer();
          const uint8_t next = m_buffer[m_index];
          if ((next & 0xC0) == 0x80) {  // a continuation byte: fold the pair
            ++m_index;
            store(low == 0xC2 ? next : uint8_t(next + 64));
            continue;
          }
        }
        store(low);
        continue;
      default:
        store(low);
        continue;
    }
    break;  // a line end
  }
  line[length] = 0;
  uint32_t start = 0;
  if (m_trimLeading)
    while (start < length && uint8_t(line[start]) <= 32) ++start;
  return std::string_view(line + start, length - start);
}

void TAdvTextAdapter::WriteLine(std::string_view text) {
  TAdvStream& stream = Adapted("WriteLine");
  stream.Write(text.data(), uint32_t(text.size()));
  stream.Write("\r\n", 2);
}

int64_t TAdvTextAdapter::TextPosition() const {
  // The index passes m_held only over the end sentinel, which is not a byte
  // of the stream.
  return m_taken - (m_held - std::min(m_index, m_held));
}

bool TAdvTextAdapter::More() {
  if (m_limit >= 0) return TextPosition() < m_limit;
  return m_index < m_held || Adapted("More").Readable() > 0;
}

void TAdvTextAdapter::SetTextPosition(int64_t position) {
  if (auto* access = AdvCast<TAdvAccessStream>(&Adapted("SetTextPosition")))
    access->SetPosition(position);
  EmptyBuffer(position);
}

void TAdvTextAdapter::SkipTo(int64_t offset) {
  TAdvStream& stream = Adapted("SkipTo");
  if (auto* access = AdvCast<TAdvAccessStream>(&stream)) {
    access->SetPosition(offset);
    EmptyBuffer(offset);
    return;
  }
  // The stream only moves forward: skip what is left in the read buffer,
  // then read and drop bytes from the stream.
  if (offset < TextPosition())
    Error("SkipTo", "Unable to move back to offset " + std::to_string(offset) +
                        " on a stream that cannot seek");
  if (offset <= m_taken) {
    m_index = m_held - uint32_t(m_taken - offset);
    return;
  }
  EmptyBuffer(m_taken);
  while (m_taken < offset) {
    const auto piece = uint32_t(std::min<int64_t>(offset - m_taken, kBufferSize));
    stream.Read(m_buffer.get(), piece);
    m_taken += piece;
  }
}
