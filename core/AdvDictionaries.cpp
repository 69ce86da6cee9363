#include "core/AdvDictionaries.h"

ADV_CLASS_IMPL(TAdvDictionary, TAdvObject)

void TAdvDictionary::Add(std::string_view word, TAdvObject* data) {
  TAdvDictionary* node = this;
  for (char c : word) {
    const auto byte = static_cast<uint8_t>(c);
    if (!node->m_children) node->m_children = std::make_unique<TAdvDictionary*[]>(256);
    TAdvDictionary*& child = node->m_children[byte];
    if (!child) child = new TAdvDictionary();
    node = child;
  }
  node->m_terminal = true;
  node->m_data = data;
}

const TAdvDictionary* TAdvDictionary::Match(std::string_view text, int& counter) const {
  const TAdvDictionary* node = this;
  for (char c : text) {
    if (node->m_terminal) break;
    const TAdvDictionary* child = node->Child(static_cast<uint8_t>(c));
    if (!child) break;
    node = child;
    ++counter;
  }
  return node;
}

void TAdvDictionary::Clear() {
  m_terminal = false;
  m_data = nullptr;
  if (!m_children) return;
  // Children free their own subtrees when released; deep tries recurse once
  // per byte of their longest word.
  for (int i = 0; i < 256; ++i) TAdvObject::Release(m_children[i]);
  m_children.reset();
}
