#include "app/Paths.h"

#include <vector>

#include "core/AdvFilers.h"
#include "core/AdvPaths.h"

ADV_CLASS_IMPL(TPaths, TAdvStringMatch)
ADV_EXCEPTION_IMPL(EPaths, EAdvanced)

TPaths::TPaths() {
  SetSorted(true);
}

std::string TPaths::Path(std::string_view name) const {
  const int index = IndexByKey(name);
  return index < 0 ? std::string() : GetValue(index);
}

void TPaths::SetPath(std::string_view name, const std::string& folder) {
  std::string value = folder.empty() ? folder : IncludeTrailingDelimiter(folder);
  const int index = IndexByKey(name);
  if (index < 0)
    Add(std::string(name), std::move(value));
  else
    SetValue(index, std::move(value));
}

std::string TPaths::FileIn(std::string_view name, std::string_view file) const {
  const std::string folder = Path(name);
  if (folder.empty()) Error("Force", "Path for '" + std::string(name) + "' is ''");
  return folder + std::string(file);
}

bool TPaths::Force(std::string_view name) const {
  const std::string folder = Path(name);
  if (folder.empty()) Error("Force", "Path for '" + std::string(name) + "' is ''");
  return ForceFolders(ExcludeTrailingDelimiter(folder));
}

void TPaths::Load(TAdvFiler& filer) {
  std::vector<TAdvStringPair> before;
  before.reserve(size_t(Count()));
  for (int i = 0; i < Count(); ++i) before.push_back({GetKey(i), GetValue(i)});
  TAdvStringMatch::Load(filer);
  for (TAdvStringPair& pair : before)
    if (!ExistsByKey(pair.Key)) Add(std::move(pair.Key), std::move(pair.Value));
  // A stored folder without its delimiter would join file names wrongly.
  for (int i = 0; i < Count(); ++i)
    if (!GetValue(i).empty()) SetValue(i, IncludeTrailingDelimiter(GetValue(i)));
}
