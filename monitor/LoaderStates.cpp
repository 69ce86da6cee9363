#include "monitor/LoaderStates.h"

#include "core/AdvBinaryFilers.h"
#include "core/AdvCaches.h"
#include "core/AdvFiles.h"
#include "monitor/MonitorFolders.h"

namespace {

constexpr uint32_t kCache = 65536;

}  // namespace

void SaveLoaderStates(const TMonitorFolders& inputs, const std::string& fileName) {
  AdvSaveFileAtomically(
      fileName,
      [&](TAdvStream& stream) {
        const uint32_t count = uint32_t(inputs.Count());
        const uint8_t bytes[4] = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16),
                                  uint8_t(count >> 24)};
        stream.Write(bytes, sizeof bytes);
        TAdvRef<TAdvWriter> writer = AdvNew<TAdvWriter>();
        writer->SetStream(&stream);
        for (int i = 0; i < inputs.Count(); ++i) {
          TAdvObject* loader = inputs.Input(i)->Loader();
          writer->Field("Loader").DefineObject(loader);
        }
      },
      kCache);
}

int LoadLoaderStates(TMonitorFolders& inputs, const std::string& fileName) {
  int restored = 0;
  try {
    TAdvRef<TAdvFile> file(new TAdvFile(fileName, TAdvFile::kNormalAttributes, 3, 0));
    TAdvRef<TAdvCacheAdapter> cache(new TAdvCacheAdapter(file.Get(), kCache));
    uint8_t bytes[4];
    cache->Read(bytes, sizeof bytes);
    const uint32_t count = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                           uint32_t(bytes[3]) << 24;
    if (count != uint32_t(inputs.Count())) return 0;
    TAdvRef<TAdvReader> reader = AdvNew<TAdvReader>();
    reader->SetStream(cache.Get());
    for (int i = 0; i < inputs.Count(); ++i) {
      TLoader* loader = inputs.Input(i)->Loader();
      if (!loader) {
        // Nothing to restore into; only a stored nil lets the rest follow.
        if (reader->Peek() != TAdvFilerKind::Nil) break;
        TAdvObject* none = nullptr;
        reader->Field("Loader").DefineObject(none);
        continue;
      }
      if (reader->Peek() != TAdvFilerKind::Object) break;
      // Read into a copy, so a loader whose data ends half-way stays whole.
      TAdvRef<TLoader> copy(static_cast<TLoader*>(loader->Clone()));
      TAdvObject* into = copy.Get();
      reader->Field("Loader").DefineObject(into, loader->ClassType());
      loader->Assign(*copy);
      ++restored;
    }
  } catch (const std::exception&) {
    // Abandoned silently: the remaining loaders keep their settings.
  }
  return restored;
}
