// The document classes for the class factory, so a caller can choose the
// output kind by class name ("TAdvHTML", "TAdvRTF" ...). Registration is
// explicit, at start-up, like every other library's.
#pragma once

#include <vector>

#include "core/AdvObjects.h"

// The class records to register by their own names.
std::vector<TAdvClass> DocumentClasses();
// Registers DocumentClasses with the process's factory.
void RegisterDocumentClasses();
