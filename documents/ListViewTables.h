// A list view presented as a document table, so that any view can be written
// as a report.
//
// TListViewSource is what a list (a detail view of the windows, or anything
// else that shows rows) offers: its columns with their captions, alignment
// and visibility, and its items' cell captions in mark-up (see
// MarkupText.h), in the order the list currently shows them. The source is
// only read, on the calling thread, while the table is being written.
//
// TListViewTable is a row cursor over such a source. Its cells are the
// captions as plain text (tags removed, entities decoded), and each column's
// Width is the widest of its header, its footer and every caption, in
// characters, so the plain-text renderer lines the columns up.
#pragma once

#include <cstdint>
#include <string>

#include "documents/AdvTables.h"

struct TListViewColumnInfo {
  uint8_t Alignment = TAdvColumn::kAlignLeft;  // 0 left, 1 right, 2 center
  std::string Header;
  std::string Footer;
  bool Visible = true;
};

class TListViewSource {
 public:
  virtual ~TListViewSource() = default;

  virtual int ColumnCount() const = 0;
  virtual TListViewColumnInfo ColumnInfo(int column) const = 0;
  virtual int ItemCount() const = 0;
  // The caption of one cell, in mark-up.
  virtual std::string Caption(int item, int column) const = 0;
};

class TListViewTable : public TAdvVirtualTable {
  ADV_CLASS(TListViewTable)

  TListViewTable() = default;
  // Takes the columns and the row count from the view, which is held (not
  // owned) and must outlive the table's use.
  explicit TListViewTable(const TListViewSource& view);

  const TListViewSource* View() const { return m_view; }
  // The caption of the current row's cell as plain text.
  std::string CellText(int column) override;

 protected:
  ~TListViewTable() override = default;

 private:
  const TListViewSource* m_view = nullptr;
};
