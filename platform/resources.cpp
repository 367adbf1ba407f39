#include "platform/resources.h"

#include <algorithm>

namespace {

template <class T>
const T* byId(const std::vector<T>& items, int id) {
  auto it = std::find_if(items.begin(), items.end(), [id](const T& r) { return r.id == id; });
  return it == items.end() ? nullptr : &*it;
}

}  // namespace

const MenuResource* ResourceModule::menu(int id) const { return byId(menus, id); }
const AccelTable* ResourceModule::accelTable(int id) const { return byId(accelerators, id); }
const DialogTemplate* ResourceModule::dialog(int id) const { return byId(dialogs, id); }
const IconResource* ResourceModule::icon(int id) const { return byId(icons, id); }
