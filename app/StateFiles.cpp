#include "app/StateFiles.h"

#include <cstdint>
#include <mutex>
#include <vector>

#include "core/AdvBinaryFilers.h"
#include "core/AdvPaths.h"
#include "monitor/MonitorFolders.h"

std::string LoadInputsFile(TMonitorFolders& inputs, const std::string& fileName) {
  if (!FileExists(fileName)) return {};
  TAdvRef<TMonitorFolders> scratch = AdvNew<TMonitorFolders>();
  std::string error = AdvLoadKeepingBad(*scratch, fileName, &TAdvReader::ClassInfo);
  if (!error.empty()) return error;
  inputs.Clear();
  // Moved over from the end, so the list order is kept.
  while (scratch->Count() > 0) inputs.Insert(0, scratch->ExtractLast());
  return {};
}

void SaveInputsFile(TMonitorFolders& inputs, const std::string& fileName) {
  // The input threads change their trees (read positions, files found and
  // pruned) while the monitor runs: each tree is held still while it is
  // written. Only this save takes more than one of these locks, and always
  // in list order, so it cannot deadlock with the threads.
  std::vector<std::unique_lock<std::mutex>> held;
  held.reserve(size_t(inputs.Count()));
  for (int i = 0; i < inputs.Count(); ++i) held.emplace_back(inputs.Input(i)->TreeLock());
  inputs.SaveToFile(fileName, &TAdvWriter::ClassInfo);
}
