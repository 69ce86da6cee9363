// Small helpers shared by the stream tests: a memory stream holding given
// bytes, and a stream that counts the calls it receives. Whole files are read
// and written with testing/TestFiles.h, independent of the code under test.
#pragma once

#include <cstdint>
#include <string>

#include "core/AdvMemories.h"

namespace streamtest {

inline TAdvRef<TAdvMemory> MemoryWith(const std::string& bytes) {
  auto memory = AdvNew<TAdvMemory>(uint32_t(bytes.size()));
  memory->Write(bytes.data(), uint32_t(bytes.size()));
  memory->Rewind();
  return memory;
}

inline std::string Contents(TAdvMemory& memory) {
  return std::string(reinterpret_cast<const char*>(memory.Data()), size_t(memory.GetSize()));
}

// Forwards to a memory stream and counts Read and Write calls. It is not an
// access stream, so it also stands for streams that cannot seek.
class TCountingStream : public TAdvStream {
 public:
  explicit TCountingStream(TAdvMemory& target) : m_target(target) {}
  void Read(void* buffer, uint32_t count) override {
    ++Reads;
    m_target.Read(buffer, count);
  }
  void Write(const void* buffer, uint32_t count) override {
    ++Writes;
    m_target.Write(buffer, count);
  }
  int64_t Readable() override { return m_target.Readable(); }
  int64_t Writeable() override { return m_target.Writeable(); }

  int Reads = 0;
  int Writes = 0;

 private:
  TAdvMemory& m_target;
};

}  // namespace streamtest
