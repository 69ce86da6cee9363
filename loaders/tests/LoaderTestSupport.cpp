#include "loaders/tests/LoaderTestSupport.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "testing/TestEnvironment.h"

namespace loadertest {

std::string ReadData(const std::string& name) {
  // Beside this source file (CMake compiles it by its full path); the
  // environment's source folder when the compiler was given a relative one.
  std::string here = __FILE__;
  const size_t slash = here.rfind('/');
  const std::string folder = slash != std::string::npos && here.front() == '/'
                                 ? here.substr(0, slash)
                                 : vexatest::SourceDir() + "/loaders/tests";
  const std::string path = folder + "/data/" + name;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing test data " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TParsed ParseText(TLogParser& parser, TTextSource& source, int64_t index) {
  TParsed parsed;
  TLineReader reader(512);
  const int64_t limit = int64_t(source.Text().size());
  TLogLine line;
  for (;;) {
    const TLineResult result = reader.Next(source, index, limit, line);
    if (result == TLineResult::NeedMore) break;
    if (result == TLineResult::TooLong) {
      parsed.Errors.push_back({line.First, line.Last, "too long"});
      index = line.Next;
      continue;
    }
    auto hit = AdvNew<TVexaHit>();
    switch (parser.Parse(line.Text, line.First, *hit)) {
      case TParseResult::Hit:
        parsed.Hits.push_back(hit);
        break;
      case TParseResult::Skip:
        break;
      case TParseResult::Error:
        parsed.Errors.push_back({line.First, line.Last, parser.Message()});
        break;
    }
    index = line.Next;
  }
  parsed.Index = index;
  return parsed;
}

TParsed ParseText(TLogParser& parser, const std::string& text) {
  TTextSource source(text);
  return ParseText(parser, source);
}

}  // namespace loadertest
