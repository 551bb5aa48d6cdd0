// The Save and Open dialogs, shown with FLTK's file chooser. The chooser runs
// alongside the program's modal loop and is asked for its answer once it closes.
#pragma once

#include "internal.h"

#include <FL/Fl_File_Chooser.H>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "display.h"
#include "fltk/modal_view.h"

namespace posix {

// The filter list as the chooser takes it: "Description (pattern)" entries
// separated by tabs, with Windows' "a;b" lists and "*.*" in the chooser's terms.
std::string chooserFilter(const std::vector<FileFilter>& filters);

class FileDialog : public ModalView {
public:
    FileDialog(const FileDialogRequest& request,
               std::function<void(std::optional<std::string>)> chosen);

    bool reportAnswer() override;

private:
    const std::string title;  // the chooser keeps a pointer to it
    Fl_File_Chooser chooser;
    std::function<void(std::optional<std::string>)> chosen;
};

}  // namespace posix
