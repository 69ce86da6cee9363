#include "core/AdvStreams.h"

ADV_CLASS_IMPL(TAdvStream, TAdvObject)
ADV_CLASS_IMPL(TAdvAccessStream, TAdvStream)
ADV_CLASS_IMPL(TAdvStreamAdapter, TAdvStream)
ADV_CLASS_IMPL(TAdvCollectingStream, TAdvStream)

TAdvStream& TAdvStreamAdapter::Adapted(const char* operation) const {
  if (!m_stream) Error(operation, "Stream not assigned");
  return *m_stream;
}

void TAdvStreamAdapter::Read(void* buffer, uint32_t count) {
  Adapted("Read").Read(buffer, count);
}

void TAdvStreamAdapter::Write(const void* buffer, uint32_t count) {
  Adapted("Write").Write(buffer, count);
}

int64_t TAdvStreamAdapter::Readable() {
  return Adapted("Readable").Readable();
}

int64_t TAdvStreamAdapter::Writeable() {
  return Adapted("Writeable").Writeable();
}
