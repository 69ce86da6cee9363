// TAdvPersistent: an object that describes its stored state once, in Define.
// The file and stream entry points create a filer of the given class (a
// TAdvWriter or TAdvReader descendant) and run the object through it.
#pragma once

#include <string>

#include "core/AdvObjects.h"

class TAdvFiler;
class TAdvStream;

class TAdvPersistent : public TAdvObject {
  ADV_CLASS(TAdvPersistent)

  // Reads the file (shared for reading and writing by others) through a cache.
  virtual void LoadFromFile(const std::string& fileName, TAdvClass readerClass);
  // Saves atomically: a temporary file in the same folder, flushed, then
  // renamed over `fileName`.
  virtual void SaveToFile(const std::string& fileName, TAdvClass writerClass);
  virtual void SaveToStream(TAdvStream& stream, TAdvClass writerClass);
  virtual void LoadFromStream(TAdvStream& stream, TAdvClass readerClass);
  // The class's stored fields, in order; each override calls its parent's first.
  virtual void Define(TAdvFiler& filer) {}
  // DefineBegin, Define, DefineEnd.
  virtual void Load(TAdvFiler& filer);
  virtual void Save(TAdvFiler& filer);
  // With the tagged binary filers unless a class keeps its files as XML.
  virtual void SaveToFile(const std::string& fileName);
  virtual void LoadFromFile(const std::string& fileName);
  virtual void SaveToStream(TAdvStream& stream);
  virtual void LoadFromStream(TAdvStream& stream);
};

// Loads `fresh` (a new object of the owner's class) from `fileName`. On
// failure the file is moved aside as "<name>.bad", so that the defaults saved
// later never overwrite what the user may want back, and the error text is
// returned; the owner keeps its own object with its defaults and discards
// `fresh`. An empty result means success.
std::string AdvLoadKeepingBad(TAdvPersistent& fresh, const std::string& fileName,
                              TAdvClass readerClass);
