// The Save and Open dialogs on GTK's own file chooser.
#pragma once

#include "internal.h"

#include <gtk/gtk.h>

#include <functional>
#include <optional>

#include "display.h"
#include "gtk/modal_view.h"

namespace posix {

class GtkFileDialog : public ModalView {
public:
    // `owner` is the owner's window, or null.
    GtkFileDialog(const FileDialogRequest& request, GtkWindow* owner,
                  std::function<void(std::optional<ChosenName>)> chosen);
    ~GtkFileDialog() override;
    GtkFileDialog(const GtkFileDialog&) = delete;
    GtkFileDialog& operator=(const GtkFileDialog&) = delete;

    bool reportAnswer() override;
    void ownerDestroyed() override;

private:
    static void responded(GtkDialog* dialog, int response, gpointer self);

    GtkWidget* dialog = nullptr;
    std::optional<std::optional<ChosenName>> answer;
    std::function<void(std::optional<ChosenName>)> chosen;
};

}  // namespace posix
