// The Save and Open dialogs on GTK's file chooser, where GTK is installed. GTK is loaded
// when first asked for, so the program runs where it is not.
#pragma once

#include "internal.h"

#include <functional>
#include <optional>

#include "display.h"
#include "gtk/glib_events.h"
#include "gtk/modal_view.h"

typedef struct _GtkWidget GtkWidget;

namespace posix {

// Whether GTK is installed and starts on this display.
bool gtkLoads();

class GtkFileDialog : public ModalView {
public:
    GtkFileDialog(const FileDialogRequest& request, unsigned long ownerWindow,
                  std::function<void(std::optional<ChosenName>)> chosen);
    ~GtkFileDialog() override;
    GtkFileDialog(const GtkFileDialog&) = delete;
    GtkFileDialog& operator=(const GtkFileDialog&) = delete;

    bool reportAnswer() override;

private:
    static void responded(GtkWidget* dialog, int response, void* self);

    GlibEvents events;
    GtkWidget* dialog = nullptr;
    std::optional<std::optional<ChosenName>> answer;
    std::function<void(std::optional<ChosenName>)> chosen;
};

}  // namespace posix
