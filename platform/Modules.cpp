#include "platform/Modules.h"

#include <dlfcn.h>
#include <elf.h>

#include <cstring>
#include <fstream>
#include <vector>

namespace platform {

namespace {

// Reads `count` bytes at `offset`; false when the file is shorter.
bool ReadAt(std::ifstream& file, uint64_t fileSize, uint64_t offset, void* buffer, uint64_t count) {
  if (offset > fileSize || count > fileSize - offset) return false;
  file.seekg(std::streamoff(offset));
  file.read(static_cast<char*>(buffer), std::streamsize(count));
  return bool(file);
}

struct TSection {
  uint32_t Name = 0;
  uint64_t Offset = 0;
  uint64_t Size = 0;
  uint32_t Type = 0;
};

template <class Ehdr, class Shdr>
bool ReadSections(std::ifstream& file, uint64_t fileSize, std::vector<TSection>& sections,
                  uint32_t& namesIndex, std::string& error) {
  Ehdr header{};
  if (!ReadAt(file, fileSize, 0, &header, sizeof header)) return error = "Truncated header", false;
  if (header.e_shentsize != sizeof(Shdr)) return error = "Unexpected section header size", false;
  uint64_t count = header.e_shnum;
  namesIndex = header.e_shstrndx;
  if (count == 0 || count > 65535) return error = "No sections", false;
  if (header.e_shoff > fileSize || count * sizeof(Shdr) > fileSize - header.e_shoff)
    return error = "Section table outside the file", false;
  for (uint64_t i = 0; i < count; ++i) {
    Shdr raw{};
    if (!ReadAt(file, fileSize, header.e_shoff + i * sizeof(Shdr), &raw, sizeof raw))
      return error = "Truncated section table", false;
    sections.push_back({raw.sh_name, uint64_t(raw.sh_offset), uint64_t(raw.sh_size), raw.sh_type});
  }
  if (namesIndex >= sections.size()) return error = "No section names", false;
  return true;
}

}  // namespace

bool ReadModuleSection(const std::string& path, const std::string& name, std::string& contents,
                       std::string& error, uint32_t limit) {
  contents.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file) return error = "Cannot open file", false;
  file.seekg(0, std::ios::end);
  auto end = file.tellg();
  if (end < 0) return error = "Cannot read file", false;
  uint64_t fileSize = uint64_t(end);
  unsigned char ident[EI_NIDENT] = {};
  if (!ReadAt(file, fileSize, 0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
    return error = "Not an ELF file", false;
  if (ident[EI_DATA] != ELFDATA2LSB) return error = "Unsupported byte order", false;
  std::vector<TSection> sections;
  uint32_t namesIndex = 0;
  bool ok = ident[EI_CLASS] == ELFCLASS64
                ? ReadSections<Elf64_Ehdr, Elf64_Shdr>(file, fileSize, sections, namesIndex, error)
            : ident[EI_CLASS] == ELFCLASS32
                ? ReadSections<Elf32_Ehdr, Elf32_Shdr>(file, fileSize, sections, namesIndex, error)
                : (error = "Unsupported ELF class", false);
  if (!ok) return false;
  const TSection& names = sections[namesIndex];
  if (names.Offset > fileSize || names.Size > fileSize - names.Offset || names.Size > (1u << 24))
    return error = "Section names outside the file", false;
  std::string table(size_t(names.Size), '\0');
  if (!ReadAt(file, fileSize, names.Offset, table.data(), names.Size))
    return error = "Cannot read section names", false;
  for (const TSection& section : sections) {
    if (section.Name >= table.size()) continue;
    const char* start = table.data() + section.Name;
    size_t length = strnlen(start, table.size() - section.Name);
    if (std::string_view(start, length) != name) continue;
    if (section.Type == SHT_NOBITS) return error = "Section has no contents", false;
    uint64_t size = std::min<uint64_t>(section.Size, limit);
    contents.resize(size_t(size));
    if (!ReadAt(file, fileSize, section.Offset, contents.data(), size)) {
      contents.clear();
      return error = "Section outside the file", false;
    }
    return true;
  }
  return error = "No section " + name, false;
}

TModuleHandle LoadModule(const std::string& path, std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* text = dlerror();
    error = text ? text : "Unknown error";
  }
  return handle;
}

void* ModuleSymbol(TModuleHandle module, const char* name) {
  return module ? dlsym(module, name) : nullptr;
}

bool UnloadModule(TModuleHandle module, std::string& error) {
  if (module && dlclose(module) != 0) {
    const char* text = dlerror();
    error = text ? text : "Unknown error";
    return false;
  }
  return true;
}

}  // namespace platform
