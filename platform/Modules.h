// Shared modules (plug-ins): reading a named section from a module file
// without loading it, and loading, looking up and unloading modules.
//
// ReadModuleSection parses the ELF headers itself, checking every offset and
// size against the file, so a damaged or hostile file yields false and an
// error text, never a crash. Nothing of the file runs.
//
// Thread safety: every function may be called from any thread; a module
// handle is used by its owner only.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The contents of the section named `name` (at most `limit` bytes kept).
// False, with a reason in `error`, for a file that is not a well-formed
// 32- or 64-bit ELF file or has no such section.
bool ReadModuleSection(const std::string& path, const std::string& name, std::string& contents,
                       std::string& error, uint32_t limit = 4096);

using TModuleHandle = void*;

// Loads the module (symbols resolved at once, kept local to it); null with
// the loader's text in `error` on failure.
TModuleHandle LoadModule(const std::string& path, std::string& error);
// The address of an exported symbol, or null.
void* ModuleSymbol(TModuleHandle module, const char* name);
// Unloads; false with the loader's text in `error` on failure.
bool UnloadModule(TModuleHandle module, std::string& error);

}  // namespace platform
