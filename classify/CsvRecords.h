// Comma-separated import and export of the alias tables and the profiles.
//
// Cells are written in double quotes with inner quotes doubled, so commas,
// quotes, leading and trailing blanks and line breaks inside a cell survive
// the round trip. Reading follows the usual rules of this program's CSV
// lines: blanks (bytes 1..32) before a cell are skipped; a quoted cell runs
// to its closing quote (a doubled quote is one quote) and may span lines; an
// unquoted cell runs to the next comma or the next byte below a space; a
// comma that ends its line adds an empty cell; an empty line has no cells.
// A quoted cell that never closes is refused with an error naming its line.
//
// Alias records are one line each: the alias name, then its patterns.
// Profile records are four lines: the name (first cell), the description
// (first cell), the include keywords (all cells), the exclude keywords.
//
// An import reads and checks the whole file before it changes the table; a
// file that cannot be read or parsed leaves the table as it was. Records and
// patterns that cannot be taken (a blank name, an invalid mask) are left out
// and reported in the returned lines; blank cells are skipped silently.
//
// Thread safety: none; tables belong to the main thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TAliases;
class TProfiles;

// `text` in double quotes with every inner double quote doubled.
std::string CsvQuoteCell(std::string_view text);
// The cells quoted and joined by ","; no line end. No cells: an empty text.
std::string CsvLine(const std::vector<std::string>& cells);
// Every line of a CSV text as its cells. Raises EAdvanced for a quoted cell
// that is not closed. A UTF-8 byte-order mark at the start is skipped.
std::vector<std::vector<std::string>> CsvParse(std::string_view text);

// One record per alias: the name followed by its patterns. Written
// atomically.
void ExportAliasesCSV(const TAliases& table, const std::string& fileName);
// Without `merge` the table is emptied first. A record whose alias exists
// adds its patterns to it. Sets Editing for the duration, notifies once and
// rebuilds the table's index (the caller rebuilds THosts).
std::vector<std::string> ImportAliasesCSV(TAliases& table, const std::string& fileName, bool merge);

void ExportProfilesCSV(const TProfiles& profiles, const std::string& fileName);
// Without `merge` the list is emptied first. An existing profile of the name
// (ignoring ASCII case) takes the name as the file writes it, keeps its own
// description when it has one, and gets the keywords added. A record that
// ends after its name is ignored. Sets Editing for the duration; ends with
// one NotifyChanged.
std::vector<std::string> ImportProfilesCSV(TProfiles& profiles, const std::string& fileName,
                                           bool merge);
