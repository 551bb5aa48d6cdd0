// GTK's file chooser.
#include "gtk/gtk_file_dialog.h"

#include "file_dialogs.h"

namespace posix {

GtkFileDialog::GtkFileDialog(const FileDialogRequest& request, GtkWindow* owner,
                             std::function<void(std::optional<ChosenName>)> chosen)
    : chosen(std::move(chosen)) {
    dialog = gtk_file_chooser_dialog_new(request.title.c_str(), owner,
                                         request.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
                                         "_Cancel", GTK_RESPONSE_CANCEL, request.save ? "_Save" : "_Open",
                                         GTK_RESPONSE_ACCEPT, nullptr);
    // Enter in the name field saves or opens, as it does on Windows.
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_current_folder(chooser, request.initialDirectory.c_str());
    for (const FileFilter& filter : request.filters) {
        GtkFileFilter* types = gtk_file_filter_new();
        gtk_file_filter_set_name(types, filter.description.c_str());
        for (const std::string& pattern : patternsOf(filter)) gtk_file_filter_add_pattern(types, pattern.c_str());
        gtk_file_chooser_add_filter(chooser, types);
    }
    g_signal_connect(dialog, "response", G_CALLBACK(responded), this);
    // Closed by its close box or Escape, the dialog answers; it stays for the program to close.
    g_signal_connect(dialog, "delete-event", G_CALLBACK(gtk_true), nullptr);
    gtk_widget_show(dialog);
}

GtkFileDialog::~GtkFileDialog() {
    gtk_widget_destroy(dialog);
    // Gone from the screen now, though GTK's events may not be served again for a while.
    gdk_display_flush(gdk_display_get_default());
}

void GtkFileDialog::responded(GtkDialog* dialog, int response, gpointer self) {
    auto* shown = static_cast<GtkFileDialog*>(self);
    if (shown->answer) return;
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gchar* path = response == GTK_RESPONSE_ACCEPT ? gtk_file_chooser_get_filename(chooser) : nullptr;
    if (!path) {
        shown->answer = std::optional<ChosenName>();
        return;
    }
    // GTK has made the name a full path already.
    gchar* folder = gtk_file_chooser_get_current_folder(chooser);
    shown->answer = std::optional<ChosenName>(ChosenName{path, folder ? folder : "", ""});
    g_free(path);
    g_free(folder);
}

void GtkFileDialog::ownerDestroyed() {
    gtk_widget_hide(dialog);
    if (!answer) answer = std::optional<ChosenName>();
}

bool GtkFileDialog::reportAnswer() {
    if (!answer) return false;
    gtk_widget_hide(dialog);
    chosen(*answer);
    return true;
}

}  // namespace posix
