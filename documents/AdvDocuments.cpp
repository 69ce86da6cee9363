#include "documents/AdvDocuments.h"

#include <vector>

#include "core/AdvNumbers.h"
#include "core/AdvShell.h"
#include "core/AdvTexts.h"

ADV_ABSTRACT_CLASS_IMPL(TAdvDocument, TAdvObject)
ADV_CLASS_IMPL(TAdvText, TAdvDocument)

TAdvDocument& TAdvDocument::SetStyle(std::string_view name) {
  m_style = name;
  return *this;
}

std::string TAdvDocument::TakeStyleName() {
  return std::exchange(m_style, {});
}

std::string TAdvDocument::TakeStyle() {
  return TakeStyleName();
}

std::string TAdvDocument::FullFileName() const {
  return m_folder ? m_folder->FullPath(m_fileName) : m_fileName;
}

bool TAdvDocument::View() {
  return ShellOpen(FullFileName());
}

// ---------------------------------------------------------------------------

TAdvText::~TAdvText() {
  // Never closed: the new file is not kept.
  try {
    Abandon();
  } catch (...) {
    // Dropping a file reports nothing worth raising from a destructor.
  }
}

void TAdvText::Open() {
  auto file = AdvNew<TAfsFile>(Folder(), FileName());
  file->Open(TAfsVolume::kModeCreate, TAfsVolume::kShareRead);
  m_cache = AdvNew<TAdvCacheAdapter>(file->Stream(), kCacheSize);
  m_file = std::move(file);
  SetActive(true);
}

TAdvCacheAdapter& TAdvText::Output() {
  if (!m_cache) Error("Write", "Document is not open");
  return *m_cache;
}

void TAdvText::Flush() {
  if (m_cache) m_cache->Flush();
}

void TAdvText::Abandon() {
  if (m_cache) {
    // The bytes still cached belong to a file that is being dropped.
    m_cache->SetStream(nullptr);
    m_cache.Reset();
  }
  if (m_file) m_file->Discard();
  m_file.Reset();
  SetActive(false);
}

void TAdvText::Close() {
  if (!m_file) {
    SetActive(false);
    return;
  }
  try {
    m_cache->Flush();
    m_cache.Reset();
    m_file->Close();
    m_file.Reset();
  } catch (...) {
    Abandon();
    throw;
  }
  SetActive(false);
}

void TAdvText::DeleteFile() {
  if (!Folder()) Error("DeleteFile", "AFS volume not assigned.");
  Folder()->DeleteFile(FileName());
}

void TAdvText::Write(std::string_view text) {
  Output().Write(text.data(), uint32_t(text.size()));
}

void TAdvText::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

void TAdvText::Paragraph(std::string_view text) {
  Text(text);
  WriteLine("");
}

void TAdvText::Image(const std::string& path) {
  WriteLine("Image <" + path + ">");
}

void TAdvText::Link(std::string_view text, std::string_view url, std::string_view anchor) {
  WriteLine(std::string(text) + " <" + std::string(url) + ">");
}

void TAdvText::PageBreak() {
  WriteLine("\r\n-- Page --?");
}

void TAdvText::OpenSection(std::string_view text, bool expandable) {
  PageBreak();
  Paragraph(text);
}

namespace {

// " " + the text aligned in `width` + " "; a longer text is written whole.
std::string PlainCell(const std::string& text, int32_t width, uint8_t alignment) {
  const int32_t room = width - int32_t(text.size());
  std::string cell = " ";
  if (room <= 0) {
    cell += text;
  } else if (alignment == TAdvColumn::kAlignRight) {
    cell += RepeatChar(' ', room) + text;
  } else if (alignment == TAdvColumn::kAlignCenter) {
    cell += RepeatChar(' ', room / 2) + text + RepeatChar(' ', room - room / 2);
  } else {
    cell += text + RepeatChar(' ', room);
  }
  return cell + " ";
}

}  // namespace

void TAdvText::Table(TAdvTable& table) {
  TAdvColumns& columns = table.Columns();
  std::vector<int> visible;
  std::vector<int32_t> widths;
  int32_t total = 0;
  for (int i = 0; i < columns.Count(); ++i) {
    const TAdvColumn& column = *columns.GetItem(i);
    if (!column.Visible) continue;
    visible.push_back(i);
    widths.push_back(std::max(0, ParseInteger(column.Width, 0)));
    total += widths.back() + 2;
  }
  const std::string rule = RepeatChar('-', total);
  const auto captions = [&](bool header) {
    for (size_t k = 0; k < visible.size(); ++k) {
      const TAdvColumn& column = *columns.GetItem(visible[k]);
      Write(PlainCell(header ? column.Header : column.Footer, widths[k], column.Alignment));
    }
    WriteLine("");
  };
  if (columns.ShowHeader) {
    WriteLine(rule);
    captions(true);
    WriteLine(rule);
  }
  for (table.First(); table.More(); table.Next()) {
    for (size_t k = 0; k < visible.size(); ++k)
      Write(
          PlainCell(table.CellText(visible[k]), widths[k], columns.GetItem(visible[k])->Alignment));
    WriteLine("");
  }
  if (columns.ShowFooter) {
    WriteLine(rule);
    captions(false);
    WriteLine(rule);
  }
}
