#include "classify/CsvRecords.h"

#include "classify/Aliases.h"
#include "classify/Profiles.h"
#include "core/AdvFiles.h"

namespace {

// CSV files are typed or exported by people; anything larger is not one.
constexpr int64_t kMaxCsvBytes = 64 * 1024 * 1024;

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}
// Blanks skipped around cells; a NUL counts as one so that it cannot stall
// the reader.
bool IsBlank(char c) {
  return uint8_t(c) <= 32 && !IsLineEnd(c);
}

std::string ReadWholeFile(const std::string& fileName, const TAdvObject& owner) {
  TAdvRef<TAdvFile> file(new TAdvFile(fileName, TAdvFile::kNormalAttributes, 3, 0));
  const int64_t size = file->GetSize();
  if (size > kMaxCsvBytes)
    owner.Error("ImportCSV", "'" + fileName + "' is too large for a CSV import");
  std::string text(size_t(size), '\0');
  if (size > 0) file->Read(text.data(), uint32_t(size));
  return text;
}

void WriteLines(const std::string& fileName, const std::vector<std::string>& lines) {
  AdvSaveFileAtomically(fileName, [&](TAdvStream& stream) {
    for (const std::string& line : lines) {
      stream.Write(line.data(), uint32_t(line.size()));
      stream.Write("\r\n", 2);
    }
  });
}

std::vector<std::string> ListCells(const TAdvStrings& list) {
  std::vector<std::string> cells;
  for (int i = 0; i < list.Count(); ++i) cells.push_back(list.GetItem(i));
  return cells;
}

// Editing is set for an import's duration and put back however it ends; the
// changes notify once, at Finish.
template <class Table>
class TEditingScope {
 public:
  explicit TEditingScope(Table& table) : m_table(table), m_was(table.Editing()) {
    m_table.SetEditing(true);
    m_table.BeginChanges();
    m_table.NotifyChanged();  // inside the batch: noted for Finish
  }
  // The change handler's errors (writing the shared files) reach the caller.
  void Finish() {
    m_finished = true;
    m_table.SetEditing(m_was);
    m_table.EndChanges();
  }
  ~TEditingScope() {
    if (m_finished) return;
    m_table.SetEditing(m_was);
    try {
      m_table.EndChanges();
    } catch (...) {
      // Already unwinding from the import's own error, which is the one to
      // report.
    }
  }
  TEditingScope(const TEditingScope&) = delete;
  TEditingScope& operator=(const TEditingScope&) = delete;

 private:
  Table& m_table;
  bool m_was;
  bool m_finished = false;
};

}  // namespace

std::string CsvQuoteCell(std::string_view text) {
  std::string cell = "\"";
  for (char c : text) {
    if (c == '"') cell += '"';
    cell += c;
  }
  cell += '"';
  return cell;
}

std::string CsvLine(const std::vector<std::string>& cells) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) line += ',';
    line += CsvQuoteCell(cells[i]);
  }
  return line;
}

std::vector<std::vector<std::string>> CsvParse(std::string_view text) {
  std::vector<std::vector<std::string>> lines;
  size_t at = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  const size_t end = text.size();
  int lineNumber = 1;
  auto skipBlanks = [&] {
    while (at < end && IsBlank(text[at])) ++at;
  };
  while (at < end) {
    std::vector<std::string> cells;
    skipBlanks();
    while (at < end && !IsLineEnd(text[at])) {
      std::string cell;
      if (text[at] == '"') {
        const int opened = lineNumber;
        ++at;
        for (;;) {
          if (at >= end)
            throw EAdvanced("The quoted cell that begins on line " + std::to_string(opened) +
                            " is not closed");
          const char c = text[at++];
          if (c == '"') {
            if (at < end && text[at] == '"') {
              cell += '"';
              ++at;
              continue;
            }
            break;
          }
          if (c == '\n') ++lineNumber;
          cell += c;
        }
      } else {
        while (at < end && text[at] != ',' && uint8_t(text[at]) >= 32) cell += text[at++];
      }
      cells.push_back(std::move(cell));
      skipBlanks();
      if (at < end && text[at] == ',') {
        ++at;
        if (at >= end || IsLineEnd(text[at])) cells.emplace_back();
        skipBlanks();
      }
    }
    if (at < end) {
      at += text[at] == '\r' && at + 1 < end && text[at + 1] == '\n' ? 2 : 1;
      ++lineNumber;
    }
    lines.push_back(std::move(cells));
  }
  return lines;
}

