#pragma once
// The program's module: menu 1, accelerator table 1, dialog templates 1-6
// and icon 1, as data.
#include <string>

#include "platform/resources.h"

// The dialog templates, and the controls their classes read.
enum : int {
  kPositionDialog = 1,
  kAboutDialog = 2,
  kOptionsDialog = 3,
  kLibraryErrorDialog = 4,
  kCorrectionDialog = 5,
  kDisplayDialog = 6,
};
enum : int {
  IDC_USEPOSFILES = 101,  // Options
  IDC_LOCKY = 102,
  IDC_LEFTRED = 106,
  IDC_LEFTGREEN = 107,
  IDC_LEFTBLUE = 108,
  IDC_RIGHTRED = 116,
  IDC_RIGHTGREEN = 117,
  IDC_RIGHTBLUE = 118,
  IDC_VIEWSIZE = 119,
  IDC_SPACING = 122,
  IDC_QUALITY = 123,
  IDC_METHOD = 124,
  IDC_VERTICAL = 102,  // the position
  IDC_HORIZONTAL = 103,
  IDC_ROTATION = 131,  // the correction
  IDC_ZOOM = 132,
  IDC_KEYSTONEV = 133,
  IDC_KEYSTONEH = 134,
  IDC_OUTPUT = 141,  // Export for display
  IDC_WIDTH = 142,
};

const ResourceModule& binoxaResources();
// Every key and mouse gesture of the window, a line each: keys, a tab, what they do.
std::string shortcutsText();
