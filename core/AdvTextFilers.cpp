#include "core/AdvTextFilers.h"

#include "core/AdvStreams.h"
#include "core/AdvXMLFilers.h"

ADV_CLASS_IMPL(TAdvTextWriter, TAdvWriter)
ADV_CLASS_IMPL(TAdvLog, TAdvTextWriter)

namespace {
std::string Hex(const void* buffer, uint32_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  for (uint32_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}
}  // namespace

void TAdvTextWriter::Emit(const std::string& line) { WriteBytes(line.data(), uint32_t(line.size())); }

void TAdvTextWriter::WriteLine(const std::string& text) {
  Emit(std::string(size_t(std::max(m_indent, 0)), ' ') + text + "\r\n");
}

void TAdvTextWriter::WriteValue(TAdvFilerKind kind, const std::string& value) {
  const std::string name = TakeFieldName();
  WriteLine((name.empty() ? std::string() : name + " : ") + FilerKindName(kind) + " = " + value);
}

void TAdvTextWriter::Define(void* buffer, uint32_t count) { WriteLine(Hex(buffer, count)); }

void TAdvTextWriter::DefineValue(TAdvFilerKind kind) {
  if (kind == TAdvFilerKind::End) m_indent -= 2;
  const std::string name = TakeFieldName();
  WriteLine((name.empty() ? std::string() : name + " : ") + FilerKindName(kind));
  if (kind == TAdvFilerKind::Begin) m_indent += 2;
}

void TAdvTextWriter::DefineInteger(int32_t& v) { WriteValue(TAdvFilerKind::Integer, std::to_string(v)); }
void TAdvTextWriter::DefineInteger64(int64_t& v) {
  WriteValue(TAdvFilerKind::Integer64, std::to_string(v));
}
void TAdvTextWriter::DefineCardinal(uint32_t& v) { WriteValue(TAdvFilerKind::Integer, std::to_string(v)); }
void TAdvTextWriter::DefineInteger16(int16_t& v) {
  WriteValue(TAdvFilerKind::Integer16, std::to_string(v));
}
void TAdvTextWriter::DefineInteger8(int8_t& v) { WriteValue(TAdvFilerKind::Integer8, std::to_string(v)); }
void TAdvTextWriter::DefineReal(double& v) { WriteValue(TAdvFilerKind::Real, XmlRealText(v)); }
void TAdvTextWriter::DefineBoolean(bool& v) { WriteValue(TAdvFilerKind::Boolean, v ? "True" : "False"); }
void TAdvTextWriter::DefineCharacter(char& v) { WriteValue(TAdvFilerKind::Character, std::string(1, v)); }
void TAdvTextWriter::DefineShortString(std::string& v) { WriteValue(TAdvFilerKind::ShortString, v); }
void TAdvTextWriter::DefineString(std::string& v) { WriteValue(TAdvFilerKind::String, v); }
void TAdvTextWriter::DefineBinary(void* buffer, uint32_t size) {
  WriteValue(TAdvFilerKind::Binary, Hex(buffer, size));
}
void TAdvTextWriter::DefineEnumerated(uint8_t& v) {
  WriteValue(TAdvFilerKind::Enumerated, std::to_string(v));
}
void TAdvTextWriter::DefineSet(void* buffer, uint32_t size) {
  WriteValue(TAdvFilerKind::Set, Hex(buffer, size));
}
void TAdvTextWriter::DefineClass(std::string& name) { WriteValue(TAdvFilerKind::Object, name); }

void TAdvLog::Emit(const std::string& line) {
  if (m_handler)
    m_handler(line);
  else
    TAdvTextWriter::Emit(line);
}