// ---------------------------------------------------------------------------
// Aliases

void ExportAliasesCSV(const TAliases& table, const std::string& fileName) {
  std::vector<std::string> lines;
  for (int i = 0; i < table.Count(); ++i) {
    const TAlias* alias = table.Alias(i);
    std::vector<std::string> cells{alias->Name()};
    for (int p = 0; p < alias->Count(); ++p) cells.push_back(alias->GetItem(p));
    lines.push_back(CsvLine(cells));
  }
  WriteLines(fileName, lines);
}

std::vector<std::string> ImportAliasesCSV(TAliases& table, const std::string& fileName,
                                          bool merge) {
  const auto lines = CsvParse(ReadWholeFile(fileName, table));
  std::vector<std::string> problems;
  {
    TEditingScope<TAliases> editing(table);
    if (!merge) table.Clear();
    for (size_t n = 0; n < lines.size(); ++n) {
      const auto& cells = lines[n];
      if (cells.empty()) continue;
      if (IsBlankText(cells[0])) {
        problems.push_back("Line " + std::to_string(n + 1) + ": skipped a record without a name");
        continue;
      }
      TAlias* alias = table.FindOrAddAlias(cells[0]);
      for (size_t p = 1; p < cells.size(); ++p) {
        try {
          alias->Add(cells[p]);
        } catch (const EAdvanced& e) {
          problems.push_back("Line " + std::to_string(n + 1) + ": skipped the pattern '" +
                             cells[p] + "' of '" + alias->Name() + "': " + e.BareMessage());
        }
      }
    }
    editing.Finish();
  }
  table.Reindex();
  return problems;
}

// ---------------------------------------------------------------------------
// Profiles

void ExportProfilesCSV(const TProfiles& profiles, const std::string& fileName) {
  std::vector<std::string> lines;
  for (int i = 0; i < profiles.Count(); ++i) {
    const TProfile* profile = profiles.Profile(i);
    lines.push_back(CsvQuoteCell(profile->Name()));
    lines.push_back(CsvQuoteCell(profile->Description()));
    lines.push_back(CsvLine(ListCells(profile->Includes())));
    lines.push_back(CsvLine(ListCells(profile->Excludes())));
  }
  WriteLines(fileName, lines);
}

std::vector<std::string> ImportProfilesCSV(TProfiles& profiles, const std::string& fileName,
                                           bool merge) {
  const auto lines = CsvParse(ReadWholeFile(fileName, profiles));
  std::vector<std::string> problems;
  TEditingScope<TProfiles> editing(profiles);
  if (!merge) profiles.Clear();
  size_t n = 0;
  while (n < lines.size()) {
    if (lines[n].empty()) {  // blank lines between records
      ++n;
      continue;
    }
    const size_t first = n;
    const std::string name = lines[n++][0];
    if (n >= lines.size()) break;  // a record that ends after its name
    const auto cellsOf = [&](size_t line) {
      return line < lines.size() ? lines[line] : std::vector<std::string>();
    };
    const auto description = cellsOf(n);
    const auto includes = cellsOf(n + 1);
    const auto excludes = cellsOf(n + 2);
    n += 3;
    if (IsBlankText(name)) {
      problems.push_back("Line " + std::to_string(first + 1) +
                         ": skipped a profile without a name");
      continue;
    }
    TProfile* profile = profiles.ProfileByName(name);
    if (!profile) {
      profile = AdvNew<TProfile>(name).Detach();
      profiles.Add(profile);  // the list owns it from here
    } else {
      profile->SetName(name);
    }
    if (profile->Description().empty() && !description.empty())
      profile->SetDescription(description[0]);
    for (const std::string& keyword : includes) profile->AddInclude(keyword);
    for (const std::string& keyword : excludes) profile->AddExclude(keyword);
  }
  editing.Finish();
  return problems;
}
