#include "core/AdvXMLFilers.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "core/AdvAscii.h"
#include "core/AdvPersistents.h"
#include "core/AdvStreams.h"

ADV_CLASS_IMPL(TAdvXMLWriter, TAdvWriter)
ADV_CLASS_IMPL(TAdvXMLParser, TAdvObject)
ADV_CLASS_IMPL(TAdvXMLReader, TAdvReader)

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

bool StartsWithItem(std::string_view name, bool ignoreCase) {
  constexpr std::string_view kItem = "Item[";
  if (name.size() < kItem.size()) return false;
  return ignoreCase ? SameTextAscii(name.substr(0, kItem.size()), kItem)
                    : name.substr(0, kItem.size()) == kItem;
}

bool IsXmlSpace(int c) { return c == 8 || c == 9 || c == 10 || c == 13 || c == 32; }

std::string ReplaceEvery(std::string text, std::string_view find, std::string_view with) {
  size_t at = 0;
  while ((at = text.find(find, at)) != std::string::npos) {
    text.replace(at, find.size(), with);
    at += with.size();
  }
  return text;
}

constexpr size_t kParserBlock = 65536;

}  // namespace

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string XmlUnescape(std::string_view text) {
  if (text.find('&') == std::string_view::npos) return std::string(text);
  return ReplaceEvery(ReplaceEvery(ReplaceEvery(std::string(text), "&lt;", "<"), "&gt;", ">"),
                      "&amp;", "&");
}

std::string XmlRealText(double value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  // "1e-05" -> "1E-5", "1e+20" -> "1E20"
  const size_t e = text.find('e');
  if (e != std::string::npos) {
    std::string mantissa = text.substr(0, e);
    std::string exponent = text.substr(e + 1);
    std::string sign;
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
      if (exponent[0] == '-') sign = "-";
      exponent.erase(0, 1);
    }
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    text = mantissa + "E" + sign + exponent;
  }
  return text;
}

bool XmlParseReal(std::string_view text, double& value) {
  std::string normal(text);
  std::replace(normal.begin(), normal.end(), ',', '.');
  if (normal.empty()) return false;
  const char* first = normal.data();
  const char* last = first + normal.size();
  if (*first == '+') ++first;
  auto result = std::from_chars(first, last, value, std::chars_format::general);
  return result.ec == std::errc() && result.ptr == last;
}

// ---------------------------------------------------------------------------
// Writer

void TAdvXMLWriter::WriteLine(const std::string& element) {
  std::string line(size_t(std::max(m_level, 0)) * 2, ' ');
  line += element;
  line += "\r\n";
  WriteBytes(line.data(), uint32_t(line.size()));
}

void TAdvXMLWriter::WriteScalar(const char* element, const std::string& text) {
  WriteLine(std::string("<") + element + " name=\"" + XmlEscape(TakeFieldName()) + "\">" + text +
            "</" + element + ">");
}

void TAdvXMLWriter::WriteText(const std::string& text) {
  WriteLine("<string name=\"" + XmlEscape(TakeFieldName()) + "\"><![CDATA[" + XmlEscape(text) +
            "]]></string>");
}

void TAdvXMLWriter::Define(void* buffer, uint32_t count) { WriteBytes(buffer, count); }

void TAdvXMLWriter::DefineBegin() {
  ++m_level;
  if (StartsWithItem(m_fieldName, false)) {
    WriteLine("<item name=\"" + XmlEscape(TakeFieldName()) + "\">");
    ++m_level;
  }
}

void TAdvXMLWriter::DefineEnd() {
  --m_level;
  if (StartsWithItem(TakeFieldName(), false)) {
    WriteLine("</item>");
    --m_level;
  }
}

void TAdvXMLWriter::DefineInteger(int32_t& value) { WriteScalar("integer", std::to_string(value)); }
void TAdvXMLWriter::DefineInteger64(int64_t& value) {
  WriteScalar("integer64", std::to_string(value));
}
void TAdvXMLWriter::DefineCardinal(uint32_t& value) {
  WriteScalar("integer", std::to_string(value));
}
void TAdvXMLWriter::DefineInteger16(int16_t& value) {
  WriteScalar("integer16", std::to_string(uint16_t(value)));
}
void TAdvXMLWriter::DefineInteger8(int8_t& value) {
  WriteScalar("integer8", std::to_string(uint8_t(value)));
}
void TAdvXMLWriter::DefineEnumerated(uint8_t& value) {
  WriteScalar("enumerated", std::to_string(value));
}
void TAdvXMLWriter::DefineReal(double& value) { WriteScalar("real", XmlRealText(value)); }
void TAdvXMLWriter::DefineBoolean(bool& value) { WriteScalar("boolean", value ? "True" : "False"); }
void TAdvXMLWriter::DefineCharacter(char& value) { WriteText(std::string(1, value)); }
void TAdvXMLWriter::DefineShortString(std::string& value) {
  WriteText(value.size() > 255 ? value.substr(0, 255) : value);
}
void TAdvXMLWriter::DefineString(std::string& value) { WriteText(value); }

