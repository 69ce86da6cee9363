#include "alerts/AlertSounds.h"

#include "alerts/Alerts.h"
#include "app/Settings.h"
#include "core/AdvAscii.h"
#include "platform/Sounds.h"

namespace {

constexpr std::string_view kSoundsPrefix = "Sounds";

// "Sounds\" or "Sounds/" at the start, case ignored.
bool IsInSoundsFolder(std::string_view value) {
  return value.size() > kSoundsPrefix.size() &&
         SameTextAscii(value.substr(0, kSoundsPrefix.size()), kSoundsPrefix) &&
         (value[kSoundsPrefix.size()] == '\\' || value[kSoundsPrefix.size()] == '/');
}

}  // namespace

// The same names as the engine plays, but nothing for a value outside the
// three priorities.
std::string_view AlertSoundName(int priority) {
  if (priority < kPriorityLow || priority > kPriorityHigh) return {};
  return PrioritySoundName(uint8_t(priority));
}

std::string AlertSoundFile(const TSettings& settings, std::string_view name,
                           const std::string& applicationFolder) {
  const int index = settings.Sounds().IndexByKey(name);
  if (index < 0) return {};
  const std::string& value = settings.Sounds().GetValue(index);
  if (!IsInSoundsFolder(value)) return value;
  // Stored names use the desktop's "\" between folders; here they are "/".
  std::string relative = value.substr(kSoundsPrefix.size() + 1);
  for (char& c : relative)
    if (c == '\\') c = '/';
  std::string folder = applicationFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + "Sounds/" + relative;
}

TAlertSounds::TAlertSounds(const TSettings& settings, std::string applicationFolder, TPlayFile play)
    : m_settings(settings),
      m_applicationFolder(std::move(applicationFolder)),
      m_play(play ? std::move(play) : TPlayFile(&platform::PlaySoundFile)) {}

void TAlertSounds::PlayAlertSound(std::string_view name) {
  const std::string file = AlertSoundFile(m_settings, name, m_applicationFolder);
  if (!file.empty()) m_play(file);
}

void TAlertSounds::PlayPrioritySound(int priority) {
  if (!m_settings.PlaySound()) return;
  const std::string_view name = AlertSoundName(priority);
  if (!name.empty()) PlayAlertSound(name);
}

void TAlertSounds::PlayInputIssueSound() {
  PlayAlertSound(kSoundKeyInputIssue);
}
