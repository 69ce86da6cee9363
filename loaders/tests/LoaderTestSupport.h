// Helpers for the parser tests: reading test data, running a parser over a
// whole text the way the loaders do, and expected local date-times.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "core/AdvDates.h"
#include "loaders/LineReader.h"
#include "loaders/LogParsers.h"
#include "monitor/Hits.h"

namespace loadertest {

std::string ReadData(const std::string& name);

// Bytes held in memory, read like a file.
class TTextSource final : public TLogSource {
 public:
  explicit TTextSource(std::string text) : m_text(std::move(text)) {}
  size_t ReadAt(int64_t offset, char* buffer, size_t size) override {
    if (offset >= int64_t(m_text.size())) return 0;
    const size_t n = std::min(size, m_text.size() - size_t(offset));
    std::memcpy(buffer, m_text.data() + offset, n);
    return n;
  }
  std::string& Text() { return m_text; }

 private:
  std::string m_text;
};

struct TParsed {
  std::vector<TAdvRef<TVexaHit>> Hits;
  struct TBad {
    int64_t First, Last;
    std::string Message;
  };
  std::vector<TBad> Errors;
  int64_t Index = 0;  // where reading stopped
};

// Reads every complete line from `index` on, as a loader does: hits are
// kept, skipped lines ignored, bad lines recorded and stepped over.
TParsed ParseText(TLogParser& parser, TTextSource& source, int64_t index = 0);
TParsed ParseText(TLogParser& parser, const std::string& text);

// The local date-time of a UTC instant given in seconds (+ milliseconds).
inline double LocalOf(int64_t unixSeconds, int64_t ms = 0) {
  return LocalDateTimeFromUtc(unixSeconds * 1000 + ms);
}

}  // namespace loadertest
