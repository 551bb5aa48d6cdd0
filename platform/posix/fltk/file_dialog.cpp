// The Save and Open dialogs on FLTK's file chooser.
#include "fltk/file_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_File_Input.H>
#include <FL/Fl_Group.H>

#include <algorithm>

namespace posix {

namespace {

// A Windows pattern list ("*.TPZ;*.tpz", "*.*") as one chooser pattern ("{*.TPZ,*.tpz}", "*").
std::string chooserPattern(const std::string& patterns) {
    std::vector<std::string> alternatives;
    std::size_t start = 0;
    while (start <= patterns.size()) {
        const std::size_t end = std::min(patterns.find(';', start), patterns.size());
        std::string one = patterns.substr(start, end - start);
        one.erase(0, one.find_first_not_of(' '));
        one.erase(one.find_last_not_of(' ') + 1);
        // On Windows "*.*" matches every name, with a dot or without.
        if (one == "*.*") one = "*";
        if (!one.empty()) alternatives.push_back(one);
        start = end + 1;
    }
    if (alternatives.empty()) return "*";
    if (alternatives.size() == 1) return alternatives.front();
    std::string joined = "{";
    for (const std::string& one : alternatives) joined += (joined.size() > 1 ? "," : "") + one;
    return joined + "}";
}

// The chooser reads the pattern between an entry's first '(' and last ')', so a
// description's own "(…)" at its end gives way to the pattern.
std::string descriptionWithoutPattern(std::string description) {
    const std::size_t open = description.rfind('(');
    if (open != std::string::npos && !description.empty() && description.back() == ')')
        description.erase(open);
    description.erase(description.find_last_not_of(' ') + 1);
    return description;
}

Fl_File_Input* fileInputIn(Fl_Group& group) {
    for (int index = 0; index < group.children(); ++index) {
        Fl_Widget* child = group.child(index);
        if (auto* input = dynamic_cast<Fl_File_Input*>(child)) return input;
        if (Fl_Group* inner = child->as_group())
            if (Fl_File_Input* input = fileInputIn(*inner)) return input;
    }
    return nullptr;
}

}  // namespace

std::string chooserFilter(const std::vector<FileFilter>& filters) {
    std::string list;
    for (const FileFilter& filter : filters) {
        if (!list.empty()) list += '\t';
        list += descriptionWithoutPattern(filter.description) + " (" + chooserPattern(filter.pattern) + ")";
    }
    return list;
}

FileDialog::FileDialog(const FileDialogRequest& request,
                       std::function<void(std::optional<std::string>)> chosen)
    : title(request.title),
      // A name that does not exist is handed on in both dialogs: whether to accept it is asked
      // afterwards, as the flags of the caller say.
      chooser(request.initialDirectory.c_str(), chooserFilter(request.filters).c_str(),
              Fl_File_Chooser::CREATE, title.c_str()),
      chosen(std::move(chosen)) {
    chooser.ok_label(request.save ? "Save" : "Open");
    chooser.show();
    // The chooser starts with the folder's name selected, so a name typed would replace it and be
    // taken as relative to the program's current folder. Typed after the folder, it belongs there.
    // Its interface does not reach the name field; its window is the one shown last.
    Fl_Window* window = Fl::first_window();
    if (Fl_File_Input* name = window ? fileInputIn(*window) : nullptr) {
        std::string folder = request.initialDirectory;
        if (folder.empty() || folder.back() != '/') folder += '/';
        name->value(folder.c_str());
        name->position(name->size());
    }
}

bool FileDialog::reportAnswer() {
    if (chooser.shown()) return false;
    // The chooser has no name when it was cancelled.
    const char* path = chooser.value();
    chosen(path ? std::optional<std::string>(path) : std::nullopt);
    return true;
}

}  // namespace posix
