// Alias tables: friendly names for the raw texts of log files. An alias is a
// name with a list of patterns; every raw text a pattern covers is shown and
// counted under the alias name. Four tables of this kind exist (user names,
// site names, file types, departments), plus THosts, one combined index over
// the user-name and site-name tables that the engine renames the source and
// the destination of every hit with.
//
// A pattern is exact text, or a wildcard mask when it holds `*`, `?` or `[`
// (see AdvMasks.h). A table keeps two indexes for its look-ups: an exact
// index (a hash ignoring ASCII case, from every alias name to itself and from
// every exact pattern to its alias) and a wildcard index (the masks, longest
// first). The indexes are not kept up to date by edits: whoever edits a table
// calls Reindex when done. They are built in full into scratch tables and
// swapped in, so an index is never half-built. A wildcard look-up that walks
// the masks is remembered in a bounded memo that every index change empties.
//
// Patterns are checked where they enter: an empty (or all-blank) pattern is
// never stored, and a pattern that is not a valid mask is refused with the
// mask error. Patterns read from a file that fail these checks are left out
// and listed in LoadProblems; the table still loads.
//
// Thread safety: none. Tables, indexes and look-ups belong to the main
// thread, which runs both the engine cycle and the editors. A built index is
// never changed, only replaced, so a TAliasLookup made from it on the main
// thread may be used on another.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "classify/StringWilds.h"
#include "core/AdvLists.h"
#include "core/AdvStrings.h"
#include "core/Hashes.h"

// The fallback name of an unmatched file type, department and profile.
inline constexpr std::string_view kMiscellaneous = "Miscellaneous";

// True when the text holds nothing but bytes 0..32 (an empty text included).
bool IsBlankText(std::string_view text);

// One alias: a name and its patterns in the order entered. A pattern already
// present (ignoring ASCII case) is not added again.
class TAlias : public TAdvStrings {
  ADV_CLASS(TAlias)

  TAlias();
  explicit TAlias(std::string name);

  const std::string& Name() const { return m_name; }
  void SetName(std::string name) { m_name = std::move(name); }
  // The patterns joined by ", ", as the editors show them.
  std::string PatternsText() const;

  // Adds a pattern: -1 and nothing stored for a blank one; the index of the
  // equal pattern when present; raises the mask error (and stores nothing)
  // for a wildcard pattern that is not a valid mask.
  int Add(std::string text) override;
  // Places a pattern without the duplicate check, after the same blank and
  // mask checks (a blank one is not inserted).
  void Insert(int index, std::string text) override;
  // Removes what a file may hold but Add would refuse: blank, duplicate and
  // invalid wildcard patterns. Each invalid mask adds a line to `problems`.
  void Sanitise(std::vector<std::string>& problems);

  void Assign(const TAdvObject& source) override;
  // "Name", then the patterns as the string list's items ("String" each).
  void Define(TAdvFiler& filer) override;
  size_t SizeInBytes() const override;

 protected:
  ~TAlias() override = default;

 private:
  std::string m_name;
};

// An exact-index entry: Name is the pattern (or alias name), Value the alias
// name it stands for.
class TMatch : public THashable {
  ADV_CLASS(TMatch)

  TMatch() = default;
  TMatch(std::string_view key, std::string_view value) : THashable(key), m_value(value) {}

  const std::string& Value() const { return m_value; }
  void SetValue(std::string_view value) { m_value.assign(value); }

  void Assign(const TAdvObject& source) override;
  size_t SizeInBytes() const override { return THashable::SizeInBytes() + m_value.capacity(); }

 protected:
  ~TMatch() override = default;

 private:
  std::string m_value;
};

// The exact index: TMatch entries by key, ignoring ASCII case.
class TMatches : public THash {
  ADV_CLASS(TMatches)

  TAdvClass EntryClass() const override { return &TMatch::ClassInfo; }
  // Adds key -> value unless the key is present (the first entry stays).
  void AddMatch(std::string_view key, std::string_view value);
  // The alias name for `key`, or null.
  const std::string* Find(std::string_view key) const;

 protected:
  ~TMatches() override = default;
};

// The answers of recent wildcard look-ups, bounded: two generations keep
// the recently used answers. Belongs to one index and one thread.
class TWildMemo {
 public:
  // The memoised TranslateText of `wilds`; false when no mask matches (or
  // there is none).
  bool Translate(const TStringWilds& wilds, std::string_view raw, std::string& name);
  void Clear();