void TAdvXMLWriter::DefineBinary(void* buffer, uint32_t size) {
  std::string hex;
  hex.reserve(size_t(size) * 2);
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  for (uint32_t i = 0; i < size; ++i) {
    hex += kHexDigits[bytes[i] >> 4];
    hex += kHexDigits[bytes[i] & 15];
  }
  WriteScalar("binary", hex);
}

void TAdvXMLWriter::DefineSet(void* buffer, uint32_t size) {
  std::string hex;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  for (uint32_t i = 0; i < size; ++i) {
    hex += kHexDigits[bytes[i] >> 4];
    hex += kHexDigits[bytes[i] & 15];
  }
  WriteScalar("set", hex);
}

void TAdvXMLWriter::DefineObject(TAdvObject*& reference, TAdvClass expected) {
  const std::string name = XmlEscape(TakeFieldName());
  if (!reference) {
    WriteLine("<nil name=\"" + name + "\"></nil>");
    return;
  }
  auto* persistent = AdvCast<TAdvPersistent>(reference);
  if (!persistent) Error("DefineObject", "Object " + reference->ClassName() + " is not persistent");
  WriteLine("<object name=\"" + name + "\" classname=\"" + XmlEscape(reference->ClassName()) +
            "\">");
  persistent->Save(*this);
  WriteLine("</object>");
}

// ---------------------------------------------------------------------------
// Parser

void TAdvXMLParser::SetStream(TAdvStream* stream) {
  m_stream = stream;
  m_buffer.clear();
  m_index = 0;
  m_ended = false;
  m_held = false;
  m_heldName.clear();
}

void TAdvXMLParser::Fill() {
  m_buffer.clear();
  m_index = 0;
  const int64_t readable = m_stream ? m_stream->Readable() : 0;
  if (readable == 0) {
    m_ended = true;
    return;
  }
  // A stream that cannot tell its size is read a byte at a time, so nothing
  // past the document is taken from it.
  const size_t n = readable < 0 ? 1 : size_t(std::min<int64_t>(readable, kParserBlock));
  m_buffer.resize(n);
  m_stream->Read(m_buffer.data(), uint32_t(n));
}

int TAdvXMLParser::PeekByte() {
  if (m_index >= m_buffer.size()) {
    if (m_ended) return -1;
    Fill();
    if (m_index >= m_buffer.size()) return -1;
  }
  return static_cast<unsigned char>(m_buffer[m_index]);
}

int TAdvXMLParser::NextByte() {
  const int c = PeekByte();
  if (c < 0) Error("Read", "Unexpected end of XML data");
  ++m_index;
  return c;
}

void TAdvXMLParser::SkipWhitespace() {
  while (IsXmlSpace(PeekByte())) ++m_index;
}

void TAdvXMLParser::Consume(char token) {
  const int c = PeekByte();
  if (c != static_cast<unsigned char>(token))
    Error("Consume", std::string("Expected token '") + token + "' but found '" +
                         (c < 0 ? std::string("end of data") : std::string(1, char(c))) + "'");
  ++m_index;
}

std::string TAdvXMLParser::ReadName() {
  std::string name;
  for (int c = PeekByte(); c >= 0 && !IsXmlSpace(c) && c != '<' && c != '>'; c = PeekByte()) {
    name += char(c);
    ++m_index;
  }
  return name;
}

const std::string& TAdvXMLParser::PeekName() {
  if (!m_held) {
    SkipWhitespace();
    Consume('<');
    if (PeekByte() == '!') {
      m_heldName.clear();
      for (int c = NextByte(); c != '>'; c = NextByte()) m_heldName += char(c);
      // the ">" stays for the tag consumer
      --m_index;
    } else {
      SkipWhitespace();
      m_heldName = ReadName();
    }
    m_held = true;
  }
  return m_heldName;
}

