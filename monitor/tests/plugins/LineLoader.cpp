// A test loader: one hit per complete line of a file, Resource = the line's
// text (cut), Position = the line's offset. An incomplete last line is left
// for a later pass. A line starting with "BAD" is refused with a format
// error, and "SKIP" lines are consumed without a hit.
#include <cstring>
#include <string>

#include "monitor/Hits.h"
#include "monitor/Inputs.h"
#include "monitor/Loaders.h"

VEXA_LOADER_MODULE("Varnex Loader 4.3", 1, 0, 0, 0)

namespace {

class TLineFormat : public TFormat {
  ADV_CLASS(TLineFormat)

  void SetInput(TStreamInput* input) { m_input = input; }
  void Begin() override { m_buffer.clear(); }
  bool HasMore() override { return m_input && m_input->Index() < m_input->Count(); }

  bool Read(THit& hit) override {
    int64_t index = m_input->Index();
    if (!Fill(index)) return false;  // no complete line yet
    size_t from = size_t(index - m_start);
    const char* base = m_buffer.data() + from;
    const char* nl = static_cast<const char*>(std::memchr(base, '\n', m_buffer.size() - from));
    std::string_view line(base, size_t(nl - base));
    if (line.substr(0, 3) == "BAD") Error("Bad record");
    m_input->SetIndex(index + int64_t(line.size()) + 1);
    if (line.substr(0, 4) == "SKIP") return false;
    hit.Clear();
    hit.SetResource(line);
    hit.SetPosition(index);
    m_input->AddHits(1);
    return true;
  }

 protected:
  ~TLineFormat() override = default;

 private:
  // Makes the buffer hold a complete line at `index`; false when the file
  // has none there yet.
  bool Fill(int64_t index) {
    if (index >= m_start && index < m_start + int64_t(m_buffer.size()) &&
        std::memchr(m_buffer.data() + (index - m_start), '\n',
                    m_buffer.size() - size_t(index - m_start)))
      return true;
    int64_t available = m_input->Count() - index;
    if (available <= 0) return false;
    uint32_t want = uint32_t(std::min<int64_t>(available, 65536));
    m_buffer.resize(want);
    m_input->Stream().SetPosition(index);
    m_input->Stream().Read(m_buffer.data(), want);
    m_start = index;
    return std::memchr(m_buffer.data(), '\n', want) != nullptr;
  }

  TStreamInput* m_input = nullptr;
  std::string m_buffer;
  int64_t m_start = 0;
};

ADV_CLASS_IMPL(TLineFormat, TFormat)

class TLineLoader : public TLoader {
  ADV_CLASS(TLineLoader)

  TFormat* FormatFor(TInput& input) override {
    auto* stream = AdvCast<TStreamInput>(&input);
    if (!stream) return nullptr;
    TFormat* format = m_formats->FormatByName(input.Name());
    if (!format) {
      format = new TLineFormat();
      m_formats->SetFormat(input.Name(), format);
    }
    static_cast<TLineFormat*>(format)->SetInput(stream);
    return format;
  }
  std::string Name() const override { return "Line"; }
  bool Supports(TAdvClass inputClass) const override {
    return inputClass && inputClass->InheritsFrom(&TStreamInput::ClassInfo);
  }

 protected:
  ~TLineLoader() override = default;

 private:
  TAdvRef<TFormatHash> m_formats = AdvNew<TFormatHash>();
};

ADV_CLASS_IMPL(TLineLoader, TLoader)

}  // namespace

VEXA_LOADER_EXPORT TLoaderClasses* Loaders() {
  try {
    TAdvRef<TLoaderClasses> classes = AdvNew<TLoaderClasses>();
    classes->Add(&TLineLoader::ClassInfo);
    return classes.Detach();
  } catch (...) {
    return nullptr;
  }
}
