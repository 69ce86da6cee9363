// Persistable classes and a byte-string stream shared by the filer tests.
#pragma once

#include <cstring>
#include <string>

#include "core/AdvFilers.h"
#include "core/AdvPersistents.h"
#include "core/AdvStreams.h"

// A stream over a std::string: writes append, reads consume from the front.
class TStringStream : public TAdvStream {
  ADV_CLASS(TStringStream)
  std::string Data;
  size_t Offset = 0;

  void Read(void* buffer, uint32_t count) override {
    if (Data.size() - Offset < count) Error("Read", "Attempted to read past end of data");
    std::memcpy(buffer, Data.data() + Offset, count);
    Offset += count;
  }
  void Write(const void* buffer, uint32_t count) override {
    Data.append(static_cast<const char*>(buffer), count);
  }
  int64_t Readable() override { return int64_t(Data.size() - Offset); }
};

enum class TColour : uint8_t { Red, Green, Blue };

// One field of every kind.
class TSample : public TAdvPersistent {
  ADV_CLASS(TSample)
  std::string Name;
  int32_t Count = 0;
  int64_t Big = 0;
  uint32_t Unsigned = 0;
  int16_t Small = 0;
  int8_t Tiny = 0;
  double Ratio = 0;
  bool Flag = false;
  char Letter = 'a';
  std::string Short;
  uint8_t Blob[4] = {0, 0, 0, 0};
  TColour Colour = TColour::Red;
  uint8_t Bits[2] = {0, 0};
  TAdvObject* Child = nullptr;  // owned; a TSample or null
  // Added later: older files lack it.
  std::string Optional = "default";

  void Define(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;

 protected:
  ~TSample() override { TAdvObject::Release(Child); }
};

class TSampleChild : public TSample {
  ADV_CLASS(TSampleChild)
};

// A class the factory does not know.
class TUnregistered : public TAdvPersistent {
  ADV_CLASS(TUnregistered)
};

void RegisterFilerTestClasses();
