#include "cli/inputs.h"

#include "image/picture.h"
#include "image/save.h"
#include "platform/parallel.h"
#include "stereo/export.h"

Result<PairInputs> loadPairInputs(const std::string& command, const std::vector<std::string>& inputs) {
  if (inputs.size() == 2) {
    auto [second, first] = bothAtOnce([&] { return loadPictureViews(inputs[1]); },
                                      [&] { return loadPictureViews(inputs[0]); });
    if (!first) return first.error();
    if (!second) return second.error();
    return PairInputs{std::move(first->left), std::move(second->left), inputs[1]};
  }
  auto views = loadPictureViews(inputs[0]);
  if (!views) return views.error();
  if (!views->right)
    return Error{command + " takes LEFT RIGHT or one stereo file (MPO or JPS), and " + inputs[0] +
                     " holds one picture",
                 ErrorKind::Usage};
  return PairInputs{std::move(views->left), std::move(views->right), inputs[0]};
}

Status writeOutput(const tbitmap& picture, const std::string& name, int quality,
                   std::span<const std::uint8_t> exif) {
  return savePicture(picture, completeExportName(name), quality, exif);
}

Status writeAlignedPair(const tbitmap& left, const tbitmap& right, std::int32_t dx, std::int32_t dy,
                        const std::string& name, int quality, const SourceFacts& facts, bool console) {
  if (console) {
    auto views = consoleViews(left, right, dx, dy);
    if (!views) return views.error();
    return saveStereoPicture(*views->left, *views->right, name, quality, facts);
  }
  const auto l = alignedLeft(left, &right, dx, dy);
  const auto r = alignedRight(&left, right, dx, dy);
  return saveStereoPicture(*l, *r, name, quality, facts);
}
