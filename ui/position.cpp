#include "ui/position.h"

#include <string>
#include <utility>

#include "align/align.h"
#include "stereo/export.h"
#include "ui/tmywindow.h"

toffsetdialog::toffsetdialog(TWindow* parent, std::int32_t& offsetY, std::int32_t& offsetX)
    : TDialog(parent, 1),
      offsetY_(offsetY),
      offsetX_(offsetX),
      vertical_(this, 102, 10),
      horizontal_(this, 103, 10) {}

void toffsetdialog::setupWindow() {
  TDialog::setupWindow();
  vertical_.setText(std::to_string(offsetY_));
  horizontal_.setText(std::to_string(offsetX_));
}

bool toffsetdialog::canClose() {
  const std::int32_t y = leadingDecimal(vertical_.getText(10));
  const std::int32_t x = leadingDecimal(horizontal_.getText(10));
  offsetY_ = y;
  offsetX_ = x;
  return true;
}

void tmywindow::cmRightPosition() {
  toffsetdialog dialog(this, rightOffsetY, rightOffsetX);
  if (dialog.execute() == IDOK) invalidate();
}

void tmywindow::cmAlign() {
  if (!leftImage || !rightImage) {
    messageBox(!leftImage ? kLeftImageNotAssigned : kRightImageNotAssigned, "Error");
    return;
  }
  Result<Alignment> found = [&] {
    TBusyCursor busy;
    return alignPair(*leftImage, *rightImage);
  }();
  if (!found) {
    messageBox(found.error().message, "Error");
    return;
  }
  rightOffsetX = found->dx;
  rightOffsetY = found->dy;
  invalidate();
}

void tmywindow::cmSwap() {
  std::swap(leftImage, rightImage);
  std::swap(leftFileName, rightFileName);
  rightOffsetX = negatePosition(rightOffsetX);
  rightOffsetY = negatePosition(rightOffsetY);
  updateCaption();
  invalidate();
}
