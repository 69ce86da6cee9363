#include "monitor/LoaderLibraries.h"

#include <algorithm>
#include <cstdio>

#include "core/AdvAscii.h"
#include "core/AdvFactories.h"
#include "core/AdvFormats.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Modules.h"

ADV_CLASS_IMPL(TAdvLibrary, TAdvObject)
ADV_CLASS_IMPL(TLoaderLibrary, TAdvLibrary)
ADV_CLASS_IMPL(TLoaderLibraries, TAdvList)

// ---------------------------------------------------------------------------
// TAdvLibrary

TAdvLibrary::~TAdvLibrary() {
  if (m_handle) {
    std::string ignored;
    platform::UnloadModule(m_handle, ignored);
  }
}

void TAdvLibrary::Load(const std::string& fileName) {
  if (m_handle) Unload();
  std::string error;
  m_handle = platform::LoadModule(fileName, error);
  if (!m_handle)
    Error("Open", AdvFormat("%s: %s", {fileName, "Unable to open library (" + error + ")"}));
  m_fileName = fileName;
}

void TAdvLibrary::Unload() {
  if (!m_handle) return;
  std::string error;
  void* handle = std::exchange(m_handle, nullptr);
  if (!platform::UnloadModule(handle, error))
    Error("Close", AdvFormat("Unable to free library. Handle: %d",
                             {int64_t(reinterpret_cast<uintptr_t>(handle) & 0x7FFFFFFF)}));
}

void* TAdvLibrary::Symbol(const char* name) const { return platform::ModuleSymbol(m_handle, name); }

// ---------------------------------------------------------------------------
// TLoaderLibrary

TLoaderLibrary::~TLoaderLibrary() {
  try {
    Unload();
  } catch (const std::exception&) {
  }
}

void TLoaderLibrary::Load(const std::string& fileName) {
  TAdvLibrary::Load(fileName);
  if (auto open = reinterpret_cast<TOpenCloseExport>(Symbol("Open"))) open();
}

void TLoaderLibrary::Unload() {
  if (!Loaded()) return;
  if (auto close = reinterpret_cast<TOpenCloseExport>(Symbol("Close"))) close();
  TAdvLibrary::Unload();
}

TAdvRef<TLoaderClasses> TLoaderLibrary::Classes() const {
  auto loaders = reinterpret_cast<TLoadersExport>(Symbol("Loaders"));
  if (!loaders) return nullptr;
  return TAdvRef<TLoaderClasses>(loaders());
}

// ---------------------------------------------------------------------------
// Declarations

bool ReadLoaderDeclaration(const std::string& path, std::string_view category,
                           std::array<uint32_t, 4>& version, std::string& error) {
  std::string text;
  if (!platform::ReadModuleSection(path, std::string(kLoaderSectionName), text, error, 512))
    return false;
  if (size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  std::string declared, versionText;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find(';', at);
    if (end == std::string::npos) end = text.size();
    std::string_view part(text.data() + at, end - at);
    if (part.substr(0, 9) == "Category=") declared = part.substr(9);
    if (part.substr(0, 8) == "Version=") versionText = part.substr(8);
    at = end + 1;
  }
  if (!SameTextAscii(declared, category)) {
    error = "Category '" + declared + "'";
    return false;
  }
  version = {};
  unsigned parts[4] = {};
  int got = std::sscanf(versionText.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2],
                        &parts[3]);
  for (int i = 0; i < std::max(got, 0) && i < 4; ++i) version[size_t(i)] = parts[i];
  return true;
}

// ---------------------------------------------------------------------------
// TLoaderLibraries

TLoaderLibraries::~TLoaderLibraries() = default;

void TLoaderLibraries::LoadFolder(const std::string& folder, std::vector<std::string>& problems) {
  std::vector<platform::TFolderEntry> entries;
  std::string error;
  if (!platform::ListFolder(folder, entries, &error)) return;  // no folder: no plug-ins
  std::vector<TLoaderLibrary*> loaded;
  for (const platform::TFolderEntry& entry : entries) {
    if (!entry.IsFile || entry.Name.size() < 4 ||
        !SameTextAscii(std::string_view(entry.Name).substr(entry.Name.size() - 3), ".so"))
      continue;
    std::string path = folder;
    if (!path.empty() && path.back() != platform::kPathDelimiter) path += platform::kPathDelimiter;
    path += entry.Name;
    std::array<uint32_t, 4> version{};
    if (!ReadLoaderDeclaration(path, kLoaderCategory, version, error)) continue;
    TAdvRef<TLoaderLibrary> library = AdvNew<TLoaderLibrary>();
    library->SetVersion(version);
    try {
      library->Load(path);
    } catch (const std::exception& failure) {
      problems.push_back(failure.what());
      continue;
    }
    Add(library.Detach());
  }
  // Stable: libraries of equal versions keep the listing's order.
  std::vector<TAdvObject*> order;
  for (int i = 0; i < Count(); ++i) order.push_back(GetItem(i));
  std::stable_sort(order.begin(), order.end(), [](TAdvObject* a, TAdvObject* b) {
    return static_cast<TLoaderLibrary*>(a)->Version() < static_cast<TLoaderLibrary*>(b)->Version();
  });
  for (int i = 0; i < Count(); ++i) SetItem(i, order[size_t(i)]);
}

void TLoaderLibraries::RegisterClasses(TLoaderClasses& registry) const {
  AdvFactory().Register(&TLoader::ClassInfo);
  registry.Add(&TLoader::ClassInfo);
  for (int i = 0; i < Count(); ++i) {
    TAdvRef<TLoaderClasses> classes = Library(i)->Classes();
    if (!classes) continue;
    for (int k = 0; k < classes->Count(); ++k) {
      const TLoaderClassPair& pair = classes->Pair(k);
      if (registry.Find(pair.Loader)) continue;
      AdvFactory().Register(pair.Loader);
      registry.Add(pair.Loader, pair.Editor);
    }
  }
}

void TLoaderLibraries::UnloadAll(std::vector<std::string>& problems) {
  for (int i = Count() - 1; i >= 0; --i) {
    try {
      Library(i)->Unload();
    } catch (const std::exception& failure) {
      problems.push_back(failure.what());
    }
  }
}

std::string ResolveLoaderSetting(const TLoaderClasses& registry, const std::string& configured) {
  return registry.IndexOfName(configured) >= 0 ? configured : std::string(kFallbackLoaderName);
}

std::string LoaderFolder() {
  std::string folder = platform::ExecutableFolder();
  if (!folder.empty() && folder.back() != platform::kPathDelimiter) folder += platform::kPathDelimiter;
  return folder + "Loaders";
}
