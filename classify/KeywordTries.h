// TKeywordTrie: a byte trie for finding keywords inside texts, laid out
// compactly so that the profile matcher can hold a hundred thousand keywords
// in a few megabytes.
//
// It answers exactly what a trie with a 256-entry child table per node would
// (the same nodes, terminal flags, data and walks) but stores the nodes
// breadth first in flat arrays: node i's outgoing bytes are the sorted run
// Labels[Edges[i] .. Edges[i + 1]) and, because every node but the root is
// the target of exactly one edge and breadth-first numbering hands out node
// numbers in edge order, the child through edge e is node e + 1. A node
// therefore costs 4 bytes of edge start and 4 of data, an edge 1 byte; the
// root alone keeps a direct 256-entry table because every walk starts there.
//
// The trie is built in one go from a word list (Build), not word by word: the
// words are sorted and each level's runs of equal bytes become the nodes of
// the next level. A word added twice keeps the data of its last occurrence,
// as adding the same word again to a node trie replaces its data.
//
// Thread safety: Build needs exclusive use; a built trie is immutable and may
// be walked by any number of threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TKeywordTrie {
 public:
  using TNode = uint32_t;
  static constexpr TNode kRoot = 0;
  static constexpr TNode kNone = UINT32_MAX;
  static constexpr int32_t kNoData = -1;

  struct TWord {
    std::string Text;
    int32_t Data = 0;  // at least 0
  };

  TKeywordTrie();

  // Replaces the trie with one holding `words` (empty words are left out).
  // Takes the list to sort it in place.
  void Build(std::vector<TWord> words);
  // Only the root remains.
  void Clear();

  bool Empty() const { return m_data.size() <= 1 && m_data[0] == kNoData; }
  int32_t NodeCount() const { return int32_t(m_data.size()); }
  int32_t WordCount() const { return m_words; }

  bool Terminal(TNode node) const { return m_data[node] != kNoData; }
  // The data of the word ending at `node`; kNoData when none ends there.
  int32_t Data(TNode node) const { return m_data[node]; }
  // The child of `node` for `byte`, or kNone.
  TNode Child(TNode node, uint8_t byte) const {
    if (node == kRoot) return m_root[byte];
    uint32_t first = m_edges[node];
    const uint32_t last = m_edges[node + 1];
    if (last - first <= 8) {
      for (; first < last; ++first)
        if (m_labels[first] == byte) return first + 1;
      return kNone;
    }
    return BinaryChild(first, last, byte);
  }
  // False when no word can be found from a start whose first two bytes are
  // these: no word begins with them, and no one-byte word with the first.
  bool MayStart(uint8_t first, uint8_t second) const {
    const uint32_t pair = uint32_t(first) << 8 | second;
    return (m_pairs[pair >> 6] >> (pair & 63)) & 1;
  }
  // From `node`: returns at once when it is terminal; otherwise follows the
  // bytes of `text` while a child exists, stopping at the first terminal node
  // reached or where the text or the trie ends. `count` is the bytes followed.
  TNode Walk(TNode node, std::string_view text, int& count) const;
  // True when some word occurs anywhere in `text`.
  bool Occurs(std::string_view text) const;

  // Bytes held by the arrays.
  size_t SizeInBytes() const;

 private:
  TNode BinaryChild(uint32_t first, uint32_t last, uint8_t byte) const;

  TNode m_root[256];
  uint64_t m_pairs[65536 / 64];   // MayStart, one bit per pair of bytes
  std::vector<uint32_t> m_edges;  // node i: edges m_edges[i] .. m_edges[i + 1]
  std::vector<uint8_t> m_labels;  // the byte of each edge; edge e leads to node e + 1
  std::vector<int32_t> m_data;    // per node; kNoData unless a word ends there
  int32_t m_words = 0;
};
