#include "workspace/workspace.h"

#include <algorithm>
#include <utility>

#include "platform/files.h"
#include "platform/parallel.h"
#include "stereo/compose.h"
#include "stereo/matchcolours.h"
#include "store/library.h"
#include "store/posfile.h"

Status tworkspace::openLeft(const std::string& path, int view) {
  auto picture = loadPicture(path, view);
  if (!picture) return picture.error();
  leftImage = std::move(*picture);
  leftFileName = cameraFile_ = path;
  newLeft();
  return success();
}

Status tworkspace::openRight(const std::string& path, int view) {
  auto picture = loadPicture(path, view);
  if (!picture) return picture.error();
  rightImage = std::move(*picture);
  rightFileName = path;
  swapped_ = false;
  readPosition();
  return success();
}

Status tworkspace::openStereo(const std::string& path, Result<StereoViews> views) {
  if (!views) return views.error();
  if (!views->right) return Error{"Not a stereo photo (MPO or JPS): " + path, ErrorKind::Usage};
  leftFileName = rightFileName = cameraFile_ = path;
  leftImage = std::move(views->left);
  rightImage = std::move(views->right);
  newLeft();
  readPosition();
  return success();
}

Status tworkspace::openPair(const std::string& left, const std::string& right, bool together) {
  auto pictures = readLibraryPair(left, right, together);
  if (!pictures) return pictures.error();
  leftFileName = cameraFile_ = left;
  rightFileName = right;
  leftImage = std::move(pictures->left);
  rightImage = std::move(pictures->right);
  newLeft();
  readPosition();
  return success();
}

Status tworkspace::openFiles(const std::string& left, const std::optional<std::string>& right,
                             bool together) {
  // Two views of one file share its name, and its camera's parallax needs the width: read at once.
  if (!right || *right == left) {
    if (!right) return openStereo(left, loadPictureViews(left));
    leftFileName = rightFileName = cameraFile_ = left;
    undecoded_ = true;
    return decode();
  }
  leftImage.reset();
  rightImage.reset();
  newLeft();
  leftFileName = cameraFile_ = left;
  rightFileName = *right;
  undecoded_ = true;
  together_ = together;
  readPosition();
  return success();
}

Status tworkspace::decode() {
  if (!undecoded_) return success();
  auto read = [](const std::string& path) -> Result<std::unique_ptr<tbitmap>> {
    auto views = loadPictureViews(path);
    if (!views) return views.error();
    return std::move(views->left);
  };
  auto [r, l] = together_
                    ? bothAtOnce([&] { return read(rightFileName); }, [&] { return read(leftFileName); })
                    : std::pair{read(rightFileName), read(leftFileName)};
  if (!l) return l.error();
  if (!r) return r.error();
  undecoded_ = false;
  leftImage = std::move(*l);
  rightImage = std::move(*r);
  rightSource_.reset();
  if (leftFileName == rightFileName)
    readPosition();
  else
    refreshRight();
  return success();
}

void tworkspace::adoptCut(std::unique_ptr<tbitmap> left, std::unique_ptr<tbitmap> right) {
  leftImage = std::move(left);
  rightImage = std::move(right);
  newLeft();
  rightSource_.reset();
  correction = {};
  refreshRight();
  suppressPosWrite = true;
  rightOffsetX = rightOffsetY = 0;
  leftFileName.clear();
  rightFileName.clear();
  cameraFile_.clear();
}

void tworkspace::newLeft() {
  leftSource_.reset();
  leftCorrection_ = {};
  swapped_ = false;
}

// A new right picture: its position and correction, when the pair keeps them.
void tworkspace::readPosition() {
  rightSource_.reset();
  correction = {};
  suppressPosWrite = false;
  if (usePosFiles) {
    const std::int32_t width = rightImage ? rightImage->width : 0;
    const tposition p = openingPosition(leftFileName, rightFileName, width);
    rightOffsetX = p.dx;
    rightOffsetY = p.dy;
    correction = p.correction;
  }
  if (!undecoded_) refreshRight();
}

void tworkspace::storePosition() const {
  if (!usePosFiles || suppressPosWrite || !rightImage || rightFileName.empty()) return;
  const bool asShown = leftCorrection_.none() && !(swapped_ && leftFileName == rightFileName);
  if (asShown)
    writePosition(positionFileOf(rightFileName), {rightOffsetX, rightOffsetY, correction});
  else if (correction.none() && !leftFileName.empty())
    writePosition(positionFileOf(leftFileName),
                  {negatePosition(rightOffsetX), negatePosition(rightOffsetY), leftCorrection_});
}

