// The seam between the Win32 subset and what shows it: FLTK on a desktop,
// nothing at all in the headless mode of the tests.
#pragma once

#include "internal.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win32_subset.h"

namespace posix {

struct MessageBoxRequest {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT style = 0;
};

struct FileFilter {
    std::string description;
    std::string pattern;  // one or more patterns separated by ';'
};

struct FileDialogRequest {
    bool save = false;
    HWND owner = nullptr;
    std::string title;
    std::vector<FileFilter> filters;
    std::string initialDirectory;  // an existing directory
    std::string askedDirectory;    // the caller's, which may not exist here
    DWORD flags = 0;
};

// What a chooser hands back: the name as the user typed or picked it, and the folder it showed.
struct ChosenName {
    std::string typed;
    std::string folder;
};

class Display {
public:
    virtual ~Display() = default;

    // The window records of desktop() changed; the display follows them.
    virtual void windowCreated(HWND window) = 0;
    virtual void windowChanged(HWND window) = 0;
    virtual void windowDestroyed(HWND window) = 0;
    virtual void raiseWindow(HWND window) = 0;

    // Blocks until input has been posted as messages, or a modal box or dialog
    // has been answered. Never spins.
    virtual void waitForInput() = 0;
    virtual bool isKeyDown(int virtualKey) = 0;
    // The keys may have moved since the last question: a message was taken or a tone played.
    // Until then a display may answer isKeyDown from the one reading it made.
    virtual void keysMayHaveChanged() {}

    // Modal services. They return at once; the answer arrives through the
    // callback, from inside waitForInput or before open returns. cancelModal
    // closes the newest one unanswered.
    virtual void openMessageBox(const MessageBoxRequest& request,
                                std::function<void(int answer)> answered) = 0;
    virtual void openFileDialog(const FileDialogRequest& request,
                                std::function<void(std::optional<ChosenName> name)> chosen) = 0;
    virtual void cancelModal() = 0;
};

Display& display();
void setDisplay(std::unique_ptr<Display> display);

}  // namespace posix
