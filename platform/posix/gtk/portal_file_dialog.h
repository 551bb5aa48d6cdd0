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

class PortalFileDialog : public ModalView {
public:
    // `owner` is the owner's window, or null.
    PortalFileDialog(const FileDialogRequest& request, GtkWindow* owner,
                     std::function<void(std::optional<ChosenName>)> chosen);
    ~PortalFileDialog() override;
    PortalFileDialog(const PortalFileDialog&) = delete;
    PortalFileDialog& operator=(const PortalFileDialog&) = delete;

    bool reportAnswer() override;

private:
    struct Call;

    void listenAt(const std::string& path);
    static void called(GObject* bus, GAsyncResult* result, gpointer call);
    static void responded(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                          GVariant* parameters, gpointer self);

    GDBusConnection* bus;
    std::string requestPath;  // the portal's object for this dialog
    guint subscription = 0;
    Call* call;  // while the portal has not answered the call; it may outlive the dialog
    std::optional<std::optional<ChosenName>> answer;
    std::function<void(std::optional<ChosenName>)> chosen;
};

}  // namespace posix
