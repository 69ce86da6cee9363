#include "core/AdvFactories.h"

#include "core/AdvAscii.h"
#include "core/AdvBinaryFilers.h"
#include "core/AdvCollectionClasses.h"
#include "core/AdvStreamClasses.h"
#include "core/AdvTextFilers.h"
#include "core/AdvXMLFilers.h"

ADV_CLASS_IMPL(TAdvClassHashable, TAdvStringHashable)
ADV_CLASS_IMPL(TAdvFactory, TAdvStringHash)

void TAdvClassHashable::Assign(const TAdvObject& source) {
  TAdvStringHashable::Assign(source);
  Class = static_cast<const TAdvClassHashable&>(source).Class;
}

TAdvFactory::TAdvFactory() { SetCapacity(211); }

void TAdvFactory::Register(TAdvClass cls, std::string_view name) {
  if (!cls) Error("Register", "Class not assigned");
  if (name.empty()) name = cls->Name;
  auto* entry = static_cast<TAdvClassHashable*>(ForceByName(name));
  entry->Class = cls;
}

void TAdvFactory::RegisterAll(const std::vector<TAdvClass>& classes) {
  for (TAdvClass cls : classes) Register(cls);
}

void TAdvFactory::Unregister(TAdvClass cls, std::string_view name) {
  if (!cls) return;
  if (name.empty()) name = cls->Name;
  if (Lookup(name) == cls) RemoveByName(name);
}

TAdvClass TAdvFactory::Lookup(std::string_view name) const {
  auto* entry = static_cast<TAdvClassHashable*>(GetByName(name));
  return entry ? entry->Class : nullptr;
}

TAdvObject* TAdvFactory::Make(std::string_view name) const {
  TAdvClass cls = Lookup(name);
  if (!cls) Error("Make", "Unknown class " + std::string(name));
  return cls->Create();
}

bool TAdvFactory::IsCompatible(TAdvClass cls, std::string_view name) const {
  if (!cls) return false;
  if (SameTextAscii(cls->Name, name)) return true;
  TAdvClass registered = Lookup(name);
  return registered && SameTextAscii(registered->Name, cls->Name);
}

TAdvFactory& AdvFactory() {
  static TAdvRef<TAdvFactory> factory = AdvNew<TAdvFactory>();
  return *factory;
}

void RegisterCoreClasses() {
  TAdvFactory& factory = AdvFactory();
  factory.RegisterAll(CoreCollectionClasses());
  factory.RegisterAll(CoreStreamClasses());
}
