// The application's state file of the inputs: Default.Inputs, the input
// list in the tagged binary form. (The loaders' settings beside it are kept
// by monitor/LoaderStates.h.)
//
// Loading never leaves a half-read list behind: the inputs are read into a
// scratch list that replaces the live one only when the whole file was read;
// a damaged file is kept aside as "<file>.bad" so that the next save cannot
// overwrite it, and its error text is returned. Saves are atomic.
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
