// A loader for address tests, built into the test program: one hit per
// complete line "source destination" (split at the first blank), with
// Resource = the whole line. An incomplete last line waits.
#pragma once

#include <string>

#include "monitor/Hits.h"
#include "monitor/Inputs.h"
#include "monitor/Loaders.h"

namespace vexatest {

class TAddressLineFormat : public TFormat {
  ADV_CLASS(TAddressLineFormat)

  void SetInput(TStreamInput* input) { m_input = input; }
  void Begin() override {
    m_base = m_input->Index();
    m_text.assign(size_t(m_input->Count() - m_base), '\0');
    m_input->Stream().SetPosition(m_base);
    if (!m_text.empty()) m_input->Stream().Read(m_text.data(), uint32_t(m_text.size()));
  }
  bool HasMore() override { return m_input && m_input->Index() < m_input->Count(); }
  bool Read(THit& hit) override {
    const size_t from = size_t(m_input->Index() - m_base);
    const size_t end = m_text.find('\n', from);
    if (end == std::string::npos) return false;  // Index stays: the pass ends
    const std::string line = m_text.substr(from, end - from);
    m_input->SetIndex(m_base + int64_t(end) + 1);
    const size_t blank = line.find(' ');
    hit.Clear();
    hit.SetSource(line.substr(0, blank));
    hit.SetDestination(blank == std::string::npos ? std::string() : line.substr(blank + 1));
    hit.SetResource(line);
    return true;
  }

 protected:
  ~TAddressLineFormat() override = default;

 private:
  TStreamInput* m_input = nullptr;
  std::string m_text;
  int64_t m_base = 0;
};

class TAddressLineLoader : public TLoader {
  ADV_CLASS(TAddressLineLoader)

  TFormat* FormatFor(TInput& input) override {
    auto* stream = AdvCast<TStreamInput>(&input);
    if (!stream) return nullptr;
    m_format->SetInput(stream);
    return m_format.Get();
  }
  bool Supports(TAdvClass inputClass) const override { return true; }

 protected:
  ~TAddressLineLoader() override = default;

 private:
  TAdvRef<TAddressLineFormat> m_format = AdvNew<TAddressLineFormat>();
};

}  // namespace vexatest
