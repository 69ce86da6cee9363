// libFuzzer target for the block decoder of the hit store: whatever a damaged
// Default.Hits holds, decoding a block must stay inside both buffers and
// either raise EAdvStream or return at most the room it was given. A block
// that decodes is compressed again and must round-trip.
//
// Not part of the build or of CTest. Build and run from the source root:
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I. \
//     bench/fuzz/DecompressFuzz.cpp monitor/Compressions.cpp core/AdvObjects.cpp \
//     core/AdvAscii.cpp -o /tmp/DecompressFuzz
//   /tmp/DecompressFuzz -max_total_time=60
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "monitor/Compressions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TLZRW1Compression* method = new TLZRW1Compression();
  if (size == 0 || size > 65536) return 0;
  const uint32_t capacity = 1 + data[0] * 128u;
  std::vector<uint8_t> out(capacity);
  uint32_t decoded = 0;
  try {
    decoded = method->Decompress(data + 1, uint32_t(size - 1), out.data(), capacity);
  } catch (const EAdvStream&) {
    return 0;
  }
  if (decoded > capacity) std::abort();
  std::vector<uint8_t> packed(decoded + 1);
  const uint32_t length = method->Compress(out.data(), decoded, packed.data());
  if (length > 0) {
    std::vector<uint8_t> again(decoded);
    if (method->Decompress(packed.data(), length, again.data(), decoded) != decoded ||
        std::memcmp(again.data(), out.data(), decoded) != 0)
      std::abort();
  }
  return 0;
}
