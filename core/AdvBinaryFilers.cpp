#include "core/AdvBinaryFilers.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

#include "core/AdvAscii.h"
#include "core/AdvFactories.h"
#include "core/AdvPersistents.h"
#include "core/AdvStreams.h"

ADV_CLASS_IMPL(TAdvWriter, TAdvFiler)
ADV_CLASS_IMPL(TAdvReader, TAdvFiler)
ADV_CLASS_IMPL(TAdvBinaryWriter, TAdvWriter)
ADV_CLASS_IMPL(TAdvBinaryReader, TAdvReader)

namespace {

// Values are stored little-endian whatever the host's order.
template <class T>
void StoreLE(uint8_t* out, T value) {
  using U = std::make_unsigned_t<T>;
  U u = static_cast<U>(value);
  for (size_t i = 0; i < sizeof(T); ++i) out[i] = uint8_t(u >> (8 * i));
}
template <class T>
T LoadLE(const uint8_t* in) {
  using U = std::make_unsigned_t<T>;
  U u = 0;
  for (size_t i = 0; i < sizeof(T); ++i) u |= U(in[i]) << (8 * i);
  return static_cast<T>(u);
}

// Above this a stored length is read in pieces, so a damaged length on a
// stream that cannot tell its size fails at the end of data instead of
// allocating gigabytes first.
constexpr uint32_t kReadPiece = 1u << 20;
// Stored lengths from this size up are checked against the data left.
constexpr uint32_t kCheckedLength = 4096;

}  // namespace

// ---------------------------------------------------------------------------
// Writer

void TAdvWriter::WriteBytes(const void* data, uint32_t count) {
  if (count) Stream()->Write(data, count);
}

void TAdvWriter::Define(void* buffer, uint32_t count) { WriteBytes(buffer, count); }

void TAdvWriter::DefineValue(TAdvFilerKind kind) {
  const auto code = static_cast<uint8_t>(kind);
  WriteBytes(&code, 1);
}

// A value's tag and bytes go to the stream in one write where the tag is
// this class's own one byte (a descendant may write other tags or none):
// a state file of a busy day is millions of small values.
void TAdvWriter::WriteTagged(TAdvFilerKind kind, const void* data, uint32_t count) {
  constexpr uint32_t kJoined = 64;
  if (count < kJoined && typeid(*this) == typeid(TAdvWriter)) {
    uint8_t bytes[kJoined];
    bytes[0] = static_cast<uint8_t>(kind);
    if (count) std::memcpy(bytes + 1, data, count);
    WriteBytes(bytes, count + 1);
    return;
  }
  DefineValue(kind);
  WriteBytes(data, count);
}

#define ADV_WRITE_SCALAR(Method, Type, Kind)             \
  void TAdvWriter::Method(Type& value) {                 \
    uint8_t bytes[sizeof(Type)];                         \
    StoreLE(bytes, value);                               \
    WriteTagged(TAdvFilerKind::Kind, bytes, sizeof bytes); \
  }
ADV_WRITE_SCALAR(DefineInteger, int32_t, Integer)
ADV_WRITE_SCALAR(DefineInteger64, int64_t, Integer64)
ADV_WRITE_SCALAR(DefineCardinal, uint32_t, Integer)
ADV_WRITE_SCALAR(DefineInteger16, int16_t, Integer16)
ADV_WRITE_SCALAR(DefineInteger8, int8_t, Integer8)
ADV_WRITE_SCALAR(DefineEnumerated, uint8_t, Enumerated)
#undef ADV_WRITE_SCALAR

void TAdvWriter::DefineReal(double& value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  uint8_t bytes[8];
  StoreLE(bytes, bits);
  WriteTagged(TAdvFilerKind::Real, bytes, 8);
}

void TAdvWriter::DefineBoolean(bool& value) {
  const uint8_t byte = value ? 1 : 0;
  WriteTagged(TAdvFilerKind::Boolean, &byte, 1);
}

void TAdvWriter::DefineCharacter(char& value) {
  DefineValue(TAdvFilerKind::Character);
  WriteBytes(&value, 1);
}

void TAdvWriter::WriteLengthPrefixed(TAdvFilerKind kind, const void* data, uint32_t length,
                                     int prefixBytes) {
  // Short texts (names, most strings) go out with their tag and length in
  // one write.
  constexpr uint32_t kJoined = 60;
  if (length <= kJoined - 4) {
    uint8_t bytes[kJoined];
    StoreLE(bytes, length);
    if (length) std::memcpy(bytes + prefixBytes, data, length);
    WriteTagged(kind, bytes, uint32_t(prefixBytes) + length);
    return;
  }
  uint8_t prefix[4];
  StoreLE(prefix, length);
  WriteTagged(kind, prefix, uint32_t(prefixBytes));
  WriteBytes(data, length);
}

