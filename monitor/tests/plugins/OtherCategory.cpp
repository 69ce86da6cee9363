// A module of another interface number: must never be loaded. Loading it
// would be noticed, since its constructor writes a marker variable.
#include <cstdlib>

#include "monitor/Loaders.h"

VEXA_LOADER_MODULE("Varnex Loader 4.2", 9, 0, 0, 0)

namespace {
struct TMarker {
  TMarker() { setenv("VEXA_OTHER_CATEGORY_LOADED", "1", 1); }
} marker;
}  // namespace

VEXA_LOADER_EXPORT TLoaderClasses* Loaders() { return nullptr; }
