// The portal's FileChooser: SaveFile and OpenFile, answered by a Response signal.
#include "gtk/portal_file_dialog.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "file_dialogs.h"
#include "gtk/x11.h"

namespace posix {

namespace {

constexpr const char* portalName = "org.freedesktop.portal.Desktop";
constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
// Long enough for the portal to be started by the bus when first asked.
constexpr int startTimeoutMs = 10000;
// How long an ending program waits for the portal to name the dialogs it is to close.
constexpr guint finishTimeoutMs = 5000;

// Calls of dialogs already closed that the portal has not answered yet.
int closesAwaited = 0;
bool dialogsMade = false;

constexpr const char* chooserStopped =
    "The desktop's file chooser stopped before it answered: nothing was saved or opened.";

// Only files on this computer can be written and read by name.
std::string notLocal(const char* uri) {
    return std::string("Only local files can be saved and opened, not ") + uri + ".";
}

// The session bus, where there is one; none is started for the asking.
GDBusConnection* sessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const bool known = (address && *address) ||
        (runtime && access((std::string(runtime) + "/bus").c_str(), F_OK) == 0);
    return known ? g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr) : nullptr;
}

GDBusConnection* portalBus() {
    static GDBusConnection* const bus = [] {
        GDBusConnection* session = sessionBus();
        if (!session) return session;
        GVariant* version = g_dbus_connection_call_sync(
            session, portalName, portalPath, "org.freedesktop.DBus.Properties", "Get",
            g_variant_new("(ss)", "org.freedesktop.portal.FileChooser", "version"), G_VARIANT_TYPE("(v)"),
            G_DBUS_CALL_FLAGS_NONE, startTimeoutMs, nullptr, nullptr);
        if (!version) {
            g_object_unref(session);
            return static_cast<GDBusConnection*>(nullptr);
        }
        g_variant_unref(version);
        return session;
    }();
    return bus;
}

// The portal's object for a request: its path names the caller and the caller's token.
std::string requestPathFor(GDBusConnection* bus, const std::string& token) {
    std::string sender = g_dbus_connection_get_unique_name(bus) + 1;
    for (char& letter : sender)
        if (letter == '.') letter = '_';
    return std::string(portalPath) + "/request/" + sender + "/" + token;
}

GVariant* portalFilter(const FileFilter& filter) {
    GVariantBuilder patterns;
    g_variant_builder_init(&patterns, G_VARIANT_TYPE("a(us)"));
    for (const std::string& pattern : patternsOf(filter)) g_variant_builder_add(&patterns, "(us)", 0u, pattern.c_str());
    return g_variant_new("(sa(us))", filter.description.c_str(), &patterns);
}

GVariant* options(const FileDialogRequest& request, const std::string& token) {
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
    g_variant_builder_add(&options, "{sv}", "modal", g_variant_new_boolean(TRUE));
    g_variant_builder_add(&options, "{sv}", "current_folder",
                          g_variant_new_bytestring(request.initialDirectory.c_str()));
    if (!request.filters.empty()) {
        GVariantBuilder filters;
        g_variant_builder_init(&filters, G_VARIANT_TYPE("a(sa(us))"));
        for (const FileFilter& filter : request.filters) g_variant_builder_add_value(&filters, portalFilter(filter));
        g_variant_builder_add(&options, "{sv}", "filters", g_variant_builder_end(&filters));
        g_variant_builder_add(&options, "{sv}", "current_filter", portalFilter(request.filters.front()));
    }
    return g_variant_builder_end(&options);
}

void closeRequest(GDBusConnection* bus, const char* path) {
    g_dbus_connection_call(bus, portalName, path, "org.freedesktop.portal.Request", "Close", nullptr, nullptr,
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr, nullptr);
}

}  // namespace

bool portalAnswers() { return portalBus() != nullptr; }

void finishPortalDialogs() {
    if (!dialogsMade) return;
    bool expired = false;
    const guint timer = g_timeout_add(finishTimeoutMs, [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
    }, &expired);
    while (closesAwaited > 0 && !expired) g_main_context_iteration(nullptr, TRUE);
    if (!expired) g_source_remove(timer);
    g_dbus_connection_flush_sync(portalBus(), nullptr, nullptr);
}

struct PortalFileDialog::Call {
    PortalFileDialog* dialog;  // null once the dialog has gone
    bool closeWhenAnswered = false;
};

