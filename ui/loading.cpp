#include <optional>

#include "image/picture.h"
#include "platform/backend.h"
#include "platform/dialog.h"
#include "platform/source.h"
#include "store/posfile.h"
#include "ui/pending.h"
#include "stereo/export.h"
#include "ui/tmywindow.h"

namespace {

constexpr const char* kOpenFilter =
    "Pictures (*.bmp;*.jpg;*.jpeg;*.png;*.mpo;*.jps)|*.bmp;*.jpg;*.jpeg;*.png;*.mpo;*.jps|Bitmap Files|*.BMP";

// The chosen file's name, or nullopt when the dialog was cancelled.
std::optional<std::string> chooseSource(tmywindow& w) {
  TFileOpenDialog dialog(&w, kOpenFilter);
  if (dialog.execute() != IDOK) return std::nullopt;
  // The dialog made the file's folder current: that is the library now,
  // whatever the file turns out to be.
  w.scanLibrary();
  // Completed as export names are: ".BMP" when the file name has no '.'.
  return completeExportName(dialog.fileName());
}

}  // namespace

bool tmywindow::openSourceFile(std::string& name, std::unique_ptr<tbitmap>& slot, int view) {
  const auto chosen = chooseSource(*this);
  return chosen && loadSourceFile(*chosen, name, slot, view);
}

bool tmywindow::loadSourceFile(const std::string& path, std::string& name, std::unique_ptr<tbitmap>& slot,
                               int view) {
  auto picture = [&] {
    TBusyCursor busy;
    return loadPicture(path, view);
  }();
  if (!picture) {
    messageBox(picture.error().message, "Error");
    return false;
  }
  name = path;
  slot = std::move(*picture);
  invalidate();
  return true;
}

bool tmywindow::openLeft(const std::string& path) {
  if (!loadSourceFile(path, leftFileName, leftImage, 0)) return false;
  updateCaption();
  return true;
}

void tmywindow::openRight(const std::string& path) {
  writePosFile();
  if (loadSourceFile(path, rightFileName, rightImage, 1)) rightLoaded();
}

void tmywindow::rightLoaded() {
  readPosFile();
  updateCaption();
  suppressPosWrite = false;
}

void tmywindow::cmOpenLeft() {
  if (openSourceFile(leftFileName, leftImage, 0)) updateCaption();
}

void tmywindow::cmOpenRight() {
  // The old pair's position is stored even when the dialog is then cancelled.
  writePosFile();
  if (openSourceFile(rightFileName, rightImage, 1)) rightLoaded();
}

void tmywindow::cmOpenStereo() {
  writePosFile();
  if (const auto chosen = chooseSource(*this)) openStereo(*chosen);
}

void tmywindow::openStereo(const std::string& path) {
  if (fitToWindow && startPreview(path)) return;
  auto views = [&] {
    TBusyCursor busy;
    return loadPictureViews(path);
  }();
  showStereo(path, std::move(views));
}

bool tmywindow::startPreview(const std::string& path) {
  if (!backend().canPost()) return false;
  auto file = openFile(path);
  if (!file) return false;
  const TRect client = getClientRect();
  auto reduced = readReducedViews(*file, client.width(), client.height());
  // Anything else, and every refusal, takes the way of a whole decode.
  if (!reduced || !reduced->views.right || reduced->denominator == 1) return false;
  auto job = std::make_unique<tpendingpair>();
  job->path = path;
  job->preview = std::move(*reduced);
  if (usePosFiles) {
    const tposition p = openingPosition(path, path, job->preview.fullWidth);
    job->dx = p.dx, job->dy = p.dy;
  }
  job->generation = ++loads_;
  loading_ = std::move(job);
  invalidate(true);
  return true;
}

void tmywindow::decodeInBackground(tpendingpair& job) {
  tpendingpair* pending = &job;
  pending->fitScale = tpairview::fitScale(getClientRect(), pending->preview.fullWidth, pending->preview.fullHeight);
  const std::uint64_t generation = pending->generation;
  std::shared_ptr<bool> alive = alive_;
  // The job outlives its thread: finishLoading joins it before letting go.
  pending->decoding = std::jthread([this, pending, generation, alive] {
    pending->full = loadPictureViews(pending->path);
    // The fitted anaglyph's reductions too, so the full views show as soon as they are posted.
    if (pending->full && pending->full->right && pending->fitScale < 1) {
      pending->fittedLeft = tpairview::reducedForFit(*pending->full->left, pending->fitScale);
      pending->fittedRight = tpairview::reducedForFit(*pending->full->right, pending->fitScale);
    }
    backend().post([this, generation, alive] {
      if (*alive && loading_ && loading_->generation == generation) finishLoading();
    });
  });
}

void tmywindow::finishLoading() {
  auto job = std::move(loading_);
  if (!job->decoding.joinable()) decodeInBackground(*job);
  {
    TBusyCursor busy;
    job->decoding.join();
  }
  if (showStereo(job->path, std::move(job->full)) && job->fittedLeft)
    pairView_.adoptReduced(*leftImage, std::move(job->fittedLeft), *rightImage, std::move(job->fittedRight));
  // Posted from the decoding thread, outside any message: the status line's own update.
  if (frame()) frame()->setStatusText(statusText());
  invalidate(true);
}

bool tmywindow::showStereo(const std::string& path, Result<StereoViews> views) {
  if (!views) {
    messageBox(views.error().message, "Error");
    return false;
  }
  if (!views->right) {
    messageBox("Not a stereo photo (MPO or JPS): " + path, "Error");
    return false;
  }
  leftFileName = rightFileName = path;
  leftImage = std::move(views->left);
  rightImage = std::move(views->right);
  // The pair is what the window shows now.
  if (viewMode == ViewMode::Split) viewMode = savedViewMode;
  if (libraryMode) {
    libraryMode = false;
    setScrollRange(0, 0, true);
    releaseLibrary();
  }
  rightLoaded();
  invalidate(true);
  return true;
}

void tmywindow::cmOpenSingle() {
  if (!openSourceFile(sourceFileName, sourceImage, 0)) return;
  // 64-bit products: a wide picture must not overflow w * 21.
  const std::int64_t w = sourceImage->width;
  const std::int64_t h = sourceImage->height;
  auto i32 = [](std::int64_t v) { return static_cast<std::int32_t>(v); };
  leftArea = {i32(w / 40), i32(w * 19 / 40), i32(h / 20), i32(h * 19 / 20)};
  rightAreaOrigin = {i32(w * 21 / 40), i32(h / 20)};
  if (viewMode != ViewMode::Split) savedViewMode = viewMode;
  viewMode = ViewMode::Split;
  leftButtonDown = false;
}
