// TAdvPipe copies one stream into another through its own 4,096-byte buffer.
// Input and Output are held, not owned, and must outlive the copy. Used by
// one thread at a time.
#pragma once

#include <cstdint>

#include "core/AdvBuffers.h"
#include "core/AdvStreams.h"

class TAdvPipe : public TAdvObject {
  ADV_CLASS(TAdvPipe)

  static constexpr uint32_t kBufferSize = 4096;

  TAdvPipe();
  TAdvPipe(TAdvStream* input, TAdvStream* output);

  TAdvStream* Input() const { return m_input; }
  void SetInput(TAdvStream* input) { m_input = input; }
  TAdvStream* Output() const { return m_output; }
  void SetOutput(TAdvStream* output) { m_output = output; }

  // Copies the smaller of Input's Readable and the buffer size.
  virtual void Step();
  // Copies `count` bytes in pieces of at most the buffer size.
  void Copy(int64_t count);
  // Steps while Input has bytes to read (an Input that cannot tell copies
  // nothing).
  void Run();

 private:
  TAdvStream& Checked(TAdvStream* stream, const char* operation) const;

  TAdvRef<TAdvBuffer> m_buffer;
  TAdvStream* m_input = nullptr;   // not owned
  TAdvStream* m_output = nullptr;  // not owned
};
