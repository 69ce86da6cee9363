// Diagnostic renderings of the Define protocol.
//
// TAdvTextWriter writes one indented line per value, "Name : Kind = value"
// (just "Kind = value" without a field name); begin and end markers are lines
// of their own and move the indentation by two spaces. TAdvLog sends every
// line to a handler instead of the stream when one is set; the tracking log
// writes its lines through it.
#pragma once

#include <functional>
#include <string>

#include "core/AdvBinaryFilers.h"

class TAdvTextWriter : public TAdvWriter {
  ADV_CLASS(TAdvTextWriter)
  using TAdvWriter::TAdvWriter;

  // The indentation, the text and CR LF.
  virtual void WriteLine(const std::string& text);

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

 protected:
  virtual void Emit(const std::string& line);

 private:
  void WriteValue(TAdvFilerKind kind, const std::string& value);

  int m_indent = 0;
};

class TAdvLog : public TAdvTextWriter {
  ADV_CLASS(TAdvLog)
  using TAdvTextWriter::TAdvTextWriter;
  using TLineHandler = std::function<void(const std::string&)>;

  void SetLineHandler(TLineHandler handler) { m_handler = std::move(handler); }

 protected:
  void Emit(const std::string& line) override;

 private:
  TLineHandler m_handler;
};
