#include <optional>

#include "image/save.h"
#include "platform/dialog.h"
#include "stereo/export.h"
#include "ui/tmywindow.h"

namespace {

bool refuse(tmywindow& w, const Error& e) {
  w.messageBox(e.message, "Error");
  return false;
}

bool passesChecks(tmywindow& w, ExportKind kind) {
  Status check = checkExport(kind, w.leftImage.get(), w.rightImage.get(), w.rightOffsetX, w.rightOffsetY);
  return check || refuse(w, check.error());
}

std::optional<std::string> chooseName(tmywindow& w) {
  TFileSaveDialog dialog(&w, "Bitmap Files|*.BMP");
  if (dialog.execute() != IDOK) return std::nullopt;
  return dialog.fileName();
}

// Both aligned pictures as one stereo file.
Status saveAlignedPair(tmywindow& w, const std::string& path, const SourceFacts& facts) {
  const auto left = alignedLeft(*w.leftImage, w.rightImage.get(), w.rightOffsetX, w.rightOffsetY);
  const auto right = alignedRight(w.leftImage.get(), *w.rightImage, w.rightOffsetX, w.rightOffsetY);
  return saveStereoPicture(*left, *right, path, w.quality, facts);
}

// The file of one kind. A refused build or a failed write is reported and
// changes nothing in the workspace.
bool writeExport(tmywindow& w, ExportKind kind, const std::string& path) {
  TBusyCursor busy;
  const ExportSettings settings{w.leftColour, w.rightColour, w.viewSize, w.imageSpacing, w.anaglyphMethod};
  auto picture =
      buildExport(kind, w.leftImage.get(), w.rightImage.get(), w.rightOffsetX, w.rightOffsetY, settings);
  if (!picture) return refuse(w, picture.error());
  // The left photo's camera data goes with every picture made from the pair.
  const SourceFacts facts = readSourceFacts(w.leftFileName);
  Status saved = (kind == ExportKind::Left || kind == ExportKind::Right) && isStereoName(path)
                     ? saveAlignedPair(w, path, facts)
                     : savePicture(**picture, path, w.quality, facts.exif);
  return saved || refuse(w, saved.error());
}

// A written aligned picture becomes the workspace's file of that side. Its
// position belongs to the pair it was cut from, so no position file follows.
void adoptAligned(tmywindow& w, ExportKind kind, const std::string& path) {
  if (kind != ExportKind::Left && kind != ExportKind::Right) return;
  (kind == ExportKind::Left ? w.leftFileName : w.rightFileName) = path;
  w.updateCaption();
  w.releaseLibrary();
  w.suppressPosWrite = true;
}

void saveOne(tmywindow& w, ExportKind kind) {
  if (!passesChecks(w, kind)) return;
  const auto chosen = chooseName(w);
  if (!chosen) return;
  const std::string path = completeExportName(*chosen);
  if (writeExport(w, kind, path)) adoptAligned(w, kind, path);
}

}  // namespace

void tmywindow::cmSaveParallel() { saveOne(*this, ExportKind::Parallel); }
void tmywindow::cmSaveCrossed() { saveOne(*this, ExportKind::Crossed); }
void tmywindow::cmSaveAnaglyph() { saveOne(*this, ExportKind::Anaglyph); }
void tmywindow::cmSaveLeft() { saveOne(*this, ExportKind::Left); }
void tmywindow::cmSaveRight() { saveOne(*this, ExportKind::Right); }

void tmywindow::cmSaveAll() {
  if (!passesChecks(*this, ExportKind::All)) return;
  const auto chosen = chooseName(*this);
  if (!chosen) return;
  const auto names = saveAllNames(*chosen);
  TBusyCursor busy;  // one for the five files
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!writeExport(*this, kSaveAll[i].kind, names[i])) return;
    adoptAligned(*this, kSaveAll[i].kind, names[i]);
  }
}
