#include "core/AdvFilers.h"

#include "core/AdvAscii.h"

ADV_CLASS_IMPL(TAdvFiler, TAdvObject)

namespace {
const char* const kKindNames[] = {"Unknown",   "Boolean",    "Integer",   "String",     "Real",
                                  "Binary",    "Enumerated", "Object",    "Begin",      "End",
                                  "Nil",       "Integer64",  "Integer16", "Integer8",   "ShortString",
                                  "Set",       "Character"};
}

std::string FilerKindName(uint8_t code) {
  if (code > 16) return "Out of bounds (" + std::to_string(code) + ")";
  return kKindNames[code];
}

TAdvFilerKind FilerKindByName(std::string_view name) {
  for (int code = 16; code >= 1; --code)
    if (SameTextAscii(kKindNames[code], name)) return TAdvFilerKind(code);
  return TAdvFilerKind::Unknown;
}

std::string TAdvFiler::TakeFieldName() {
  std::string name;
  name.swap(m_fieldName);
  return name;
}
