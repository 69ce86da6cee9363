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

  // Adds or replaces the entry for `name` (the class's own name when empty).
  void Register(TAdvClass cls, std::string_view name = {});
  void RegisterAll(const std::vector<TAdvClass>& classes);
  // Removes the entry for `name` if it names `cls` (plug-in unloading).
  void Unregister(TAdvClass cls, std::string_view name = {});
  TAdvClass Lookup(std::string_view name);
  // A new instance of the class registered under `name`; raises "Unknown class <name>".
  TAdvObject* Make(std::string_view name);
  // True when `name` is the class's name or is registered to a class of that name.
  bool IsCompatible(TAdvClass cls, std::string_view name);

 protected:
  TAdvHashable* NewKey() const override;
};

// The process's factory, created on first use.
TAdvFactory& AdvFactory();
