#include "cli/pair.h"

#include <vector>

Status writePictures(std::span<const SavedExport> exports, std::span<const std::string> names,
                     const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                     const ExportSettings& settings) {
  std::vector<std::unique_ptr<tbitmap>> pictures;
  for (const SavedExport& e : exports) {
    auto picture = buildExport(e.kind, &left, &right, dx, dy, settings);
    if (!picture) return picture.error();
    pictures.push_back(std::move(picture.value()));
  }
  for (std::size_t i = 0; i < pictures.size(); ++i)
    if (Status s = pictures[i]->saveBmp(names[i]); !s) return s;
  return success();
}
