// The Define protocol: a persistable class lists its stored values once, in
// order, in Define(filer); the concrete filer decides whether each value is
// written or read back, and in which representation (tagged binary, untagged
// binary, XML, debug text).
//
// A filer exists for one load or one save, is used by one thread, and does not
// own its stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvObjects.h"

class TAdvStream;

// Kinds of value; the code is what the tagged binary format stores.
enum class TAdvFilerKind : uint8_t {
  Unknown = 0,
  Boolean = 1,
  Integer = 2,
  String = 3,
  Real = 4,
  Binary = 5,
  Enumerated = 6,
  Object = 7,
  Begin = 8,
  End = 9,
  Nil = 10,
  Integer64 = 11,
  Integer16 = 12,
  Integer8 = 13,
  ShortString = 14,
  Set = 15,
  Character = 16,
};

// "Boolean", "Integer" ...; a code above 16 gives "Out of bounds (%d)".
std::string FilerKindName(uint8_t code);
inline std::string FilerKindName(TAdvFilerKind kind) { return FilerKindName(uint8_t(kind)); }
// Case-insensitive look-up, codes 16 down to 1; Unknown when none matches.
TAdvFilerKind FilerKindByName(std::string_view name);

class TAdvFiler : public TAdvObject {
  ADV_CLASS(TAdvFiler)
  ADV_RAISES(EAdvFiler)

  TAdvFiler() = default;
  explicit TAdvFiler(TAdvStream* stream) { SetStream(stream); }

  virtual void SetStream(TAdvStream* stream) { m_stream = stream; }
  TAdvStream* Stream() const { return m_stream; }

  // Raw bytes: no kind, no name.
  virtual void Define(void* buffer, uint32_t count) {}
  // Names the next value; returns the filer so that `Field("Name").DefineString(m_name)` chains.
  virtual TAdvFiler& Field(std::string_view name) {
    m_fieldName = name;
    return *this;
  }
  // The current field name, cleared.
  virtual std::string TakeFieldName();

  virtual void DefineValue(TAdvFilerKind kind) {}
  virtual void DefineBegin() { DefineValue(TAdvFilerKind::Begin); }
  virtual void DefineEnd() { DefineValue(TAdvFilerKind::End); }
  virtual void DefineInteger(int32_t& value) {}
  virtual void DefineInteger64(int64_t& value) {}
  virtual void DefineCardinal(uint32_t& value) {}
  virtual void DefineInteger16(int16_t& value) {}
  virtual void DefineInteger8(int8_t& value) {}
  virtual void DefineReal(double& value) {}
  virtual void DefineBoolean(bool& value) {}
  virtual void DefineCharacter(char& value) {}
  virtual void DefineShortString(std::string& value) {}
  virtual void DefineString(std::string& value) {}
  virtual void DefineBinary(void* buffer, uint32_t size) {}
  virtual void DefineEnumerated(uint8_t& value) {}
  virtual void DefineSet(void* buffer, uint32_t size) {}
  virtual void DefineClass(std::string& name) {}
  // A nested object or null. Reading into a null reference makes the object
  // through the class factory; `expected` (when given) is the class the field
  // must hold, and a stored object of another class is refused.
  virtual void DefineObject(TAdvObject*& reference, TAdvClass expected = nullptr) {}
  // Readers only: the kind of the next value without consuming it.
  virtual TAdvFilerKind Peek() { return TAdvFilerKind::Unknown; }
  // True for every filer that reads values back into the members.
  virtual bool IsReader() const { return false; }

  // Typed conveniences over the virtual operations.
  template <class E>
  void DefineEnum(E& value) {
    auto raw = static_cast<uint8_t>(value);
    DefineEnumerated(raw);
    value = static_cast<E>(raw);
  }
  template <class T>
  void DefineObjectRef(TAdvRef<T>& reference) {
    TAdvObject* raw = reference.Detach();
    try {
      DefineObject(raw, &T::ClassInfo);
    } catch (...) {
      reference.Reset(static_cast<T*>(raw));
      throw;
    }
    reference.Reset(static_cast<T*>(raw));
  }
  // Guard for a field added after files were written: define it unless this
  // is a reader whose next value is of another kind.
  bool HasOptional(TAdvFilerKind kind) { return !IsReader() || Peek() == kind; }

 protected:
  std::string m_fieldName;

 private:
  TAdvStream* m_stream = nullptr;  // not owned
};
