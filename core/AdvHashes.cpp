#include "core/AdvHashes.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "core/AdvAscii.h"
#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TAdvHashable, TAdvPersistent)
ADV_CLASS_IMPL(TAdvStringHashable, TAdvHashable)
ADV_CLASS_IMPL(TAdvHash, TAdvPersistent)
ADV_CLASS_IMPL(TAdvStringHash, TAdvHash)

void TAdvHashable::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  m_code = static_cast<const TAdvHashable&>(source).m_code;
}

// ---------------------------------------------------------------------------

uint32_t TAdvStringHashable::HashOf(std::string_view name) {
  uint32_t code = 0;
  for (size_t k = 1; k < name.size(); ++k) {
    const auto previous = static_cast<unsigned char>(AsciiUpper(name[k - 1]));
    const auto current = static_cast<unsigned char>(AsciiUpper(name[k]));
    // Positions count from 1, so the character at index k is number k + 1.
    code += uint32_t(previous) * uint32_t(current) * uint32_t(k + 1);
  }
  return code;
}

void TAdvStringHashable::SetName(std::string_view name) {
  m_name.assign(name);
  SetHashCode(HashOf(m_name));
}

bool TAdvStringHashable::Equals(const TAdvHashable& other) const {
  if (HashCode() != other.HashCode()) return false;
  const auto* named = AdvCast<TAdvStringHashable>(&other);
  return named && SameTextAscii(m_name, named->m_name);
}

void TAdvStringHashable::Assign(const TAdvObject& source) {
  TAdvHashable::Assign(source);
  m_name = static_cast<const TAdvStringHashable&>(source).m_name;
}

void TAdvStringHashable::Define(TAdvFiler& filer) {
  TAdvHashable::Define(filer);
  filer.Field("Name").DefineString(m_name);
  if (filer.IsReader()) SetHashCode(HashOf(m_name));
}

// ---------------------------------------------------------------------------

TAdvHash::~TAdvHash() {
  Clear();
}

void TAdvHash::SetCapacity(int capacity) {
  if (capacity < 0) Error("Capacity", "Invalid capacity " + std::to_string(capacity));
  if (capacity == 0 && m_count > 0)
    Error("Capacity", "A hash holding entries needs at least one bucket");
  // The new array exists before any entry moves: if it cannot be made the
  // table is untouched, and relinking itself cannot fail.
  std::vector<TAdvHashable*> old(size_t(capacity), nullptr);
  m_buckets.swap(old);
  for (TAdvHashable* head : old) {
    for (TAdvHashable* entry = head; entry;) {
      TAdvHashable* next = entry->m_next;
      TAdvHashable*& bucket = m_buckets[size_t(BucketOf(*entry))];
      entry->m_next = bucket;
      bucket = entry;
      entry = next;
    }
  }
  UpdateThreshold();
}

void TAdvHash::SetBalance(double balance) {
  if (!(balance > 0) || !std::isfinite(balance))
    Error("Balance", "Invalid balance " + std::to_string(balance) + " (must be above 0)");
  m_balance = balance;
  UpdateThreshold();
}

void TAdvHash::UpdateThreshold() {
  const double threshold = std::floor(double(Capacity()) * m_balance);
  m_threshold = threshold >= double(std::numeric_limits<int>::max())
                    ? std::numeric_limits<int>::max()
                    : int(threshold);
}

void TAdvHash::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  if (&source == this) return;
  const auto& hash = static_cast<const TAdvHash&>(source);
  Clear();
  SetBalance(hash.m_balance);
  SetCapacity(hash.Capacity());
  hash.ForEach([this](TAdvHashable* entry) {
    TAdvRef<TAdvHashable> copy(Duplicate(*entry));
    Add(copy.Get());
    copy.Detach();
  });
}

size_t TAdvHash::SizeInBytes() const {
  size_t size = TAdvPersistent::SizeInBytes() + m_buckets.size() * sizeof(TAdvHashable*);
  ForEach([&size](TAdvHashable* entry) { size += entry->SizeInBytes(); });
  return size;
}

void TAdvHash::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  double balance = m_balance;
  filer.Field("Balance").DefineReal(balance);
  if (filer.IsReader()) SetBalance(balance);
}

void LoadHashEntries(const TAdvObject& owner, TAdvFiler& filer, TAdvClass entryClass,
                     const std::function<void(TAdvRef<TAdvObject>)>& take) {
  for (;;) {
    const TAdvFilerKind next = filer.Peek();
    if (next == TAdvFilerKind::End) break;
    if (next == TAdvFilerKind::Unknown)
      owner.Error("Load", "Expected an entry or the end of the table but found an unknown value");
    filer.DefineBegin();
    TAdvObject* object = nullptr;
    TAdvRef<TAdvObject> loaded;
    try {
      filer.DefineObject(object, entryClass);
    } catch (...) {
      TAdvObject::Release(object);
      throw;
    }
    loaded.Reset(object);
    filer.DefineEnd();
    if (!loaded) continue;  // a stored nil holds no entry
    if (!loaded->IsClassByName(entryClass))
      owner.Error("Load",
                  "Can only contain objects descended from " + std::string(entryClass->Name));
    take(std::move(loaded));
  }
}

