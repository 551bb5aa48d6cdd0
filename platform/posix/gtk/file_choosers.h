// Which chooser shows the Save and Open dialogs: the desktop's portal where one answers,
// else GTK's where GTK loads, else the FLTK dialog. PIPALO_FILE_CHOOSER ("portal", "gtk",
// "fltk") starts the search at another; a chooser that is not there gives way to the next.
#pragma once

#include "internal.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "display.h"
#include "gtk/modal_view.h"

namespace posix {

enum class Chooser { portal, gtk, fltk };

// The chooser a value of PIPALO_FILE_CHOOSER names; none when unset, empty or unknown.
std::optional<Chooser> chooserNamed(const char* value);

// The first chooser there is from the one asked for (the portal when none is) down the order.
Chooser firstAvailable(std::optional<Chooser> asked, const std::function<bool(Chooser)>& isAvailable);

// A dialog on the chooser of this desktop; `ownerWindow` is the owner's X window, or 0.
std::unique_ptr<ModalView> openChooser(const FileDialogRequest& request, unsigned long ownerWindow,
                                       std::function<void(std::optional<ChosenName>)> chosen);

}  // namespace posix
