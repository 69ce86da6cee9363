// TAdvTree: a persistable tree node. Each node owns its Children (a
// TAdvTrees list, stored as one object in field "Children") and knows its
// Parent without owning it. After loading or assigning, every child's Parent
// is the node that holds it; AddChild sets it too.
//
// Thread safety: none; one thread at a time.
#pragma once

#include <functional>

#include "core/AdvLists.h"

class TAdvTree;

// The children of a tree node, ordered (when sorted) by an optional
// comparison, else by identity.
class TAdvTrees : public TAdvList {
  ADV_CLASS(TAdvTrees)

  using TreeCompare = std::function<int(TAdvTree* a, TAdvTree* b)>;

  TAdvTrees() = default;

  TAdvTree* GetItem(int index) const { return ItemAs<TAdvTree>(index); }
  void SetCompare(TreeCompare compare) { m_compare = std::move(compare); }

  int CompareEntries(TAdvObject* a, TAdvObject* b) const override;
  TAdvClass ItemClass() const override;

 protected:
  ~TAdvTrees() override = default;

 private:
  TreeCompare m_compare;
};

class TAdvTree : public TAdvPersistent {
  ADV_CLASS(TAdvTree)

  TAdvTree();

  TAdvTree* Parent() const { return m_parent; }
  void SetParent(TAdvTree* parent) { m_parent = parent; }
  TAdvTrees& Children() const { return *m_children; }
  // Adds `child` (taking ownership) and makes this node its parent.
  int AddChild(TAdvTree* child);

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;
  size_t SizeInBytes() const override;

 protected:
  ~TAdvTree() override;

 private:
  void AdoptChildren();

  TAdvTree* m_parent = nullptr;   // not owned
  TAdvRef<TAdvTrees> m_children;  // never null
};
