#include <optional>

#include "platform/dialog.h"
#include "stereo/export.h"
#include "ui/tmywindow.h"

namespace {

std::optional<std::string> chooseName(tmywindow& w) {
  TFileSaveDialog dialog(&w, "Bitmap Files|*.BMP");
  if (dialog.execute() != IDOK) return std::nullopt;
  return dialog.fileName();
}

// The checks before the file dialog, then the export. A refusal is reported
// and changes nothing; a written aligned picture becomes the file of its side.
void saveOne(tmywindow& w, ExportKind kind) {
  const tworkspace& ws = w.workspace();
  if (!w.report(checkExport(kind, ws.leftImage(), ws.rightImage(), ws.rightOffsetX(), ws.rightOffsetY())))
    return;
  const auto chosen = chooseName(w);
  if (!chosen) return;
  const std::string left = ws.leftFileName(), right = ws.rightFileName();
  Status saved = [&] {
    TBusyCursor busy;  // one for the five files of Save all
    return w.workspace().exportTo(kind, *chosen);
  }();
  if (ws.leftFileName() != left || ws.rightFileName() != right) {
    w.updateCaption();
    w.releaseLibrary();
  }
  w.report(saved);
}

}  // namespace

void tmywindow::cmSaveParallel() { saveOne(*this, ExportKind::Parallel); }
void tmywindow::cmSaveCrossed() { saveOne(*this, ExportKind::Crossed); }
void tmywindow::cmSaveAnaglyph() { saveOne(*this, ExportKind::Anaglyph); }
void tmywindow::cmSaveLeft() { saveOne(*this, ExportKind::Left); }
void tmywindow::cmSaveRight() { saveOne(*this, ExportKind::Right); }
void tmywindow::cmSaveAll() { saveOne(*this, ExportKind::All); }
