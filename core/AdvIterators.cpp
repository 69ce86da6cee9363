#include "core/AdvIterators.h"

ADV_ABSTRACT_CLASS_IMPL(TAdvIterator, TAdvObject)
ADV_CLASS_IMPL(TAdvItemsIterator, TAdvIterator)
ADV_CLASS_IMPL(TAdvListIterator, TAdvItemsIterator)
ADV_CLASS_IMPL(TAdvStringsIterator, TAdvItemsIterator)
ADV_CLASS_IMPL(TAdvHashIterator, TAdvIterator)
ADV_CLASS_IMPL(TAdvSetIterator, TAdvIterator)

void TAdvIterator::First() {
  Error("First", "Not supported by this iterator");
}
void TAdvIterator::Last() {
  Error("Last", "Not supported by this iterator");
}
void TAdvIterator::Next() {
  Error("Next", "Not supported by this iterator");
}
void TAdvIterator::Back() {
  Error("Back", "Not supported by this iterator");
}

// ---------------------------------------------------------------------------

void TAdvItemsIterator::SetItems(TAdvItems* items) {
  m_items = TAdvRef<TAdvItems>::Share(items);
  m_index = -1;
}

void TAdvItemsIterator::Last() {
  m_index = m_items ? m_items->Count() - 1 : -1;
}

void TAdvItemsIterator::CheckCurrent() const {
  if (!More()) Error("Current", "No current entry");
}

TAdvObject* TAdvListIterator::Current() const {
  CheckCurrent();
  return static_cast<TAdvList*>(m_items.Get())->GetItem(m_index);
}

const std::string& TAdvStringsIterator::Current() const {
  CheckCurrent();
  return static_cast<TAdvStrings*>(m_items.Get())->GetItem(m_index);
}

// ---------------------------------------------------------------------------

void TAdvHashIterator::SetHash(TAdvHash* hash) {
  m_hash = TAdvRef<TAdvHash>::Share(hash);
  m_current = nullptr;
  m_next = nullptr;
}

TAdvHashable* TAdvHashIterator::Current() const {
  if (!m_current) Error("Current", "No current entry");
  return m_current;
}

void TAdvHashIterator::FetchFrom(int from) {
  m_next = nullptr;
  if (!m_hash) return;
  for (int bucket = from; bucket < m_hash->Capacity(); ++bucket) {
    if (TAdvHashable* head = m_hash->BucketHead(bucket)) {
      m_next = head;
      m_nextBucket = bucket;
      return;
    }
  }
}

void TAdvHashIterator::First() {
  FetchFrom(0);
  Next();
}

void TAdvHashIterator::Next() {
  m_current = m_next;
  if (!m_current) return;
  if (m_current->Next())
    m_next = m_current->Next();
  else
    FetchFrom(m_nextBucket + 1);
}

// ---------------------------------------------------------------------------

void TAdvSetIterator::SetSet(TAdvSet* set) {
  m_set = TAdvRef<TAdvSet>::Share(set);
  m_range = -1;
}

bool TAdvSetIterator::More() const {
  return m_set && m_set->ExistsByIndex(m_range);
}

int32_t TAdvSetIterator::Current() const {
  if (!More()) Error("Current", "No current entry");
  return int32_t(m_value);
}

void TAdvSetIterator::First() {
  m_range = 0;
  if (More()) m_value = m_set->GetRange(0).Low;
}

void TAdvSetIterator::Last() {
  m_range = m_set ? m_set->Count() - 1 : -1;
  if (More()) m_value = m_set->GetRange(m_range).High;
}

void TAdvSetIterator::Next() {
  if (!More()) return;
  if (m_value < m_set->GetRange(m_range).High) {
    ++m_value;
  } else if (++m_range < m_set->Count()) {
    m_value = m_set->GetRange(m_range).Low;
  }
}

void TAdvSetIterator::Back() {
  if (!More()) return;
  if (m_value > m_set->GetRange(m_range).Low) {
    --m_value;
  } else if (--m_range >= 0) {
    m_value = m_set->GetRange(m_range).High;
  }
}
