/* The least a GTK 3 program can show: one window of the main window's title and size, so
   that app_bench.py finds it and measures its start and memory as it measures Pipalo's. */
#include <gtk/gtk.h>

int main(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Pipalo 4 - TarnWell Dev.");
    gtk_window_set_default_size(GTK_WINDOW(window), 305, 145);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
