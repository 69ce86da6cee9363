#include "core/AdvTexts.h"

#include <algorithm>

namespace {

bool SameAsciiAt(std::string_view text, size_t pos, std::string_view find) {
  return SameTextAscii(text.substr(pos, find.size()), find);
}

bool EndsWithAscii(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && SameAsciiAt(text, text.size() - ending.size(), ending);
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement,
                       bool caseSensitive) {
  if (find.empty() || find.size() > text.size()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    size_t hit = std::string_view::npos;
    if (caseSensitive) {
      hit = text.find(find, pos);
    } else {
      for (size_t i = pos; i + find.size() <= text.size(); ++i)
        if (SameAsciiAt(text, i, find)) {
          hit = i;
          break;
        }
    }
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos)).append(replacement);
    pos = hit + find.size();
  }
  out.append(text.substr(std::min(pos, text.size())));
  return out;
}

std::string PadRight(std::string_view text, char fill, int32_t width) {
  std::string out(text);
  if (width > 0 && out.size() < size_t(width)) out.append(size_t(width) - out.size(), fill);
  return out;
}

std::string PadLeft(std::string_view text, char fill, int32_t width) {
  if (width <= 0 || text.size() >= size_t(width)) return std::string(text);
  return std::string(size_t(width) - text.size(), fill).append(text);
}

std::string PadCentre(std::string_view text, char fill, int32_t width) {
  if (width <= 0 || text.size() >= size_t(width)) return std::string(text);
  const size_t before = (size_t(width) - text.size()) / 2;
  return PadRight(std::string(before, fill).append(text), fill, width);
}

std::string RepeatChar(char c, int32_t count) {
  return count > 0 ? std::string(size_t(count), c) : std::string();
}

std::string TrimSet(std::string_view text, std::string_view set) {
  const size_t first = text.find_first_not_of(set);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(set);
  return std::string(text.substr(first, last - first + 1));
}

bool SplitAt(std::string_view text, std::string_view separator, std::string& before,
             std::string& after) {
  const size_t pos = separator.empty() ? std::string_view::npos : text.find(separator);
  if (pos == std::string_view::npos) {
    before.clear();
    after.clear();
    return false;
  }
  before = std::string(text.substr(0, pos));
  after = std::string(text.substr(pos + separator.size()));
  return true;
}

int32_t LastIndexOfChar(char c, std::string_view text) {
  const size_t pos = text.rfind(c);
  return pos == std::string_view::npos ? 0 : int32_t(pos + 1);
}

int32_t SplitChar(std::string_view buffer, char c, bool keepEmpty,
                  std::vector<std::string_view>& parts, int32_t limit) {
  parts.clear();
  if (buffer.empty() || limit <= 0) return 0;
  const bool skipBlanks = !(c == ' ' && keepEmpty);
  size_t start = 0;
  for (;;) {
    const bool last = int32_t(parts.size()) + 1 >= limit;
    const size_t cut = last ? std::string_view::npos : buffer.find(c, start);
    const std::string_view piece =
        buffer.substr(start, cut == std::string_view::npos ? cut : cut - start);
    if (keepEmpty || !piece.empty()) parts.push_back(piece);
    if (cut == std::string_view::npos) break;
    start = cut + 1;
    if (skipBlanks)
      while (start < buffer.size() && buffer[start] == ' ') ++start;
  }
  return int32_t(parts.size());
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& ch : out) ch = AsciiUpper(ch);
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& ch : out) ch = AsciiLower(ch);
  return out;
}

std::string Capitalise(std::string_view text) {
  std::string out = LowerAscii(text);
  if (out.size() > 1) out[0] = AsciiUpper(out[0]);
  return out;
}

std::string EnsurePrefix(std::string_view text, char c) {
  if (!text.empty() && text.front() == c) return std::string(text);
  return std::string(1, c).append(text);
}

std::string EnsureSuffix(std::string_view text, char c) {
  std::string out(text);
  if (!out.empty() && out.back() != c) out += c;
  return out;
}

std::string RemovePrefixChar(std::string_view text, char c) {
  if (!text.empty() && text.front() == c) text.remove_prefix(1);
  return std::string(text);
}

std::string EnsureEnding(std::string_view text, std::string_view ending) {
  std::string out(text);
  if (!EndsWithAscii(text, ending)) out.append(ending);
  return out;
}

std::string RemoveEnding(std::string_view text, std::string_view ending) {
  if (EndsWithAscii(text, ending)) text.remove_suffix(ending.size());
  return std::string(text);
}

std::string Pluralise(std::string_view word, int64_t count) {
  std::string out(word);
  if (count == 1 || word.empty()) return out;
  const char last = AsciiUpper(word.back());
  if (EndsWithAscii(word, "th")) return out + "s";
  if (last == 'H' || last == 'J' || last == 'S' || last == 'X' || last == 'Z') return out + "es";
  if (last == 'Y' && word.size() > 2) {
    // B-D, F-H, J-N, P-T, V-Z: every letter but the vowels A, E, I, O, U.
    const char before = AsciiUpper(word[word.size() - 2]);
    const bool consonant = before >= 'B' && before <= 'Z' && before != 'E' && before != 'I' &&
                           before != 'O' && before != 'U';
    if (consonant) return out.substr(0, out.size() - 1) + "ies";
  }
  return out + "s";
}

bool IsTrueText(std::string_view text) {
  return SameTextAscii(text, "True");
}

uint32_t ByteSum(std::string_view text) {
  uint32_t sum = 0;
  for (const char ch : text) sum += static_cast<unsigned char>(ch);
  return sum;
}
