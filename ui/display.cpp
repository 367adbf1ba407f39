#include "ui/display.h"

#include <charconv>

#include "image/save.h"
#include "platform/decimal.h"
#include "stereo/export.h"
#include "stereo/web.h"
#include "ui/resources.h"
#include "ui/tmywindow.h"

const std::vector<DisplayOutput>& displayOutputs() {
  static const std::vector<DisplayOutput> outputs = [] {
    std::vector<DisplayOutput> list;
    for (std::size_t i = 0; i < kLayoutNames.size(); ++i)
      list.push_back({i == static_cast<std::size_t>(LayoutKind::Rgbd) ? "Colour and depth" : kLayoutNames[i],
                      static_cast<LayoutKind>(i), {}});
    list.push_back({"wiggle GIF", std::nullopt, ".gif"});
    list.push_back({"wiggle WebP", std::nullopt, ".webp"});
    list.push_back({"Web page (.html)", std::nullopt, kWebPageExtension});
    return list;
  }();
  return outputs;
}

tdisplaydialog::tdisplaydialog(TWindow* parent, std::size_t& output, std::optional<std::int32_t>& width)
    : TDialog(parent, kDisplayDialog),
      output_(output),
      width_(width),
      list_(this, IDC_OUTPUT),
      widthEdit_(this, IDC_WIDTH, 11) {}

void tdisplaydialog::setupWindow() {
  TDialog::setupWindow();
  list_.setSelection(displayOutputs()[output_].label);
  widthEdit_.setText(width_ ? std::to_string(*width_) : "");
}

bool tdisplaydialog::canClose() {
  const std::string text = trimmed(widthEdit_.getText(11), " ");
  std::optional<std::int32_t> width;
  if (!text.empty()) {
    std::int32_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < 1) {
      parent()->messageBox(kOutputWidthRule, "Error");
      return false;
    }
    width = n;
  }
  const std::string chosen = list_.getSelection();
  for (std::size_t i = 0; i < displayOutputs().size(); ++i)
    if (displayOutputs()[i].label == chosen) output_ = i;
  width_ = width;
  return true;
}

// Written by the commands binoxa-cli's layout, wiggle and web use.
void tmywindow::cmExportDisplay() {
  if (!report(checkExport(ExportKind::Anaglyph, ws_.leftImage(), ws_.rightImage(), ws_.rightOffsetX(),
                          ws_.rightOffsetY())))
    return;
  std::size_t choice = 0;
  std::optional<std::int32_t> width;
  if (tdisplaydialog(this, choice, width).execute() != IDOK) return;
  const DisplayOutput& output = displayOutputs()[choice];
  TFileSaveDialog dialog(
      this, output.layout ? "Bitmap Files|*.BMP" : output.label + "|*" + std::string(output.extension));
  if (dialog.execute() != IDOK) return;
  std::string path = dialog.fileName();
  Status saved = [&] {
    TBusyCursor busy;
    if (output.layout) return ws_.exportLayout(*output.layout, path, width.value_or(0));
    if (lowerExtension(path) != output.extension) path += output.extension;
    if (output.extension == kWebPageExtension) return ws_.exportWeb(path, width.value_or(kWebWidth));
    WiggleSettings settings;
    settings.width = width.value_or(settings.width);
    return ws_.exportWiggle(path, settings);
  }();
  report(saved);
}