PortalFileDialog::PortalFileDialog(const FileDialogRequest& request, GtkWindow* owner,
                                   std::function<void(std::optional<ChosenName>)> chosen)
    : bus(portalBus()), call(new Call{this}), chosen(std::move(chosen)) {
    dialogsMade = true;
    static unsigned requests = 0;
    const std::string token = "pipalo" + std::to_string(++requests);
    // Listening before asking, so that no answer comes before anyone listens.
    listenAt(requestPathFor(bus, token));
    char parent[32] = "";
    if (const unsigned long ownerWindow = xWindowOf(GTK_WIDGET(owner)))
        std::snprintf(parent, sizeof parent, "x11:%lx", ownerWindow);
    g_dbus_connection_call(bus, portalName, portalPath, "org.freedesktop.portal.FileChooser",
                           request.save ? "SaveFile" : "OpenFile",
                           g_variant_new("(ss@a{sv})", parent, request.title.c_str(), options(request, token)),
                           G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, G_MAXINT, nullptr, called, call);
}

PortalFileDialog::~PortalFileDialog() {
    // Closed by the program (a quit), the desktop's dialog goes too.
    if (!answer) close();
    if (call) call->dialog = nullptr;
    if (watcher) g_bus_unwatch_name(watcher);
    g_dbus_connection_signal_unsubscribe(bus, subscription);
}

void PortalFileDialog::close() {
    if (!call) {
        closeRequest(bus, requestPath.c_str());
        return;
    }
    // Until the portal answers the call, the object it will name may not be there, or be
    // another than the one foreseen: the Close waits for its name.
    if (!call->closeWhenAnswered) ++closesAwaited;
    call->closeWhenAnswered = true;
}

void PortalFileDialog::listenAt(const std::string& path) {
    if (subscription) g_dbus_connection_signal_unsubscribe(bus, subscription);
    requestPath = path;
    subscription = g_dbus_connection_signal_subscribe(bus, portalName, "org.freedesktop.portal.Request", "Response",
                                                      requestPath.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                      responded, this, nullptr);
}

void PortalFileDialog::called(GObject* bus, GAsyncResult* result, gpointer pending) {
    const std::unique_ptr<Call> call(static_cast<Call*>(pending));
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr);
    // Portals older than the request's path rule name another object than the one foreseen.
    const gchar* path = nullptr;
    if (reply) g_variant_get(reply, "(&o)", &path);
    if (call->closeWhenAnswered) {
        --closesAwaited;
        if (path) closeRequest(G_DBUS_CONNECTION(bus), path);
    }
    if (PortalFileDialog* dialog = call->dialog) {
        dialog->call = nullptr;
        if (!path && !dialog->answer) {
            // No dialog came: the portal failed or went away while asked.
            dialog->answer = std::optional<ChosenName>(ChosenName{"", "", chooserStopped});
        } else if (path && !dialog->answer) {
            if (dialog->requestPath != path) dialog->listenAt(path);
            // From now on the portal owns its name: losing it, it has stopped, and will never answer.
            dialog->watcher = g_bus_watch_name_on_connection(G_DBUS_CONNECTION(bus), portalName,
                                                             G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr, portalVanished,
                                                             dialog, nullptr);
        }
    }
    if (reply) g_variant_unref(reply);
}

void PortalFileDialog::responded(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                 GVariant* parameters, gpointer self) {
    auto* dialog = static_cast<PortalFileDialog*>(self);
    if (dialog->answer) return;
    guint32 response = 2;
    GVariant* results = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &response, &results);
    const gchar** uris = nullptr;
    std::optional<ChosenName> chosen;
    if (response == 0 && g_variant_lookup(results, "uris", "^a&s", &uris) && uris && uris[0]) {
        gchar* path = g_filename_from_uri(uris[0], nullptr, nullptr);
        chosen = path ? ChosenName{path, "", ""} : ChosenName{"", "", notLocal(uris[0])};
        g_free(path);
    }
    g_free(uris);
    g_variant_unref(results);
    dialog->answer = chosen;
}

void PortalFileDialog::portalVanished(GDBusConnection*, const gchar*, gpointer self) {
    auto* dialog = static_cast<PortalFileDialog*>(self);
    if (!dialog->answer) dialog->answer = std::optional<ChosenName>(ChosenName{"", "", chooserStopped});
}

void PortalFileDialog::ownerClosing() {
    if (answer) return;
    close();
    answer = std::optional<ChosenName>();
}

bool PortalFileDialog::reportAnswer() {
    if (!answer) return false;
    chosen(*answer);
    return true;
}

}  // namespace posix
