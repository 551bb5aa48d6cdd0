// Which chooser shows the Save and Open dialogs: the desktop's portal where one answers,
// else GTK's own. PIPALO_FILE_CHOOSER ("portal", "gtk") asks for one; the portal, when it
// is not there, gives way to GTK's.
#pragma once

#include "internal.h"

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "display.h"
#include "gtk/modal_view.h"

namespace posix {

enum class Chooser { portal, gtk };

// The chooser a value of PIPALO_FILE_CHOOSER names; none when unset, empty or unknown.
std::optional<Chooser> chooserNamed(const char* value);

// The chooser asked for (the portal when none is) if it is there, else GTK's.
Chooser firstAvailable(std::optional<Chooser> asked, const std::function<bool()>& portalAnswers);

// Before the display goes: what the choosers still owe the desktop is done (a portal's dialog closed).
void finishChoosers();

// A dialog on the chooser of this desktop; `owner` is the owner's window, or null.
std::unique_ptr<ModalView> openChooser(const FileDialogRequest& request, GtkWindow* owner,
                                       std::function<void(std::optional<ChosenName>)> chosen);

}  // namespace posix
