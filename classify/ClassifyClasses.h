// The persistable classes of the classification library, for the class
// factory: alias and profile files name them, so they must be registered
// (after the core library's, RegisterCoreClasses) before such a file is read.
// Registration is explicit, at start-up, on the main thread.
#pragma once

#include <vector>

#include "core/AdvObjects.h"

// The class records to register by their own names.
std::vector<TAdvClass> ClassifyClasses();
// Registers them, and "TAdvMatch", the name older alias files give their
// string match, as the string match class.
void RegisterClassifyClasses();
