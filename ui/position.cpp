#include "ui/position.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "stereo/export.h"
#include "ui/resources.h"
#include "ui/tmywindow.h"

toffsetdialog::toffsetdialog(TWindow* parent, std::int32_t& offsetY, std::int32_t& offsetX)
    : TDialog(parent, kPositionDialog),
      offsetY_(offsetY),
      offsetX_(offsetX),
      vertical_(this, IDC_VERTICAL, 10),
      horizontal_(this, IDC_HORIZONTAL, 10) {}

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

tcorrectiondialog::tcorrectiondialog(TWindow* parent, Correction& correction)
    : TDialog(parent, kCorrectionDialog),
      correction_(correction),
      rotation_(this, IDC_ROTATION, 16),
      zoom_(this, IDC_ZOOM, 16),
      vertical_(this, IDC_KEYSTONEV, 16),
      horizontal_(this, IDC_KEYSTONEH, 16) {}

void tcorrectiondialog::setupWindow() {
  TDialog::setupWindow();
  auto put = [](TEdit& e, const char* format, double v) {
    char text[32];
    std::snprintf(text, sizeof text, format, v);
    e.setText(text);
  };
  put(rotation_, "%.2f", correction_.roll);
  put(zoom_, "%.2f", correction_.zoom * 100);
  put(vertical_, "%.4f", correction_.keystoneV);
  put(horizontal_, "%.4f", correction_.keystoneH);
}

bool tcorrectiondialog::canClose() {
  auto number = [](const TEdit& e) {
    const std::string text = e.getText(16);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    while (end && *end == ' ') ++end;
    return end && end != text.c_str() && *end == '\0' ? v : std::nan("");
  };
  const Correction c{number(rotation_), number(zoom_) / 100, correction_.shift, number(vertical_),
                     number(horizontal_)};
  if (!c.plausible()) {
    parent()->messageBox(kCorrectionLimits, "Error");
    return false;
  }
  correction_ = c;
  return true;
}

void tmywindow::cmRightPosition() {
  std::int32_t x = ws_.rightOffsetX(), y = ws_.rightOffsetY();
  if (toffsetdialog(this, y, x).execute() != IDOK) return;
  ws_.setPosition(x, y);
  invalidate();
}

void tmywindow::moveRight(std::int32_t x, std::int32_t y) {
  ws_.setPosition(x, y);
  invalidate();
}

void tmywindow::nudgeRight(std::int32_t byX, std::int32_t byY) {
  ws_.nudge(byX, byY);
  invalidate();
}

void tmywindow::cmAlign() {
  auto found = [&] {
    TBusyCursor busy;
    return ws_.align();
  }();
  if (!found) report(found.error());
  aligned_ = aligned_ || static_cast<bool>(found);
  invalidate();
}

void tmywindow::cmSwap() {
  (void)ws_.swap();  // pictures in memory: nothing to refuse
  updateCaption();
  invalidate();
}

void tmywindow::cmCorrection() {
  if (!ws_.rightImage()) {
    messageBox(kRightImageNotAssigned, "Error");
    return;
  }
  Correction c = ws_.correction();
  if (tcorrectiondialog(this, c).execute() == IDOK) setCorrection(c);
}

void tmywindow::cmResetCorrection() { setCorrection({}); }

void tmywindow::cmMatchColours() {
  TBusyCursor busy;
  ws_.setMatchColours(!ws_.coloursMatched());
  frame()->getMenu().checkMenuItem(CM_MATCHCOLOURS, ws_.coloursMatched());
  invalidate();
}

void tmywindow::turnRight(double degrees) {
  if (!ws_.rightImage()) return;
  Correction c = ws_.correction();
  c.roll = std::clamp(std::round((c.roll + degrees) * 100) / 100, -45.0, 45.0);
  setCorrection(c);
}

void tmywindow::setCorrection(const Correction& c) {
  TBusyCursor busy;
  ws_.setCorrection(c);
  invalidate();
}