void TAdvWriter::DefineShortString(std::string& value) {
  if (value.size() > 255) value.resize(255);
  WriteLengthPrefixed(TAdvFilerKind::ShortString, value.data(), uint32_t(value.size()), 1);
}

void TAdvWriter::DefineString(std::string& value) {
  if (value.size() > UINT32_MAX) Error("DefineString", "Text too long");
  WriteLengthPrefixed(TAdvFilerKind::String, value.data(), uint32_t(value.size()), 4);
}

void TAdvWriter::DefineBinary(void* buffer, uint32_t size) {
  WriteLengthPrefixed(TAdvFilerKind::Binary, buffer, size, 4);
}

void TAdvWriter::DefineSet(void* buffer, uint32_t size) {
  DefineValue(TAdvFilerKind::Set);
  WriteBytes(buffer, size);
}

void TAdvWriter::DefineClass(std::string& name) {
  if (name.size() > 255) Error("DefineClass", "Class name too long: " + name);
  WriteLengthPrefixed(TAdvFilerKind::Object, name.data(), uint32_t(name.size()), 1);
}

void TAdvWriter::DefineObject(TAdvObject*& reference, TAdvClass expected) {
  TakeFieldName();
  if (!reference) {
    DefineValue(TAdvFilerKind::Nil);
    return;
  }
  auto* persistent = AdvCast<TAdvPersistent>(reference);
  if (!persistent) Error("DefineObject", "Object " + reference->ClassName() + " is not persistent");
  std::string name = reference->PersistedClassName();
  DefineClass(name);
  persistent->Save(*this);
}

// ---------------------------------------------------------------------------
// Reader

void TAdvReader::SetStream(TAdvStream* stream) {
  TAdvFiler::SetStream(stream);
  m_pending = 0;
}

void TAdvReader::ReadBytes(void* data, uint32_t count) {
  if (count) Stream()->Read(data, count);
}

void TAdvReader::Define(void* buffer, uint32_t count) { ReadBytes(buffer, count); }

TAdvFilerKind TAdvReader::Peek() {
  if (!m_pending) ReadBytes(&m_pending, 1);
  return TAdvFilerKind(m_pending);
}

void TAdvReader::DefineValue(TAdvFilerKind kind) {
  uint8_t found;
  if (m_pending) {
    found = m_pending;
    m_pending = 0;
  } else {
    ReadBytes(&found, 1);
  }
  if (found != uint8_t(kind))
    Error("DefineValue",
          "Expected '" + FilerKindName(kind) + "', but found '" + FilerKindName(found) + "'");
}

#define ADV_READ_SCALAR(Method, Type, Kind) \
  void TAdvReader::Method(Type& value) {    \
    DefineValue(TAdvFilerKind::Kind);       \
    uint8_t bytes[sizeof(Type)];            \
    ReadBytes(bytes, sizeof bytes);         \
    value = LoadLE<Type>(bytes);            \
  }
ADV_READ_SCALAR(DefineInteger, int32_t, Integer)
ADV_READ_SCALAR(DefineInteger64, int64_t, Integer64)
ADV_READ_SCALAR(DefineCardinal, uint32_t, Integer)
ADV_READ_SCALAR(DefineInteger16, int16_t, Integer16)
ADV_READ_SCALAR(DefineInteger8, int8_t, Integer8)
ADV_READ_SCALAR(DefineEnumerated, uint8_t, Enumerated)
#undef ADV_READ_SCALAR

void TAdvReader::DefineReal(double& value) {
  DefineValue(TAdvFilerKind::Real);
  uint8_t bytes[8];
  ReadBytes(bytes, 8);
  const uint64_t bits = LoadLE<uint64_t>(bytes);
  std::memcpy(&value, &bits, sizeof value);
}

void TAdvReader::DefineBoolean(bool& value) {
  DefineValue(TAdvFilerKind::Boolean);
  uint8_t byte;
  ReadBytes(&byte, 1);
  value = byte != 0;
}

void TAdvReader::DefineCharacter(char& value) {
  DefineValue(TAdvFilerKind::Character);
  ReadBytes(&value, 1);
}

