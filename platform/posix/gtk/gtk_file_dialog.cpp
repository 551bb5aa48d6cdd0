// GTK's file chooser, reached through the library loaded at run time.
#include "gtk/gtk_file_dialog.h"

#include <dlfcn.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include "file_dialogs.h"

namespace posix {

namespace {

// The calls made of GTK, with GTK's own types.
struct Gtk {
    decltype(&gdk_set_allowed_backends) allowBackends;
    decltype(&gtk_disable_setlocale) disableSetlocale;
    decltype(&gtk_init_check) initCheck;
    decltype(&gtk_file_chooser_dialog_new) dialogNew;
    decltype(&gtk_file_chooser_set_current_folder) setCurrentFolder;
    decltype(&gtk_file_chooser_get_current_folder) currentFolder;
    decltype(&gtk_file_chooser_get_filename) filename;
    decltype(&gtk_file_chooser_add_filter) addFilter;
    decltype(&gtk_file_filter_new) filterNew;
    decltype(&gtk_file_filter_set_name) filterSetName;
    decltype(&gtk_file_filter_add_pattern) filterAddPattern;
    decltype(&gtk_dialog_set_default_response) setDefaultResponse;
    decltype(&gtk_widget_realize) realize;
    decltype(&gtk_widget_get_window) windowOf;
    decltype(&gtk_widget_show) show;
    decltype(&gtk_widget_destroy) destroy;
    decltype(&gdk_display_get_default) defaultDisplay;
    decltype(&gdk_display_flush) flush;
    decltype(&gdk_x11_window_foreign_new_for_display) foreignWindow;
    decltype(&gdk_window_set_transient_for) setTransientFor;
    decltype(&g_signal_connect_data) connect;
    decltype(&g_object_unref) unref;
    decltype(&g_free) free;
};

template <typename Call>
bool load(void* library, const char* name, Call& call) {
    call = reinterpret_cast<Call>(dlsym(library, name));
    return call != nullptr;
}

// Null where GTK 3 is not installed or cannot open the display.
const Gtk* loadGtk() {
    void* library = dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static Gtk gtk;
    const bool loaded = load(library, "gdk_set_allowed_backends", gtk.allowBackends) &&
        load(library, "gtk_disable_setlocale", gtk.disableSetlocale) &&
        load(library, "gtk_init_check", gtk.initCheck) &&
        load(library, "gtk_file_chooser_dialog_new", gtk.dialogNew) &&
        load(library, "gtk_file_chooser_set_current_folder", gtk.setCurrentFolder) &&
        load(library, "gtk_file_chooser_get_current_folder", gtk.currentFolder) &&
        load(library, "gtk_file_chooser_get_filename", gtk.filename) &&
        load(library, "gtk_file_chooser_add_filter", gtk.addFilter) &&
        load(library, "gtk_file_filter_new", gtk.filterNew) &&
        load(library, "gtk_file_filter_set_name", gtk.filterSetName) &&
        load(library, "gtk_file_filter_add_pattern", gtk.filterAddPattern) &&
        load(library, "gtk_dialog_set_default_response", gtk.setDefaultResponse) &&
        load(library, "gtk_widget_realize", gtk.realize) &&
        load(library, "gtk_widget_get_window", gtk.windowOf) &&
        load(library, "gtk_widget_show", gtk.show) &&
        load(library, "gtk_widget_destroy", gtk.destroy) &&
        load(library, "gdk_display_get_default", gtk.defaultDisplay) &&
        load(library, "gdk_display_flush", gtk.flush) &&
        load(library, "gdk_x11_window_foreign_new_for_display", gtk.foreignWindow) &&
        load(library, "gdk_window_set_transient_for", gtk.setTransientFor) &&
        load(library, "g_signal_connect_data", gtk.connect) &&
        load(library, "g_object_unref", gtk.unref) &&
        load(library, "g_free", gtk.free);
    if (!loaded) return nullptr;
    // On X11, where the program's windows are, so that the dialog can be kept above its owner.
    gtk.allowBackends("x11");
    // The program's C locale stays as it is.
    gtk.disableSetlocale();
    return gtk.initCheck(nullptr, nullptr) ? &gtk : nullptr;
}

const Gtk* gtk() {
    static const Gtk* const loaded = loadGtk();
    return loaded;
}

}  // namespace

bool gtkLoads() { return gtk() != nullptr; }

GtkFileDialog::GtkFileDialog(const FileDialogRequest& request, unsigned long ownerWindow,
                             std::function<void(std::optional<ChosenName>)> chosen)
    : chosen(std::move(chosen)) {
    const Gtk& calls = *gtk();
    dialog = calls.dialogNew(request.title.c_str(), nullptr,
                             request.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
                             "_Cancel", GTK_RESPONSE_CANCEL, request.save ? "_Save" : "_Open",
                             GTK_RESPONSE_ACCEPT, nullptr);
    // Enter in the name field saves or opens, as it does on Windows.
    calls.setDefaultResponse(reinterpret_cast<GtkDialog*>(dialog), GTK_RESPONSE_ACCEPT);
    auto* chooser = reinterpret_cast<GtkFileChooser*>(dialog);
    calls.setCurrentFolder(chooser, request.initialDirectory.c_str());
    for (const FileFilter& filter : request.filters) {
        GtkFileFilter* types = calls.filterNew();
        calls.filterSetName(types, filter.description.c_str());
        for (const std::string& pattern : patternsOf(filter)) calls.filterAddPattern(types, pattern.c_str());
        calls.addFilter(chooser, types);
    }
    calls.connect(dialog, "response", G_CALLBACK(responded), this, nullptr, GConnectFlags(0));
    calls.realize(dialog);
    if (ownerWindow)
        if (GdkWindow* owner = calls.foreignWindow(calls.defaultDisplay(), ownerWindow)) {
            calls.setTransientFor(calls.windowOf(dialog), owner);
            calls.unref(owner);
        }
    calls.show(dialog);
}

GtkFileDialog::~GtkFileDialog() {
    gtk()->destroy(dialog);
    // Gone from the screen now, though GTK's events are not served again until the next dialog.
    gtk()->flush(gtk()->defaultDisplay());
}

void GtkFileDialog::responded(GtkWidget* dialog, int response, void* self) {
    auto* shown = static_cast<GtkFileDialog*>(self);
    if (shown->answer) return;
    const Gtk& calls = *gtk();
    auto* chooser = reinterpret_cast<GtkFileChooser*>(dialog);
    gchar* path = response == GTK_RESPONSE_ACCEPT ? calls.filename(chooser) : nullptr;
    if (!path) {
        shown->answer = std::optional<ChosenName>();
        return;
    }
    // GTK has made the name a full path already.
    gchar* folder = calls.currentFolder(chooser);
    shown->answer = std::optional<ChosenName>(ChosenName{path, folder ? folder : ""});
    calls.free(path);
    calls.free(folder);
}

bool GtkFileDialog::reportAnswer() {
    if (!answer) return false;
    chosen(*answer);
    return true;
}

}  // namespace posix
