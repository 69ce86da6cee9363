// The application's state files that hold the inputs and their loaders'
// settings: Default.Inputs (the input list in the tagged binary form) and
// Default.Loaders (a 32-bit little-endian count of inputs, then each input's
// loader object in list order, a nil where an input has none).
//
// Loading never leaves a half-read list behind: the inputs are read into a
// scratch list that replaces the live one only when the whole file was read;
// a damaged file is kept aside as "<file>.bad" so that the next save cannot
// overwrite it, and its error text is returned. A loaders file is used only
// when its count equals the number of inputs; a loader of another class
// than its input's ends the reading quietly, leaving the rest as created.
// Saves are atomic.
//
// Thread safety: main thread. Loading runs while the inputs' threads are
// stopped (start-up); saving may run while they read, and holds each
// input's tree lock while its tree is written.
#pragma once

#include <string>

class TMonitorFolders;

// Empty on success and for a missing file; the error text otherwise.
std::string LoadInputsFile(TMonitorFolders& inputs, const std::string& fileName);
void SaveInputsFile(TMonitorFolders& inputs, const std::string& fileName);

// Empty on success, for a missing file and for a count that does not match;
// the error text when the file could not be read (it is then kept as .bad).
std::string LoadLoadersFile(TMonitorFolders& inputs, const std::string& fileName);
void SaveLoadersFile(TMonitorFolders& inputs, const std::string& fileName);
