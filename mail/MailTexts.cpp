#include "mail/MailTexts.h"

#include <cstdint>

#include "core/AdvShell.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsControl(char c) {
  const auto byte = static_cast<uint8_t>(c);
  return byte < 32 || byte == 127;
}

// Length of the UTF-8 sequence starting at `i`, or 0 when it is malformed.
size_t Utf8Length(std::string_view text, size_t i) {
  const auto lead = static_cast<uint8_t>(text[i]);
  size_t length;
  uint32_t code;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<uint8_t>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
      (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
    return 0;
  return length;
}

}  // namespace

void AppendAddresses(std::string_view entry, std::vector<std::string>& addresses) {
  size_t start = 0;
  while (start <= entry.size()) {
    size_t end = entry.find(';', start);
    if (end == std::string_view::npos) end = entry.size();
    size_t first = start, last = end;
    while (first < last && IsBlank(entry[first])) ++first;
    while (last > first && IsBlank(entry[last - 1])) --last;
    if (last > first) addresses.emplace_back(entry.substr(first, last - first));
    start = end + 1;
  }
}

bool IsSafeAddress(std::string_view address) {
  for (char c : address)
    if (IsControl(c) || c == '<' || c == '>') return false;
  return true;
}

bool IsSafeHeaderText(std::string_view text) {
  for (char c : text)
    if (IsControl(c) && c != '\t') return false;
  return true;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8Length(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string TextAsUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  // windows-1252 0x80..0x9F; the five unassigned bytes keep their C1 code.
  static constexpr uint16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    const uint32_t code = byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::string EncodeHeaderText(std::string_view text) {
  bool plain = true;
  for (char c : text)
    if (static_cast<uint8_t>(c) >= 0x80 || (IsControl(c) && c != '\t')) plain = false;
  if (plain) return std::string(text);

  const bool utf8 = IsValidUtf8(text);
  const std::string prefix = utf8 ? "=?UTF-8?B?" : "=?windows-1252?B?";
  // 75 characters per word: what the prefix and "?=" leave, in whole base64
  // quanta of 4 characters for 3 bytes.
  const size_t maxBytes = (75 - prefix.size() - 2) / 4 * 3;
  std::string out;
  for (size_t i = 0; i < text.size();) {
    size_t end = i;
    while (end < text.size()) {
      const size_t step = utf8 ? Utf8Length(text, end) : 1;
      if (end + step - i > maxBytes) break;
      end += step;
    }
    if (!out.empty()) out += "\r\n ";
    out += prefix + Base64Encode(text.substr(i, end - i)) + "?=";
    i = end;
  }
  return out;
}

std::string BodyEntryText(std::string_view entry) {
  std::string out;
  out.reserve(entry.size() + 8);
  auto addLine = [&out](std::string_view line) {
    do {
      // A stuffed line must stay within the limit as well.
      const size_t room = !line.empty() && line[0] == '.' ? kMaxMailLine - 1 : kMaxMailLine;
      const std::string_view piece = line.substr(0, room);
      if (!piece.empty() && piece[0] == '.') out += '.';
      out.append(piece);
      out += "\r\n";
      line.remove_prefix(piece.size());
    } while (!line.empty());
  };
  size_t start = 0;
  for (size_t i = 0; i < entry.size(); ++i) {
    if (entry[i] != '\r' && entry[i] != '\n') continue;
    addLine(entry.substr(start, i - start));
    if (entry[i] == '\r' && i + 1 < entry.size() && entry[i + 1] == '\n') ++i;
    start = i + 1;
  }
  addLine(entry.substr(start));
  return out;
}
