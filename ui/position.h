#pragma once
// The right-picture position dialog (template 1).
#include <cstdint>
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
