#include <cstring>
#include <optional>

#include "image/save.h"
#include "platform/dialog.h"
#include "stereo/export.h"
#include "ui/tmywindow.h"

namespace {

// BMP first, as ever; the formats of one picture, and for an aligned
// picture those of a pair too. Save all writes BMP names alone.
std::string saveFilter(ExportKind kind) {
  std::string filter = "Bitmap Files|*.BMP";
  if (kind == ExportKind::All) return filter;
  const bool pairs = kind == ExportKind::Left || kind == ExportKind::Right;
  const char* label = nullptr;
  for (const OutputFormat& f : outputFormats().subspan(1)) {
    if (!f.save && !(pairs && f.savePair)) continue;
    filter += label && std::strcmp(label, f.label) == 0 ? ";*" : "|" + std::string(f.label) + "|*";
    filter += f.extension;
    label = f.label;
  }
  return filter;
}

std::optional<std::string> chooseName(tmywindow& w, ExportKind kind) {
  TFileSaveDialog dialog(&w, saveFilter(kind));
  if (dialog.execute() != IDOK) return std::nullopt;
  return dialog.fileName();
}

// The checks before the file dialog, then the export. A refusal is reported
// and changes nothing; a written aligned picture becomes the file of its side.
void saveOne(tmywindow& w, ExportKind kind) {
  const tworkspace& ws = w.workspace();
  if (!w.report(checkExport(kind, ws.leftImage(), ws.rightImage(), ws.rightOffsetX(), ws.rightOffsetY())))
    return;
  const auto chosen = chooseName(w, kind);
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
