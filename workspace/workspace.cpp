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
  leftImage_ = std::move(*picture);
  leftFileName_ = cameraFile_ = path;
  newLeft();
  return success();
}

Status tworkspace::openRight(const std::string& path, int view) {
  auto picture = loadPicture(path, view);
  if (!picture) return picture.error();
  rightImage_ = std::move(*picture);
  rightFileName_ = path;
  swapped_ = false;
  readPosition();
  return success();
}

Status tworkspace::openStereo(const std::string& path, Result<StereoViews> views) {
  if (!views) return views.error();
  if (!views->right) return Error{"Not a stereo photo (MPO or JPS): " + path, ErrorKind::Usage};
  leftFileName_ = rightFileName_ = cameraFile_ = path;
  leftImage_ = std::move(views->left);
  rightImage_ = std::move(views->right);
  newLeft();
  readPosition();
  return success();
}

Status tworkspace::openPair(const std::string& left, const std::string& right, Decoding decoding) {
  auto pictures = readLibraryPair(left, right, decoding == Decoding::Together);
  if (!pictures) return pictures.error();
  leftFileName_ = cameraFile_ = left;
  rightFileName_ = right;
  leftImage_ = std::move(pictures->left);
  rightImage_ = std::move(pictures->right);
  newLeft();
  readPosition();
  return success();
}

Status tworkspace::openFiles(const std::string& left, const std::optional<std::string>& right,
                             Decoding decoding) {
  // Two views of one file share its name, and its camera's parallax needs the width: read at once.
  if (!right || *right == left) {
    if (!right) return openStereo(left, loadPictureViews(left));
    leftFileName_ = rightFileName_ = cameraFile_ = left;
    undecoded_ = true;
    return decode();
  }
  leftImage_.reset();
  rightImage_.reset();
  newLeft();
  leftFileName_ = cameraFile_ = left;
  rightFileName_ = *right;
  undecoded_ = true;
  decoding_ = decoding;
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
  auto [r, l] = decoding_ == Decoding::Together
                    ? bothAtOnce([&] { return read(rightFileName_); }, [&] { return read(leftFileName_); })
                    : std::pair{read(rightFileName_), read(leftFileName_)};
  if (!l) return l.error();
  if (!r) return r.error();
  undecoded_ = false;
  leftImage_ = std::move(*l);
  rightImage_ = std::move(*r);
  rightSource_.reset();
  if (leftFileName_ == rightFileName_)
    readPosition();
  else
    refreshRight();
  return success();
}

void tworkspace::openPictures(std::unique_ptr<tbitmap> left, std::unique_ptr<tbitmap> right) {
  leftImage_ = std::move(left);
  rightImage_ = std::move(right);
  newLeft();
  undecoded_ = false;
  rightSource_.reset();
  correction_ = {};
  rightOffsetX_ = rightOffsetY_ = 0;
  refreshRight();  // the colours matched at the new position
  suppressPosWrite_ = false;
  leftFileName_.clear();
  rightFileName_.clear();
  cameraFile_.clear();
}

tcut firstCut(std::int32_t width, std::int32_t height) {
  // 64-bit products: a wide picture must not overflow w * 21.
  const std::int64_t w = width, h = height;
  auto i32 = [](std::int64_t v) { return static_cast<std::int32_t>(v); };
  return {{i32(w / 40), i32(w * 19 / 40), i32(h / 20), i32(h * 19 / 20)}, {i32(w * 21 / 40), i32(h / 20)}};
}

void putInOrder(tarea& a) {
  if (a.x1 > a.x2) std::swap(a.x1, a.x2);
  if (a.y1 > a.y2) std::swap(a.y1, a.y2);
}

tarea tworkspace::openCut(const tbitmap& source, tcut cut) {
  tarea& a = cut.left;
  putInOrder(a);
  const tareaorigin o = cut.right;
  openPictures(source.crop(a.x1, a.y1, a.x2, a.y2), source.crop(o.x, o.y, o.x + (a.x2 - a.x1), o.y + (a.y2 - a.y1)));
  suppressPosWrite_ = true;
  return a;
}

tposition tworkspace::openingPositionOf(const std::string& path, std::int32_t width) const {
  if (!settings_.usePosFiles) return {};
  return openingPosition(path, path, width);
}

void tworkspace::applySettings(const tworkspacesettings& s) {
  const bool rematch = s.matchColours != settings_.matchColours;
  settings_ = s;
  if (rematch && !undecoded_) refreshRight();
}

void tworkspace::newLeft() {
  leftSource_.reset();
  leftCorrection_ = {};
  swapped_ = false;
}

// A new right picture: its position and correction_, when the pair keeps them.
void tworkspace::readPosition() {
  rightSource_.reset();
  correction_ = {};
  suppressPosWrite_ = false;
  if (settings_.usePosFiles) {
    const std::int32_t width = rightImage_ ? rightImage_->width : 0;
    const tposition p = openingPosition(leftFileName_, rightFileName_, width);
    rightOffsetX_ = p.dx;
    rightOffsetY_ = p.dy;
    correction_ = p.correction;
  }
  if (!undecoded_) refreshRight();
}

