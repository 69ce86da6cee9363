#include "core/AdvPersistents.h"

#include "core/AdvBinaryFilers.h"
#include "core/AdvCaches.h"
#include "core/AdvFilers.h"
#include "core/AdvFiles.h"

ADV_CLASS_IMPL(TAdvPersistent, TAdvObject)

namespace {
constexpr uint32_t kFileCache = 65536;
}

void TAdvPersistent::Load(TAdvFiler& filer) {
  filer.DefineBegin();
  Define(filer);
  filer.DefineEnd();
}

void TAdvPersistent::Save(TAdvFiler& filer) {
  filer.DefineBegin();
  Define(filer);
  filer.DefineEnd();
}

void TAdvPersistent::SaveToStream(TAdvStream& stream, TAdvClass writerClass) {
  TAdvRef<TAdvFiler> filer = AdvCreate<TAdvFiler>(writerClass);
  if (!filer) Error("SaveToStream", std::string("Not a filer class: ") + writerClass->Name);
  filer->SetStream(&stream);
  TAdvObject* self = this;
  filer->Field(ClassName().substr(1)).DefineObject(self, ClassType());
}

void TAdvPersistent::LoadFromStream(TAdvStream& stream, TAdvClass readerClass) {
  TAdvRef<TAdvFiler> filer = AdvCreate<TAdvFiler>(readerClass);
  if (!filer) Error("LoadFromStream", std::string("Not a filer class: ") + readerClass->Name);
  filer->SetStream(&stream);
  TAdvObject* self = this;
  filer->Field(ClassName().substr(1)).DefineObject(self, ClassType());
  if (self != this) Error("LoadFromStream", "Stored object replaced the object being loaded");
}

void TAdvPersistent::LoadFromFile(const std::string& fileName, TAdvClass readerClass) {
  // Others may go on reading and writing the file while it is loaded.
  TAdvRef<TAdvFile> file(new TAdvFile(fileName, TAdvFile::kNormalAttributes, 3, 0));
  TAdvRef<TAdvCacheAdapter> cache(new TAdvCacheAdapter(file.Get(), kFileCache));
  LoadFromStream(*cache, readerClass);
}

void TAdvPersistent::SaveToFile(const std::string& fileName, TAdvClass writerClass) {
  AdvSaveFileAtomically(
      fileName, [&](TAdvStream& stream) { SaveToStream(stream, writerClass); }, kFileCache);
}

void TAdvPersistent::SaveToFile(const std::string& fileName) {
  SaveToFile(fileName, &TAdvWriter::ClassInfo);
}
void TAdvPersistent::LoadFromFile(const std::string& fileName) {
  LoadFromFile(fileName, &TAdvReader::ClassInfo);
}
void TAdvPersistent::SaveToStream(TAdvStream& stream) {
  SaveToStream(stream, &TAdvWriter::ClassInfo);
}
void TAdvPersistent::LoadFromStream(TAdvStream& stream) {
  LoadFromStream(stream, &TAdvReader::ClassInfo);
}

std::string AdvLoadKeepingBad(TAdvPersistent& fresh, const std::string& fileName,
                              TAdvClass readerClass) {
  try {
    fresh.LoadFromFile(fileName, readerClass);
    return {};
  } catch (const EAdvanced& e) {
    const std::string kept = AdvKeepFileAsBad(fileName);
    return kept.empty() ? e.Message() : e.Message() + " (kept as " + kept + ")";
  }
}
