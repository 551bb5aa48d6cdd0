// The Save and Open dialogs on FLTK's widgets.
#include "fltk/file_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Return_Button.H>

#include <filesystem>

#include "file_dialogs.h"

namespace posix {

namespace {

constexpr int width = 520;
constexpr int height = 380;
constexpr int margin = 10;
constexpr int labelWidth = 90;
constexpr int rowHeight = 25;
constexpr int buttonWidth = 90;

std::string parentOf(const std::string& folder) {
    const std::filesystem::path parent = std::filesystem::path(folder).parent_path();
    return parent.empty() ? folder : parent.string();
}

std::string inFolder(const std::string& folder, const std::string& name) {
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

}  // namespace

std::string chooserPattern(const FileFilter& filter) {
    const std::vector<std::string> alternatives = patternsOf(filter);
    if (alternatives.empty()) return "*";
    if (alternatives.size() == 1) return alternatives.front();
    std::string joined = "{";
    for (const std::string& one : alternatives) joined += (joined.size() > 1 ? "," : "") + one;
    return joined + "}";
}

FileDialog::FileDialog(const FileDialogRequest& request, std::function<void(std::optional<ChosenName>)> chosen)
    : chosen(std::move(chosen)) {
    window = std::make_unique<Fl_Double_Window>(width, height);
    window->copy_label(request.title.c_str());
    // The close box and Escape.
    window->callback([](Fl_Widget*, void* self) { static_cast<FileDialog*>(self)->cancel(); }, this);

    const int fieldWidth = width - 3 * margin - labelWidth - buttonWidth;
    folderLine = new Fl_Output(margin + labelWidth, margin, fieldWidth, rowHeight, "Look in:");
    auto* up = new Fl_Button(width - margin - buttonWidth, margin, buttonWidth, rowHeight, "Up");
    up->callback([](Fl_Widget*, void* self) {
        auto* dialog = static_cast<FileDialog*>(self);
        dialog->showFolder(parentOf(dialog->folder));
    }, this);

    const int listTop = 2 * margin + rowHeight;
    const int nameTop = height - 2 * margin - 2 * rowHeight;
    files = new Fl_File_Browser(margin, listTop, width - 2 * margin, nameTop - margin - listTop);
    files->type(FL_HOLD_BROWSER);
    files->callback([](Fl_Widget*, void* self) { static_cast<FileDialog*>(self)->listClicked(); }, this);

    nameField = new Fl_Input(margin + labelWidth, nameTop, fieldWidth, rowHeight, "File name:");
    auto* ok = new Fl_Return_Button(width - margin - buttonWidth, nameTop, buttonWidth, rowHeight,
                                    request.save ? "Save" : "Open");
    ok->callback([](Fl_Widget*, void* self) {
        auto* dialog = static_cast<FileDialog*>(self);
        // As on Windows, Save or Open with no name does nothing.
        if (*dialog->nameField->value()) dialog->accept(dialog->nameField->value());
    }, this);

    const int typeTop = nameTop + rowHeight + margin;
    typeChoice = new Fl_Choice(margin + labelWidth, typeTop, fieldWidth, rowHeight, "Files of type:");
    for (const FileFilter& filter : request.filters) {
        // add() would take '/' and '&' as the menu's own signs.
        typeChoice->add("entry");
        typeChoice->replace(typeChoice->size() - 2, filter.description.c_str());
        patterns.push_back(chooserPattern(filter));
    }
    if (patterns.empty()) patterns.push_back("*");
    typeChoice->value(0);
    typeChoice->callback([](Fl_Widget*, void* self) { static_cast<FileDialog*>(self)->filterChosen(); }, this);
    auto* cancelButton = new Fl_Button(width - margin - buttonWidth, typeTop, buttonWidth, rowHeight, "Cancel");
    cancelButton->callback([](Fl_Widget*, void* self) { static_cast<FileDialog*>(self)->cancel(); }, this);

    window->resizable(files);
    window->end();
    files->filter(patterns.front().c_str());
    showFolder(request.initialDirectory);
    window->set_non_modal();
    window->show();
    nameField->take_focus();
}

FileDialog::~FileDialog() = default;

void FileDialog::showFolder(const std::string& shown) {
    folder = shown;
    folderLine->value(folder.c_str());
    // A long path shows its end: the folder's own name.
    folderLine->position(folderLine->size());
    files->load(folder.c_str());
    // The folder's own entry, "./", is no place to go.
    for (int line = files->size(); line > 0; --line)
        if (std::string(files->text(line)) == "./") files->remove(line);
}

void FileDialog::listClicked() {
    const int line = files->value();
    if (line <= 0) return;
    std::string name = files->text(line);
    const bool isFolder = !name.empty() && name.back() == '/';
    if (isFolder) name.pop_back();
    if (Fl::event_clicks()) {
        Fl::event_clicks(0);  // a third click is not a second double-click
        if (!isFolder)
            accept(name);
        else
            showFolder(name == ".." ? parentOf(folder) : inFolder(folder, name));
    } else if (!isFolder) {
        nameField->value(name.c_str());
    }
}

void FileDialog::filterChosen() {
    files->filter(patterns[static_cast<std::size_t>(typeChoice->value())].c_str());
    showFolder(folder);
}

void FileDialog::accept(const std::string& typed) {
    if (!answer) answer = std::optional<ChosenName>(ChosenName{typed, folder});
}

void FileDialog::cancel() {
    if (!answer) answer = std::optional<ChosenName>();
}

bool FileDialog::reportAnswer() {
    if (!answer) return false;
    window->hide();
    chosen(*answer);
    return true;
}

}  // namespace posix
