#include "core/AdvPipes.h"

#include <algorithm>

ADV_CLASS_IMPL(TAdvPipe, TAdvObject)

TAdvPipe::TAdvPipe() : m_buffer(new TAdvBuffer(kBufferSize)) {}

TAdvPipe::TAdvPipe(TAdvStream* input, TAdvStream* output) : TAdvPipe() {
  m_input = input;
  m_output = output;
}

TAdvStream& TAdvPipe::Checked(TAdvStream* stream, const char* operation) const {
  if (!stream) Error(operation, "Stream not assigned");
  return *stream;
}

void TAdvPipe::Step() {
  const int64_t readable = Checked(m_input, "Step").Readable();
  Copy(std::min<int64_t>(readable, m_buffer->Size()));
}

void TAdvPipe::Copy(int64_t count) {
  if (count <= 0) return;
  TAdvStream& input = Checked(m_input, "Copy");
  TAdvStream& output = Checked(m_output, "Copy");
  while (count > 0) {
    const auto piece = uint32_t(std::min<int64_t>(count, m_buffer->Size()));
    input.Read(m_buffer->Data(), piece);
    output.Write(m_buffer->Data(), piece);
    count -= piece;
  }
}

void TAdvPipe::Run() {
  TAdvStream& input = Checked(m_input, "Run");
  while (input.Readable() > 0) Step();
}