void TAdvHash::Load(TAdvFiler& filer) {
  filer.DefineBegin();
  Define(filer);
  LoadHashEntries(*this, filer, EntryClass(), [this](TAdvRef<TAdvObject> loaded) {
    if (!AdvCast<TAdvHashable>(loaded.Get()))
      Error("Load", "Can only contain objects descended from " + std::string(EntryClass()->Name));
    Add(static_cast<TAdvHashable*>(loaded.Get()));
    loaded.Detach();
  });
  filer.DefineEnd();
}

void TAdvHash::Save(TAdvFiler& filer) {
  filer.DefineBegin();
  Define(filer);
  ForEach([this, &filer](TAdvHashable* entry) {
    if (!SavesEntry(*entry)) return;
    filer.DefineBegin();
    TAdvObject* object = entry;
    filer.DefineObject(object, nullptr);
    filer.DefineEnd();
  });
  filer.DefineEnd();
}

bool TAdvHash::SavesEntry(const TAdvHashable&) const {
  return true;
}

int TAdvHash::BucketOf(const TAdvHashable& entry) const {
  return int(entry.HashCode() % uint32_t(Capacity()));
}

TAdvHashable* TAdvHash::Duplicate(const TAdvHashable& entry) const {
  return static_cast<TAdvHashable*>(entry.Clone());
}

void TAdvHash::Grow() {
  const int64_t next = int64_t(Capacity()) * 2 + 1;
  if (next > std::numeric_limits<int>::max())
    Error("Expand", "Unable to expand table past " + std::to_string(Capacity()));
  SetCapacity(int(next));
}

void TAdvHash::Rehash() {
  Grow();
}

void TAdvHash::Clear() {
  for (TAdvHashable*& head : m_buckets) {
    TAdvHashable* entry = head;
    head = nullptr;
    while (entry) {
      TAdvHashable* next = entry->m_next;
      entry->m_next = nullptr;
      entry->Release();
      entry = next;
    }
  }
  m_count = 0;
}

void TAdvHash::Add(TAdvHashable* entry) {
  if (!entry) Error("Add", "Entry not assigned");
  if (m_count >= m_threshold) Rehash();
  // Only a Grow override that makes no buckets leaves none here.
  if (m_buckets.empty()) Error("Add", "The table has no buckets");
  TAdvHashable*& bucket = m_buckets[size_t(BucketOf(*entry))];
  entry->m_next = bucket;
  bucket = entry;
  ++m_count;
}

void TAdvHash::Remove(const TAdvHashable& key) {
  if (!m_buckets.empty()) {
    TAdvHashable** link = &m_buckets[size_t(BucketOf(key))];
    for (TAdvHashable* entry = *link; entry; link = &entry->m_next, entry = *link) {
      if (entry->Equals(key)) {
        *link = entry->m_next;
        entry->m_next = nullptr;
        --m_count;
        entry->Release();
        return;
      }
    }
  }
  Error("Remove", "Item not found in hash.");
}

TAdvHashable* TAdvHash::Force(const TAdvHashable& key) {
  if (TAdvHashable* found = Get(key)) return found;
  TAdvRef<TAdvHashable> entry(Duplicate(key));
  Add(entry.Get());
  return entry.Detach();
}

TAdvHashable* TAdvHash::Get(const TAdvHashable& key) const {
  if (m_buckets.empty()) return nullptr;
  for (TAdvHashable* entry = m_buckets[size_t(BucketOf(key))]; entry; entry = entry->m_next)
    if (entry->Equals(key)) return entry;
  return nullptr;
}

// ---------------------------------------------------------------------------

TAdvStringHashable& TAdvStringHash::Key(std::string_view name) const {
  if (!m_spare) {
    TAdvRef<TAdvObject> made(EntryClass()->Create());
    auto* key = AdvCast<TAdvStringHashable>(made.Get());
    if (!key)
      Error("Key", std::string("Entry class is not a string hashable: ") + EntryClass()->Name);
    made.Detach();
    m_spare.Reset(key);
  }
  m_spare->SetName(name);
  return *m_spare;
}

TAdvStringHashable* TAdvStringHash::GetByName(std::string_view name) const {
  // No copy into the spare key.
  return FindNamed<TAdvStringHashable>(TAdvStringHashable::HashOf(name), name);
}

void TAdvStringHash::RemoveByName(std::string_view name) {
  Remove(Key(name));
}

TAdvStringHashable* TAdvStringHash::ForceByName(std::string_view name) {
  return static_cast<TAdvStringHashable*>(Force(Key(name)));
}