 private:
  struct TAnswer {
    bool Matched = false;
    std::string Name;
  };
  struct TTextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
  };
  using TMap = std::unordered_map<std::string, TAnswer, TTextHash, std::equal_to<>>;
  static constexpr size_t kLimit = 4096;  // per generation

  TMap m_current;
  TMap m_old;  // the generation before; promoted on use
};

// The user-name table, and the base of the other kinds.
class TAliases : public TAdvList {
  ADV_CLASS(TAliases)

  TAliases();

  TAlias* Alias(int index) const { return ItemAs<TAlias>(index); }
  TAdvClass ItemClass() const override { return &TAlias::ClassInfo; }

  // A TAlias whose name another alias has already (ignoring ASCII case) is
  // not added: it is released and the existing alias's index returned.
  // Anything but a TAlias is refused with the caller keeping its reference.
  int Add(TAdvObject* object) override;
  // Places an alias without the name check.
  void Insert(int index, TAdvObject* object) override;
  // Also empties the indexes.
  void Clear() override;
  void CloseSlot(int index) override;

  // Appends a new alias of this name, or returns the index of the alias that
  // has it. Raises for a blank name.
  int AddAlias(std::string_view name);
  // From the last alias to the first; -1 when none has the name.
  int IndexOfAlias(std::string_view name) const;
  bool HasAlias(std::string_view name) const { return IndexOfAlias(name) >= 0; }
  TAlias* FindOrAddAlias(std::string_view name);
  // Patterns over all aliases.
  int PatternCount() const;

  // Index building. Reindex is ClearIndex then BuildIndex (THosts: then
  // BuildFrom its two source tables).
  virtual void BuildIndex();
  virtual void ClearIndex();
  virtual void Reindex();
  bool Indexed() const { return m_exact->Count() > 0; }
  // Wildcard patterns the last build left out, one line each.
  const std::vector<std::string>& IndexProblems() const { return m_indexProblems; }

  // Exact look-up only (the index is built first when empty and the table
  // has aliases); `fallback` when no key matches.
  std::string LookupDefault(std::string_view raw, std::string_view fallback);
  // The table's full look-up: exact, then the first matching mask (longest
  // first), else the raw text unchanged.
  virtual std::string Lookup(std::string_view raw);
  // TAliases::Lookup and LookupDefault without a copy, for the engine's
  // per-hit path. The text returned is `raw`, `fallback` or the table's own,
  // valid until the next look-up or change of this table.
  std::string_view LookupView(std::string_view raw);
  std::string_view LookupDefaultView(std::string_view raw, std::string_view fallback);
  // Whether a raw text needs no new alias.
  virtual bool IsKnown(std::string_view text);
  // The name proposed for a new alias made from a raw text.
  virtual std::string SuggestName(std::string_view raw) const;
  // Adds every pattern of `other` that this table does not list yet (by
  // pattern identity, ignoring ASCII case) and that is not one of this
  // table's alias names, to the alias of the same name (made when missing).
  void Merge(const TAliases& other);

  // Editing is set while an editor works on the table; the shared data files
  // are then not reloaded into it.
  bool Editing() const { return m_editing; }
  void SetEditing(bool editing) { m_editing = editing; }
  // Called by NotifyChanged (the shared data files hook in here).
  void SetChangeHandler(std::function<void()> handler) { m_onChanged = std::move(handler); }
  // Runs the change handler, or notes the change for EndChanges while a
  // batch is open. Called after an alias is inserted or deleted, after a
  // clear and after a load.
  void NotifyChanged();
  // Batches: changes inside notify once, at the outermost EndChanges.
  void BeginChanges() { ++m_batch; }
  void EndChanges();

  // The table in the XML format: the list of TAlias objects. Loading also
  // reads the older layout (a string match of name -> patterns separated by
  // line feeds). The file is read into a scratch table first: on any error
  // this table is unchanged and the reader's error passes on.
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;
  using TAdvPersistent::LoadFromFile;
  using TAdvPersistent::SaveToFile;
  // Patterns and aliases the last load left out, one line each.
  const std::vector<std::string>& LoadProblems() const { return m_loadProblems; }
  // Replaces this table's aliases with those of `source` (which keeps its
  // own) and notifies once.
  void TakeAliasesOf(const TAliases& source);

  size_t SizeInBytes() const override;

 protected:
  ~TAliases() override;

