#pragma once
// The program's module: menu 1, accelerator table 1, dialog templates 1-6
// and icon 1, as data.
#include <string>

#include "platform/resources.h"

const ResourceModule& binoxaResources();
// Every key and mouse gesture of the window, a line each: keys, a tab, what they do.
std::string shortcutsText();
