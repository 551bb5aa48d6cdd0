// The Save and Open dialogs drawn with FLTK's widgets, laid out as Windows lays out its
// own: the folder shown above its files, then the name field, which starts empty and
// keeps what is typed in it as typed, and the list of file types.
#pragma once

#include "internal.h"

#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Output.H>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display.h"
#include "gtk/modal_view.h"

namespace posix {

// A filter's patterns as one pattern of FLTK's ("*.TPZ;*.tpz" as "{*.TPZ,*.tpz}").
std::string chooserPattern(const FileFilter& filter);

class FileDialog : public ModalView {
public:
    FileDialog(const FileDialogRequest& request, std::function<void(std::optional<ChosenName>)> chosen);
    ~FileDialog() override;
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;

    bool reportAnswer() override;

private:
    void showFolder(const std::string& folder);
    void listClicked();
    void filterChosen();
    void accept(const std::string& typed);
    void cancel();

    std::unique_ptr<Fl_Double_Window> window;
    Fl_Output* folderLine = nullptr;  // the widgets are owned by the window
    Fl_File_Browser* files = nullptr;
    Fl_Input* nameField = nullptr;
    Fl_Choice* typeChoice = nullptr;
    std::vector<std::string> patterns;  // of each entry of typeChoice
    std::string folder;
    std::optional<std::optional<ChosenName>> answer;
    std::function<void(std::optional<ChosenName>)> chosen;
};

}  // namespace posix
