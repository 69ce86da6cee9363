// The loader plug-in module: declares its category and version in the
// module's read-only section, and exports the list of the loader classes it
// brings. Nothing else is visible outside the module.
#include <exception>

#include "loaders/LogLoaders.h"

VEXA_LOADER_MODULE("Varnex Loader 4.3", 1, 0, 0, 0)

VEXA_LOADER_EXPORT TLoaderClasses* Loaders() {
  // No exception may cross into the host's loader code.
  try {
    return NewLogLoaderClasses();
  } catch (const std::exception&) {
    return nullptr;
  }
}