uint32_t TAdvReader::ReadLength(int prefixBytes, std::string_view what) {
  uint8_t prefix[4] = {0, 0, 0, 0};
  ReadBytes(prefix, uint32_t(prefixBytes));
  const uint32_t length = LoadLE<uint32_t>(prefix);
  // Asking a file-backed stream what is left costs system calls, so only
  // lengths large enough to matter are checked up front; a short one that
  // runs past the end fails in the read itself.
  if (length < kCheckedLength) return length;
  const int64_t readable = Stream()->Readable();
  if (readable >= 0 && int64_t(length) > readable)
    Error("Define" + std::string(what), "Stored length " + std::to_string(length) +
                                            " exceeds the " + std::to_string(readable) +
                                            " bytes left");
  return length;
}

void TAdvReader::DefineShortString(std::string& value) {
  DefineValue(TAdvFilerKind::ShortString);
  const uint32_t length = ReadLength(1, "ShortString");
  value.resize(length);
  ReadBytes(value.data(), length);
}

void TAdvReader::DefineString(std::string& value) {
  DefineValue(TAdvFilerKind::String);
  const uint32_t length = ReadLength(4, "String");
  value.clear();
  for (uint32_t done = 0; done < length;) {
    const uint32_t piece = std::min(kReadPiece, length - done);
    value.resize(done + piece);
    ReadBytes(value.data() + done, piece);
    done += piece;
  }
}

void TAdvReader::ReadBlock(void* buffer, uint32_t size, std::string_view what) {
  const uint32_t length = ReadLength(4, what);
  if (length > size)
    Error("Define" + std::string(what), "Stored size " + std::to_string(length) +
                                            " exceeds the expected " + std::to_string(size));
  ReadBytes(buffer, length);
}

void TAdvReader::DefineBinary(void* buffer, uint32_t size) {
  DefineValue(TAdvFilerKind::Binary);
  ReadBlock(buffer, size, "Binary");
}

void TAdvReader::DefineSet(void* buffer, uint32_t size) {
  DefineValue(TAdvFilerKind::Set);
  ReadBytes(buffer, size);
}

void TAdvReader::DefineClass(std::string& name) {
  DefineValue(TAdvFilerKind::Object);
  const uint32_t length = ReadLength(1, "Class");
  name.resize(length);
  ReadBytes(name.data(), length);
}

void TAdvReader::DefineObject(TAdvObject*& reference, TAdvClass expected) {
  TakeFieldName();
  const TAdvFilerKind kind = Peek();
  if (kind == TAdvFilerKind::Nil) {
    DefineValue(TAdvFilerKind::Nil);
    TAdvObject::Release(reference);
    reference = nullptr;
    return;
  }
  if (kind != TAdvFilerKind::Object)
    Error("DefineObject", "Expected an object or nil, but found '" + FilerKindName(kind) + "'");
  std::string name;
  DefineClass(name);
  reference = ResolveStoredObject(*this, reference, name, expected, false);
  AdvCast<TAdvPersistent>(reference)->Load(*this);
}

TAdvFilerKind TAdvBinaryReader::Peek() {
  Error("Peek", "No look ahead allowed on a binary reader.");
  return TAdvFilerKind::Unknown;
}

// ---------------------------------------------------------------------------

TAdvObject* ResolveStoredObject(const TAdvFiler& sender, TAdvObject* existing,
                                const std::string& storedName, TAdvClass expected,
                                bool viaFactory) {
  TAdvFactory& factory = AdvFactory();
  if (existing) {
    const bool same = viaFactory ? factory.IsCompatible(existing->ClassType(), storedName)
                                 : (SameTextAscii(existing->ClassName(), storedName) ||
                                    SameTextAscii(existing->PersistedClassName(), storedName));
    if (!same)
      sender.Error("DefineObject",
                   "Expected object " + existing->ClassName() + " but found object " + storedName);
    return existing;
  }
  TAdvRef<TAdvObject> made(factory.Make(storedName));
  // A file must not be able to put an object of a foreign class where the
  // field expects another: the owner would misuse it.
  if ((expected && !made->ClassType()->InheritsFrom(expected) && !made->IsClassByName(expected)) ||
      !AdvCast<TAdvPersistent>(made.Get()))
    sender.Error("DefineObject", "Expected object " +
                                     std::string(expected ? expected->Name : "TAdvPersistent") +
                                     " but found object " + storedName);
  return made.Detach();
}
