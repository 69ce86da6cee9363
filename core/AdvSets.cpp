#include "core/AdvSets.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/AdvFilers.h"
#include "core/AdvStreams.h"

ADV_CLASS_IMPL(TAdvSet, TAdvItems)

namespace {
std::string RangeText(int32_t low, int32_t high) {
  return "[" + std::to_string(low) + ", " + std::to_string(high) + "]";
}

void PutInt32(uint8_t* out, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[i] = uint8_t(bits >> (8 * i));
}

int32_t GetInt32(const uint8_t* in) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= uint32_t(in[i]) << (8 * i);
  return static_cast<int32_t>(bits);
}
}  // namespace

TAdvSet::TAdvSet() {
  SetSorted(true);
}

void TAdvSet::AddRange(int32_t low, int32_t high) {
  if (low > high) Error("AddRange", "Invalid range " + RangeText(low, high));
  // A range matches when its span widened by one on each side holds `low`;
  // the leftmost match is the one to widen.
  auto touches = [&](int i) {
    const TAdvRange& r = Entry(i);
    if (int64_t(r.High) + 1 < low) return -1;
    if (int64_t(r.Low) - 1 > low) return 1;
    return 0;
  };
  int index;
  if (Search(touches, index)) {
    while (index > 0 && touches(index - 1) == 0) --index;
    TAdvRange& r = Entry(index);
    r.Low = std::min(r.Low, low);
    r.High = std::max(r.High, high);
  } else {
    TAdvValueItems::Insert(index, TAdvRange{low, high});
  }
  // Swallow the following ranges that the widened one now touches.
  while (index + 1 < Count() && int64_t(Entry(index + 1).Low) - 1 <= Entry(index).High) {
    Entry(index).High = std::max(Entry(index).High, Entry(index + 1).High);
    CloseSlot(index + 1);
  }
}

void TAdvSet::RemoveRange(int32_t low, int32_t high) {
  if (low > high) Error("RemoveRange", "Invalid range " + RangeText(low, high));
  for (int i = Count() - 1; i >= 0; --i) {
    const TAdvRange r = Entry(i);
    if (r.High < low) break;  // every range further down lies below
    if (r.Low > high) continue;
    if (r.Low >= low && r.High <= high) {
      CloseSlot(i);
    } else if (r.Low < low && r.High > high) {
      Entry(i).High = low - 1;
      TAdvValueItems::Insert(i + 1, TAdvRange{high + 1, r.High});
    } else if (r.Low < low) {
      Entry(i).High = low - 1;
    } else {
      Entry(i).Low = high + 1;
    }
  }
}

int TAdvSet::IndexOfValue(int32_t value) const {
  int index;
  const bool found = Search(
      [&](int i) {
        const TAdvRange& r = Entry(i);
        return r.High < value ? -1 : (r.Low > value ? 1 : 0);
      },
      index);
  return found ? index : -1;
}

void TAdvSet::Union(const TAdvSet& other) {
  std::vector<TAdvRange> ranges;
  for (int i = 0; i < other.Count(); ++i) ranges.push_back(other.Entry(i));
  for (const TAdvRange& r : ranges) AddRange(r.Low, r.High);
}

void TAdvSet::Subtract(const TAdvSet& other) {
  std::vector<TAdvRange> ranges;
  for (int i = 0; i < other.Count(); ++i) ranges.push_back(other.Entry(i));
  for (const TAdvRange& r : ranges) RemoveRange(r.Low, r.High);
}

// Both range lists are sorted, so one merge walk finds every overlap, and
// the overlaps come out sorted and disjoint.
void TAdvSet::Intersect(const TAdvSet& other) {
  std::vector<TAdvRange> result;
  int a = 0;
  int b = 0;
  while (a < Count() && b < other.Count()) {
    const TAdvRange& x = Entry(a);
    const TAdvRange& y = other.Entry(b);
    const int32_t low = std::max(x.Low, y.Low);
    const int32_t high = std::min(x.High, y.High);
    if (low <= high) {
      // Overlaps of one range with two neighbours are separated by the gap
      // between those neighbours, so they never touch.
      result.push_back(TAdvRange{low, high});
    }
    if (x.High < y.High)
      ++a;
    else
      ++b;
  }
  ReplaceRanges(result);
}

void TAdvSet::ReplaceRanges(const std::vector<TAdvRange>& ranges) {
  Clear();
  SetCount(int(ranges.size()));
  for (int i = 0; i < Count(); ++i) Entry(i) = ranges[size_t(i)];
}

int32_t TAdvSet::Min() const {
  return Count() > 0 ? Entry(0).Low : 0;
}

int32_t TAdvSet::Max() const {
  return Count() > 0 ? Entry(Count() - 1).High : 0;
}

int64_t TAdvSet::MemberCount() const {
  int64_t members = 0;
  for (int i = 0; i < Count(); ++i) members += int64_t(Entry(i).High) - Entry(i).Low + 1;
  return members;
}

int TAdvSet::CompareEntries(const TAdvRange& a, const TAdvRange& b) const {
  const int low = AdvCompareValues(a.Low, b.Low);
  return low != 0 ? low : AdvCompareValues(a.High, b.High);
}

void TAdvSet::Define(TAdvFiler& filer) {
  TAdvValueItems::Define(filer);
  int32_t count = Count();
  filer.Field("Count").DefineInteger(count);
  if (filer.IsReader()) {
    DefineRead(filer, count);
    return;
  }
  std::vector<uint8_t> bytes(size_t(count) * 8);
  for (int i = 0; i < count; ++i) {
    PutInt32(&bytes[size_t(i) * 8], Entry(i).Low);
    PutInt32(&bytes[size_t(i) * 8 + 4], Entry(i).High);
  }
  filer.Field("Integers").DefineBinary(bytes.data(), uint32_t(bytes.size()));
}

// Reads into a buffer and checks every range before touching the set, so a
// damaged file leaves the set as it was.
void TAdvSet::DefineRead(TAdvFiler& filer, int32_t count) {
  if (count < 0 || count > Limit()) Error("Define", "Invalid range count " + std::to_string(count));
  const int64_t size = int64_t(count) * 8;
  if (TAdvStream* stream = filer.Stream()) {
    const int64_t readable = stream->Readable();
    if (readable >= 0 && readable < size)
      Error("Define", "Invalid range count " + std::to_string(count) + ": the data is too short");
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  filer.Field("Integers").DefineBinary(bytes.data(), uint32_t(bytes.size()));
  std::vector<TAdvRange> ranges(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    TAdvRange& r = ranges[size_t(i)];
    r.Low = GetInt32(&bytes[size_t(i) * 8]);
    r.High = GetInt32(&bytes[size_t(i) * 8 + 4]);
    const bool ordered = i == 0 || int64_t(r.Low) > int64_t(ranges[size_t(i) - 1].High) + 1;
    if (r.Low > r.High || !ordered)
      Error("Define",
            "Invalid range " + RangeText(r.Low, r.High) + " at index " + std::to_string(i));
  }
  ReplaceRanges(ranges);
}
