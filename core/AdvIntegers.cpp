#include "core/AdvIntegers.h"

#include <charconv>
#include <vector>

#include "core/AdvFilers.h"
#include "core/AdvStrings.h"

ADV_CLASS_IMPL(TAdvIntegers, TAdvItems)
ADV_CLASS_IMPL(TAdvBooleans, TAdvItems)

namespace {
std::string AlreadyExists(int64_t value) {
  return "Item already exists in list (" + std::to_string(value) + ")";
}
std::string Missing(int64_t value) {
  return "'" + std::to_string(value) + "' not found in list";
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}
}  // namespace

std::string TAdvIntegers::AsText() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    if (i > 0) text += m_separator;
    text += std::to_string(Entry(i));
  }
  return text;
}

void TAdvIntegers::SetAsText(std::string_view text) {
  std::vector<int32_t> values;
  AdvSplitText(text, m_separator, [&](std::string_view piece) {
    const std::string_view digits = Trim(piece);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
      Error("AsText", "'" + std::string(piece) + "' is not a valid integer");
    values.push_back(value);
  });
  Clear();
  for (int32_t value : values) Add(value);
}

int TAdvIntegers::CompareEntries(const int32_t& a, const int32_t& b) const {
  return AdvCompareValues(a, b);
}

void TAdvIntegers::DefineEntry(TAdvFiler& filer, int index) {
  filer.DefineInteger(Entry(index));
}

int TAdvIntegers::Add(int32_t value) {
  return AddValue(value, [](int32_t v) { return AlreadyExists(v); });
}

void TAdvIntegers::DeleteByValue(int32_t value) {
  int index;
  if (!Find(value, index)) Error("Delete", Missing(value));
  CloseSlot(index);
}

// ---------------------------------------------------------------------------

int TAdvBooleans::CompareEntries(const uint8_t& a, const uint8_t& b) const {
  return AdvCompareValues(a != 0, b != 0);
}

void TAdvBooleans::DefineEntry(TAdvFiler& filer, int index) {
  bool value = Entry(index) != 0;
  filer.DefineBoolean(value);
  Entry(index) = value ? 1 : 0;
}

int TAdvBooleans::Add(bool value) {
  return AddValue(value ? 1 : 0, [](uint8_t v) { return AlreadyExists(v); });
}

void TAdvBooleans::DeleteByValue(bool value) {
  int index;
  if (!Find(value ? 1 : 0, index)) Error("Delete", Missing(value ? 1 : 0));
  CloseSlot(index);
}
