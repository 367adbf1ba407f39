#pragma once
// The right-picture position dialog (template 1) and the correction dialog
// (template 5).
#include <cstdint>

#include "image/correction.h"
#include "platform/decimal.h"  // the number rule of its fields
#include "platform/dialog.h"

class toffsetdialog : public TDialog {
 public:
  toffsetdialog(TWindow* parent, std::int32_t& offsetY, std::int32_t& offsetX);
  void setupWindow() override;
  // Takes both fields and always lets the dialog close.
  bool canClose() override;

 private:
  std::int32_t& offsetY_;
  std::int32_t& offsetX_;
  TEdit vertical_;
  TEdit horizontal_;
};

inline constexpr const char* kCorrectionLimits =
    "A correction turns by -45 to 45 degrees, zooms by 50 to 200 % and has keystones of -0.5 to 0.5";

// Rotation in degrees, zoom in percent, the vertical and horizontal
// keystone; the subpixel shift is kept as it was.
class tcorrectiondialog : public TDialog {
 public:
  tcorrectiondialog(TWindow* parent, Correction& correction);
  void setupWindow() override;
  // Closes only on four numbers a correction may take, else says which may.
  bool canClose() override;

 private:
  Correction& correction_;
  TEdit rotation_, zoom_, vertical_, horizontal_;
};
