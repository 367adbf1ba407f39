#pragma once
// File > Export for display... (template 6): the aligned pair laid out for a
// display or as a wiggle animation, at full size or an output width.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"
#include "stereo/layout.h"

// An entry of the dialog's list: a layout, or a wiggle animation in the
// format of its extension, or the web page.
inline constexpr std::string_view kWebPageExtension = ".html";
struct DisplayOutput {
  std::string label;
  std::optional<LayoutKind> layout;
  std::string_view extension;  // a wiggle's ".gif" or ".webp", the page's kWebPageExtension
};
// The layouts by their binoxa-cli names, then "wiggle GIF", "wiggle WebP"
// and "Web page (.html)".
const std::vector<DisplayOutput>& displayOutputs();

inline constexpr const char* kOutputWidthRule = "The output width is a number of pixels, 1 or more";

class tdisplaydialog : public TDialog {
 public:
  // output: an index in displayOutputs(); width: none for the output's own
  // (full size; a wiggle's views 1200 pixels wide, a page's 2048, as
  // binoxa-cli's).
  tdisplaydialog(TWindow* parent, std::size_t& output, std::optional<std::int32_t>& width);
  void setupWindow() override;
  // Closes on an empty width or a number of 1 or more, else says so.
  bool canClose() override;

 private:
  std::size_t& output_;
  std::optional<std::int32_t>& width_;
  TComboBox list_;
  TEdit widthEdit_;
};
