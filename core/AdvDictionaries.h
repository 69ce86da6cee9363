// TAdvDictionary: a byte trie for finding keywords inside texts. Each node
// has 256 children indexed by byte value, a terminal flag (a word ends
// here) and an associated object that the node does not own. A node owns its
// children; their table is only allocated when the first child is added.
//
// Thread safety: none while words are added; a finished trie may be walked
// by several threads at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/AdvObjects.h"

class TAdvDictionary : public TAdvObject {
  ADV_CLASS(TAdvDictionary)

  TAdvDictionary() = default;

  bool Terminal() const { return m_terminal; }
  // The object of the word ending here (not owned); null when none.
  TAdvObject* Data() const { return m_data; }

  // Creates the nodes of the word's bytes and marks the last one terminal
  // with `data`, replacing the data of an earlier identical word.
  void Add(std::string_view word, TAdvObject* data);
  void AddWord(std::string_view word, TAdvObject* data) { Add(word, data); }
  // Walks from this node along the bytes of `text`; returns the first
  // terminal node on the way (this node itself when it is terminal), else the
  // deepest node reached. `counter` grows by one per byte walked.
  const TAdvDictionary* Match(std::string_view text, int& counter) const;
  // The same with `count` set to the bytes walked.
  const TAdvDictionary* Walk(std::string_view text, int& count) const {
    count = 0;
    return Match(text, count);
  }
  // The child for one byte, or null.
  TAdvDictionary* Child(uint8_t byte) const { return m_children ? m_children[byte] : nullptr; }
  // Frees every child and forgets this node's word: the node is empty.
  void Clear();

 protected:
  ~TAdvDictionary() override { Clear(); }

 private:
  std::unique_ptr<TAdvDictionary*[]> m_children;  // 256 entries once allocated
  TAdvObject* m_data = nullptr;
  bool m_terminal = false;
};
