#include "core/AdvShell.h"

#include "core/AdvAscii.h"
#include "core/AdvFormats.h"
#include "core/AdvNumbers.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Processes.h"
#include "platform/SystemInfo.h"

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The argument vector that opens `file`: the program itself when it is one,
// otherwise xdg-open with the file.
std::vector<std::string> OpenArguments(const std::string& file, std::string_view parameters) {
  if (!platform::IsExecutableFile(file)) return {"xdg-open", file[0] == '-' ? "./" + file : file};
  // A bare name would be looked up on PATH; the file meant is the one here.
  std::vector<std::string> arguments{file.find('/') == std::string::npos ? "./" + file : file};
  for (std::string& parameter : SplitParameters(parameters))
    arguments.push_back(std::move(parameter));
  return arguments;
}

std::string WithSlash(std::string folder, const char* sub) {
  return folder.empty() ? folder : folder + "/" + sub;
}

}  // namespace

bool ShellOpen(const std::string& file, std::string_view parameters) {
  if (file.empty()) return false;
  if (!platform::IsExecutableFile(file)) return platform::OpenWithDefaultHandler(file);
  return platform::StartDetachedProcess(OpenArguments(file, parameters));
}

int RunAndWait(const std::string& file, std::string_view parameters) {
  if (file.empty()) return -1;
  return platform::RunProcessAndWait(OpenArguments(file, parameters));
}

int RunProgramAndWait(const std::vector<std::string>& arguments) {
  return platform::RunProcessAndWait(arguments);
}

bool StartProgram(const std::vector<std::string>& arguments) {
  return platform::StartDetachedProcess(arguments);
}

std::vector<std::string> SplitParameters(std::string_view parameters) {
  std::vector<std::string> out;
  std::string current;
  bool inQuotes = false, any = false;
  for (const char c : parameters) {
    if (c == '"') {
      inQuotes = !inQuotes;
      any = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (any) out.push_back(std::move(current));
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) out.push_back(std::move(current));
  return out;
}

bool OpenUrl(std::string_view text) {
  if (text.empty()) return false;
  const bool http = text.size() >= 4 && SameTextAscii(text.substr(0, 4), "http");
  return platform::OpenWithDefaultHandler((http ? "" : "http://") + std::string(text));
}

std::string MailToUrl(std::string_view address, std::string_view subject, std::string_view body) {
  std::string url = "mailto:" + std::string(address);
  if (!subject.empty()) url += "?Subject=" + UrlEncode(subject);
  if (!body.empty()) url += (subject.empty() ? "?Body=" : "&Body=") + UrlEncode(body);
  return url;
}

bool OpenMail(std::string_view address, std::string_view subject, std::string_view body) {
  return platform::OpenWithDefaultHandler(MailToUrl(address, subject, body));
}

std::string UrlEncode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '/' || c == ':' || c == ';' || c == '?';
    if (keep) {
      out += c;
    } else {
      const uint8_t byte = static_cast<uint8_t>(c);
      out += '%';
      out += BytesToHex(&byte, 1);
    }
  }
  return out;
}

std::string UrlDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    uint8_t high = 0, low = 0;
    if (i + 2 < text.size() && HexDigitStrict(text[i + 1], high) &&
        HexDigitStrict(text[i + 2], low))
      out += char(high << 4 | low);
    i += 2;  // the two characters after "%" go, decoded or not
  }
  return out;
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t n = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 |
                       uint8_t(bytes[i + 2]);
    out += kBase64[n >> 18];
    out += kBase64[n >> 12 & 63];
    out += kBase64[n >> 6 & 63];
    out += kBase64[n & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const uint32_t n =
        uint32_t(uint8_t(bytes[i])) << 16 | (two ? uint32_t(uint8_t(bytes[i + 1])) << 8 : 0);
    out += kBase64[n >> 18];
    out += kBase64[n >> 12 & 63];
    out += two ? kBase64[n >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

bool Base64Decode(std::string_view text, std::string& bytes) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  uint32_t accumulator = 0;
  int bits = 0, fill = 0;
  for (const char c : text) {
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
    if (c == '=') {
      ++fill;
      continue;
    }
    const char* at = std::char_traits<char>::find(kBase64, 64, c);
    if (!at || fill > 0) return false;  // a foreign character, or data after "="
    accumulator = (accumulator << 6 | uint32_t(at - kBase64)) & 0xFFFFFF;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += char(accumulator >> bits & 0xFF);
    }
  }
  // Groups of four characters: a last group of two characters leaves 4 bits
  // and takes "==", one of three leaves 2 bits and takes "="; the fill may
  // also be missing altogether. One character alone (6 bits) is never valid.
  const int expectedFill = bits == 4 ? 2 : bits == 2 ? 1 : 0;
  if (bits == 6 || (fill != 0 && fill != expectedFill)) return false;
  bytes = std::move(out);
  return true;
}

std::string OperatingSystemText() {
  platform::TSystemVersion version;
  if (!platform::SystemVersion(version)) return "Unknown [0.0.0]";
  return AdvFormat("%s %d.%d [%d.%d.%d]", {version.Name, version.Major, version.Minor,
                                           version.Major, version.Minor, version.Build});
}

bool IsNtFamily() {
  return true;
}
bool IsNt5OrLater() {
  return true;
}
bool IsNt6OrLater() {
  return true;
}

std::string LanguageName() {
  return platform::LocaleName();
}

std::string SpecialFolder(TSpecialFolder kind) {
  switch (kind) {
    case TSpecialFolder::RecycleBin:
      return WithSlash(platform::DataFolder(), "Trash");
    case TSpecialFolder::Desktop:
    case TSpecialFolder::DesktopFolder:
      return platform::DesktopFolder();
    case TSpecialFolder::Fonts:
      return WithSlash(platform::DataFolder(), "fonts");
    case TSpecialFolder::MyDocuments:
      return platform::DocumentsFolder();
    case TSpecialFolder::Programs:
    case TSpecialFolder::StartMenu:
      return WithSlash(platform::DataFolder(), "applications");
    case TSpecialFolder::StartUp:
      return WithSlash(platform::ConfigFolder(), "autostart");
    case TSpecialFolder::Templates:
      return platform::TemplatesFolder();
    case TSpecialFolder::ApplicationData:
      return platform::ConfigFolder();
    case TSpecialFolder::CommonApplicationData:
      return platform::SharedDataFolder();
    case TSpecialFolder::LocalApplicationData:
      return platform::StateFolder();
    default:
      return {};
  }
}
