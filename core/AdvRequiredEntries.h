// A check for lists that their owner reads entry by entry without looking
// for nil: the sessions of a user, the children of a folder, the inputs.
// Such a list never holds a nil when the program writes it, so a nil read
// back comes from a damaged or hand-edited file. It is refused with the
// filer's error (EAdvFiler), which refuses the whole file, instead of
// waiting for the first reader of the entry to crash.
#pragma once

#include "core/AdvFilers.h"
#include "core/AdvLists.h"

// While `filer` reads: raises EAdvFiler naming `field` and the list's item
// class when `list` holds a nil entry. Does nothing while writing.
void AdvRequireEntries(TAdvFiler& filer, const TAdvList& list, std::string_view field);
