#include "documents/CSVs.h"

ADV_CLASS_IMPL(TAdvCSV, TAdvText)
ADV_CLASS_IMPL(TCSV, TAdvTextAdapter)

namespace {

bool IsBlank(char c) {
  return uint8_t(c) <= 32;
}

}  // namespace

std::string TAdvCSV::Quote(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      out += '\'';
    } else if (c == '\t') {
      out += ' ';
    } else if (c == '\r' || c == '\n') {
      // A break inside a quoted cell would split the record for every line
      // reader: each line is quoted on its own instead.
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\"\r\n\"";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void TAdvCSV::PageBreak() {
  WriteLine("");
  WriteLine("");
}

void TAdvCSV::Table(TAdvTable& table) {
  TAdvColumns& columns = table.Columns();
  std::vector<int> visible;
  for (int i = 0; i < columns.Count(); ++i)
    if (columns.GetItem(i)->Visible) visible.push_back(i);
  const auto line = [&](auto&& text) {
    std::string out;
    for (size_t k = 0; k < visible.size(); ++k) {
      if (k > 0) out += Separator;
      out += Quote(text(visible[k]));
    }
    WriteLine(out);
  };
  if (columns.ShowHeader) {
    WriteLine("");
    line([&](int column) { return columns.GetItem(column)->Header; });
  }
  for (table.First(); table.More(); table.Next())
    line([&](int column) { return table.CellText(column); });
  if (columns.ShowFooter) line([&](int column) { return columns.GetItem(column)->Footer; });
}

// ---------------------------------------------------------------------------

std::vector<std::string> SplitCsvLine(std::string_view line) {
  std::vector<std::string> cells;
  const size_t n = line.size();
  size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < n && IsBlank(line[i])) ++i;
  };
  skipBlanks();
  while (i < n) {
    std::string cell;
    if (line[i] == '"') {
      ++i;
      while (i < n) {
        if (line[i] == '"') {
          if (i + 1 < n && line[i + 1] == '"') {
            cell += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        cell += line[i++];
      }
    } else {
      const size_t start = i;
      while (i < n && line[i] != ',' && uint8_t(line[i]) >= 32) ++i;
      cell.assign(line.substr(start, i - start));
    }
    cells.push_back(std::move(cell));
    skipBlanks();
    if (i < n && line[i] == ',') {
      ++i;
      skipBlanks();
      // A separator with nothing after it ends the line with an empty cell.
      if (i >= n) cells.emplace_back();
    }
  }
  return cells;
}

TCSV::TCSV() {
  SetFoldsUtf8Pairs(false);
}

TCSV::TCSV(TAdvStream* stream) : TCSV() {
  TCSV::SetStream(stream);
}

void TCSV::SetStream(TAdvStream* stream) {
  TAdvTextAdapter::SetStream(stream);
  if (auto* access = AdvCast<TAdvAccessStream>(stream)) {
    Reset();
    SetLimit(access->GetSize());
    SetTextPosition(access->GetPosition());
  }
}

std::string TCSV::QuoteCell(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\r' || c == '\n') {
      // One record per line: a line break inside a cell travels as a blank.
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += ' ';
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void TCSV::WriteCells(std::initializer_list<std::string_view> texts) {
  std::string line;
  for (std::string_view text : texts) {
    if (!line.empty()) line += ',';
    line += QuoteCell(text);
  }
  WriteLine(line);
}

void TCSV::WriteCells(const std::vector<std::string>& texts) {
  std::string line;
  for (size_t k = 0; k < texts.size(); ++k) {
    if (k > 0) line += ',';
    line += QuoteCell(texts[k]);
  }
  WriteLine(line);
}

void TCSV::WriteNameAndList(std::string_view text, const TAdvStrings& list) {
  std::string line = QuoteCell(text);
  for (int i = 0; i < list.Count(); ++i) line += "," + QuoteCell(list.GetItem(i));
  WriteLine(line);
}

void TCSV::WriteList(const TAdvStrings& list) {
  std::string line;
  for (int i = 0; i < list.Count(); ++i) {
    if (i > 0) line += ',';
    line += QuoteCell(list.GetItem(i));
  }
  WriteLine(line);
}

void TCSV::WriteCell(std::string_view text) {
  WriteLine(QuoteCell(text));
}

void TCSV::ReadList(TAdvStrings& list) {
  for (std::string& cell : SplitCsvLine(ReadLine())) list.Add(std::move(cell));
}

std::string TCSV::ReadCell() {
  std::vector<std::string> cells = SplitCsvLine(ReadLine());
  return cells.empty() ? std::string() : std::move(cells.front());
}
