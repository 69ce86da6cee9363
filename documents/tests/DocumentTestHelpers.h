// Shared pieces of the document tests: a fresh folder with a volume on it,
// documents opened there, small tables and pictures, and error texts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "documents/AdvDocuments.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace doctest {

// The full message of the EAdvanced an action raises, or "(no error)".
inline std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EAdvanced& e) {
    return e.what();
  }
  return "(no error)";
}

// A temporary folder with a create-mode volume on it.
class TFolder {
 public:
  explicit TFolder(const std::string& prefix = "doc")
      : Path(vexatest::MakeTempFolder(prefix) + "/"),
        Volume(AdvNew<TWindowsVolume>(Path, TAfsVolume::kModeCreate)) {}

  std::string Read(const std::string& name) const { return vexatest::ReadFileText(Path + name); }
  bool Exists(const std::string& name) const;
  // The names of the files in the folder and below, relative and sorted.
  std::vector<std::string> Files() const;

  template <class T>
  TAdvRef<T> Document(const std::string& fileName, const std::string& title = "Title") {
    auto document = AdvNew<T>();
    document->SetFolder(Volume.Get());
    document->SetFileName(fileName);
    document->SetTitle(title);
    return document;
  }

  std::string Path;
  TAdvRef<TWindowsVolume> Volume;
};

// A table of `rows` rows whose cells are `cell(column, row)`.
TAdvRef<TAdvVirtualTable> MakeTable(const std::vector<std::string>& headers, int rows,
                                    std::function<std::string(int column, int row)> cell);

// A picture of one colour.
TAdvPicture SolidPicture(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b,
                         uint8_t channels = 3);

}  // namespace doctest
