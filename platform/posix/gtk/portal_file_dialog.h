// The Save and Open dialogs on the desktop's own chooser, asked for through the XDG
// desktop portal's FileChooser on the session bus, as sandboxed programs ask for it.
#pragma once

#include "internal.h"

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>

#include "display.h"
#include "gtk/modal_view.h"

namespace posix {

// Whether a portal on the session bus offers the FileChooser.
bool portalAnswers();

// Before the program ends: a dialog closed before the portal answered its call is closed once
// the portal names it, and every Close goes out on the bus. Waits a few seconds at most.
void finishPortalDialogs();

class PortalFileDialog : public ModalView {
public:
    // `owner` is the owner's window, or null.
    PortalFileDialog(const FileDialogRequest& request, GtkWindow* owner,
                     std::function<void(std::optional<ChosenName>)> chosen);
    ~PortalFileDialog() override;
    PortalFileDialog(const PortalFileDialog&) = delete;
    PortalFileDialog& operator=(const PortalFileDialog&) = delete;

    bool reportAnswer() override;
    void ownerClosing() override;
    void ownerDestroyed() override { ownerClosing(); }

private:
    struct Call;

    void listenAt(const std::string& path);
    // Asks the portal to take its dialog off the desktop, once it has named it.
    void close();
    static void called(GObject* bus, GAsyncResult* result, gpointer call);
    static void responded(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                          GVariant* parameters, gpointer self);
    static void portalVanished(GDBusConnection*, const gchar*, gpointer self);

    GDBusConnection* bus;
    std::string requestPath;  // the portal's object for this dialog
    guint subscription = 0;
    guint watcher = 0;  // of the portal's name, once it has taken the call
    Call* call;  // while the portal has not answered the call; it may outlive the dialog
    std::optional<std::optional<ChosenName>> answer;
    std::function<void(std::optional<ChosenName>)> chosen;
};

}  // namespace posix