void tworkspace::storePosition() const {
  if (!settings_.usePosFiles || suppressPosWrite_ || !rightImage_ || rightFileName_.empty()) return;
  const bool asShown = leftCorrection_.none() && !(swapped_ && leftFileName_ == rightFileName_);
  if (asShown)
    writePosition(positionFileOf(rightFileName_), {rightOffsetX_, rightOffsetY_, correction_});
  else if (correction_.none() && !leftFileName_.empty())
    writePosition(positionFileOf(leftFileName_),
                  {negatePosition(rightOffsetX_), negatePosition(rightOffsetY_), leftCorrection_});
}

void tworkspace::setPosition(std::int32_t x, std::int32_t y) {
  rightOffsetX_ = x;
  rightOffsetY_ = y;
}

void tworkspace::nudge(std::int32_t byX, std::int32_t byY) {
  auto moved = [](std::int32_t v, std::int32_t by) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{v} + by, INT32_MIN, INT32_MAX));
  };
  setPosition(moved(rightOffsetX_, byX), moved(rightOffsetY_, byY));
}

Result<Alignment> tworkspace::findAlignment(Correcting correcting) {
  if (Status s = decode(); !s) return s.error();
  if (!leftImage_ || !rightImage_) return Error{!leftImage_ ? kLeftImageNotAssigned : kRightImageNotAssigned};
  return alignPair(*leftImage_, *rightSource(), correcting == Correcting::Corrected);
}

Result<Alignment> tworkspace::align(Correcting correcting) {
  auto found = findAlignment(correcting);
  if (!found) return found;
  setPosition(found->dx, found->dy);
  // The colours are matched at the new position even when the correction_ stays.
  const bool refresh = found->correction != correction_ || settings_.matchColours;
  correction_ = found->correction;
  if (refresh) refreshRight();
  return found;
}

void tworkspace::setCorrection(const Correction& c) {
  if (c == correction_) return;
  correction_ = c;
  if (!undecoded_) refreshRight();
}

void tworkspace::setMatchColours(bool on) {
  tworkspacesettings s = settings_;
  s.matchColours = on;
  applySettings(s);
}

// Resampled once per change of the correction_ or of the matching; the
// position, the views and the exports then work on the result as on any picture.
void tworkspace::refreshRight() {
  if (correction_.none() && !settings_.matchColours) {
    if (rightSource_) rightImage_ = std::move(rightSource_);
  } else if (rightImage_ || rightSource_) {
    if (!rightSource_) rightSource_ = std::move(rightImage_);
    auto changed = std::make_unique<tbitmap>(correctedPicture(*rightSource_, correction_));
    if (settings_.matchColours && leftImage_) matchColours(*leftImage_, *changed, rightOffsetX_, rightOffsetY_);
    rightImage_ = std::move(changed);
  }
}

Status tworkspace::swap() {
  // Files not yet read swap as files, unless the right one is to be changed first.
  if (undecoded_ && (!correction_.none() || settings_.matchColours))
    if (Status s = decode(); !s) return s;
  swapSides(leftImage_, rightImage_, rightOffsetX_, rightOffsetY_);
  std::swap(leftSource_, rightSource_);
  std::swap(leftCorrection_, correction_);
  std::swap(leftFileName_, rightFileName_);
  swapped_ = !swapped_;
  return success();
}

tworkspacesettings readWorkspaceSettings(const Profile& profile) {
  const tsettings s = readSettings(profile);
  return {{s.leftColour, s.rightColour, s.viewSize, s.imageSpacing, s.method},
          readQuality(profile),
          s.usePosFiles,
          readMatchColours(profile)};
}

bool tworkspace::scanLibrary(const std::string& dir) {
  const std::vector<tlibrarypair> pairs = libraryPairsIn(dir);
  libraryEntries_ = makeLibraryList(pairs);
  libraryCount_ = static_cast<std::int32_t>(pairs.size());
  return libraryEntries_ != nullptr;
}

std::optional<tlibrarypair> tworkspace::neighbourPair(int step) const {
  if (!leftImage_) return std::nullopt;
  // A file right below the root has an empty directory part.
  const std::string folder =
      leftFileName_.find('/') == std::string::npos ? currentDirectory() : directoryOf(leftFileName_);
  const std::string dir = folder.empty() ? std::string(1, '/') : folder;
  const std::string prefix = libraryPrefix(dir);
  const std::vector<tlibrarypair> pairs = libraryPairsIn(dir);
  // The open pair by its left file; after a swap that is the right one.
  auto inFolder = [&](const std::string& path) {
    return path.starts_with(prefix) ? path.substr(prefix.size()) : std::string();
  };
  const std::string left = inFolder(leftFileName_), right = inFolder(rightFileName_);
  const auto at = std::find_if(pairs.begin(), pairs.end(), [&](const tlibrarypair& p) {
    return p.leftFile == left || p.leftFile == right;
  });
  const std::ptrdiff_t next = (at - pairs.begin()) + step;
  if (at == pairs.end() || next < 0 || next >= static_cast<std::ptrdiff_t>(pairs.size())) return std::nullopt;
  const tlibrarypair& p = pairs[static_cast<std::size_t>(next)];
  return tlibrarypair{p.baseName, prefix + p.leftFile, prefix + p.rightFile};
}

const tlibraryentry& tworkspace::thumbnailed(const tlibraryentry& entry, const std::string& path) {
  // The entry is one of this workspace's list, which it alone changes.
  auto& e = const_cast<tlibraryentry&>(entry);
  if (!e.thumbnailReady) buildThumbnail(e, path);
  return e;
}