  // Builds a complete index of `tables` (alias names first, so that an alias
  // name always finds itself, then the patterns in table and list order) and
  // swaps it in; the memo is emptied.
  void BuildIndexOf(const std::vector<const TAliases*>& tables);
  // The memoised walk over the wildcard index; false when no mask matches.
  bool TranslateWild(std::string_view raw, std::string& name);
  void ClearMemo() { m_memo.Clear(); }
  // Builds the index when it is empty and the table has aliases (the first
  // look-up after a change that emptied it).
  void EnsureIndexed();

 private:
  friend class TAliasLookup;

  TAdvRef<TMatches> m_exact;
  TAdvRef<TStringWilds> m_wilds;
  TWildMemo m_memo;
  std::string m_viewed;  // LookupView's answer from the masks
  std::vector<std::string> m_indexProblems;
  std::vector<std::string> m_loadProblems;
  std::function<void()> m_onChanged;
  int m_batch = 0;
  bool m_changedInBatch = false;
  bool m_editing = false;
};

// Site names: a text that is neither a dotted IPv4 address nor holds an `@`
// is always known (a host name needs no alias).
class TSitenames : public TAliases {
  ADV_CLASS(TSitenames)
  bool IsKnown(std::string_view text) override;

 protected:
  ~TSitenames() override = default;
};

// File types: exact patterns only; an unnamed type is "Miscellaneous".
class TFileTypes : public TAliases {
  ADV_CLASS(TFileTypes)
  std::string Lookup(std::string_view raw) override;
  // ".html" gives "HTML File"; a text without a leading dot is unchanged.
  std::string SuggestName(std::string_view raw) const override;

 protected:
  ~TFileTypes() override = default;
};

// Departments: user names (after aliasing) by exact pattern; an unnamed
// user is in "Miscellaneous".
class TDepartments : public TAliases {
  ADV_CLASS(TDepartments)
  std::string Lookup(std::string_view raw) override;

 protected:
  ~TDepartments() override = default;
};

// The combined index over the user-name and site-name tables. It holds no
// aliases of its own and is never built lazily: the engine builds it when
// monitoring starts and after either table changed.
class THosts : public TAliases {
  ADV_CLASS(THosts)

  // The two tables Reindex builds from (retained), users first.
  void SetSources(TAliases* users, TAliases* sites);
  // Adds the aliases of each table, in order, to the indexes.
  void BuildFrom(const std::vector<const TAliases*>& tables);
  void BuildIndex() override;
  void ClearIndex() override;
  void Reindex() override;

 protected:
  ~THosts() override = default;

 private:
  TAdvRef<TAliases> m_users;
  TAdvRef<TAliases> m_sites;
  std::vector<TAdvRef<TAliases>> m_indexed;  // what the index holds now
};

// A table's index as it stands, for the engine's look-ups on another
// thread. It shares the built index, which is never changed once built, only
// replaced, and keeps its own memo and answer text. Made on the table's own
// thread (a missing index is built first, as the table's first look-up
// would); used afterwards by one thread at a time, without the table.
class TAliasLookup {
 public:
  TAliasLookup() = default;
  explicit TAliasLookup(TAliases& table);

  // Whether the table still has the index this was made from.
  bool Reflects(const TAliases& table) const {
    return m_exact == table.m_exact && m_wilds == table.m_wilds;
  }
  // As the table's LookupView and LookupDefaultView.
  std::string_view LookupView(std::string_view raw);
  std::string_view LookupDefaultView(std::string_view raw, std::string_view fallback) const;

 private:
  TAdvRef<TMatches> m_exact;  // both null in a look-up made from no table
  TAdvRef<TStringWilds> m_wilds;
  TWildMemo m_memo;
  std::string m_viewed;
};

// True for four dot-separated decimal numbers of 0..255.
bool IsDottedIPv4(std::string_view text);

class TVexaHit;

// Names a hit as the engine does before its input's filters see it: Source
// and Destination through the combined index, Department from the aliased
// Source, and the file-type alias of the hit's extension (each cut to the
// hit's 255 characters).
void ApplyAliases(TVexaHit& hit, TAliases& hosts, TAliases& departments, TAliases& fileTypes);

// The quick alias commands. AssignUserAlias: when the table has an alias
// called `name`, or none called `raw`, `raw` becomes a pattern of the alias
// `name` (made when missing); otherwise the alias called `raw` is renamed
// `name`. AssignAlias (site names, file types, departments): `raw` becomes a
// pattern of the alias `name`. Both notify the change; the caller renames
// the user in the activity and rebuilds the affected index (THosts after a
// user-name or site-name change, the table's own otherwise).
void AssignUserAlias(TAliases& users, std::string_view name, std::string_view raw);
void AssignAlias(TAliases& table, std::string_view name, std::string_view raw);