std::string TAdvXMLParser::ReadAttributes() {
  std::string className;
  SkipWhitespace();
  while (PeekByte() >= 0 && PeekByte() != '>') {
    std::string name;
    for (int c = PeekByte(); c >= 0 && !IsXmlSpace(c) && c != '=' && c != '>'; c = PeekByte()) {
      name += char(c);
      ++m_index;
    }
    SkipWhitespace();
    Consume('=');
    SkipWhitespace();
    Consume('"');
    std::string value;
    for (int c = NextByte(); c != '"'; c = NextByte()) value += char(c);
    SkipWhitespace();
    if (SameTextAscii(name, "classname")) className = XmlUnescape(value);
  }
  return className;
}

std::string TAdvXMLParser::ConsumeOpen(std::string_view expected) {
  const std::string name = PeekName();
  m_held = false;
  if (!SameTextAscii(name, expected))
    Error("ConsumeOpen", "Expected '" + std::string(expected) + "' but found '" + name + "'");
  std::string className;
  SkipWhitespace();
  if (PeekByte() != '>') className = ReadAttributes();
  Consume('>');
  return className;
}

void TAdvXMLParser::ConsumeClose(std::string_view expected) {
  std::string name;
  if (m_held) {
    // A held name is a close tag only when it starts with "/".
    name = m_heldName;
    m_held = false;
    if (name.empty() || name[0] != '/')
      Error("ConsumeClose", "Expected '/" + std::string(expected) + "' but found '" + name + "'");
    name.erase(0, 1);
  } else {
    SkipWhitespace();
    Consume('<');
    Consume('/');
    name = ReadName();
  }
  if (!SameTextAscii(name, expected))
    Error("ConsumeClose", "Expected '/" + std::string(expected) + "' but found '" + name + "'");
  SkipWhitespace();
  Consume('>');
}

std::string TAdvXMLParser::ReadContent() {
  std::string text;
  for (int c = PeekByte(); c >= 0 && c != '<' && c != '>'; c = PeekByte()) {
    text += char(c);
    ++m_index;
  }
  return text;
}

std::string TAdvXMLParser::ReadTextContent() {
  constexpr std::string_view kOpener = "<![CDATA[";
  std::string text;
  size_t matched = 0;
  while (matched < kOpener.size() && PeekByte() == static_cast<unsigned char>(kOpener[matched])) {
    text += kOpener[matched++];
    ++m_index;
  }
  if (matched == kOpener.size()) {
    text.clear();
    for (int c = NextByte(); c != '>'; c = NextByte()) text += char(c);
    if (text.size() >= 2) text.resize(text.size() - 2);  // the "]]" before ">"
    return XmlUnescape(text);
  }
  // Not a CDATA section: keep what matched of the opener plus the rest.
  if (matched > 0 && text.back() == '<') {
    // "<" alone starts the closing tag; give it back.
    --m_index;
    text.pop_back();
    return XmlUnescape(text);
  }
  text += ReadContent();
  return XmlUnescape(text);
}

// ---------------------------------------------------------------------------
// Reader

TAdvXMLReader::TAdvXMLReader() : m_parser(new TAdvXMLParser()) {}
TAdvXMLReader::~TAdvXMLReader() { m_parser->Release(); }

void TAdvXMLReader::SetStream(TAdvStream* stream) {
  TAdvReader::SetStream(stream);
  m_parser->SetStream(stream);
}

void TAdvXMLReader::Define(void* buffer, uint32_t count) { ReadBytes(buffer, count); }

TAdvFilerKind TAdvXMLReader::Peek() {
  const std::string& name = m_parser->PeekName();
  if (name.empty() || name[0] == '/') return TAdvFilerKind::End;
  return FilerKindByName(name);
}

void TAdvXMLReader::DefineBegin() {
  if (StartsWithItem(TakeFieldName(), true)) m_parser->ConsumeOpen("item");
}

void TAdvXMLReader::DefineEnd() {
  if (StartsWithItem(TakeFieldName(), true)) m_parser->ConsumeClose("item");
}

std::string TAdvXMLReader::ReadScalar(TAdvFilerKind kind) {
  TakeFieldName();
  std::string element = FilerKindName(kind);
  for (char& c : element) c = AsciiLower(c);
  m_parser->ConsumeOpen(element);
  std::string text = kind == TAdvFilerKind::String ? m_parser->ReadTextContent()
                                                   : m_parser->ReadContent();
  m_parser->ConsumeClose(element);
  return text;
}

