#include "documents/tests/DocumentTestHelpers.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace doctest {

bool TFolder::Exists(const std::string& name) const {
  return fs::exists(Path + name);
}

std::vector<std::string> TFolder::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(Path))
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), Path).string());
  std::sort(names.begin(), names.end());
  return names;
}

TAdvRef<TAdvVirtualTable> MakeTable(const std::vector<std::string>& headers, int rows,
                                    std::function<std::string(int column, int row)> cell) {
  auto table = AdvNew<TAdvVirtualTable>();
  table->SetColumnCount(int(headers.size()));
  for (size_t i = 0; i < headers.size(); ++i) table->Columns().GetItem(int(i))->Header = headers[i];
  table->SetRowCount(rows);
  table->SetOnCellText([cell](TAdvTable&, int column, int row) { return cell(column, row); });
  return table;
}

TAdvPicture SolidPicture(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b,
                         uint8_t channels) {
  TAdvPicture picture;
  picture.Width = width;
  picture.Height = height;
  picture.Channels = channels;
  picture.Pixels.resize(size_t(width) * height * channels);
  for (size_t i = 0; i < size_t(width) * height; ++i) {
    uint8_t* p = picture.Pixels.data() + i * channels;
    p[0] = r, p[1] = g, p[2] = b;
    if (channels == 4) p[3] = 255;
  }
  return picture;
}

}  // namespace doctest
