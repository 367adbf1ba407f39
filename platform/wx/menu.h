#pragma once
// The menu items as GTK shows them.
#include <string>

class wxMenuItem;

// The shortcut text shown right-aligned beside the label, as it stands, like
// the '\b' of a Windows menu item. A wx "\t" label would also bind it as a
// GTK accelerator, and shows only GTK's own spelling of the keys.
void showShortcut(wxMenuItem* item, const std::string& label, const std::string& shortcut);
