#include "core/AdvTrees.h"

#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TAdvTrees, TAdvList)
ADV_CLASS_IMPL(TAdvTree, TAdvPersistent)

int TAdvTrees::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  if (m_compare) return m_compare(static_cast<TAdvTree*>(a), static_cast<TAdvTree*>(b));
  return TAdvList::CompareEntries(a, b);
}

TAdvClass TAdvTrees::ItemClass() const {
  return &TAdvTree::ClassInfo;
}

// ---------------------------------------------------------------------------

TAdvTree::TAdvTree() : m_children(AdvNew<TAdvTrees>()) {}

TAdvTree::~TAdvTree() {
  // A child someone else still holds must not point at a freed parent.
  for (int i = 0; i < m_children->Count(); ++i)
    if (TAdvTree* child = m_children->GetItem(i)) child->m_parent = nullptr;
}

int TAdvTree::AddChild(TAdvTree* child) {
  const int index = m_children->Add(child);
  if (child) child->m_parent = this;
  return index;
}

void TAdvTree::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  if (&source == this) return;
  m_children->Assign(static_cast<const TAdvTree&>(source).Children());
  AdoptChildren();
}

void TAdvTree::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  TAdvObject* children = m_children.Detach();
  try {
    filer.Field("Children").DefineObject(children, &TAdvTrees::ClassInfo);
  } catch (...) {
    m_children.Reset(static_cast<TAdvTrees*>(children));
    if (!m_children) m_children = AdvNew<TAdvTrees>();
    throw;
  }
  if (children && !AdvCast<TAdvTrees>(children)) {
    TAdvObject::Release(children);
    m_children = AdvNew<TAdvTrees>();
    Error("Define", "Children must be a TAdvTrees list");
  }
  m_children.Reset(static_cast<TAdvTrees*>(children));
  // A stored nil reads as no list; the node always has one.
  if (!m_children) m_children = AdvNew<TAdvTrees>();
  if (filer.IsReader()) AdoptChildren();
}

size_t TAdvTree::SizeInBytes() const {
  return TAdvPersistent::SizeInBytes() + m_children->SizeInBytes();
}

void TAdvTree::AdoptChildren() {
  for (int i = 0; i < m_children->Count(); ++i)
    if (TAdvTree* child = m_children->GetItem(i)) child->m_parent = this;
}
