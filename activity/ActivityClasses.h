// The persistable classes of the activity model, for the class factory: the
// users state file names them, so they must be registered before it is read.
// Registration is explicit, at start-up.
#pragma once

#include <vector>

#include "core/AdvObjects.h"

// The class records to register by their own names.
std::vector<TAdvClass> ActivityClasses();
