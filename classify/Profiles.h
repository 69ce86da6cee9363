// Profiles: content categories (games, news, shopping ...) defined by
// keywords. Every hit that arrives without a category is classified into
// exactly one profile by finding include keywords in its profile text (host,
// then path, lower-cased; see THit::MatchText); a profile's exclude keywords
// veto it for that hit; a hit no profile claims is "Miscellaneous".
//
// Matching, with the list prepared: for each start position of the text, from
// the first, the shortest include keyword beginning there is tried first,
// then longer ones beginning at the same position; the first whose profile
// accepts the text (none of its excludes occurs anywhere in it) decides. So
// the earliest keyword wins, at the same start the shortest, and a vetoed
// keyword lets longer ones at its start, then later starts, decide. Keywords
// are substrings, without word boundaries, compared ignoring ASCII case. Of
// two profiles including the same keyword the later one in the list owns it.
//
// The prepared state (the include trie, each profile's exclude trie, and the
// profiles it refers to, retained) is built once per change of the list:
// NotifyChanged rebuilds it; editors that change keywords inside a profile
// call Rebuild themselves. Classifying allocates nothing for texts up to 510
// characters.
//
// Keywords are never blank: blank keywords are ignored when added and left
// out when read from a file.
//
// Thread safety: none; profiles are edited and hits classified on the main
// thread. A prepared list that nobody changes may be read by several threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classify/KeywordTries.h"
#include "core/AdvLists.h"
#include "core/AdvStrings.h"

class THit;

class TProfile : public TAdvNamed {
  ADV_CLASS(TProfile)

  TProfile();
  explicit TProfile(std::string name);

  const std::string& Description() const { return m_description; }
  void SetDescription(std::string description) { m_description = std::move(description); }
  // Sorted ignoring ASCII case, no duplicates, no blank entries.
  const TAdvStrings& Includes() const { return *m_includes; }
  const TAdvStrings& Excludes() const { return *m_excludes; }
  // Each list joined by ", ", as the editors show them.
  std::string IncludesText() const;
  std::string ExcludesText() const;

  // Adds a keyword to one list and takes it out of the other; a blank
  // keyword is ignored.
  void IncludeKeyword(std::string_view keyword);
  void ExcludeKeyword(std::string_view keyword);
  // Adds to one list only (the keyword may then be in both); blank ignored.
  void AddInclude(std::string_view keyword);
  void AddExclude(std::string_view keyword);
  void RemoveInclude(std::string_view keyword);
  void RemoveExclude(std::string_view keyword);
  void ClearKeywords();
  // Drops blank and duplicate keywords (what a file may hold).
  void Sanitise();

  // Builds the exclude trie; without excludes the profile accepts all.
  void Prepare();
  void Unprepare();
  // Whether the profile takes a lower-cased profile text.
  bool Accepts(std::string_view text) const;

  void Assign(const TAdvObject& source) override;
  // "Name", "Includes", "Excludes", "Description"; an older file may lack
  // the description and may carry an "Enabled" boolean, read and dropped.
  void Define(TAdvFiler& filer) override;
  size_t SizeInBytes() const override;

 protected:
  ~TProfile() override = default;

 private:
  std::string m_description;
  TAdvRef<TAdvStrings> m_includes;
  TAdvRef<TAdvStrings> m_excludes;
  std::unique_ptr<TKeywordTrie> m_excludeTrie;  // null: accepts everything
};

class TProfiles : public TAdvNamedList {
  ADV_CLASS(TProfiles)

  TProfiles();

  TProfile* Profile(int index) const { return ItemAs<TProfile>(index); }
  TProfile* ProfileByName(std::string_view name) const;
  TAdvClass ItemClass() const override { return &TProfile::ClassInfo; }

  // The list keeps the user's order: Add appends (anything but a TProfile
  // is refused, the caller keeping its reference). Adding, inserting,
  // deleting and clearing notify.
  int Add(TAdvObject* object) override;
  void Insert(int index, TAdvObject* object) override;
  void Clear() override;
  void CloseSlot(int index) override;

  void Prepare();
  void Unprepare();
  void Rebuild();
  bool Prepared() const { return m_prepared; }
  // Changes whenever the prepared state does (Prepare unprepares first); no
  // two lists, or two states of one list, share a value, so a copy can tell
  // whether it is still current.
  uint64_t Generation() const { return m_generation; }

  // The category of a profile text (any case). The view stays valid until
  // the list is next prepared or unprepared.
  std::string_view Classify(std::string_view text) const;
  // The same for a text already in lower case (as MatchText writes it).
  std::string_view ClassifyLowered(std::string_view text) const;
  // Sets the hit's Profile from its match text, unless the loader gave it one.
  void ClassifyHit(THit& hit) const;

  // The profile of that name (made and appended when missing) takes the
  // keyword into Includes (Excludes) and out of the other list. A blank
  // keyword does nothing. Nothing is rebuilt: the caller calls Rebuild.
  void IncludeKeyword(std::string_view profileName, std::string_view keyword);
  void ExcludeKeyword(std::string_view profileName, std::string_view keyword);
  // For each profile of `other`: the profile of that name here (made when
  // missing) takes the other's includes it does not exclude and its excludes
  // it does not include. Descriptions stay.
  void Merge(const TProfiles& other);
  int KeywordCount() const;

  bool Editing() const { return m_editing; }
  void SetEditing(bool editing) { m_editing = editing; }
  void SetChangeHandler(std::function<void()> handler) { m_onChanged = std::move(handler); }
  // Tells the change handler, then rebuilds; inside a batch only notes it.
  void NotifyChanged();
  void BeginChanges() { ++m_batch; }
  void EndChanges();

  // An older file has three strings and the opening of an object before
  // the profiles; they are read and dropped.
  void Define(TAdvFiler& filer) override;
  // XML. The file is read into a scratch list first; when it cannot be read
  // the list is unchanged and the error is "No Profiles found in <file>".
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;
  using TAdvPersistent::LoadFromFile;
  using TAdvPersistent::SaveToFile;
  // Profiles the last load left out, one line each.
  const std::vector<std::string>& LoadProblems() const { return m_loadProblems; }
  // Replaces the profiles with copies of those of `source`; notifies once.
  void TakeProfilesOf(const TProfiles& source);

  // Bytes of the profiles and of the prepared tries.
  size_t SizeInBytes() const override;

 protected:
  ~TProfiles() override;

 private:
  TProfile* ForceProfile(std::string_view name);

  TKeywordTrie m_trie;
  std::vector<TAdvRef<TProfile>> m_owners;  // trie data -> profile
  bool m_prepared = false;
  uint64_t m_generation;
  std::vector<std::string> m_loadProblems;
  std::function<void()> m_onChanged;
  int m_batch = 0;
  bool m_changedInBatch = false;
  bool m_editing = false;
};
