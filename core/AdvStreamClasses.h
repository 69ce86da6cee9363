// The persistable stream classes of the core library, for the class factory:
// files name these classes, so they must be registered before any file is
// read. Registration is explicit, at start-up.
#pragma once

#include <vector>

#include "core/AdvObjects.h"

// The class records to register by their own names.
std::vector<TAdvClass> CoreStreamClasses();
