#include "core/Hashes.h"

#include <iterator>

#include "core/AdvAscii.h"
#include "core/AdvFilers.h"

ADV_CLASS_IMPL(THashable, TAdvHashable)
ADV_CLASS_IMPL(THash, TAdvHash)

namespace {
constexpr int kPrimes[] = {5,       13,
                           29,      61,
                           127,     251,
                           503,     1009,
                           2161,    3989,
                           7723,    17471,
                           35507,   76387,
                           154001,  298693,
                           611957,  1299721,
                           2015179, 4256249,
                           8163049, THash::kLargestCapacity};
}  // namespace

uint32_t THashable::HashOf(std::string_view name) {
  uint32_t code = 0;
  uint32_t power = 1;  // 27^k, wrapping like the sum
  for (char c : name) {
    const uint32_t letter = (uint32_t(static_cast<unsigned char>(AsciiUpper(c))) - 65u) & 255u;
    code += letter * power;
    power *= 27u;
  }
  return code;
}

void THashable::SetName(std::string_view name) {
  m_name.assign(name);
  SetHashCode(HashOf(m_name));
}

bool THashable::Equals(const TAdvHashable& other) const {
  if (HashCode() != other.HashCode()) return false;
  const auto* named = AdvCast<THashable>(&other);
  return named && SameTextAscii(m_name, named->m_name);
}

void THashable::Assign(const TAdvObject& source) {
  TAdvHashable::Assign(source);
  m_name = static_cast<const THashable&>(source).m_name;
}

void THashable::Define(TAdvFiler& filer) {
  TAdvHashable::Define(filer);
  filer.Field("Name").DefineString(m_name);
  if (filer.IsReader()) SetHashCode(HashOf(m_name));
}

// ---------------------------------------------------------------------------

int THash::NextPrimeCapacity(int capacity) {
  const int64_t wanted = int64_t(capacity) * 2 + 1;
  for (int prime : kPrimes)
    if (prime >= wanted) return prime;
  return 0;
}

void THash::Grow() {
  // Decide first: a table that cannot grow must not have been touched.
  const int next = Capacity() == 0 ? InitialCapacity() : NextPrimeCapacity(Capacity());
  if (next <= 0) Error("Expand", "Unable to expand table past " + std::to_string(kLargestCapacity));
  SetCapacity(next);
}

THashable& THash::Key(std::string_view name) const {
  if (!m_spare) {
    TAdvRef<TAdvObject> made(EntryClass()->Create());
    auto* key = AdvCast<THashable>(made.Get());
    if (!key) Error("Key", std::string("Entry class is not a hashable: ") + EntryClass()->Name);
    made.Detach();
    m_spare.Reset(key);
  }
  m_spare->SetName(name);
  return *m_spare;
}

THashable* THash::AddEntry(std::string_view name) {
  TAdvRef<TAdvObject> made(EntryClass()->Create());
  auto* entry = AdvCast<THashable>(made.Get());
  if (!entry)
    Error("AddEntry", std::string("Entry class is not a hashable: ") + EntryClass()->Name);
  entry->SetName(name);
  Add(entry);
  made.Detach();
  return entry;
}

void THash::RemoveByName(std::string_view name) {
  Remove(Key(name));
}

THashable* THash::ForceByName(std::string_view name) {
  return static_cast<THashable*>(Force(Key(name)));
}

THashable* THash::GetByName(std::string_view name) const {
  // No key entry is needed, so a table that is only searched and added to
  // never makes one (a session's site table is one of hundreds of thousands).
  return FindNamed<THashable>(THashable::HashOf(name), name);
}
