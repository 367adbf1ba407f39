// binoxa-dragsource FILE...: a small window that drags the files, as a file
// manager does, for the end-to-end test of dropping files on the real window.
// Ends when the drag ends.
#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> uris;

void giveUris(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer) {
  std::vector<gchar*> list;
  for (std::string& u : uris) list.push_back(u.data());
  list.push_back(nullptr);
  gtk_selection_data_set_uris(data, list.data());
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  for (int i = 1; i < argc; ++i) {
    gchar* uri = g_filename_to_uri(argv[i], nullptr, nullptr);
    if (uri) uris.emplace_back(uri);
    g_free(uri);
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "binoxa-dragsource");
  gtk_window_set_default_size(GTK_WINDOW(window), 120, 120);
  GtkWidget* area = gtk_event_box_new();
  gtk_container_add(GTK_CONTAINER(window), area);
  GtkTargetEntry target{const_cast<gchar*>("text/uri-list"), 0, 0};
  gtk_drag_source_set(area, GDK_BUTTON1_MASK, &target, 1, GDK_ACTION_COPY);
  g_signal_connect(area, "drag-data-get", G_CALLBACK(giveUris), nullptr);
  g_signal_connect(area, "drag-end", G_CALLBACK(gtk_main_quit), nullptr);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
