// The binary representations of the Define protocol.
//
// Tagged (TAdvWriter/TAdvReader, the default of every file not kept as XML):
// each value is one kind byte followed by its payload, little-endian; begin,
// end and nil markers are kind bytes of their own. Field names are not
// stored: the order of a class's Define is the format.
//
// Untagged (TAdvBinaryWriter/TAdvBinaryReader): the same payloads without any
// kind byte or marker, for fixed sequences of scalars. It cannot peek, so it
// cannot read collections, objects or optional fields.
//
// Readers check every stored length against what the stream can still
// deliver and against the caller's buffer, so a damaged file raises EAdvFiler
// instead of allocating or writing out of bounds.
#pragma once

#include "core/AdvFilers.h"

class TAdvWriter : public TAdvFiler {
  ADV_CLASS(TAdvWriter)
  using TAdvFiler::TAdvFiler;

  void Define(void* buffer, uint32_t count) override;
  void DefineValue(TAdvFilerKind kind) override;
  void DefineInteger(int32_t& value) override;
  void DefineInteger64(int64_t& value) override;
  void DefineCardinal(uint32_t& value) override;
  void DefineInteger16(int16_t& value) override;
  void DefineInteger8(int8_t& value) override;
  void DefineReal(double& value) override;
  void DefineBoolean(bool& value) override;
  void DefineCharacter(char& value) override;
  void DefineShortString(std::string& value) override;
  void DefineString(std::string& value) override;
  void DefineBinary(void* buffer, uint32_t size) override;
  void DefineEnumerated(uint8_t& value) override;
  void DefineSet(void* buffer, uint32_t size) override;
  void DefineClass(std::string& name) override;
  void DefineObject(TAdvObject*& reference, TAdvClass expected = nullptr) override;

 protected:
  void WriteBytes(const void* data, uint32_t count);
  // The kind's tag (DefineValue), then the bytes.
  void WriteTagged(TAdvFilerKind kind, const void* data, uint32_t count);
  void WriteLengthPrefixed(TAdvFilerKind kind, const void* data, uint32_t length, int prefixBytes);
};

class TAdvReader : public TAdvFiler {
  ADV_CLASS(TAdvReader)
  using TAdvFiler::TAdvFiler;

  bool IsReader() const override { return true; }
  void SetStream(TAdvStream* stream) override;
  void Define(void* buffer, uint32_t count) override;
  void DefineValue(TAdvFilerKind kind) override;
  void DefineInteger(int32_t& value) override;
  void DefineInteger64(int64_t& value) override;
  void DefineCardinal(uint32_t& value) override;
  void DefineInteger16(int16_t& value) override;
  void DefineInteger8(int8_t& value) override;
  void DefineReal(double& value) override;
  void DefineBoolean(bool& value) override;
  void DefineCharacter(char& value) override;
  void DefineShortString(std::string& value) override;
  void DefineString(std::string& value) override;
  void DefineBinary(void* buffer, uint32_t size) override;
  void DefineEnumerated(uint8_t& value) override;
  void DefineSet(void* buffer, uint32_t size) override;
  void DefineClass(std::string& name) override;
  void DefineObject(TAdvObject*& reference, TAdvClass expected = nullptr) override;
  TAdvFilerKind Peek() override;

 protected:
  void ReadBytes(void* data, uint32_t count);
  // Reads a stored length and checks it against what the stream still holds.
  uint32_t ReadLength(int prefixBytes, std::string_view what);
  // Reads a stored block into a caller's buffer of `size` bytes; a stored
  // block of another size is refused without touching bytes past `size`.
  void ReadBlock(void* buffer, uint32_t size, std::string_view what);

  uint8_t m_pending = 0;  // peeked kind byte; 0 = none
};

class TAdvBinaryWriter : public TAdvWriter {
  ADV_CLASS(TAdvBinaryWriter)
  using TAdvWriter::TAdvWriter;
  void DefineValue(TAdvFilerKind kind) override {}
};

class TAdvBinaryReader : public TAdvReader {
  ADV_CLASS(TAdvBinaryReader)
  using TAdvReader::TAdvReader;
  void DefineValue(TAdvFilerKind kind) override {}
  TAdvFilerKind Peek() override;
};

// Shared by every reader: checks or makes the object a stored class name
// denotes, as the field expects. `sender` raises the errors.
TAdvObject* ResolveStoredObject(const TAdvFiler& sender, TAdvObject* existing,
                                const std::string& storedName, TAdvClass expected, bool viaFactory);
