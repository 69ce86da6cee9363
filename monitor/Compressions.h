// Block compression for the hit store.
//
// TCompression is the interface a compressing stream works through: it turns
// one block of bytes into a smaller one, or says that it cannot, and turns a
// compressed block back. TLZRW1Compression is the LZRW1/KH method:
//
//   block    = flag byte, then groups of up to 16 items, each group preceded
//              by a 16-bit control word (high byte first, most significant
//              bit for the first item). Flag 0x40: compressed items follow;
//              flag 0x80: the input bytes follow unchanged.
//   bit 0    = one literal byte.
//   bit 1    = two bytes, high first: 12 bits distance back (1..4095) and
//              4 bits length - 3 (copies of 3..18 bytes); or, when the
//              distance bits are 0, a four-byte run: 0, run length - 16 in
//              12 bits (high byte, low byte; 16..4095 equal bytes), the byte.
//   The last control word is shifted left so its used bits lead.
//
// The compressor looks for a run first, then a match through a 32 768-entry
// table of earlier positions keyed by a hash of the next four bytes, and gives
// up when its output would come within kMinimumSaving bytes of the input: the
// caller then stores the block raw. The decompressor trusts nothing: every
// literal, copy and run is checked against both buffers, and a block that
// does not decode to exactly the expected length raises EAdvStream.
//
// Thread safety: an object keeps its hash table between calls, so one object
// serves one thread at a time; separate objects are independent.
#pragma once

#include <cstdint>
#include <vector>

#include "core/AdvObjects.h"

class TCompression : public TAdvObject {
  ADV_CLASS(TCompression)
  ADV_RAISES(EAdvStream)

  // Compresses `size` bytes into `target`, which holds at least `size`
  // bytes. Returns the compressed length, or 0 when compression would not
  // save enough to be worth it (the caller keeps the bytes as they are).
  virtual uint32_t Compress(const uint8_t* source, uint32_t size, uint8_t* target) { return 0; }
  // Decodes the `size` bytes of a block made by Compress into `target`, which
  // has room for `capacity` bytes; returns the decoded length. Raises
  // EAdvStream when the block is damaged.
  virtual uint32_t Decompress(const uint8_t* source, uint32_t size, uint8_t* target,
                              uint32_t capacity) {
    return 0;
  }

 protected:
  ~TCompression() override = default;
};

class TLZRW1Compression : public TCompression {
  ADV_CLASS(TLZRW1Compression)

  static constexpr uint8_t kFlagCompressed = 0x40;
  static constexpr uint8_t kFlagCopied = 0x80;
  // Compression that would not save at least this many bytes is refused.
  static constexpr uint32_t kMinimumSaving = 32;
  static constexpr uint32_t kHashBits = 12;
  static constexpr uint32_t kHashSize = 1u << kHashBits;
  static constexpr uint32_t kMaxDistance = 4095;
  static constexpr uint32_t kMinMatch = 3;
  static constexpr uint32_t kMaxMatch = 18;
  static constexpr uint32_t kMinRun = 16;
  static constexpr uint32_t kMaxRun = 4095;

  TLZRW1Compression();

  uint32_t Compress(const uint8_t* source, uint32_t size, uint8_t* target) override;
  uint32_t Decompress(const uint8_t* source, uint32_t size, uint8_t* target,
                      uint32_t capacity) override;

 protected:
  ~TLZRW1Compression() override = default;

 private:
  // Position of the last four-byte sequence seen with each hash; -1 for none.
  // Reset at the start of every block, so blocks decode independently.
  std::vector<int32_t> m_hash;
};
