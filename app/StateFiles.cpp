#include "app/StateFiles.h"

#include <cstdint>
#include <mutex>
#include <vector>

#include "core/AdvBinaryFilers.h"
#include "core/AdvCaches.h"
#include "core/AdvFiles.h"
#include "core/AdvPaths.h"
#include "monitor/MonitorFolders.h"

namespace {

constexpr uint32_t kCache = 65536;

void WriteCount(TAdvStream& stream, uint32_t count) {
  const uint8_t bytes[4] = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16),
                            uint8_t(count >> 24)};
  stream.Write(bytes, 4);
}

uint32_t ReadCount(TAdvStream& stream) {
  uint8_t bytes[4];
  stream.Read(bytes, 4);
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
         uint32_t(bytes[3]) << 24;
}

}  // namespace

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

std::string LoadLoadersFile(TMonitorFolders& inputs, const std::string& fileName) {
  if (!FileExists(fileName)) return {};
  try {
    TAdvRef<TAdvFile> file(new TAdvFile(fileName, TAdvFile::kNormalAttributes, 3, 0));
    TAdvRef<TAdvCacheAdapter> cache(new TAdvCacheAdapter(file.Get(), kCache));
    if (ReadCount(*cache) != uint32_t(inputs.Count())) return {};
    TAdvRef<TAdvReader> reader(new TAdvReader(cache.Get()));
    for (int i = 0; i < inputs.Count(); ++i) {
      TAdvRef<TLoader> stored;
      reader->DefineObjectRef(stored);
      TLoader* live = inputs.Input(i)->Loader();
      if (!stored || !live) continue;
      // A loader of another class means the file no longer fits the inputs.
      if (stored->ClassType() != live->ClassType()) return {};
      live->Assign(*stored);
    }
    return {};
  } catch (const EAdvanced& e) {
    const std::string kept = AdvKeepFileAsBad(fileName);
    return kept.empty() ? e.Message() : e.Message() + " (kept as " + kept + ")";
  }
}

void SaveLoadersFile(TMonitorFolders& inputs, const std::string& fileName) {
  AdvSaveFileAtomically(
      fileName,
      [&](TAdvStream& stream) {
        WriteCount(stream, uint32_t(inputs.Count()));
        TAdvRef<TAdvWriter> writer(new TAdvWriter(&stream));
        for (int i = 0; i < inputs.Count(); ++i) {
          TAdvObject* loader = inputs.Input(i)->Loader();
          writer->DefineObject(loader, nullptr);
        }
      },
      kCache);
}
