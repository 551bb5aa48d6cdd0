// The portal's FileChooser: SaveFile and OpenFile, answered by a Response signal.
#include "gtk/portal_file_dialog.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "file_dialogs.h"
#include "gtk/x11.h"

namespace posix {

namespace {

constexpr const char* portalName = "org.freedesktop.portal.Desktop";
constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
// Long enough for the portal to be started by the bus when first asked.
constexpr int startTimeoutMs = 10000;

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

}  // namespace

bool portalAnswers() { return portalBus() != nullptr; }

struct PortalFileDialog::Call {
    PortalFileDialog* dialog;  // null once the dialog has gone
};

PortalFileDialog::PortalFileDialog(const FileDialogRequest& request, GtkWindow* owner,
                                   std::function<void(std::optional<ChosenName>)> chosen)
    : bus(portalBus()), call(new Call{this}), chosen(std::move(chosen)) {
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
    if (call) call->dialog = nullptr;
    g_dbus_connection_signal_unsubscribe(bus, subscription);
    // Closed by the program (a quit), the desktop's dialog goes too.
    if (!answer)
        g_dbus_connection_call(bus, portalName, requestPath.c_str(), "org.freedesktop.portal.Request", "Close",
                               nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
}

void PortalFileDialog::listenAt(const std::string& path) {
    if (subscription) g_dbus_connection_signal_unsubscribe(bus, subscription);
    requestPath = path;
    subscription = g_dbus_connection_signal_subscribe(bus, portalName, "org.freedesktop.portal.Request", "Response",
                                                      requestPath.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                      responded, this, nullptr);
}

void PortalFileDialog::called(GObject* bus, GAsyncResult* result, gpointer pending) {
    auto* call = static_cast<Call*>(pending);
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr);
    if (PortalFileDialog* dialog = call->dialog) {
        if (!reply) {
            // No dialog came: as a dialog that failed, it answers nothing.
            dialog->answer = std::optional<ChosenName>();
        } else {
            // Portals older than the request's path rule name another object.
            const gchar* path = nullptr;
            g_variant_get(reply, "(&o)", &path);
            if (dialog->requestPath != path) dialog->listenAt(path);
        }
        dialog->call = nullptr;
    }
    if (reply) g_variant_unref(reply);
    delete call;
}

void PortalFileDialog::responded(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                 GVariant* parameters, gpointer self) {
    auto* dialog = static_cast<PortalFileDialog*>(self);
    if (dialog->answer) return;
    guint32 response = 2;
    GVariant* results = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &response, &results);
    const gchar** uris = nullptr;
    gchar* path = nullptr;
    if (response == 0 && g_variant_lookup(results, "uris", "^a&s", &uris) && uris && uris[0])
        path = g_filename_from_uri(uris[0], nullptr, nullptr);
    g_free(uris);
    g_variant_unref(results);
    dialog->answer = path ? std::optional<ChosenName>(ChosenName{path, ""}) : std::optional<ChosenName>();
    g_free(path);
}

bool PortalFileDialog::reportAnswer() {
    if (!answer) return false;
    chosen(*answer);
    return true;
}

}  // namespace posix
