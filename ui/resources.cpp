#include "ui/resources.h"

#include <cstdint>

#include "ui/display.h"
#include "ui/tmywindow.h"

namespace {

std::string withShortcut(const char* label, const char* shortcut) {
  return std::string(label) + '\b' + shortcut;
}

MenuResource mainMenu() {
  MenuItem separator;
  MenuResource m;
  m.id = 1;
  m.popups = {
      {"&File",
       {{CM_OPENLEFT, withShortcut("Open l&eft source...", "Ctrl+L")},
        {CM_OPENRIGHT, withShortcut("Open ri&ght source...", "Ctrl+R")},
        {CM_OPENSINGLE, withShortcut("Open left and right sources from a si&ngle file...", "CTRL-N")},
        {CM_OPENSTEREO, withShortcut("Open stereo photo...", "Ctrl+M")},
        separator,
        {CM_RIGHTPOSITION, withShortcut("Right p&ostition...", "Ctrl+O")},
        separator,
        {CM_SAVEPARALLEL, withShortcut("Save as &parallel view image...", "ALT-P")},
        {CM_SAVECROSSED, withShortcut("Save as &crossed view image...", "ALT-C")},
        {CM_SAVEANAGLYPH, withShortcut("Save as &anaglyph...", "ALT-A")},
        {CM_SAVELEFT, withShortcut("Save &left image...", "ALT-L")},
        {CM_SAVERIGHT, withShortcut("Save &right image...", "ALT-R")},
        separator,
        {CM_SAVEALL, withShortcut("&Save all...", "CTRL-S")},
        {CM_EXPORTDISPLAY, "Export for &display..."},
        separator,
        {CM_EXIT, "E&xit"}}},
      {"&Edit",
       {{CM_UNDO, withShortcut("&Undo", "Ctrl+Z")},
        {CM_REDO, withShortcut("&Redo", "Ctrl+Y")}}},
      {"&View",
       {{CM_VIEWPARALLEL, withShortcut("&Parallel view", "CTRL-P")},
        {CM_VIEWCROSSED, withShortcut("&Crossed view", "CTRL-C")},
        {CM_VIEWANAGLYPH, withShortcut("&Anaglyph", "CTRL-A"), true},
        {CM_VIEWDEPTH, "&Depth map"},
        separator,
        {CM_ZOOMIN, withShortcut("Zoom &in", "Ctrl++")},
        {CM_ZOOMOUT, withShortcut("Zoom &out", "Ctrl+-")},
        {CM_ACTUALSIZE, withShortcut("Ac&tual size", "Ctrl+0")},
        {CM_FITWINDOW, withShortcut("&Fit to window", "Ctrl+F")},
        {CM_SWAP, withShortcut("&Swap left and right", "Ctrl+T")}}},
      {"&Library",
       {{CM_SELECTLIBRARY, withShortcut("Select from L&ibrary...", "Ctrl+I")},
        {CM_SELECTDIRECTORY, withShortcut("Select Dir&ectory...", "Ctrl+E")}}},
      {"&Settings",
       {{CM_OPTIONS, withShortcut("Options...", "ALT+O")},
        {CM_ALIGN, withShortcut("Align &automatically", "Ctrl+G")},
        {CM_CORRECTION, "&Correction..."},
        {CM_RESETCORRECTION, "&Reset correction"},
        {CM_MATCHCOLOURS, "&Match colours"}}},
      {"&Help", {{CM_SHORTCUTS, "&Keyboard shortcuts"}, {CM_ABOUT, "&About..."}}},
  };
  return m;
}

AccelTable mainAccelerators() {
  return {1, {{'L', ACCEL_CTRL, CM_OPENLEFT},      {'R', ACCEL_CTRL, CM_OPENRIGHT},
              {'O', ACCEL_CTRL, CM_RIGHTPOSITION}, {'A', ACCEL_ALT, CM_SAVEANAGLYPH},
              {'O', ACCEL_ALT, CM_OPTIONS},        {'P', ACCEL_CTRL, CM_VIEWPARALLEL},
              {'A', ACCEL_CTRL, CM_VIEWANAGLYPH},  {'E', ACCEL_CTRL, CM_SELECTDIRECTORY},
              {'I', ACCEL_CTRL, CM_SELECTLIBRARY}, {'C', ACCEL_ALT, CM_SAVECROSSED},
              {'P', ACCEL_ALT, CM_SAVEPARALLEL},   {'N', ACCEL_CTRL, CM_OPENSINGLE},
              {'S', ACCEL_CTRL, CM_SAVEALL},       {'L', ACCEL_ALT, CM_SAVELEFT},
              {'R', ACCEL_ALT, CM_SAVERIGHT},      {'C', ACCEL_CTRL, CM_VIEWCROSSED},
              {'F', ACCEL_CTRL, CM_FITWINDOW},     {'M', ACCEL_CTRL, CM_OPENSTEREO},
              {'G', ACCEL_CTRL, CM_ALIGN},         {'T', ACCEL_CTRL, CM_SWAP},
              {'Z', ACCEL_CTRL, CM_UNDO},          {'Y', ACCEL_CTRL, CM_REDO},
              {'Z', ACCEL_CTRL | ACCEL_SHIFT, CM_REDO},
              {VK_OEM_PLUS, ACCEL_CTRL, CM_ZOOMIN},
              {VK_OEM_PLUS, ACCEL_CTRL | ACCEL_SHIFT, CM_ZOOMIN},
              {VK_ADD, ACCEL_CTRL, CM_ZOOMIN},
              {VK_OEM_MINUS, ACCEL_CTRL, CM_ZOOMOUT},
              {VK_SUBTRACT, ACCEL_CTRL, CM_ZOOMOUT},
              {'0', ACCEL_CTRL, CM_ACTUALSIZE}}};
}

using K = ControlKind;

std::string methodLabels() {
  std::string items;
  for (AnaglyphMethod m : kAnaglyphMethods) items += std::string(items.empty() ? "" : "\n") + methodLabel(m);
  return items;
}

DialogTemplate dialog(int id, const char* caption, int x, int y, int cx, int cy,
                      std::vector<ControlTemplate> controls) {
  return {id, caption, x, y, cx, cy, "MS Sans Serif", 8, std::move(controls)};
}

DialogTemplate positionDialog() {
  return dialog(kPositionDialog, "Vertical Position:", 0, 0, 155, 79,
                {{K::Static, -1, "Enter right &horizontal position:", 8, 12, 92, 8},
                 {K::Edit, IDC_HORIZONTAL, "", 104, 12, 36, 12},
                 {K::Static, 101, "Enter right &vertical offset:", 8, 32, 80, 8},
                 {K::Edit, IDC_VERTICAL, "", 104, 32, 36, 12},
                 {K::DefPushButton, IDOK, "&OK", 16, 56, 50, 14},
                 {K::PushButton, IDCANCEL, "&Cancel", 80, 56, 50, 14}});
}

DialogTemplate aboutDialog() {
  return dialog(kAboutDialog, "About Binoxa", -1, 0, 207, 73,
                {{K::DefPushButton, IDOK, "OK", 76, 52, 50, 14},
                 {K::Static, -1, "Binoxa version 3.0", 8, 4, 76, 8},
                 {K::Static, -1, "Written by the Binoxa developers", 8, 12, 196, 8},
                 {K::Static, -1, "Edition for Linux desktops", 8, 20, 120, 8},
                 {K::Static, -1, "Work on version 1.0 began on 3 February 2025", 8, 28, 180, 8},
                 {K::Static, 101, "This version was released on 14 June 2025", 8, 36, 164, 8}});
}

DialogTemplate optionsDialog() {
  return dialog(
      kOptionsDialog, "Options", 0, 1, 187, 211,
      {{K::GroupBox, -1, "&Left colours", 12, 14, 76, 69},
       {K::Static, 109, "R&ed", 24, 30, 16, 8},
       {K::Edit, IDC_LEFTRED, "", 48, 28, 20, 12},
       {K::Static, 110, "&Green", 24, 46, 20, 8},
       {K::Edit, IDC_LEFTGREEN, "", 48, 44, 20, 12},
       {K::Static, 111, "&Blue", 24, 62, 16, 8},
       {K::Edit, IDC_LEFTBLUE, "", 48, 60, 20, 12},
       {K::GroupBox, -1, "&Right colours", 96, 14, 76, 69},
       {K::Static, -1, "Re&d", 108, 30, 16, 8},
       {K::Edit, IDC_RIGHTRED, "", 140, 28, 20, 12},
       {K::Static, -1, "Gree&n", 108, 46, 20, 8},
       {K::Edit, IDC_RIGHTGREEN, "", 140, 44, 20, 12},
       {K::Static, -1, "B&lue", 108, 62, 16, 8},
       {K::Edit, IDC_RIGHTBLUE, "", 140, 60, 20, 12},
       {K::Static, -1, "&Image size for viewing:", 28, 92, 72, 8},
       {K::Edit, IDC_VIEWSIZE, "", 112, 92, 44, 12},
       {K::Static, -1, "&Space between images:", 28, 112, 80, 8},
       {K::Edit, IDC_SPACING, "", 112, 111, 44, 12},
       {K::AutoCheckBox, IDC_USEPOSFILES, "&Use POS files", 15, 131, 76, 12},
       {K::DefPushButton, IDOK, "&OK", 20, 184, 50, 14},
       {K::PushButton, IDCANCEL, "&Cancel", 112, 184, 50, 14},
       {K::AutoCheckBox, IDC_LOCKY, "&Lock y-position when loading from a single image", 16, 144, 168, 12},
       {K::Static, -1, "JPEG &quality:", 100, 133, 44, 8},
       {K::Edit, IDC_QUALITY, "", 148, 131, 24, 12},
       {K::Static, -1, "&Anaglyph method:", 16, 163, 64, 8},
       {K::DropDownList, IDC_METHOD, methodLabels(), 84, 161, 88, 60}});
}

DialogTemplate correctionDialog() {
  return dialog(kCorrectionDialog, "Correction of the right picture", 0, 0, 171, 99,
                {{K::Static, -1, "&Rotation (degrees):", 8, 10, 92, 8},
                 {K::Edit, IDC_ROTATION, "", 108, 8, 52, 12},
                 {K::Static, -1, "&Zoom (percent):", 8, 26, 92, 8},
                 {K::Edit, IDC_ZOOM, "", 108, 24, 52, 12},
                 {K::Static, -1, "&Vertical keystone:", 8, 42, 92, 8},
                 {K::Edit, IDC_KEYSTONEV, "", 108, 40, 52, 12},
                 {K::Static, -1, "&Horizontal keystone:", 8, 58, 92, 8},
                 {K::Edit, IDC_KEYSTONEH, "", 108, 56, 52, 12},
                 {K::DefPushButton, IDOK, "&OK", 24, 78, 50, 14},
                 {K::PushButton, IDCANCEL, "&Cancel", 96, 78, 50, 14}});
}

DialogTemplate displayDialog() {
  std::string outputs;
  for (const DisplayOutput& o : displayOutputs()) outputs += (outputs.empty() ? "" : "\n") + o.label;
  return dialog(kDisplayDialog, "Export for display", 0, 0, 179, 83,
                {{K::Static, -1, "&Layout:", 8, 10, 64, 8},
                 {K::DropDownList, IDC_OUTPUT, outputs, 80, 8, 90, 100},
                 {K::Static, -1, "Output &width (pixels):", 8, 28, 72, 8},
                 {K::Edit, IDC_WIDTH, "", 80, 26, 40, 12},
                 {K::Static, -1, "Empty: full size; wiggle 1200, web page 2048", 8, 44, 164, 8},
                 {K::DefPushButton, IDOK, "&OK", 28, 62, 50, 14},
                 {K::PushButton, IDCANCEL, "&Cancel", 100, 62, 50, 14}});
}

DialogTemplate libraryErrorDialog() {
  return dialog(kLibraryErrorDialog, "Error in library mode", 0, 0, 165, 70,
                {{K::DefPushButton, IDOK, "&OK", 52, 48, 50, 14},
                 {K::Static, 101, "There are no files which can be selected in", 10, 8, 142, 8},
                 {K::Static, 102, "this library directory.", 10, 16, 66, 8},
                 {K::Static, 103, "Please select left and right pictures manually", 10, 24, 144, 8},
                 {K::Static, 104, "or change the library directory.", 10, 32, 96, 8}});
}

// Two overlapping discs, red for the left eye and cyan for the right, as an
// anaglyph viewer sees them.
IconResource programIcon() {
  constexpr int kSize = 32;
  IconResource icon{1, kSize, kSize, std::vector<std::uint8_t>(kSize * kSize * 4, 0)};
  auto inside = [](int x, int y, int cx, int cy) {
    const int dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= 11 * 11;
  };
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool red = inside(x, y, 12, 16);
      const bool cyan = inside(x, y, 20, 16);
      if (!red && !cyan) continue;
      std::uint8_t* p = &icon.rgba[(static_cast<std::size_t>(y) * kSize + x) * 4];
      p[0] = red ? 230 : 0;
      p[1] = cyan ? 200 : 0;
      p[2] = cyan ? 210 : 0;
      p[3] = 255;
    }
  }
  return icon;
}

