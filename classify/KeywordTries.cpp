#include "classify/KeywordTries.h"

#include <algorithm>
#include <deque>

TKeywordTrie::TKeywordTrie() {
  Clear();
}

void TKeywordTrie::Clear() {
  std::fill(std::begin(m_root), std::end(m_root), kNone);
  std::fill(std::begin(m_pairs), std::end(m_pairs), 0);
  m_edges.assign(2, 0);
  m_labels.clear();
  m_data.assign(1, kNoData);
  m_words = 0;
}

void TKeywordTrie::Build(std::vector<TWord> words) {
  Clear();
  std::erase_if(words, [](const TWord& word) { return word.Text.empty(); });
  // Byte order (std::string compares as unsigned char); stable, so that
  // among equal words the last one given stays last and its data wins.
  std::stable_sort(words.begin(), words.end(),
                   [](const TWord& a, const TWord& b) { return a.Text < b.Text; });
  size_t kept = 0;
  for (size_t i = 0; i < words.size(); ++i) {
    if (kept > 0 && words[kept - 1].Text == words[i].Text) {
      words[kept - 1].Data = words[i].Data;
    } else {
      if (kept != i) words[kept] = std::move(words[i]);  // never onto itself: that empties it
      ++kept;
    }
  }
  words.resize(kept);
  m_words = int32_t(kept);
  for (const TWord& word : words) {
    const uint32_t first = uint8_t(word.Text[0]);
    if (word.Text.size() == 1) {
      for (uint32_t i = first << 8 >> 6; i < ((first + 1) << 8) >> 6; ++i)
        m_pairs[i] = ~uint64_t(0);
    } else {
      const uint32_t pair = first << 8 | uint8_t(word.Text[1]);
      m_pairs[pair >> 6] |= uint64_t(1) << (pair & 63);
    }
  }

  // Breadth first: a pending node is a run of words sharing its prefix.
  struct TPending {
    uint32_t Node;
    uint32_t First;
    uint32_t Last;
    uint32_t Depth;
  };
  std::deque<TPending> pending;
  pending.push_back({kRoot, 0, uint32_t(kept), 0});
  m_edges.clear();
  while (!pending.empty()) {
    const TPending node = pending.front();
    pending.pop_front();
    m_edges.push_back(uint32_t(m_labels.size()));  // node numbers come out in order
    uint32_t first = node.First;
    if (first < node.Last && words[first].Text.size() == node.Depth)
      m_data[node.Node] = words[first++].Data;  // sorted: the shortest word comes first
    while (first < node.Last) {
      const auto byte = uint8_t(words[first].Text[node.Depth]);
      uint32_t last = first + 1;
      while (last < node.Last && uint8_t(words[last].Text[node.Depth]) == byte) ++last;
      const auto child = uint32_t(m_labels.size()) + 1;
      m_labels.push_back(byte);
      m_data.push_back(kNoData);
      if (node.Node == kRoot) m_root[byte] = child;
      pending.push_back({child, first, last, node.Depth + 1});
      first = last;
    }
  }
  m_edges.push_back(uint32_t(m_labels.size()));
  m_edges.shrink_to_fit();
  m_labels.shrink_to_fit();
  m_data.shrink_to_fit();
}

TKeywordTrie::TNode TKeywordTrie::BinaryChild(uint32_t first, uint32_t last, uint8_t byte) const {
  const auto begin = m_labels.begin() + first;
  const auto end = m_labels.begin() + last;
  const auto at = std::lower_bound(begin, end, byte);
  return at != end && *at == byte ? uint32_t(at - m_labels.begin()) + 1 : kNone;
}

TKeywordTrie::TNode TKeywordTrie::Walk(TNode node, std::string_view text, int& count) const {
  count = 0;
  if (Terminal(node)) return node;
  for (char c : text) {
    const TNode child = Child(node, uint8_t(c));
    if (child == kNone) break;
    node = child;
    ++count;
    if (Terminal(node)) break;
  }
  return node;
}

bool TKeywordTrie::Occurs(std::string_view text) const {
  if (m_words == 0) return false;
  int count;
  for (size_t start = 0; start < text.size(); ++start)
    if (Terminal(Walk(kRoot, text.substr(start), count))) return true;
  return false;
}

size_t TKeywordTrie::SizeInBytes() const {
  return sizeof(*this) + m_edges.capacity() * sizeof(uint32_t) + m_labels.capacity() +
         m_data.capacity() * sizeof(int32_t);
}
