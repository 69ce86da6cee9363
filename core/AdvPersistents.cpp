#include "core/AdvPersistents.h"

#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TAdvPersistent, TAdvObject)

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

// File entry points and the default filer classes arrive with the stream and
// filer implementations.
void TAdvPersistent::LoadFromFile(const std::string&, TAdvClass) { Error("LoadFromFile", "Not available"); }
void TAdvPersistent::SaveToFile(const std::string&, TAdvClass) { Error("SaveToFile", "Not available"); }
void TAdvPersistent::SaveToFile(const std::string&) { Error("SaveToFile", "Not available"); }
void TAdvPersistent::LoadFromFile(const std::string&) { Error("LoadFromFile", "Not available"); }
void TAdvPersistent::SaveToStream(TAdvStream&) { Error("SaveToStream", "Not available"); }
void TAdvPersistent::LoadFromStream(TAdvStream&) { Error("LoadFromStream", "Not available"); }
