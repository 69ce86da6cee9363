// One loader class built in two modules of different versions
// (TWIN_VERSION); Description tells them apart. "Open" and "Close" count
// their calls in the environment.
#include <cstdlib>
#include <string>

#include "monitor/Loaders.h"

VEXA_LOADER_MODULE("Varnex Loader 4.3", 1, 0, 0, TWIN_VERSION)

namespace {

class TTwinLoader : public TLoader {
  ADV_CLASS(TTwinLoader)
  std::string Name() const override { return "Twin"; }
  std::string Description() const override { return "Twin " TWIN_TEXT; }

 protected:
  ~TTwinLoader() override = default;
};

ADV_CLASS_IMPL(TTwinLoader, TLoader)

}  // namespace

VEXA_LOADER_EXPORT TLoaderClasses* Loaders() {
  try {
    TAdvRef<TLoaderClasses> classes = AdvNew<TLoaderClasses>();
    classes->Add(&TTwinLoader::ClassInfo);
    return classes.Detach();
  } catch (...) {
    return nullptr;
  }
}

VEXA_LOADER_EXPORT void Open() { setenv("VEXA_TWIN_OPEN_" TWIN_TEXT, "1", 1); }
VEXA_LOADER_EXPORT void Close() { setenv("VEXA_TWIN_CLOSE_" TWIN_TEXT, "1", 1); }
