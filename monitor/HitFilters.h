// Hit filters: the rules that decide which hits of an input the engine
// counts. A hit that fails any filter of its input is dropped before it
// reaches users, sessions, triggers or the tracking log. The category filters
// also serve as the department and profile conditions of triggers.
//
// TFilter is the base (passes everything); TSuccessFilter drops failed and
// blocked hits; the category filters (profile, department, protocol) pass a
// hit whose category is among their Includes. Excludes holds the categories
// the user left unselected: it only tells a filter that selects something
// from one that selects everything (see IsActive), and plays no part in
// matching.
//
// Thread safety: none. An input's filters are edited and consulted on the
// main thread only (the engine asks TFilters::Passes while it drains the
// input's ring), never by the input's reading thread.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "core/AdvLists.h"
#include "core/AdvStrings.h"

class THit;

ADV_EXCEPTION(EFilter, EAdvanced)

class TFilter : public TAdvNamed {
  ADV_CLASS(TFilter)
  ADV_RAISES(EFilter)

  TFilter() = default;

  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool value) { m_enabled = value; }

  // Operations in slot order.

  // Whether the hit counts; true in the base.
  virtual bool Passes(const THit& hit) const;
  // Whether the filter is worth keeping on an input; Enabled in the base.
  virtual bool IsActive() const;
  // Whether the filter selects a category of this name; false in the base.
  virtual bool Contains(std::string_view name) const;

  // Name, then "Enabled".
  void Define(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;

 protected:
  ~TFilter() override = default;

 private:
  bool m_enabled = true;
};

// Drops hits that failed (status Failed or Blocked); cached and successful
// hits pass.
class TSuccessFilter : public TFilter {
  ADV_CLASS(TSuccessFilter)

  TSuccessFilter() = default;

  bool Passes(const THit& hit) const override;

 protected:
  ~TSuccessFilter() override = default;
};

// Two lists of category names. Both ignore ASCII case, keep one copy of a
// name added twice, keep the order names were added in, and read and write
// as one text joined with ", ".
class TCategoryFilter : public TFilter {
  ADV_CLASS(TCategoryFilter)

  TCategoryFilter();

  // The selected categories: the only list that takes part in matching.
  TAdvStrings& Includes() { return *m_includes; }
  const TAdvStrings& Includes() const { return *m_includes; }
  // Every other known category.
  TAdvStrings& Excludes() { return *m_excludes; }
  const TAdvStrings& Excludes() const { return *m_excludes; }
  std::string IncludesText() const { return m_includes->AsText(); }
  std::string ExcludesText() const { return m_excludes->AsText(); }

  // The hit's category, as Includes is matched against; empty in this class.
  virtual std::string CategoryOf(const THit& hit) const;

  // Includes holds the hit's category (so a filter that selects nothing
  // drops every hit).
  bool Passes(const THit& hit) const override;
  // Both lists hold something: a filter that selects nothing or everything
  // is not worth keeping.
  bool IsActive() const override;
  bool Contains(std::string_view name) const override;

  // Then "Includes" and "Excludes", each a string list object.
  void Define(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;

 protected:
  ~TCategoryFilter() override = default;

 private:
  TAdvRef<TAdvStrings> m_includes;  // never null
  TAdvRef<TAdvStrings> m_excludes;  // never null
};

// Matches the hit's Profile ("Miscellaneous" when no profile matched it).
class TProfileFilter : public TCategoryFilter {
  ADV_CLASS(TProfileFilter)

  TProfileFilter() = default;
  std::string CategoryOf(const THit& hit) const override;

 protected:
  ~TProfileFilter() override = default;
};

// Matches the hit's Department.
class TDepartmentFilter : public TCategoryFilter {
  ADV_CLASS(TDepartmentFilter)

  TDepartmentFilter() = default;
  std::string CategoryOf(const THit& hit) const override;

 protected:
  ~TDepartmentFilter() override = default;
};

// Matches the display name of the hit's Protocol ("Web", "Mail" ...).
class TProtocolFilter : public TCategoryFilter {
  ADV_CLASS(TProtocolFilter)

  TProtocolFilter() = default;
  std::string CategoryOf(const THit& hit) const override;

 protected:
  ~TProtocolFilter() override = default;
};

// The filters of one input, in the order they were added. Owns its entries.
class TFilters : public TAdvNamedList {
  ADV_CLASS(TFilters)
  ADV_RAISES(EFilter)

  TFilters() = default;

  TFilter* Filter(int index) const { return ItemAs<TFilter>(index); }
  TAdvClass ItemClass() const override { return &TFilter::ClassInfo; }

  // False at the first filter, in list order, that drops the hit; an empty
  // list passes everything. Enabled is not consulted: a filter on the list
  // is in force.
  bool Passes(const THit& hit) const;
  // Releases the filter at `index` and takes over the caller's reference to
  // `filter` in its place. Raises for an index outside the list or a null
  // filter (the caller then keeps its reference).
  void Replace(int index, TFilter* filter);
  // Empties the list, then adds each candidate (retained, not copied) that
  // is enabled and active, in the order given. Null candidates are skipped.
  void Build(std::initializer_list<TFilter*> candidates);

  // Entries must be filters (the list refuses other classes); an entry
  // stored as nil is dropped.
  void Load(TAdvFiler& filer) override;
  // XML on their own, as the wizard and tests keep them.
  using TAdvPersistent::LoadFromFile;
  using TAdvPersistent::SaveToFile;
  void SaveToFile(const std::string& fileName) override;
  void LoadFromFile(const std::string& fileName) override;

 protected:
  ~TFilters() override = default;
};

void RegisterFilterClasses();
