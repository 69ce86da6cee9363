#include "core/AdvRegistries.h"

#include "core/AdvAscii.h"
#include "platform/Autostart.h"

ADV_CLASS_IMPL(TAdvRegistry, TAdvFiler)

namespace {
bool IsRunKey(std::string path) {
  if (!path.empty() && path.back() != '\\') path += '\\';
  if (!path.empty() && path.front() == '\\') path.erase(0, 1);
  return SameTextAscii(path, TAdvRegistry::kRunKey);
}
}  // namespace

void TAdvRegistry::SetKey(const std::string& path) {
  m_open = IsRunKey(path);
  if (!m_open)
    Error("SetKey", (m_mode == TMode::Read ? "Unable to change to key '" : "Unable to create/change to key '") +
                        path + "'");
}

void TAdvRegistry::RequireKey(std::string_view operation) const {
  if (!m_open) Error(operation, "No key is open");
}

void TAdvRegistry::DefineString(std::string& value) {
  const std::string name = TakeFieldName();
  if (m_mode == TMode::Read) {
    RequireKey("Read");
    if (!platform::ReadAutostart(name, value)) Error("Read", "Unable to read value '" + name + "' [2]");
  } else {
    RequireKey("Write");
    if (!platform::WriteAutostart(name, value)) Error("Write", "Unable to write value '" + name + "'");
  }
}

bool TAdvRegistry::ValueExists(const std::string& name) const {
  return m_open && platform::AutostartExists(name);
}

void TAdvRegistry::DeleteValue(const std::string& name) {
  RequireKey("Delete");
  if (!platform::RemoveAutostart(name)) Error("Delete", "Unable to delete value " + name);
}
