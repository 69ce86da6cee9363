// The per-user and per-machine folders the program keeps its files in, after
// the XDG base-directory rules, and the folder of the running executable.
//
// Every function asks the environment afresh and returns a path without a
// trailing "/", or an empty text when no such folder can be named. Environment
// variables that hold a relative path are ignored, as the XDG rules require.
// Only PrivateTempFolder creates anything.
//
// Thread safety: safe from any thread as long as nobody changes the
// environment at the same time (only tests do, before they start threads).
#pragma once

#include <string>

namespace platform {

// $HOME, or the home folder of the user's password entry.
std::string HomeFolder();
// $XDG_CONFIG_HOME or ~/.config: settings that follow the user ("roaming").
std::string ConfigFolder();
// $XDG_STATE_HOME or ~/.local/state: state that stays on this machine.
std::string StateFolder();
// $XDG_DATA_HOME or ~/.local/share.
std::string DataFolder();
// $XDG_CACHE_HOME or ~/.cache.
std::string CacheFolder();
// The user's documents: $XDG_DOCUMENTS_DIR, else its entry in the user-dirs
// file of the config folder, else ~/Documents.
std::string DocumentsFolder();
// The desktop and templates folders, found the same way (~/Desktop, ~/Templates).
std::string DesktopFolder();
std::string TemplatesFolder();
// $XDG_RUNTIME_DIR, else the private temporary folder.
std::string RuntimeFolder();
// The first folder of $XDG_DATA_DIRS (default /usr/local/share): data shared
// by every user of the machine.
std::string SharedDataFolder();
// A temporary folder only this user can enter: "vexa-<uid>" in $TMPDIR (or
// /tmp), created with mode 0700 when missing. An existing one that is not a
// real folder owned by this user is refused (empty result) rather than used,
// so nobody can plant files or links in it; a folder of ours with a wider
// mode is narrowed to 0700.
std::string PrivateTempFolder();
// The folder of the running executable (through /proc/self/exe).
std::string ExecutableFolder();

}  // namespace platform
