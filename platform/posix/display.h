// The seam between the Win32 subset and what shows it: GTK on a desktop,
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

struct Menu;
struct Icon;
struct Picture;

// A window as it is made. The style carries what Windows keeps in it: whether the
// window is shown (WS_VISIBLE), minimised (WS_MINIMIZE) or disabled (WS_DISABLED).
struct NewWindow {
    HWND parent = nullptr;  // none for a top-level window
    std::string className;
    std::string text;
    int x = 0;  // a control's within its parent's client area
    int y = 0;
    int width = 0;
    int height = 0;
    DWORD style = 0;
    const Menu* menu = nullptr;
    const Icon* icon = nullptr;
    const Icon* smallIcon = nullptr;
};

class Display {
public:
    virtual ~Display() = default;

    // Each window, each change to it with the data of the change, and its end. A window is
    // told of before the messages of its creation, so the controls made then follow it.
    virtual void windowCreated(HWND window, const NewWindow& created) = 0;
    virtual void windowStyleChanged(HWND window, DWORD style) = 0;
    virtual void windowMoved(HWND window, int x, int y, int width, int height) = 0;
    virtual void windowMenuChanged(HWND window, const Menu* menu) = 0;
    virtual void windowBitmapChanged(HWND window, const Picture* bitmap) = 0;
    virtual void windowDestroyed(HWND window) = 0;
    // The subset moves the keyboard focus (a click, Tab); a display only shows where it is.
    virtual void windowFocused(HWND) {}
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
