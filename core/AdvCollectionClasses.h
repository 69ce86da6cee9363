// The persistable collection and hash classes of the core library, for the
// class factory: files name these classes, so they must be registered
// before any file is read. Registration is explicit, at start-up; nothing
// registers itself from a static initialiser.
#pragma once

#include <vector>

#include "core/AdvObjects.h"

// The class records to register by their own names.
std::vector<TAdvClass> CoreCollectionClasses();
