// The choice of the chooser of the Save and Open dialogs.
#include "gtk/file_choosers.h"

#include <cstdlib>
#include <cstring>

#include "fltk/file_dialog.h"
#include "gtk/gtk_file_dialog.h"
#include "gtk/portal_file_dialog.h"

namespace posix {

std::optional<Chooser> chooserNamed(const char* value) {
    if (!value) return std::nullopt;
    if (std::strcmp(value, "portal") == 0) return Chooser::portal;
    if (std::strcmp(value, "gtk") == 0) return Chooser::gtk;
    if (std::strcmp(value, "fltk") == 0) return Chooser::fltk;
    return std::nullopt;
}

Chooser firstAvailable(std::optional<Chooser> asked, const std::function<bool(Chooser)>& isAvailable) {
    const Chooser start = asked.value_or(Chooser::portal);
    if (start == Chooser::portal && isAvailable(Chooser::portal)) return Chooser::portal;
    if (start != Chooser::fltk && isAvailable(Chooser::gtk)) return Chooser::gtk;
    return Chooser::fltk;
}

std::unique_ptr<ModalView> openChooser(const FileDialogRequest& request, unsigned long ownerWindow,
                                       std::function<void(std::optional<ChosenName>)> chosen) {
    // Asked once: whether a portal answers or GTK loads does not change while the program runs.
    static const Chooser chooser =
        firstAvailable(chooserNamed(std::getenv("PIPALO_FILE_CHOOSER")), [](Chooser candidate) {
            return candidate == Chooser::portal ? portalAnswers() : gtkLoads();
        });
    switch (chooser) {
    case Chooser::portal:
        return std::make_unique<PortalFileDialog>(request, ownerWindow, std::move(chosen));
    case Chooser::gtk:
        return std::make_unique<GtkFileDialog>(request, ownerWindow, std::move(chosen));
    case Chooser::fltk:
        break;
    }
    return std::make_unique<FileDialog>(request, std::move(chosen));
}

}  // namespace posix
