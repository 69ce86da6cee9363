#include "loaders/LogLoaders.h"

#include "loaders/LogFormats.h"
#include "monitor/Inputs.h"

ADV_CLASS_IMPL(TLogLoader, TLoader)
ADV_CLASS_IMPL(TSquidLoader, TLogLoader)
ADV_CLASS_IMPL(TNcsaLoader, TLogLoader)
ADV_CLASS_IMPL(TW3cLoader, TLogLoader)
ADV_CLASS_IMPL(TVarnexLoader, TLogLoader)

namespace {

// How much of a file's start the format is told from.
constexpr uint32_t kDetectBytes = 4096;

}  // namespace

TLogLoader::TLogLoader() : m_formats(AdvNew<TFormatHash>()) {}

bool TLogLoader::Supports(TAdvClass inputClass) const {
  return inputClass && inputClass->InheritsFrom(&TStreamInput::ClassInfo);
}

TDetectedFormat TLogLoader::KindFor(TInput&) {
  return TDetectedFormat::Unknown;
}

TFormat* TLogLoader::FormatFor(TInput& input) {
  auto* file = AdvCast<TStreamInput>(&input);
  if (!file) return nullptr;
  auto* format = AdvCast<TLogFileFormat>(m_formats->FormatByName(input.Name()));
  // A file keeps the kind it was found to have until it starts over.
  TDetectedFormat kind = format && format->Kind() != TDetectedFormat::Unknown && file->Index() > 0
                             ? format->Kind()
                             : KindFor(input);
  if (kind == TDetectedFormat::Unknown) return nullptr;
  if (!format) {
    format = AdvNew<TLogFileFormat>().Detach();
    m_formats->SetFormat(input.Name(), format);
  }
  ApplyTimezone(*format);
  format->Bind(*file, kind);
  return format;
}

TDetectedFormat TVarnexLoader::KindFor(TInput& input) {
  auto* file = AdvCast<TStreamInput>(&input);
  if (!file || file->Count() <= 0) return TDetectedFormat::Unknown;
  char head[kDetectBytes];
  const int64_t want = file->Count() < int64_t(kDetectBytes) ? file->Count() : kDetectBytes;
  TAdvAccessStream& stream = file->Stream();
  const int64_t position = stream.GetPosition();
  stream.SetPosition(0);
  const uint32_t got = file->Peek(head, uint32_t(want));
  stream.SetPosition(position);
  return DetectLogFormat(std::string_view(head, got));
}

TLoaderClasses* NewLogLoaderClasses() {
  auto classes = AdvNew<TLoaderClasses>();
  classes->Add(&TVarnexLoader::ClassInfo);
  classes->Add(&TSquidLoader::ClassInfo);
  classes->Add(&TNcsaLoader::ClassInfo);
  classes->Add(&TW3cLoader::ClassInfo);
  return classes.Detach();
}
