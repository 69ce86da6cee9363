// TPaths: the application's named-folder table ("Triggers" -> a folder),
// ordered and looked up by name ignoring ASCII case. Every folder is kept
// with a trailing path delimiter.
//
// The application fills two tables at start-up (the folders the user sees
// and the data folders) and stores the first in its settings file. Loading a
// table from a file keeps every name that the file lacks at the value it
// had before, so a settings file written by an older version, which knew
// fewer folders, never leaves a folder unnamed.
//
// Thread safety: main thread only; the engine reads a table it was given on
// that thread too.
#pragma once

#include <string>
#include <string_view>

#include "core/AdvStringMatches.h"

ADV_EXCEPTION(EPaths, EAdvanced)

class TPaths : public TAdvStringMatch {
  ADV_CLASS(TPaths)
  ADV_RAISES(EPaths)

  TPaths();

  // The folder of `name` (with a trailing delimiter), empty when unnamed.
  std::string Path(std::string_view name) const;
  // Names `name`'s folder; a trailing delimiter is added when missing.
  void SetPath(std::string_view name, const std::string& folder);
  // `file` in the folder of `name`; raises like Force when unnamed.
  std::string FileIn(std::string_view name, std::string_view file) const;

  // Creates the named folder with all its parents. Raises "Path for '<name>'
  // is ''" (operation "Force") when the name has no folder; false when the
  // folder could not be made (a read-only location), which start-up
  // tolerates.
  bool Force(std::string_view name) const;

  // Reading keeps the names the stored table lacks (see the file comment).
  void Load(TAdvFiler& filer) override;

 protected:
  ~TPaths() override = default;
};
