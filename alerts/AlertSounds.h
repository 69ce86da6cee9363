// Alert sounds: which sound a raised alert or an input failure plays, where
// its file is, and handing it to the asynchronous player.
//
// The settings' "Sounds" table maps a sound name to a file. The names are
// "Low Priority Alert", "Medium Priority Alert" and "High Priority Alert" for
// alert priorities 0, 1 and 2, and "Input Issue Alert" for inputs that fail.
// A stored file that begins with "Sounds\" (or "Sounds/"; ASCII case ignored)
// lies in the "Sounds" folder of the application folder; any other value is
// used as it is. Playing never waits and never reports anything: a missing or
// unplayable file is simply not heard.
//
// Thread safety: main thread, like the settings it reads; the player it
// hands files to may be shared by any thread.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class TSettings;

// The sound name of an alert priority; empty for a priority other than 0..2.
std::string_view AlertSoundName(int priority);

// The file the settings give for a sound name, resolved against the
// application folder as the file comment says; empty when the name has no
// entry or an empty one.
std::string AlertSoundFile(const TSettings& settings, std::string_view name,
                           const std::string& applicationFolder);

class TAlertSounds {
 public:
  using TPlayFile = std::function<void(const std::string& fileName)>;

  // `settings` must outlive this object. `play` defaults to the process-wide
  // asynchronous player.
  TAlertSounds(const TSettings& settings, std::string applicationFolder, TPlayFile play = {});

  // Plays the file stored under `name`, whatever "PlaySound" says.
  void PlayAlertSound(std::string_view name);
  // The sound of a raised alert: only when "PlaySound" is on.
  void PlayPrioritySound(int priority);
  // The sound of a failing input: played whether or not "PlaySound" is on.
  void PlayInputIssueSound();

  const std::string& ApplicationFolder() const { return m_applicationFolder; }

 private:
  const TSettings& m_settings;
  std::string m_applicationFolder;
  TPlayFile m_play;
};
