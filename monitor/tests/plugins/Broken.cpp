// A module of the right category that cannot be loaded: it needs a symbol
// that nothing provides.
#include "monitor/Loaders.h"

VEXA_LOADER_MODULE("Varnex Loader 4.3", 1, 0, 0, 0)

extern "C" void VexaSymbolThatDoesNotExist();

VEXA_LOADER_EXPORT TLoaderClasses* Loaders() {
  VexaSymbolThatDoesNotExist();
  return nullptr;
}
