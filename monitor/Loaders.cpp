#include "monitor/Loaders.h"

#include <algorithm>
#include <cstdio>

#include "core/AdvAscii.h"
#include "core/AdvDates.h"
#include "core/AdvFilers.h"
#include "core/AdvFormats.h"
#include "platform/Clock.h"
#include "platform/TimeZones.h"

ADV_EXCEPTION_IMPL(ELoader, EAdvanced)
ADV_EXCEPTION_IMPL(EFormat, EAdvanced)

ADV_CLASS_IMPL(TFormat, TAdvPersistent)
ADV_CLASS_IMPL(TFormatHashable, TAdvStringHashable)
ADV_CLASS_IMPL(TFormatHash, TAdvStringHash)
ADV_CLASS_IMPL(TLoader, TAdvPersistent)
ADV_CLASS_IMPL(TLoaderClasses, TAdvObject)

// ---------------------------------------------------------------------------
// TFormat

void TFormat::Error(std::string_view message) const { throw EFormat(this, message, "Error"); }

std::string TFormat::Unspecified() const { return "<Unspecified>"; }

std::string TFormat::DisplayName() const {
  std::string name = ClassName();
  if (!name.empty() && (name[0] == 'T' || name[0] == 't')) name.erase(0, 1);
  constexpr std::string_view kSuffix = "Format";
  if (name.size() > kSuffix.size() &&
      SameTextAscii(std::string_view(name).substr(name.size() - kSuffix.size()), kSuffix))
    name.resize(name.size() - kSuffix.size());
  return name;
}

void TFormat::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  m_timeOffset = static_cast<const TFormat&>(source).m_timeOffset;
}

void TFormat::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("TimeOffset").DefineReal(m_timeOffset);
}

// ---------------------------------------------------------------------------
// TFormatHash

TFormat* TFormatHash::FormatByName(std::string_view name) const {
  auto* entry = static_cast<TFormatHashable*>(GetByName(name));
  return entry ? entry->Format() : nullptr;
}

void TFormatHash::SetFormat(std::string_view name, TFormat* format) {
  TAdvRef<TFormat> owned(format);
  auto* entry = static_cast<TFormatHashable*>(ForceByName(name));
  entry->SetFormat(owned.Detach());
}

// ---------------------------------------------------------------------------
// TLoader

namespace {

// Reads "h[:m[:s[.ms]]]" (separators ':' or '.'); false for anything else.
bool ParseTimeOfDay(std::string_view text, double& days) {
  int32_t parts[4] = {0, 0, 0, 0};
  int count = 0;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  while (count < 4) {
    size_t start = i;
    int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 4)
      value = value * 10 + (text[i++] - '0');
    if (i == start) return false;
    parts[count++] = int32_t(value);
    if (i >= text.size()) break;
    if (text[i] != ':' && text[i] != '.') return false;
    ++i;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (i != text.size()) return false;
  double time = 0;
  if (!TryEncodeTime(parts[0], parts[1], parts[2], parts[3], time)) return false;
  days = time;
  return true;
}

}  // namespace

void TLoader::ApplyTimezone(TFormat& format) const {
  size_t sign = m_timezone.find_first_of("+-");
  if (sign == std::string::npos) {
    format.SetTimeOffset(0);
    return;
  }
  double days = 0;
  if (!ParseTimeOfDay(std::string_view(m_timezone).substr(sign + 1), days))
    throw EAdvDateTime(this, AdvFormat("'%s' is not a valid time", {m_timezone.substr(sign + 1)}),
                       "ApplyTimezone");
  format.SetTimeOffset(m_timezone[sign] == '-' ? -days : days);
}

std::string TLoader::SystemTimezone() const {
  platform::TZoneInfo info;
  platform::ZoneAt(platform::UtcMilliseconds() / 1000, info);
  if (info.OffsetSeconds == 0) return "GMT";
  int32_t minutes = info.OffsetSeconds / 60;
  char sign = minutes < 0 ? '-' : '+';
  if (minutes < 0) minutes = -minutes;
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d:%02d", sign, int(minutes / 60), int(minutes % 60));
  return text;
}

std::string TLoader::DefaultDateFormat() const { return DefaultFormatSettings().ShortDateFormat; }

void TLoader::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  m_timezone = static_cast<const TLoader&>(source).m_timezone;
}

void TLoader::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("Timezone").DefineString(m_timezone);
}

// ---------------------------------------------------------------------------
// TLoaderClasses

namespace {

int CompareLoaderNames(const std::string& a, const std::string& b) {
  bool aUnknown = a == "Unknown", bUnknown = b == "Unknown";
  if (aUnknown != bUnknown) return aUnknown ? -1 : 1;
  return CompareTextAscii(a, b);
}

}  // namespace

bool TLoaderClasses::Add(TAdvClass loader, TAdvClass editor) {
  if (!loader || !loader->InheritsFrom(&TLoader::ClassInfo))
    Error("Add", "Not a loader class.");
  if (Find(loader)) return false;
  std::string name = "Unknown";
  if (TAdvRef<TLoader> sample = AdvCreate<TLoader>(loader)) name = sample->Name();
  TEntry entry{{loader, editor}, name, ++m_sequence};
  auto at = std::upper_bound(m_entries.begin(), m_entries.end(), entry,
                             [](const TEntry& a, const TEntry& b) {
                               return CompareLoaderNames(a.Name, b.Name) < 0;
                             });
  m_entries.insert(at, std::move(entry));
  return true;
}

const TLoaderClassPair* TLoaderClasses::Find(TAdvClass loader) const {
  for (const TEntry& entry : m_entries)
    if (entry.Pair.Loader == loader) return &entry.Pair;
  return nullptr;
}

int TLoaderClasses::IndexOfName(std::string_view name) const {
  int found = -1;
  for (size_t i = 0; i < m_entries.size(); ++i)
    if (SameTextAscii(m_entries[i].Name, name) &&
        (found < 0 || m_entries[i].Sequence > m_entries[size_t(found)].Sequence))
      found = int(i);
  return found;
}

TAdvClass TLoaderClasses::GetByName(std::string_view name) const {
  int index = IndexOfName(name);
  if (index < 0)
    Error("Get", AdvFormat("Format '%s' not registered in loader library.", {std::string(name)}));
  return m_entries[size_t(index)].Pair.Loader;
}

TAdvClass TLoaderClasses::EditorFor(const TLoader& loader) const {
  int index = IndexOfName(loader.Name());
  return index < 0 ? nullptr : m_entries[size_t(index)].Pair.Editor;
}
