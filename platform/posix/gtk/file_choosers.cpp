// The choice of the chooser of the Save and Open dialogs.
#include "gtk/file_choosers.h"

#include <cstdlib>
#include <cstring>

#include "gtk/gtk_file_dialog.h"
#include "gtk/portal_file_dialog.h"

namespace posix {

std::optional<Chooser> chooserNamed(const char* value) {
    if (!value) return std::nullopt;
    if (std::strcmp(value, "portal") == 0) return Chooser::portal;
    if (std::strcmp(value, "gtk") == 0) return Chooser::gtk;
    return std::nullopt;
}

Chooser firstAvailable(std::optional<Chooser> asked, const std::function<bool()>& portalAnswers) {
    if (asked.value_or(Chooser::portal) == Chooser::portal && portalAnswers()) return Chooser::portal;
    return Chooser::gtk;
}

void finishChoosers() { finishPortalDialogs(); }

std::unique_ptr<ModalView> openChooser(const FileDialogRequest& request, GtkWindow* owner,
                                       std::function<void(std::optional<ChosenName>)> chosen) {
    // Asked once: whether a portal answers does not change while the program runs.
    static const Chooser chooser = firstAvailable(chooserNamed(std::getenv("PIPALO_FILE_CHOOSER")), portalAnswers);
    if (chooser == Chooser::portal) return std::make_unique<PortalFileDialog>(request, owner, std::move(chosen));
    return std::make_unique<GtkFileDialog>(request, owner, std::move(chosen));
}

}  // namespace posix
