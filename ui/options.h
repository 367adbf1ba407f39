#pragma once
// The Options dialog (template 3): edits copies of twelve settings: the
// colours, view size, spacing, position files, lock y, JPEG quality, method.
#include <cstdint>

#include "image/colour.h"
#include "stereo/anaglyphmethod.h"
#include "platform/dialog.h"

class tconfigdialog : public TDialog {
 public:
  tconfigdialog(TWindow* parent, std::uint32_t& leftRed, std::uint32_t& leftGreen, std::uint32_t& leftBlue,
                std::uint32_t& rightRed, std::uint32_t& rightGreen, std::uint32_t& rightBlue,
                std::uint32_t& viewSize, std::int32_t& imageSpacing, bool& usePosFiles, bool& lockY,
                int& quality, AnaglyphMethod& method);
  void setupWindow() override;
  // Takes the fields in a fixed order; the first one out of range keeps the
  // dialog open, silently.
  bool canClose() override;

 private:
  TCheckBox lockYBox_;
  TEdit leftRedEdit_;
  TEdit leftGreenEdit_;
  TEdit leftBlueEdit_;
  TEdit rightRedEdit_;
  TEdit rightGreenEdit_;
  TEdit rightBlueEdit_;
  TEdit viewSizeEdit_;
  TEdit imageSpacingEdit_;
  TCheckBox usePosFilesBox_;
  TEdit qualityEdit_;
  TComboBox methodBox_;
  bool& lockY_;
  std::uint32_t& leftRed_;
  std::uint32_t& leftGreen_;
  std::uint32_t& leftBlue_;
  std::uint32_t& rightRed_;
  std::uint32_t& rightGreen_;
  std::uint32_t& rightBlue_;
  bool& usePosFiles_;
  std::uint32_t& viewSize_;
  std::int32_t& imageSpacing_;
  int& quality_;
  AnaglyphMethod& method_;
};
