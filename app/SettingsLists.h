// The remembered layout kept in the settings: window geometry by window name
// (TVexaPosition), list columns by list name (TVexaGrid with its
// TVexaColumns), and guide panels or status-window groups by name
// (TVexaDock). Each list is a TAdvNamedList searched by name, ASCII case
// ignored; ByName finds an entry or adds an empty one.
//
// Thread safety: none; the settings belong to the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvLists.h"

class TVexaPosition : public TAdvNamed {
  ADV_CLASS(TVexaPosition)
  using TAdvNamed::TAdvNamed;

  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool Maximised = false;

  int32_t Right() const { return Left + Width; }
  int32_t Bottom() const { return Top + Height; }

  void Assign(const TAdvObject& source) override;
  // Name, "Left", "Top", "Width", "Height", "Maximised".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TVexaPosition() override = default;
};

class TVexaPositions : public TAdvNamedList {
  ADV_CLASS(TVexaPositions)

  TAdvClass ItemClass() const override { return &TVexaPosition::ClassInfo; }
  TVexaPosition* Find(std::string_view name) const {
    return static_cast<TVexaPosition*>(GetByName(name));
  }
  // The entry of this name, added (all zero) when missing.
  TVexaPosition* ByName(std::string_view name);

 protected:
  ~TVexaPositions() override = default;
};

class TVexaColumn : public TAdvNamed {
  ADV_CLASS(TVexaColumn)
  using TAdvNamed::TAdvNamed;

  int32_t Width = 0;

  void Assign(const TAdvObject& source) override;
  // Name (the column caption), "Width".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TVexaColumn() override = default;
};

// The columns of one list and its sort column. Stored as the entries, then
// "Sorted" (the caption of the sort column) and "Direction" (1 ascending,
// -1 descending, 0 unsorted).
class TVexaColumns : public TAdvNamedList {
  ADV_CLASS(TVexaColumns)

  std::string Sorted;
  int32_t Direction = 0;

  TAdvClass ItemClass() const override { return &TVexaColumn::ClassInfo; }
  TVexaColumn* GetColumn(int index) const { return static_cast<TVexaColumn*>(GetItem(index)); }
  // The entry of this caption, added (width 0) when missing.
  TVexaColumn* ByName(std::string_view name);

  void Assign(const TAdvObject& source) override;
  void Load(TAdvFiler& filer) override;
  void Save(TAdvFiler& filer) override;

 protected:
  ~TVexaColumns() override = default;
};

class TVexaGrid : public TAdvNamed {
  ADV_CLASS(TVexaGrid)

  TVexaGrid();
  explicit TVexaGrid(std::string name);

  TVexaColumns& Columns() const { return *m_columns; }

  void Assign(const TAdvObject& source) override;
  // Name, "Columns".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TVexaGrid() override = default;

 private:
  TAdvRef<TVexaColumns> m_columns;  // never null
};

class TVexaGrids : public TAdvNamedList {
  ADV_CLASS(TVexaGrids)

  TAdvClass ItemClass() const override { return &TVexaGrid::ClassInfo; }
  TVexaGrid* Find(std::string_view name) const { return static_cast<TVexaGrid*>(GetByName(name)); }
  // The entry of this name, added (no columns) when missing.
  TVexaGrid* ByName(std::string_view name);

 protected:
  ~TVexaGrids() override = default;
};

class TVexaDock : public TAdvNamed {
  ADV_CLASS(TVexaDock)
  using TAdvNamed::TAdvNamed;

  // A view's guide panel is hidden; for a status-window group, collapsed.
  bool GuideHidden = false;

  void Assign(const TAdvObject& source) override;
  // Name, "GuideHidden".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TVexaDock() override = default;
};

class TVexaDocks : public TAdvNamedList {
  ADV_CLASS(TVexaDocks)

  TAdvClass ItemClass() const override { return &TVexaDock::ClassInfo; }
  TVexaDock* Find(std::string_view name) const { return static_cast<TVexaDock*>(GetByName(name)); }
  // The entry of this name, added (shown) when missing.
  TVexaDock* ByName(std::string_view name);

 protected:
  ~TVexaDocks() override = default;
};
