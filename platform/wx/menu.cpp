#include "platform/wx/menu.h"

#include <gtk/gtk.h>
#include <wx/menuitem.h>

namespace {

// GTK's mnemonic syntax: '_' for '&', "__" for a plain '_'.
std::string gtkMnemonics(const std::string& label) {
  std::string out;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '&' && i + 1 < label.size())
      out += label[++i] == '&' ? "&" : std::string("_") + label[i];
    else
      out += label[i] == '_' ? "__" : std::string(1, label[i]);
  }
  return out;
}

}  // namespace

void showShortcut(wxMenuItem* item, const std::string& label, const std::string& shortcut) {
  GtkWidget* widget = item->GetMenuItem();
  if (!widget) return;
  if (GtkWidget* old = gtk_bin_get_child(GTK_BIN(widget))) gtk_container_remove(GTK_CONTAINER(widget), old);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 24);
  GtkWidget* text = gtk_label_new_with_mnemonic(gtkMnemonics(label).c_str());
  gtk_label_set_xalign(GTK_LABEL(text), 0);
  gtk_label_set_mnemonic_widget(GTK_LABEL(text), widget);
  GtkWidget* keys = gtk_label_new(shortcut.c_str());
  gtk_style_context_add_class(gtk_widget_get_style_context(keys), "accelerator");
  gtk_box_pack_start(GTK_BOX(box), text, TRUE, TRUE, 0);
  gtk_box_pack_end(GTK_BOX(box), keys, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(widget), box);
  gtk_widget_show_all(box);
}
