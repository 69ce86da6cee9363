#include "loaders/LogFormats.h"

#include "loaders/NcsaParser.h"
#include "loaders/SquidParser.h"
#include "loaders/W3cParser.h"
#include "monitor/Hits.h"
#include "monitor/Inputs.h"

ADV_CLASS_IMPL(TLogFileFormat, TFormat)

namespace {

// The open file's stream as a line source. The reader asks for exact
// ranges within the size the host listed, so a short file raises.
class TStreamSource final : public TLogSource {
 public:
  explicit TStreamSource(TStreamInput& file) : m_file(file) {}
  size_t ReadAt(int64_t offset, char* buffer, size_t size) override {
    TAdvAccessStream& stream = m_file.Stream();
    const int64_t available = stream.GetSize() - offset;
    if (available <= 0) return 0;
    if (int64_t(size) > available) size = size_t(available);
    stream.SetPosition(offset);
    stream.Read(buffer, uint32_t(size));
    return size;
  }

 private:
  TStreamInput& m_file;
};

}  // namespace

std::unique_ptr<TLogParser> NewLogParser(TDetectedFormat kind) {
  switch (kind) {
    case TDetectedFormat::Squid:
      return std::make_unique<TSquidParser>();
    case TDetectedFormat::Ncsa:
      return std::make_unique<TNcsaParser>();
    case TDetectedFormat::W3c:
      return std::make_unique<TW3cParser>();
    case TDetectedFormat::Unknown:
      break;
  }
  return nullptr;
}

void TLogFileFormat::Bind(TStreamInput& file, TDetectedFormat kind) {
  m_file = &file;
  if (kind != m_kind || !m_parser || file.Index() == 0) {
    m_kind = kind;
    m_parser = NewLogParser(kind);
    m_recovered = false;
  }
}

void TLogFileFormat::Begin() {
  m_waiting = false;
  m_reader.Reset();  // the file may have changed since the last pass
  if (m_parser) {
    m_parser->SetTimeOffset(TimeOffset());
    if (!m_recovered) Recover();
  }
}

void TLogFileFormat::End() {
  m_reader.Reset();
}

bool TLogFileFormat::HasMore() {
  return m_file && m_parser && !m_waiting && m_file->Index() < m_file->Count();
}

void TLogFileFormat::Recover() {
  m_recovered = true;
  auto* w3c = dynamic_cast<TW3cParser*>(m_parser.get());
  if (!w3c || w3c->ColumnCount() > 0 || m_file->Index() == 0) return;
  TStreamSource source(*m_file);
  TLogLine line;
  int64_t at = 0;
  auto scratch = AdvNew<TVexaHit>();
  while (at < m_file->Index()) {
    const TLineResult result = m_reader.Next(source, at, m_file->Index(), line);
    if (result == TLineResult::NeedMore) break;
    if (result == TLineResult::Line && !line.Text.empty() && line.Text.front() == '#') {
      w3c->Parse(line.Text, line.First, *scratch);
    }
    at = line.Next;
  }
  m_reader.Reset();
}

bool TLogFileFormat::Read(THit& hit) {
  if (!HasMore()) return false;
  TStreamSource source(*m_file);
  TLogLine line;
  switch (m_reader.Next(source, m_file->Index(), m_file->Count(), line)) {
    case TLineResult::NeedMore:
      m_waiting = true;
      return false;
    case TLineResult::TooLong:
      Error("Line too long for a log record");
      return false;  // not reached
    case TLineResult::Line:
      break;
  }
  switch (m_parser->Parse(line.Text, line.First, hit)) {
    case TParseResult::Hit:
      m_file->SetIndex(line.Next);
      m_file->AddHits(1);
      m_file->SetUsedSize(m_file->UsedSize() + (line.Next - line.First));
      return true;
    case TParseResult::Skip:
      m_file->SetIndex(line.Next);
      return false;
    case TParseResult::Error:
      break;
  }
  Error(m_parser->Message());
  return false;  // not reached: Error raises
}