int64_t TAdvXMLReader::ReadIntegerText(TAdvFilerKind kind, int64_t low, int64_t high) {
  const std::string text = ReadScalar(kind);
  int64_t value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  auto result = std::from_chars(first, last, value);
  if (result.ec != std::errc() || result.ptr != last || value < low || value > high)
    Error("Define" + FilerKindName(kind), "'" + text + "' is not a valid integer value");
  return value;
}

void TAdvXMLReader::DefineInteger(int32_t& value) {
  value = int32_t(ReadIntegerText(TAdvFilerKind::Integer, INT32_MIN, UINT32_MAX));
}
void TAdvXMLReader::DefineCardinal(uint32_t& value) {
  value = uint32_t(ReadIntegerText(TAdvFilerKind::Integer, INT32_MIN, UINT32_MAX));
}
void TAdvXMLReader::DefineInteger64(int64_t& value) {
  value = ReadIntegerText(TAdvFilerKind::Integer64, INT64_MIN, INT64_MAX);
}
void TAdvXMLReader::DefineInteger16(int16_t& value) {
  value = int16_t(uint16_t(ReadIntegerText(TAdvFilerKind::Integer16, INT16_MIN, UINT16_MAX)));
}
void TAdvXMLReader::DefineInteger8(int8_t& value) {
  value = int8_t(uint8_t(ReadIntegerText(TAdvFilerKind::Integer8, INT8_MIN, UINT16_MAX)));
}
void TAdvXMLReader::DefineEnumerated(uint8_t& value) {
  value = uint8_t(ReadIntegerText(TAdvFilerKind::Enumerated, 0, UINT16_MAX));
}

void TAdvXMLReader::DefineReal(double& value) {
  const std::string text = ReadScalar(TAdvFilerKind::Real);
  if (!XmlParseReal(text, value)) value = 0;
}

void TAdvXMLReader::DefineBoolean(bool& value) {
  value = SameTextAscii(ReadScalar(TAdvFilerKind::Boolean), "True");
}

void TAdvXMLReader::DefineCharacter(char& value) {
  const std::string text = ReadScalar(TAdvFilerKind::String);
  value = text.empty() ? '\0' : text[0];
}

void TAdvXMLReader::DefineShortString(std::string& value) {
  value = ReadScalar(TAdvFilerKind::String);
  if (value.size() > 255) value.resize(255);
}

void TAdvXMLReader::DefineString(std::string& value) { value = ReadScalar(TAdvFilerKind::String); }

void TAdvXMLReader::ReadHex(void* buffer, uint32_t size, TAdvFilerKind kind) {
  const std::string text = ReadScalar(kind);
  auto* bytes = static_cast<uint8_t*>(buffer);
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiUpper(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (uint32_t i = 0; i < size && size_t(i) * 2 + 1 < text.size(); ++i) {
    const int high = digit(text[size_t(i) * 2]);
    const int low = digit(text[size_t(i) * 2 + 1]);
    if (high < 0 || low < 0)
      Error("Define" + FilerKindName(kind), "Invalid hexadecimal text '" + text + "'");
    bytes[i] = uint8_t(high * 16 + low);
  }
}

void TAdvXMLReader::DefineBinary(void* buffer, uint32_t size) {
  ReadHex(buffer, size, TAdvFilerKind::Binary);
}

void TAdvXMLReader::DefineSet(void* buffer, uint32_t size) {
  ReadHex(buffer, size, TAdvFilerKind::Set);
}

void TAdvXMLReader::DefineClass(std::string& name) { name = m_parser->ConsumeOpen("object"); }

void TAdvXMLReader::DefineObject(TAdvObject*& reference, TAdvClass expected) {
  TakeFieldName();
  const TAdvFilerKind kind = Peek();
  if (kind == TAdvFilerKind::Object) {
    std::string name;
    DefineClass(name);
    reference = ResolveStoredObject(*this, reference, name, expected, true);
    AdvCast<TAdvPersistent>(reference)->Load(*this);
    m_parser->ConsumeClose("object");
  } else if (kind == TAdvFilerKind::Nil) {
    m_parser->ConsumeOpen("nil");
    TAdvObject::Release(reference);
    reference = nullptr;
    m_parser->ConsumeClose("nil");
  } else if (kind == TAdvFilerKind::Unknown) {
    // A damaged file must not read as an empty object.
    Error("DefineObject", "Unexpected element '" + m_parser->PeekName() + "'");
  }
}
