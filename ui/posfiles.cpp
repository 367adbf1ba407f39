#include "store/posfile.h"
#include "ui/tmywindow.h"

// A new right picture: its position and correction.
void tmywindow::readPosFile() {
  rightReplaced();
  if (usePosFiles) {
    const tposition p = readPosition(positionFileOf(rightFileName)).value_or(tposition{});
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
