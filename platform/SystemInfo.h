// What the program can tell about the system it runs on: the kernel's name
// and version, and the user's locale.
//
// Thread safety: safe from any thread while nobody changes the environment.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct TSystemVersion {
  std::string Name;     // "Linux"
  std::string Release;  // the full release text, e.g. "6.1.0-18-amd64"
  int32_t Major = 0;
  int32_t Minor = 0;
  int32_t Build = 0;  // the third number of the release
};

// False when the system does not answer (the fields stay empty and zero).
bool SystemVersion(TSystemVersion& version);

// The machine's network name (the node name); empty when unknown.
std::string ComputerName();

// The user's locale for messages (LC_ALL, else LC_MESSAGES, else LANG)
// without its code set or modifier, e.g. "en_US"; "C" when none is set.
std::string LocaleName();

}  // namespace platform
