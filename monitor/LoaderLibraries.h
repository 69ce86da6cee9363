// Finding, loading and unloading the loader plug-in modules, and registering
// their loader classes.
//
// A module in the Loaders folder declares its category and version in a
// read-only section (see VEXA_LOADER_MODULE in Loaders.h). That section is
// read from the file before anything is loaded, so a module of another
// category never runs. A module that fails to load is reported and skipped;
// the others still load.
//
// Thread safety: main thread only (start-up and shutdown).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/AdvLists.h"
#include "monitor/Loaders.h"

// A loaded library: handle, file name, loaded flag.
class TAdvLibrary : public TAdvObject {
  ADV_CLASS(TAdvLibrary)
  ADV_RAISES(EAdvLibrary)

  TAdvLibrary() = default;
  const std::string& FileName() const { return m_fileName; }
  bool Loaded() const { return m_handle != nullptr; }
  // Raises "%s: Unable to open library" detail (operation "Open").
  virtual void Load(const std::string& fileName);
  // Raises "Unable to free library. Handle: %d" (operation "Close").
  virtual void Unload();
  void* Symbol(const char* name) const;

 protected:
  ~TAdvLibrary() override;

 private:
  std::string m_fileName;
  void* m_handle = nullptr;
};

class TLoaderLibrary : public TAdvLibrary {
  ADV_CLASS(TLoaderLibrary)

  TLoaderLibrary() = default;
  // Major, minor, release, build.
  const std::array<uint32_t, 4>& Version() const { return m_version; }
  void SetVersion(const std::array<uint32_t, 4>& version) { m_version = version; }
  // Calls "Open" after loading.
  void Load(const std::string& fileName) override;
  // Calls "Close", then unloads.
  void Unload() override;
  // The library's loader classes (a new list; null without the export).
  TAdvRef<TLoaderClasses> Classes() const;

 protected:
  ~TLoaderLibrary() override;

 private:
  std::array<uint32_t, 4> m_version{};
};

// Reads a module's declaration: true when the file declares `category`
// (ASCII case ignored), with its version. A file without a valid declaration
// gives false and the reason in `error`.
bool ReadLoaderDeclaration(const std::string& path, std::string_view category,
                           std::array<uint32_t, 4>& version, std::string& error);

class TLoaderLibraries : public TAdvList {
  ADV_CLASS(TLoaderLibraries)

  TLoaderLibraries() = default;
  TLoaderLibrary* Library(int index) const { return ItemAs<TLoaderLibrary>(index); }

  // Loads every module "*.so" of `folder` (not its sub-folders) that
  // declares the loader category, and sorts them by version. Problems (a
  // module that fails to load) are added to `problems`; those modules are
  // skipped.
  void LoadFolder(const std::string& folder, std::vector<std::string>& problems);
  // Registers TLoader, then each library's classes in version order, in the
  // class factory and in `registry`; a later class of the same name replaces
  // the earlier in the factory.
  void RegisterClasses(TLoaderClasses& registry) const;
  // Unloads every library (Close export, then free); problems are collected.
  void UnloadAll(std::vector<std::string>& problems);

 protected:
  ~TLoaderLibraries() override;
};

// The loader the "Loader" setting falls back to: it tells each file's format
// from its first lines.
inline constexpr std::string_view kFallbackLoaderName = "Varnex";
// What the "Loader" setting holds after registration: `configured` when a
// registered class has that name (ASCII case ignored), else "Varnex".
std::string ResolveLoaderSetting(const TLoaderClasses& registry, const std::string& configured);

// The Loaders folder beside the executable.
std::string LoaderFolder();
