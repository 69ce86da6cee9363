// TAdvRegistry: a filer over the per-user settings store of the desktop. The
// program keeps one text value there, its run-at-logon entry, so this filer
// maps only the run key ("Software\Microsoft\Windows\CurrentVersion\Run\")
// onto the desktop's autostart entries; any other key is refused when opened.
#pragma once

#include <string>

#include "core/AdvFilers.h"

class TAdvRegistry : public TAdvFiler {
  ADV_CLASS(TAdvRegistry)
  ADV_RAISES(EAdvRegistry)

  enum class TMode { Read, Write };
  static constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";

  void SetMode(TMode mode) { m_mode = mode; }
  bool IsReader() const override { return m_mode == TMode::Read; }
  // Opens `path`; raises "Unable to change to key '%s'" (read) or
  // "Unable to create/change to key '%s'" (write) for a key this platform lacks.
  void SetKey(const std::string& path);

  // The value named by the current field, as text.
  void DefineString(std::string& value) override;
  void DefineShortString(std::string& value) override { DefineString(value); }

  bool ValueExists(const std::string& name) const;
  void DeleteValue(const std::string& name);

 private:
  void RequireKey(std::string_view operation) const;

  TMode m_mode = TMode::Read;
  bool m_open = false;
};
