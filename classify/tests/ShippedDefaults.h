// The default profiles and file-type aliases the program ships (as
// share/vexa/Default.Profiles and share/vexa/Default.FileTypes), built
// here from readable tables so that the shipped files are exactly what the
// program's own writer makes of them. ShippedDefaultsTest compares the files
// with these tables and rewrites them when VEXA_WRITE_SHIPPED_DEFAULTS is set.
#pragma once

#include "classify/Aliases.h"
#include "classify/Profiles.h"

TAdvRef<TProfiles> ShippedProfiles();
TAdvRef<TFileTypes> ShippedFileTypes();
