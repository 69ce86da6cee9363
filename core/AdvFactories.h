// The class factory: maps a stored class name (ASCII case-insensitive) to its
// class record, so that readers can make the objects a file names.
//
// One instance for the process. It is filled while the program starts (and
// when a plug-in library is loaded, on the main thread) before other threads
// read it; look-ups afterwards are read-only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/AdvHashes.h"

class TAdvClassHashable : public TAdvStringHashable {
  ADV_CLASS(TAdvClassHashable)
  TAdvClass Class = nullptr;
  void Assign(const TAdvObject& source) override;
};

class TAdvFactory : public TAdvStringHash {
  ADV_CLASS(TAdvFactory)
  ADV_RAISES(EAdvFactory)
  TAdvFactory();

  TAdvClass EntryClass() const override { return &TAdvClassHashable::ClassInfo; }

  // Adds or replaces the entry for `name` (the class's own name when empty).
  void Register(TAdvClass cls, std::string_view name = {});
  void RegisterAll(const std::vector<TAdvClass>& classes);
  // Removes the entry for `name` (the class's own name when empty) if it
  // still names `cls`; used when a plug-in library is unloaded.
  void Unregister(TAdvClass cls, std::string_view name = {});
  // The class registered under `name`, or null.
  TAdvClass Lookup(std::string_view name) const;
  // A new instance of the class registered under `name`; raises
  // "Unknown class <name>" (operation "Make").
  TAdvObject* Make(std::string_view name) const;
  // True when `name` is the class's own name, or is registered to a class of
  // the same name; false when `name` is not registered.
  bool IsCompatible(TAdvClass cls, std::string_view name) const;

 protected:
  ~TAdvFactory() override = default;
};

// The process's factory, created on first use. Every library registers its
// persistable classes at start-up (RegisterCoreClasses for core/).
TAdvFactory& AdvFactory();

// Registers the persistable classes of core/.
void RegisterCoreClasses();