// A menu label without its mnemonic marks.
std::string plainLabel(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] != '&' || (i + 1 < text.size() && text[++i] == '&')) out += text[i];
  return out;
}

}  // namespace

std::string shortcutsText() {
  std::string text;
  for (const MenuPopup& popup : binoxaResources().menus.front().popups)
    for (const MenuItem& item : popup.items)
      if (const std::size_t cut = item.text.find('\b'); cut != std::string::npos)
        text += item.text.substr(cut + 1) + "\t" + plainLabel(item.text.substr(0, cut)) + "\n";
  return text +
         "Ctrl+=\tZoom in\n"
         "Ctrl+Shift+Z\tRedo\n"
         "Page Down, Page Up\tNext, previous pair of the folder\n"
         "Arrow keys\tMove the right picture by 1 pixel (Shift: 10)\n"
         "[, ]\tTurn the right picture by 0.05 degree (Shift: 0.5)\n"
         "Right drag\tMove the right picture\n"
         "Left drag\tPan the zoomed pair; in the single picture, mark the left area\n"
         "Wheel\tPan up and down (Shift: sideways)\n"
         "Ctrl+wheel\tZoom about the pointer\n"
         "Enter\tAccept the two areas of the single picture";
}

const ResourceModule& binoxaResources() {
  static const ResourceModule module{{mainMenu()},
                                     {mainAccelerators()},
                                     {positionDialog(), aboutDialog(), optionsDialog(), libraryErrorDialog(),
                                      correctionDialog(), displayDialog()},
                                     {programIcon()}};
  return module;
}
