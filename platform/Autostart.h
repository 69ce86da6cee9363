// Run-at-logon entries as XDG autostart desktop files
// ($XDG_CONFIG_HOME/autostart/<name>.desktop). The stored value is the
// command line the desktop session runs at logon.
#pragma once

#include <string>

namespace platform {

// The desktop file that holds the entry `name` (a ".exe" ending is dropped).
std::string AutostartFile(const std::string& name);
bool AutostartExists(const std::string& name);
// The command of the entry; false when there is none.
bool ReadAutostart(const std::string& name, std::string& command);
// Writes the entry atomically; false (errno set) when it cannot.
bool WriteAutostart(const std::string& name, const std::string& command);
// False when the entry exists and cannot be removed.
bool RemoveAutostart(const std::string& name);

}  // namespace platform
