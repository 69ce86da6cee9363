#include "core/AdvRequiredEntries.h"

#include <string>

void AdvRequireEntries(TAdvFiler& filer, const TAdvList& list, std::string_view field) {
  if (!filer.IsReader()) return;
  for (int i = 0; i < list.Count(); ++i) {
    if (list.GetItem(i)) continue;
    filer.Error("Validate", "Entry " + std::to_string(i) + " of " + std::string(field) +
                                " is nil where " + list.ItemClass()->Name + " is required");
  }
}
