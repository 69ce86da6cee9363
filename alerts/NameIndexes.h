// TNameIndex: finds the first entry of a given name in an unsorted named list
// (alerts of a user in order of creation, triggers in the user's order)
// without walking the list, as the evaluation does for every hit and trigger.
//
// The index maps each ASCII-lower-cased name to the smallest position that
// holds it. It covers the entries [0, Indexed) of the list it serves; entries
// appended since are taken in at the next look-up, so a list that only grows
// at its end never rebuilds. Any other change (an insert in the middle, a
// deletion, an exchange, clearing) must Invalidate it; the owning list does
// that from its storage primitives. A hit whose entry no longer carries the
// name (renamed in place) is caught at look-up and rebuilds the index.
//
// Thread safety: none; used with its list on one thread.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

class TAdvNamedList;

class TNameIndex {
 public:
  void Invalidate() { m_valid = false; }
  // Index of the first entry of `list` named `name` (ASCII case ignored), or -1.
  int Find(const TAdvNamedList& list, std::string_view name);

 private:
  void Rebuild(const TAdvNamedList& list);
  void CatchUp(const TAdvNamedList& list);
  int Lookup(std::string_view name);

  std::unordered_map<std::string, int> m_first;  // lower-cased name -> first index
  int m_indexed = 0;                             // entries [0, m_indexed) are in m_first
  bool m_valid = false;
  std::string m_key;  // reused look-up key
};
