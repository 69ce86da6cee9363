// A filer for tests: writing records every Define call (kind, field name,
// value) in order; reading replays the same records, checking each kind, so
// a class's Load can be driven by exactly what its Save produced, or by a
// hand-made sequence. Objects are made from the class records it is given.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/AdvFilers.h"
#include "core/AdvPersistents.h"

struct TRecord {
  TAdvFilerKind Kind = TAdvFilerKind::Unknown;
  std::string Field;
  int64_t Integer = 0;
  double Real = 0;
  std::string Text;  // strings and class names
  std::vector<uint8_t> Bytes;
};

class TRecordingFiler : public TAdvFiler {
  ADV_CLASS(TRecordingFiler)

  std::vector<TRecord> Records;
  std::vector<TAdvClass> Classes;  // what reading may make by name
  size_t Position = 0;
  bool Reading = false;

  void StartReading() {
    Reading = true;
    Position = 0;
  }
  bool AtEnd() const { return Position == Records.size(); }
  bool IsReader() const override { return Reading; }
  TAdvFilerKind Peek() override {
    return Position < Records.size() ? Records[Position].Kind : TAdvFilerKind::Unknown;
  }

  // Hand-made sequences.
  TRecordingFiler& Add(TAdvFilerKind kind, int64_t integer = 0, std::string text = {}) {
    TRecord r;
    r.Kind = kind;
    r.Integer = integer;
    r.Text = std::move(text);
    Records.push_back(std::move(r));
    return *this;
  }

  void DefineValue(TAdvFilerKind kind) override { Value(kind); }
  void DefineInteger(int32_t& v) override { Int(TAdvFilerKind::Integer, v); }
  void DefineInteger64(int64_t& v) override { Int(TAdvFilerKind::Integer64, v); }
  void DefineCardinal(uint32_t& v) override { Int(TAdvFilerKind::Integer, v); }
  void DefineInteger16(int16_t& v) override { Int(TAdvFilerKind::Integer16, v); }
  void DefineInteger8(int8_t& v) override { Int(TAdvFilerKind::Integer8, v); }
  void DefineBoolean(bool& v) override { Int(TAdvFilerKind::Boolean, v); }
  void DefineCharacter(char& v) override { Int(TAdvFilerKind::Character, v); }
  void DefineEnumerated(uint8_t& v) override { Int(TAdvFilerKind::Enumerated, v); }
  void DefineReal(double& v) override {
    TRecord& r = Value(TAdvFilerKind::Real);
    if (Reading)
      v = r.Real;
    else
      r.Real = v;
  }
  void DefineString(std::string& v) override { Text(TAdvFilerKind::String, v); }
  void DefineShortString(std::string& v) override { Text(TAdvFilerKind::ShortString, v); }
  void DefineClass(std::string& name) override { Text(TAdvFilerKind::Object, name); }
  void DefineBinary(void* buffer, uint32_t size) override {
    TRecord& r = Value(TAdvFilerKind::Binary);
    if (Reading) {
      if (r.Bytes.size() != size) Error("DefineBinary", "Size mismatch");
      if (size) std::memcpy(buffer, r.Bytes.data(), size);
    } else {
      r.Bytes.assign(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
    }
  }

  void DefineObject(TAdvObject*& reference, TAdvClass expected = nullptr) override {
    if (!Reading) {
      if (!reference) {
        Value(TAdvFilerKind::Nil);
        return;
      }
      std::string name = reference->ClassName();
      DefineClass(name);
      static_cast<TAdvPersistent*>(reference)->Save(*this);
      return;
    }
    if (Peek() == TAdvFilerKind::Nil) {
      Value(TAdvFilerKind::Nil);
      TAdvObject::Release(reference);
      reference = nullptr;
      return;
    }
    std::string name;
    DefineClass(name);
    if (reference) {
      if (!reference->IsClassByName(name) || reference->ClassName().size() != name.size())
        Error("DefineObject",
              "Expected object " + reference->ClassName() + " but found object " + name);
    } else {
      TAdvClass cls = nullptr;
      for (TAdvClass c : Classes)
        if (name == c->Name) cls = c;
      if (!cls) Error("DefineObject", "Unknown class " + name);
      reference = cls->Create();
    }
    static_cast<TAdvPersistent*>(reference)->Load(*this);
  }

 private:
  TRecord& Value(TAdvFilerKind kind) {
    if (!Reading) {
      TRecord r;
      r.Kind = kind;
      r.Field = TakeFieldName();
      Records.push_back(std::move(r));
      return Records.back();
    }
    if (Position >= Records.size()) Error("Read", "Read past the end");
    TRecord& r = Records[Position++];
    if (r.Kind != kind)
      Error("Read", "Expected " + FilerKindName(kind) + " but found " + FilerKindName(r.Kind));
    TakeFieldName();
    return r;
  }
  template <class T>
  void Int(TAdvFilerKind kind, T& v) {
    TRecord& r = Value(kind);
    if (Reading)
      v = static_cast<T>(r.Integer);
    else
      r.Integer = static_cast<int64_t>(v);
  }
  void Text(TAdvFilerKind kind, std::string& v) {
    TRecord& r = Value(kind);
    if (Reading)
      v = r.Text;
    else
      r.Text = v;
  }
};

inline const TAdvClassInfo TRecordingFiler::ClassInfo{"TRecordingFiler", &TAdvFiler::ClassInfo,
                                                      &AdvFactoryOf<TRecordingFiler>};
