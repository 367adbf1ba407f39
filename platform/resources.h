#pragma once
// Resources of a program module as plain data: menus, accelerator tables,
// dialog templates and icons, looked up by resource number.
#include <cstdint>
#include <string>
#include <vector>

struct MenuItem {
  unsigned id = 0;       // 0: separator
  std::string text;      // label, then '\b' and the shortcut label, if any
  bool checked = false;  // initial check mark
};

struct MenuPopup {
  std::string text;
  std::vector<MenuItem> items;
};

struct MenuResource {
  int id = 0;
  std::vector<MenuPopup> popups;
};

enum AccelModifier : unsigned { ACCEL_CTRL = 1, ACCEL_ALT = 2, ACCEL_SHIFT = 4 };

struct AccelEntry {
  unsigned key = 0;        // virtual-key code: 'A'..'Z' are the capital letters
  unsigned modifiers = 0;  // ACCEL_* bits, all of which must be held, no others
  unsigned command = 0;
};

struct AccelTable {
  int id = 0;
  std::vector<AccelEntry> entries;
};

// DropDownList: a choice of fixed items, the template's text holding them
// one per line; its window text is the chosen item.
enum class ControlKind { Static, Edit, PushButton, DefPushButton, AutoCheckBox, GroupBox, DropDownList };

// Positions and sizes in dialog units, as in the template.
struct ControlTemplate {
  ControlKind kind = ControlKind::Static;
  int id = -1;
  std::string text;
  int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string font;  // face name and point size the template asks for
  int pointSize = 8;
  std::vector<ControlTemplate> controls;  // template order = tab order
};

struct IconResource {
  int id = 0;
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // rows from the top
};

struct ResourceModule {
  std::vector<MenuResource> menus;
  std::vector<AccelTable> accelerators;
  std::vector<DialogTemplate> dialogs;
  std::vector<IconResource> icons;

  // nullptr when the module has no such resource
  const MenuResource* menu(int id) const;
  const AccelTable* accelTable(int id) const;
  const DialogTemplate* dialog(int id) const;
  const IconResource* icon(int id) const;
};
