#include "image/picture.h"
#include "platform/dialog.h"
#include "stereo/export.h"
#include "ui/tmywindow.h"

bool tmywindow::openSourceFile(std::string& name, std::unique_ptr<tbitmap>& slot) {
  TFileOpenDialog dialog(this, "Bitmap Files|*.BMP");
  if (dialog.execute() != IDOK) return false;
  // The dialog made the file's folder current: that is the library now,
  // whatever the file turns out to be.
  scanLibrary();
  // Completed as export names are: ".BMP" when the file name has no '.'.
  return loadSourceFile(completeExportName(dialog.fileName()), name, slot);
}

bool tmywindow::loadSourceFile(const std::string& path, std::string& name, std::unique_ptr<tbitmap>& slot) {
  auto picture = [&] {
    TBusyCursor busy;
    return loadPicture(path);
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
  if (!loadSourceFile(path, leftFileName, leftImage)) return false;
  updateCaption();
  return true;
}

void tmywindow::openRight(const std::string& path) {
  writePosFile();
  if (loadSourceFile(path, rightFileName, rightImage)) rightLoaded();
}

void tmywindow::rightLoaded() {
  readPosFile();
  updateCaption();
  suppressPosWrite = false;
}

void tmywindow::cmOpenLeft() {
  if (openSourceFile(leftFileName, leftImage)) updateCaption();
}

void tmywindow::cmOpenRight() {
  // The old pair's position is stored even when the dialog is then cancelled.
  writePosFile();
  if (openSourceFile(rightFileName, rightImage)) rightLoaded();
}

void tmywindow::cmOpenSingle() {
  if (!openSourceFile(sourceFileName, sourceImage)) return;
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
