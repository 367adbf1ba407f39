#include "ui/options.h"

#include <limits>
#include <string>

#include "platform/decimal.h"
#include "ui/resources.h"
#include "ui/tmywindow.h"

namespace {

// The fields are read through a 10-character buffer: 9 characters count.
constexpr std::size_t kFieldBuffer = 10;
constexpr std::int64_t kNoLimit = std::numeric_limits<std::int32_t>::max();

template <class T>
bool takeField(const TEdit& edit, std::int64_t lowest, std::int64_t highest, T& value) {
  const std::int32_t v = leadingDecimal(edit.getText(kFieldBuffer));
  if (v < lowest || v > highest) return false;
  value = static_cast<T>(v);
  return true;
}

}  // namespace

tconfigdialog::tconfigdialog(TWindow* parent, std::uint32_t& leftRed, std::uint32_t& leftGreen,
                             std::uint32_t& leftBlue, std::uint32_t& rightRed, std::uint32_t& rightGreen,
                             std::uint32_t& rightBlue, std::uint32_t& viewSize, std::int32_t& imageSpacing,
                             bool& usePosFiles, bool& lockY, int& quality, AnaglyphMethod& method)
    : TDialog(parent, kOptionsDialog),
      lockYBox_(this, IDC_LOCKY),
      leftRedEdit_(this, IDC_LEFTRED),
      leftGreenEdit_(this, IDC_LEFTGREEN),
      leftBlueEdit_(this, IDC_LEFTBLUE),
      rightRedEdit_(this, IDC_RIGHTRED),
      rightGreenEdit_(this, IDC_RIGHTGREEN),
      rightBlueEdit_(this, IDC_RIGHTBLUE),
      viewSizeEdit_(this, IDC_VIEWSIZE),
      imageSpacingEdit_(this, IDC_SPACING),
      usePosFilesBox_(this, IDC_USEPOSFILES),
      qualityEdit_(this, IDC_QUALITY),
      methodBox_(this, IDC_METHOD),
      lockY_(lockY),
      leftRed_(leftRed),
      leftGreen_(leftGreen),
      leftBlue_(leftBlue),
      rightRed_(rightRed),
      rightGreen_(rightGreen),
      rightBlue_(rightBlue),
      usePosFiles_(usePosFiles),
      viewSize_(viewSize),
      imageSpacing_(imageSpacing),
      quality_(quality),
      method_(method) {}

void tconfigdialog::setupWindow() {
  TDialog::setupWindow();
  // "%d" of the 32-bit value: an unsigned setting above 2^31 shows negative.
  auto show = [](TEdit& edit, auto value) { edit.setText(std::to_string(static_cast<std::int32_t>(value))); };
  show(leftRedEdit_, leftRed_);
  show(leftGreenEdit_, leftGreen_);
  show(leftBlueEdit_, leftBlue_);
  show(rightRedEdit_, rightRed_);
  show(rightGreenEdit_, rightGreen_);
  show(rightBlueEdit_, rightBlue_);
  show(viewSizeEdit_, viewSize_);
  show(imageSpacingEdit_, imageSpacing_);
  show(qualityEdit_, quality_);
  usePosFilesBox_.setCheck(usePosFiles_);
  lockYBox_.setCheck(lockY_);
  methodBox_.setSelection(methodLabel(method_));
}

bool tconfigdialog::canClose() {
  if (!takeField(leftRedEdit_, 0, 255, leftRed_) || !takeField(leftGreenEdit_, 0, 255, leftGreen_) ||
      !takeField(leftBlueEdit_, 0, 255, leftBlue_) || !takeField(rightRedEdit_, 0, 255, rightRed_) ||
      !takeField(rightGreenEdit_, 0, 255, rightGreen_) || !takeField(rightBlueEdit_, 0, 255, rightBlue_) ||
      !takeField(imageSpacingEdit_, 0, kNoLimit, imageSpacing_) ||
      !takeField(viewSizeEdit_, 1, kNoLimit, viewSize_) || !takeField(qualityEdit_, 1, 100, quality_))
    return false;
  usePosFiles_ = usePosFilesBox_.getCheck();
  lockY_ = lockYBox_.getCheck();
  for (AnaglyphMethod m : kAnaglyphMethods)
    if (methodBox_.getSelection() == methodLabel(m)) method_ = m;
  return true;
}

void tmywindow::cmOptions() {
  tworkspacesettings all = ws_.allSettings();
  ExportSettings& s = all.exports;
  bool keepY = lockY;
  tconfigdialog dialog(this, s.leftColour.red, s.leftColour.green, s.leftColour.blue, s.rightColour.red,
                       s.rightColour.green, s.rightColour.blue, s.viewSize, s.imageSpacing, all.usePosFiles,
                       keepY, all.quality, s.method);
  if (dialog.execute() != IDOK) return;
  ws_.applySettings(all);
  lockY = keepY;
  invalidate();
}

void tmywindow::cmAbout() { TDialog(this, kAboutDialog).execute(); }

void tmywindow::cmShortcuts() { messageBox(shortcutsText(), "Keyboard shortcuts"); }
