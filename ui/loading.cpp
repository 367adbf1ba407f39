#include <optional>

#include "image/picture.h"
#include "platform/backend.h"
#include "platform/dialog.h"
#include "platform/source.h"
#include "stereo/export.h"
#include "ui/pending.h"
#include "ui/tmywindow.h"

namespace {

constexpr const char* kOpenFilter =
    "Pictures (*.bmp;*.jpg;*.jpeg;*.png;*.mpo;*.jps;*.heic;*.heif)|"
    "*.bmp;*.jpg;*.jpeg;*.png;*.mpo;*.jps;*.heic;*.heif|Bitmap Files|*.BMP";

}  // namespace

std::optional<std::string> tmywindow::chooseSource() {
  TFileOpenDialog dialog(this, kOpenFilter);
  if (dialog.execute() != IDOK) return std::nullopt;
  // The dialog made the file's folder current: that is the library now,
  // whatever the file turns out to be.
  scanLibrary();
  // Completed as export names are: ".BMP" when the file name has no '.'.
  return completeExportName(dialog.fileName());
}

bool tmywindow::openLeft(const std::string& path) {
  Status s = [&] {
    TBusyCursor busy;
    return ws_.openLeft(path, 0);
  }();
  if (!report(s)) return false;
  updateCaption();
  invalidate();
  return true;
}

void tmywindow::openRight(const std::string& path) {
  storePosition();
  Status s = [&] {
    TBusyCursor busy;
    return ws_.openRight(path, 1);
  }();
  if (report(s)) pairOpened();
}

void tmywindow::pairOpened() {
  aligned_ = false;
  updateCaption();
  invalidate();
}

void tmywindow::cmOpenLeft() {
  if (const auto chosen = chooseSource()) openLeft(*chosen);
}

void tmywindow::cmOpenRight() {
  // The old pair's position is stored even when the dialog is then cancelled.
  storePosition();
  if (const auto chosen = chooseSource()) openRight(*chosen);
}

void tmywindow::cmOpenStereo() {
  storePosition();
  if (const auto chosen = chooseSource()) openStereo(*chosen);
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
  const tposition p = ws_.openingPositionOf(path, job->preview.fullWidth);
  job->dx = p.dx, job->dy = p.dy;
  job->generation = ++loads_;
  loading_ = std::move(job);
  invalidate(true);
  return true;
}

void tmywindow::decodeInBackground(tpendingpair& job) {
  tpendingpair* pending = &job;
  pending->fitScale =
      tpairview::fitScale(getClientRect(), pending->preview.fullWidth, pending->preview.fullHeight);
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
    pairView_.adoptReduced(*ws_.leftImage(), std::move(job->fittedLeft), *ws_.rightImage(),
                           std::move(job->fittedRight));
  // Posted from the decoding thread, outside any message: the status line's own update.
  showStatus();
  invalidate(true);
}

bool tmywindow::showStereo(const std::string& path, Result<StereoViews> views) {
  if (!report(ws_.openStereo(path, std::move(views)))) return false;
  // The pair is what the window shows now.
  if (viewMode == ViewMode::Split) viewMode = savedViewMode;
  if (libraryMode) {
    libraryMode = false;
    setScrollRange(0, 0, true);
    releaseLibrary();
  }
  pairOpened();
  invalidate(true);
  return true;
}

void tmywindow::cmOpenSingle() {
  const auto chosen = chooseSource();
  if (!chosen) return;
  auto picture = [&] {
    TBusyCursor busy;
    return loadPicture(*chosen);
  }();
  if (!picture) {
    report(picture.error());
    return;
  }
  sourceFileName = *chosen;
  sourceImage = std::move(*picture);
  invalidate();
  const tcut cut = firstCut(sourceImage->width, sourceImage->height);
  leftArea = cut.left;
  rightAreaOrigin = cut.right;
  if (viewMode != ViewMode::Split) savedViewMode = viewMode;
  viewMode = ViewMode::Split;
  leftButtonDown = false;
}
