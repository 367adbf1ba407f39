#include "store/posfile.h"
#include "ui/tmywindow.h"

// A new right picture: its position and correction.
void tmywindow::readPosFile() {
  rightReplaced();
  if (usePosFiles) {
    const tposition p = openingPosition(leftFileName, rightFileName, rightImage ? rightImage->width : 0);
    rightOffsetX = p.dx;
    rightOffsetY = p.dy;
    correction = p.correction;
  }
  refreshRight();
}

void tmywindow::writePosFile() {
  if (!usePosFiles || suppressPosWrite || !rightImage || rightFileName.empty()) return;
  writePosition(positionFileOf(rightFileName), {rightOffsetX, rightOffsetY, correction});
}
