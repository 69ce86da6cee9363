// The XML representation of the Define protocol, used by every configuration
// file. One element per line, indented two spaces per level, no prolog:
//
//   <object name="List" classname="TAdvList">
//     <boolean name="Sorted">False</boolean>
//       <item name="Item[0]">
//         <object name="Object" classname="TAlias">
//           <string name="Name"><![CDATA[a &lt;b&gt;]]></string>
//
// Values are matched by position and element name, never by the name
// attribute. Texts escape only "&", "<" and ">".
#pragma once

#include <string>

#include "core/AdvBinaryFilers.h"

class TAdvXMLWriter : public TAdvWriter {
  ADV_CLASS(TAdvXMLWriter)
  using TAdvWriter::TAdvWriter;

  void Define(void* buffer, uint32_t count) override;
  void DefineValue(TAdvFilerKind kind) override {}
  void DefineBegin() override;
  void DefineEnd() override;
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
  void DefineClass(std::string& name) override {}
  void DefineObject(TAdvObject*& reference, TAdvClass expected = nullptr) override;

 private:
  void WriteLine(const std::string& element);
  void WriteScalar(const char* element, const std::string& text);
  void WriteText(const std::string& text);

  int m_level = 0;
};

// Reads the stream with one byte of look-ahead and one held tag name. Bytes
// are taken from the stream in blocks when it can tell how many are left.
class TAdvXMLParser : public TAdvObject {
  ADV_CLASS(TAdvXMLParser)
  ADV_RAISES(EAdvStream)

  void SetStream(TAdvStream* stream);
  // Skips whitespace, then "<" and the tag name (or uses the held name);
  // raises unless the name is `expected` (ASCII case-insensitive).
  // Returns the attributes' "classname" value (empty when absent).
  std::string ConsumeOpen(std::string_view expected);
  void ConsumeClose(std::string_view expected);
  // Text content up to the next "<" or ">", unchanged.
  std::string ReadContent();
  // Text content of a string element: CDATA unwrapped, entities decoded.
  std::string ReadTextContent();
  // The held (or newly read) tag name without consuming it.
  const std::string& PeekName();

 private:
  int PeekByte();  // -1 at the end of the stream
  int NextByte();  // raises at the end of the stream
  void Fill();
  void SkipWhitespace();
  void Consume(char token);
  std::string ReadName();
  std::string ReadAttributes();

  TAdvStream* m_stream = nullptr;
  std::string m_buffer;
  size_t m_index = 0;
  bool m_ended = false;
  bool m_held = false;
  std::string m_heldName;
};

class TAdvXMLReader : public TAdvReader {
  ADV_CLASS(TAdvXMLReader)
  TAdvXMLReader();
  ~TAdvXMLReader() override;

  void SetStream(TAdvStream* stream) override;
  void Define(void* buffer, uint32_t count) override;
  void DefineValue(TAdvFilerKind kind) override {}
  void DefineBegin() override;
  void DefineEnd() override;
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

 private:
  std::string ReadScalar(TAdvFilerKind kind);
  int64_t ReadIntegerText(TAdvFilerKind kind, int64_t low, int64_t high);
  void ReadHex(void* buffer, uint32_t size, TAdvFilerKind kind);

  TAdvXMLParser* m_parser;  // owned
};

// "&" -> "&amp;", "<" -> "&lt;", ">" -> "&gt;"; nothing else.
std::string XmlEscape(std::string_view text);
// "&lt;" -> "<", then "&gt;" -> ">", then "&amp;" -> "&".
std::string XmlUnescape(std::string_view text);
// Shortest general decimal text of a double with up to 15 significant digits.
std::string XmlRealText(double value);
// Digits, one "." or "," separator, digits; an optional sign and exponent are
// accepted as well. False for anything else.
bool XmlParseReal(std::string_view text, double& value);