void tworkspace::setPosition(std::int32_t x, std::int32_t y) {
  rightOffsetX = x;
  rightOffsetY = y;
}

void tworkspace::nudge(std::int32_t byX, std::int32_t byY) {
  auto moved = [](std::int32_t v, std::int32_t by) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{v} + by, INT32_MIN, INT32_MAX));
  };
  setPosition(moved(rightOffsetX, byX), moved(rightOffsetY, byY));
}

Result<Alignment> tworkspace::findAlignment(bool correct) {
  if (Status s = decode(); !s) return s.error();
  if (!leftImage || !rightImage) return Error{!leftImage ? kLeftImageNotAssigned : kRightImageNotAssigned};
  return alignPair(*leftImage, *rightSource(), correct);
}

Result<Alignment> tworkspace::align(bool correct) {
  auto found = findAlignment(correct);
  if (!found) return found;
  setPosition(found->dx, found->dy);
  // The colours are matched at the new position even when the correction stays.
  const bool refresh = found->correction != correction || matchColours;
  correction = found->correction;
  if (refresh) refreshRight();
  return found;
}

void tworkspace::setCorrection(const Correction& c) {
  if (c == correction) return;
  correction = c;
  if (!undecoded_) refreshRight();
}

void tworkspace::setMatchColours(bool on) {
  if (on == matchColours) return;
  matchColours = on;
  if (!undecoded_) refreshRight();
}

// Resampled once per change of the correction or of the matching; the
// position, the views and the exports then work on the result as on any picture.
void tworkspace::refreshRight() {
  if (correction.none() && !matchColours) {
    if (rightSource_) rightImage = std::move(rightSource_);
  } else if (rightImage || rightSource_) {
    if (!rightSource_) rightSource_ = std::move(rightImage);
    auto changed = std::make_unique<tbitmap>(correctedPicture(*rightSource_, correction));
    if (matchColours && leftImage) ::matchColours(*leftImage, *changed, rightOffsetX, rightOffsetY);
    rightImage = std::move(changed);
  }
}

Status tworkspace::swap() {
  // Files not yet read swap as files, unless the right one is to be changed first.
  if (undecoded_ && (!correction.none() || matchColours))
    if (Status s = decode(); !s) return s;
  swapSides(leftImage, rightImage, rightOffsetX, rightOffsetY);
  std::swap(leftSource_, rightSource_);
  std::swap(leftCorrection_, correction);
  std::swap(leftFileName, rightFileName);
  swapped_ = !swapped_;
  return success();
}

bool tworkspace::scanLibrary(const std::string& dir) {
  const std::vector<tlibrarypair> pairs = libraryPairsIn(dir);
  libraryEntries = makeLibraryList(pairs);
  libraryCount = static_cast<std::int32_t>(pairs.size());
  return libraryEntries != nullptr;
}

std::optional<tlibrarypair> tworkspace::neighbourPair(int step) const {
  if (!leftImage) return std::nullopt;
  // A file right below the root has an empty directory part.
  const std::string folder =
      leftFileName.find('/') == std::string::npos ? currentDirectory() : directoryOf(leftFileName);
  const std::string dir = folder.empty() ? std::string(1, '/') : folder;
  const std::string prefix = libraryPrefix(dir);
  const std::vector<tlibrarypair> pairs = libraryPairsIn(dir);
  // The open pair by its left file; after a swap that is the right one.
  auto inFolder = [&](const std::string& path) {
    return path.starts_with(prefix) ? path.substr(prefix.size()) : std::string();
  };
  const std::string left = inFolder(leftFileName), right = inFolder(rightFileName);
  const auto at = std::find_if(pairs.begin(), pairs.end(), [&](const tlibrarypair& p) {
    return p.leftFile == left || p.leftFile == right;
  });
  const std::ptrdiff_t next = (at - pairs.begin()) + step;
  if (at == pairs.end() || next < 0 || next >= static_cast<std::ptrdiff_t>(pairs.size())) return std::nullopt;
  const tlibrarypair& p = pairs[static_cast<std::size_t>(next)];
  return tlibrarypair{p.baseName, prefix + p.leftFile, prefix + p.rightFile};
}
