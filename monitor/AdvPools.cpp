#include "monitor/AdvPools.h"

#include <string>

ADV_CLASS_IMPL(TAdvPool, TAdvObject)

TAdvPool::TAdvPool(TAdvClass itemClass, int size) {
  SetUp(itemClass, size);
}

TAdvPool::~TAdvPool() {
  ReleaseAll();
}

void TAdvPool::ReleaseAll() {
  for (TAdvObject* object : m_objects) object->Release();
  m_objects.clear();
}

void TAdvPool::SetUp(TAdvClass itemClass, int size) {
  if (!itemClass) Error("SetUp", "Class not assigned");
  if (size < 0) Error("SetUp", "Invalid size " + std::to_string(size));
  ReleaseAll();
  m_itemClass = itemClass;
  m_size = size;
  m_objects.reserve(size_t(size));
  for (int i = 0; i < size; ++i) m_objects.push_back(itemClass->Create());
}

TAdvObject* TAdvPool::Get(int slot) const {
  if (slot < 0 || slot >= Count())
    Error("Get", "Slot " + std::to_string(slot) + " out of bounds (0.." +
                     std::to_string(Count() - 1) + ")");
  return m_objects[size_t(slot)];
}

TAdvObject* TAdvPool::Take() {
  if (m_objects.empty()) {
    if (!m_itemClass) Error("Take", "Class not assigned");
    return m_itemClass->Create();
  }
  TAdvObject* object = m_objects.back();
  m_objects.pop_back();
  return object;
}

void TAdvPool::Give(TAdvObject* object) {
  if (!object) return;
  if (Count() < m_size)
    m_objects.push_back(object);
  else
    object->Release();
}
