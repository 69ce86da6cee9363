#include "core/AdvItems.h"

#include "core/AdvFilers.h"

ADV_ABSTRACT_CLASS_IMPL(TAdvItems, TAdvPersistent)

namespace {
std::string Str(int64_t value) {
  return std::to_string(value);
}
}  // namespace

void TAdvItems::SetCount(int count) {
  if (count < 0) Error("Count", "Invalid count " + Str(count));
  if (count > m_capacity) SetCapacity(count);
  if (count > m_count) {
    ClearEntries(m_count, count - m_count);
  } else {
    for (int i = m_count - 1; i >= count; --i) DisposeEntry(i);
  }
  m_count = count;
}

void TAdvItems::SetCapacity(int capacity) {
  const int limit = Limit();
  if (capacity < 0 || capacity > limit)
    Error("Capacity", "Invalid capacity " + Str(capacity) + " (limit " + Str(limit) + ")");
  if (capacity == m_capacity) return;
  for (int i = m_count - 1; i >= capacity; --i) DisposeEntry(i);
  if (m_count > capacity) m_count = capacity;
  ResizeStorage(capacity);
  m_capacity = capacity;
}

void TAdvItems::SetSorted(bool sorted) {
  m_sorted = sorted;
  if (sorted) Sort();
}

void TAdvItems::SetDirection(int direction) {
  if (direction != 1 && direction != -1)
    Error("Direction", "Invalid direction " + Str(direction) + " (must be 1 or -1)");
  if (direction == m_direction) return;
  m_direction = direction;
  // A sorted list searches by the direction it was sorted in.
  if (m_sorted) Sort();
}

void TAdvItems::DeleteByIndex(int index) {
  CheckIndex(index, "DeleteByIndex");
  CloseSlot(index);
}

void TAdvItems::Exchange(int a, int b) {
  CheckIndex(a, "Exchange");
  CheckIndex(b, "Exchange");
  if (a != b) ExchangeEntries(a, b);
}

void TAdvItems::Sort() {
  SortByIndex([this](int a, int b) { return CompareByIndex(a, b); });
}

void TAdvItems::SortByIndex(IndexCompare compare) {
  if (m_count < 2) return;
  QuickSort(compare, 0, m_count - 1);
}

// Quicksort on the middle element. The pivot is tracked by index as entries
// move, so comparisons never need a copy of an entry. The bounds guards only
// matter for an inconsistent comparison, which then yields some order instead
// of running off the ends.
void TAdvItems::QuickSort(IndexCompare compare, int low, int high) {
  while (low < high) {
    int i = low;
    int j = high;
    int p = low + (high - low) / 2;
    do {
      while (i < high && Directed(compare(i, p)) < 0) ++i;
      while (j > low && Directed(compare(j, p)) > 0) --j;
      if (i <= j) {
        if (i != j) ExchangeEntries(i, j);
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        ++i;
        --j;
      }
    } while (i <= j);
    // Recurse into the smaller part and loop on the larger, so the stack
    // stays logarithmic whatever the input.
    if (j - low < high - i) {
      if (low < j) QuickSort(compare, low, j);
      low = i;
    } else {
      if (i < high) QuickSort(compare, i, high);
      high = j;
    }
  }
}

void TAdvItems::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  if (&source == this) return;
  const auto& items = static_cast<const TAdvItems&>(source);
  Clear();
  SetCount(items.Count());
  for (int i = 0; i < m_count; ++i) AssignEntry(items, i);
  m_sorted = items.m_sorted;
}

size_t TAdvItems::SizeInBytes() const {
  return TAdvPersistent::SizeInBytes() + size_t(m_capacity) * SlotSize();
}

void TAdvItems::Load(TAdvFiler& filer) {
  Clear();
  filer.DefineBegin();
  Define(filer);
  for (;;) {
    const TAdvFilerKind next = filer.Peek();
    // The XML reader peeks an entry's <item> tag as Unknown, so anything
    // but End is an entry; each pass consumes input or raises at its end.
    if (next == TAdvFilerKind::End) break;
    const int index = m_count;
    const std::string name = "Item[" + Str(index) + "]";
    filer.Field(name).DefineBegin();
    OpenSlot(index);
    try {
      DefineEntry(filer, index);
    } catch (...) {
      CloseSlot(index);
      throw;
    }
    filer.Field(name).DefineEnd();
  }
  filer.DefineEnd();
  if (m_sorted) Sort();
}

void TAdvItems::Save(TAdvFiler& filer) {
  filer.DefineBegin();
  Define(filer);
  for (int i = 0; i < m_count; ++i) {
    const std::string name = "Item[" + Str(i) + "]";
    filer.Field(name).DefineBegin();
    DefineEntry(filer, i);
    filer.Field(name).DefineEnd();
  }
  filer.DefineEnd();
}

int TAdvItems::Limit() const {
  Error("Limit", "Limit not specified.");
  return 0;
}

void TAdvItems::Clear() {
  for (int i = m_count - 1; i >= 0; --i) DisposeEntry(i);
  m_count = 0;
  ResizeStorage(0);
  m_capacity = 0;
}

void TAdvItems::OpenSlot(int index) {
  CheckInsertIndex(index, "OpenSlot");
  if (m_count >= m_capacity) Grow();
  MoveEntries(index, index + 1, m_count - index);
  ClearEntries(index, 1);
  ++m_count;
}

void TAdvItems::CloseSlot(int index) {
  CheckIndex(index, "CloseSlot");
  DisposeEntry(index);
  MoveEntries(index + 1, index, m_count - index - 1);
  --m_count;
  ClearEntries(m_count, 1);
}

bool TAdvItems::Search(KeyCompare compare, int& index) const {
  if (!m_sorted) {
    for (int i = 0; i < m_count; ++i) {
      if (compare(i) == 0) {
        index = i;
        return true;
      }
    }
    index = m_count;
    return false;
  }
  int low = 0;
  int high = m_count - 1;
  bool found = false;
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const int result = Directed(compare(mid));
    if (result < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (result == 0) {
        found = true;
        if (m_duplicates != TAdvDuplicates::Accept) {
          low = mid;
          break;
        }
      }
    }
  }
  index = low;
  return found;
}

bool TAdvItems::Placement(KeyCompare compare, int& index) const {
  if (m_duplicates != TAdvDuplicates::Accept) return !Search(compare, index);
  if (m_sorted)
    Search(compare, index);
  else
    index = m_count;
  return true;
}

void TAdvItems::RaiseIndexError(int index, int last, std::string_view operation) const {
  Error(operation, "Index " + Str(index) + " out of bounds (0.." + Str(last) + ")");
}

void TAdvItems::CheckInsertIndex(int index, std::string_view operation) const {
  if (index < 0 || index > m_count) RaiseIndexError(index, m_count, operation);
}

void TAdvItems::Grow() {
  const int delta = m_capacity > 64 ? m_capacity / 4 : (m_capacity > 8 ? 16 : 4);
  const int limit = Limit();
  const int64_t target = std::min<int64_t>(int64_t(m_capacity) + delta, limit);
  if (target <= m_capacity)
    Error("Grow", "Unable to grow past the limit of " + Str(limit) + " entries");
  SetCapacity(int(target));
}
