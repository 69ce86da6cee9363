#include "loaders/LogDetect.h"

#include "loaders/LogText.h"
#include "loaders/NcsaParser.h"

using namespace logtext;

size_t ByteOrderMarkLength(std::string_view text) {
  return text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

namespace {

// "1796855800.456 <elapsed> <client> CODE/status ..."
bool LooksLikeSquid(std::string_view line) {
  std::string_view f[10];
  if (SplitBlanks(line, f, 10) < 10) return false;
  const size_t dot = f[0].find('.');
  uint64_t value = 0;
  return dot != std::string_view::npos && ParseUnsigned(f[0].substr(0, dot), value) &&
         ParseUnsigned(f[1], value) && f[3].find('/') != std::string_view::npos;
}

// "host ident user [dd/Mon/yyyy:hh:mm:ss +zzzz] ..."
bool LooksLikeNcsa(std::string_view line) {
  const size_t open = line.find('[');
  if (open == std::string_view::npos || line.size() < open + 28 || line[open + 27] != ']') {
    return false;
  }
  int64_t ms = 0;
  return ParseNcsaTime(line.substr(open + 1, 26), ms);
}

}  // namespace

TDetectedFormat DetectLogFormat(std::string_view head) {
  head.remove_prefix(ByteOrderMarkLength(head));
  // Look at up to the first ten complete lines: blank lines say nothing.
  for (int lines = 0; lines < 10; ++lines) {
    const size_t end = head.find('\n');
    if (end == std::string_view::npos) return TDetectedFormat::Unknown;
    const std::string_view line = StripCr(head.substr(0, end));
    head.remove_prefix(end + 1);
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (first == line.size()) continue;
    if (line[first] == '#') return TDetectedFormat::W3c;
    if (LooksLikeSquid(line)) return TDetectedFormat::Squid;
    if (LooksLikeNcsa(line)) return TDetectedFormat::Ncsa;
    return TDetectedFormat::Unknown;
  }
  return TDetectedFormat::Unknown;
}
