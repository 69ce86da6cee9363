// The loaders' own settings (the time zone, and whatever a loader class adds)
// of every input, kept in the state file "Default.Loaders" beside the inputs'
// state: an input stores only its loader's class name.
//
// The file holds a 32-bit little-endian count of inputs, then, for each input
// in list order, its loader object in the tagged binary form of the
// persistence framework (class name without its leading "T", then the
// fields between begin and end markers), or nil for an input without one.
//
// Thread safety: main thread. Saving only reads the loaders' settings, which
// only the main thread changes; restore while the inputs are stopped.
#pragma once

#include <string>

class TMonitorFolders;

inline constexpr const char* kLoaderStateFileName = "Default.Loaders";

// Writes the file atomically; raises the file's errors.
void SaveLoaderStates(const TMonitorFolders& inputs, const std::string& fileName);
// Restores the loaders' settings when the stored count equals the number of
// inputs. The loaders are read in order; the first that does not fit (a
// missing or damaged file, another class, nil for an input that has a
// loader) ends the restoring silently and leaves that loader and the rest as
// they were created. Returns the number of loaders restored.
int LoadLoaderStates(TMonitorFolders& inputs, const std::string& fileName);
