// The table model documents write: a description of the columns and a
// forward-only row cursor that yields each cell's text on demand, so that a
// renderer never holds a whole table in memory.
//
// A renderer calls First, then while More: CellText for each visible column
// and Next. TAdvTable is a table without rows; TAdvVirtualTable walks
// RowCount rows that live elsewhere and asks a callback for each cell, with
// RowClass alternating "RowEven" (row 0) and "RowOdd".
//
// Thread safety: one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/AdvLists.h"

class TAdvColumn : public TAdvObject {
  ADV_CLASS(TAdvColumn)

  enum : uint8_t { kAlignLeft = 0, kAlignRight = 1, kAlignCenter = 2 };

  TAdvColumn() = default;

  uint8_t Alignment = kAlignLeft;
  std::string Header;
  std::string Footer;
  // Invisible columns are skipped by every renderer.
  bool Visible = true;
  // Plain text: a number of characters; HTML: a width attribute ("25%").
  std::string Width;

  void Assign(const TAdvObject& source) override;

 protected:
  ~TAdvColumn() override = default;
};

class TAdvColumns : public TAdvList {
  ADV_CLASS(TAdvColumns)

  TAdvColumns() = default;

  TAdvColumn* GetItem(int index) const { return ItemAs<TAdvColumn>(index); }
  TAdvClass ItemClass() const override { return &TAdvColumn::ClassInfo; }
  void Assign(const TAdvObject& source) override;

  std::string TableWidth = "100%";
  bool ShowHeader = true;
  bool ShowFooter = true;

  // Every column's Width := 100 div Count, as a percentage.
  virtual void SetEqualWidths();
  // Appends a new column and returns it (the list owns it).
  virtual TAdvColumn* AddColumn();
  // The column at `index`, appending invisible columns until it exists.
  virtual TAdvColumn* ColumnAt(int index);
  // The last column whose Header equals `header` ignoring ASCII case; -1.
  virtual int IndexByHeader(std::string_view header) const;
  virtual int VisibleCount() const;

 protected:
  ~TAdvColumns() override = default;
};

class TAdvTable : public TAdvObject {
  ADV_CLASS(TAdvTable)

  TAdvTable();

  TAdvColumns& Columns() const { return *m_columns; }
  const std::string& RowClass() const { return m_rowClass; }
  void SetRowClass(std::string rowClass) { m_rowClass = std::move(rowClass); }

  virtual double NumberAt(int column) { return 0; }
  // FormatNumber of NumberAt in the base.
  virtual std::string CellText(int column);
  // Adds or removes columns at the end until there are `count`.
  virtual void SetColumnCount(int count);
  virtual void First() {}
  virtual void Next() {}
  virtual bool More() { return false; }
  // The shortest general form, 15 significant digits.
  virtual std::string FormatNumber(int column, double value);

 protected:
  ~TAdvTable() override = default;

 private:
  TAdvRef<TAdvColumns> m_columns;
  std::string m_rowClass;
};

class TAdvVirtualTable : public TAdvTable {
  ADV_CLASS(TAdvVirtualTable)

  // table, column index, row index -> the cell's text
  using TCellTextEvent = std::function<std::string(TAdvTable& table, int column, int row)>;

  TAdvVirtualTable() = default;

  const TCellTextEvent& OnCellText() const { return m_onCellText; }
  void SetOnCellText(TCellTextEvent event) { m_onCellText = std::move(event); }
  int RowCount() const { return m_rowCount; }
  void SetRowCount(int count) { m_rowCount = count; }
  int Row() const { return m_row; }

  // The callback's text for the current row; empty without a callback.
  std::string CellText(int column) override;
  void First() override;
  void Next() override;
  bool More() override { return m_row < m_rowCount; }

 protected:
  ~TAdvVirtualTable() override = default;

 private:
  void SetRow(int row);

  TCellTextEvent m_onCellText;
  int m_rowCount = 0;
  int m_row = 0;
};
