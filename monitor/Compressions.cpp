#include "monitor/Compressions.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

ADV_ABSTRACT_CLASS_IMPL(TCompression, TAdvObject)
ADV_CLASS_IMPL(TLZRW1Compression, TCompression)

TLZRW1Compression::TLZRW1Compression() : m_hash(kHashSize, -1) {}

namespace {

// Multiplicative hash of the next four bytes into kHashBits bits. Matches
// reach back kMaxDistance (4095) bytes only, so a table of that order is
// enough; one that small stays in the first-level cache.
inline uint32_t HashOf(const uint8_t* p) {
  const uint32_t word = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                        uint32_t(p[3]) << 24;
  return (word * 2654435761u) >> (32 - TLZRW1Compression::kHashBits);
}

// How many of the first `most` bytes of `a` and `b` agree, eight at a time
// where the byte order lets the first difference be found from the low end.
inline uint32_t MatchLength(const uint8_t* a, const uint8_t* b, uint32_t most) {
  uint32_t length = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (length + 8 <= most) {
      uint64_t x;
      uint64_t y;
      std::memcpy(&x, a + length, 8);
      std::memcpy(&y, b + length, 8);
      if (x != y) return length + uint32_t(std::countr_zero(x ^ y)) / 8;
      length += 8;
    }
  }
  while (length < most && a[length] == b[length]) ++length;
  return length;
}

}  // namespace

uint32_t TLZRW1Compression::Compress(const uint8_t* source, uint32_t size, uint8_t* target) {
  // Too short to save kMinimumSaving bytes after the flag and a control word.
  if (size <= kMinimumSaving + 3) return 0;
  // The output may not grow past this. Every step below writes at most six
  // bytes (a control word and a run code) after checking it, so the output
  // never passes `size` bytes, the room the caller gives.
  const uint32_t limit = size - kMinimumSaving;
  std::fill(m_hash.begin(), m_hash.end(), -1);

  target[0] = kFlagCompressed;
  uint32_t control = 1;  // where the current group's control word goes
  uint32_t out = 3;
  uint32_t bit = 0;
  uint32_t command = 0;
  uint32_t in = 0;
  while (in < size) {
    if (out > limit) return 0;
    if (bit == 16) {
      target[control] = uint8_t(command >> 8);
      target[control + 1] = uint8_t(command);
      control = out;
      out += 2;
      bit = 0;
      command = 0;
    }

    // A run of equal bytes first.
    uint32_t run = 1;
    while (run < kMaxRun && in + run < size && source[in + run] == source[in]) ++run;
    if (run >= kMinRun) {
      const uint32_t code = run - kMinRun;
      target[out] = 0;
      target[out + 1] = uint8_t(code >> 8);
      target[out + 2] = uint8_t(code);
      target[out + 3] = source[in];
      out += 4;
      in += run;
      command = (command << 1) | 1;
      ++bit;
      continue;
    }

    // Then a match with an earlier position of the same four-byte hash.
    uint32_t length = 0;
    uint32_t distance = 0;
    if (in + 4 <= size) {
      const uint32_t key = HashOf(source + in);
      const int32_t candidate = m_hash[key];
      m_hash[key] = int32_t(in);
      if (candidate >= 0 && in - uint32_t(candidate) <= kMaxDistance) {
        const uint8_t* earlier = source + candidate;
        const uint32_t most = std::min(kMaxMatch, size - in);
        length = MatchLength(source + in, earlier, most);
        distance = in - uint32_t(candidate);
      }
    }
    if (length >= kMinMatch) {
      const uint32_t code = (distance << 4) | (length - kMinMatch);
      target[out] = uint8_t(code >> 8);
      target[out + 1] = uint8_t(code);
      out += 2;
      in += length;
      command = (command << 1) | 1;
    } else {
      target[out++] = source[in++];
      command <<= 1;
    }
    ++bit;
  }
  if (out > limit) return 0;
  command <<= (16 - bit);
  target[control] = uint8_t(command >> 8);
  target[control + 1] = uint8_t(command);
  return out;
}

uint32_t TLZRW1Compression::Decompress(const uint8_t* source, uint32_t size, uint8_t* target,
                                       uint32_t capacity) {
  if (size == 0) Error("Decompress", "Damaged block: no data");
  if (source[0] == kFlagCopied) {
    if (size - 1 > capacity) Error("Decompress", "Damaged block: copied data too long");
    std::memcpy(target, source + 1, size - 1);
    return size - 1;
  }
  if (source[0] != kFlagCompressed)
    Error("Decompress", "Damaged block: unknown flag " + std::to_string(source[0]));

  uint32_t in = 1;
  uint32_t out = 0;
  uint32_t bit = 0;
  uint32_t command = 0;
  while (in < size) {
    if (bit == 0) {
      if (size - in < 2) Error("Decompress", "Damaged block: control word cut off");
      command = (uint32_t(source[in]) << 8) | source[in + 1];
      in += 2;
      bit = 16;
      if (in == size) break;
    }
    if ((command & 0x8000) == 0) {
      if (out >= capacity) Error("Decompress", "Damaged block: literal beyond the block");
      target[out++] = source[in++];
    } else {
      if (size - in < 2) Error("Decompress", "Damaged block: code cut off");
      const uint32_t high = source[in];
      const uint32_t low = source[in + 1];
      const uint32_t distance = (high << 4) | (low >> 4);
      if (distance == 0) {
        if (size - in < 4) Error("Decompress", "Damaged block: run cut off");
        const uint32_t run = (((low & 0x0F) << 8) | source[in + 2]) + kMinRun;
        if (run > capacity - out) Error("Decompress", "Damaged block: run beyond the block");
        std::memset(target + out, source[in + 3], run);
        out += run;
        in += 4;
      } else {
        const uint32_t length = (low & 0x0F) + kMinMatch;
        if (distance > out) Error("Decompress", "Damaged block: copy before the start");
        if (length > capacity - out) Error("Decompress", "Damaged block: copy beyond the block");
        // Byte by byte: the source of a copy may overlap what it writes.
        for (uint32_t k = 0; k < length; ++k) target[out + k] = target[out - distance + k];
        out += length;
        in += 2;
      }
    }
    command <<= 1;
    --bit;
  }
  return out;
}
