#include "store/posfile.h"
#include "ui/tmywindow.h"

void tmywindow::readPosFile() {
  if (!usePosFiles) return;
  const tposition p = openingPosition(leftFileName, rightFileName, rightImage ? rightImage->width : 0);
  rightOffsetX = p.dx;
  rightOffsetY = p.dy;
}

void tmywindow::writePosFile() {
  if (!usePosFiles || suppressPosWrite || !rightImage || rightFileName.empty()) return;
  writePosition(positionFileOf(rightFileName), {rightOffsetX, rightOffsetY});
}
