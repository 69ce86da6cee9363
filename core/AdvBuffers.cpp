#include "core/AdvBuffers.h"

#include <string>

#include "core/AdvFilers.h"
#include "core/AdvStreams.h"

ADV_CLASS_IMPL(TAdvBuffer, TAdvPersistent)
ADV_CLASS_IMPL(TAdvBuffers, TAdvList)

void TAdvBuffer::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  m_data = static_cast<const TAdvBuffer&>(source).m_data;
}

void TAdvBuffer::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  if (!filer.IsReader() && m_data.size() > uint32_t(INT32_MAX))
    Error("Define", "A buffer of " + std::to_string(m_data.size()) + " bytes cannot be stored");
  int32_t size = int32_t(m_data.size());
  filer.Field("Size").DefineInteger(size);
  if (filer.IsReader()) {
    // The size comes from a file: refuse values that cannot be right before
    // allocating for them.
    if (size < 0) Error("Define", "Invalid stored size " + std::to_string(size));
    TAdvStream* stream = filer.Stream();
    const int64_t readable = stream ? stream->Readable() : -1;
    if (readable >= 0 && size > readable)
      Error("Define", "Stored size " + std::to_string(size) + " exceeds the " +
                          std::to_string(readable) + " bytes left in the stream");
    SetSize(uint32_t(size));
  }
  filer.Field("Data").DefineBinary(Data(), Size());
}
