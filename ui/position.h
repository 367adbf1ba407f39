#pragma once
// The right-picture position dialog (template 1) and the number rule its
// fields share with the Options dialog.
#include <cstdint>
#include <string_view>

#include "platform/dialog.h"

// Leading blanks, an optional sign, then decimal digits up to the first other
// character; no digits gives 0. As atol with a 64-bit long: the number
// saturates at 64 bits, then its low 32 bits are kept.
std::int32_t leadingDecimal(std::string_view text);

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
