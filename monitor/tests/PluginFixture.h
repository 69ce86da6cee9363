// The test plug-ins, loaded once for the whole test program from the
// "mixed" test Loaders folder beside it (built by monitor/tests/plugins).
// The libraries stay loaded until the program ends, since objects of their
// classes may outlive any one test.
#pragma once

#include <string>
#include <vector>

#include "core/AdvObjects.h"
#include "monitor/LoaderLibraries.h"
#include "monitor/Loaders.h"
#include "monitor/MonitorFolders.h"
#include "platform/Folders.h"

namespace vexatest {

inline std::string TestLoaderFolder() {
  return platform::ExecutableFolder() + "/TestLoaders/mixed";
}

struct TPluginSet {
  TAdvRef<TLoaderLibraries> Libraries = AdvNew<TLoaderLibraries>();
  TAdvRef<TLoaderClasses> Registry = AdvNew<TLoaderClasses>();
  std::vector<std::string> Problems;
};

inline TPluginSet& Plugins() {
  static TPluginSet* set = [] {
    auto* made = new TPluginSet();  // kept until exit on purpose
    RegisterMonitorFolderClasses();
    made->Libraries->LoadFolder(TestLoaderFolder(), made->Problems);
    made->Libraries->RegisterClasses(*made->Registry);
    return made;
  }();
  return *set;
}

}  // namespace vexatest
