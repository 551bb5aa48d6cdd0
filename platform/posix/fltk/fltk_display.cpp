// The desktop display: the subset's windows, menus, boxes and dialogs on FLTK.
#include "fltk/fltk_display.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include "desktop.h"
#include "fltk/file_choosers.h"
#include "fltk/message_box_window.h"
#include "fltk/x_connection.h"
#include "menus.h"

namespace posix {

namespace {

// Fl::wait's "no timeout": it returns only when an event has been handled.
constexpr double forever = 1e20;

}  // namespace

std::unique_ptr<FltkDisplay> FltkDisplay::open(std::string& failure) {
    if (!connectToXServer(failure)) return nullptr;
    return std::unique_ptr<FltkDisplay>(new FltkDisplay());
}

FltkDisplay::FltkDisplay() {
    Fl::scheme("gtk+");
    // Windows' face colour of dialogs and buttons.
    Fl::background(0xF0, 0xF0, 0xF0);
}

FltkDisplay::~FltkDisplay() {
    modals.clear();
    windows.clear();
    Fl::flush();
}

TopLevelWindow* FltkDisplay::windowOf(HWND window) const {
    auto found = windows.find(topLevelOf(window));
    return found == windows.end() ? nullptr : found->second.get();
}

void FltkDisplay::windowCreated(HWND window) {
    const WindowRecord* record = findWindow(window);
    if (!record) return;
    if (record->isTopLevel()) {
        auto& topLevel = windows[window] = std::make_unique<TopLevelWindow>(window, *record, keyTransitions);
        // Controls made while the window was being created (in WM_CREATE) came before it.
        for (HWND control : record->children)
            if (const WindowRecord* controlRecord = findWindow(control)) topLevel->addControl(control, *controlRecord);
    } else if (TopLevelWindow* topLevel = windowOf(window)) {
        topLevel->addControl(window, *record);
    }
}

void FltkDisplay::windowChanged(HWND window) {
    const WindowRecord* record = findWindow(window);
    TopLevelWindow* topLevel = windowOf(window);
    if (!record || !topLevel) return;
    if (record->isTopLevel()) {
        topLevel->showRecord(*record);
        minimizedKeys.follow(window, topLevel->shown() ? fl_xid(topLevel) : 0,
                             record->isVisible() && record->minimized, menuFromHandle(record->menu));
    } else
        topLevel->showControlRecord(window, *record);
}

void FltkDisplay::windowDestroyed(HWND window) {
    const WindowRecord* record = findWindow(window);
    if (record && record->isTopLevel()) {
        minimizedKeys.forget(window);
        windows.erase(window);
    } else if (TopLevelWindow* topLevel = windowOf(window)) {
        topLevel->removeControl(window);
    }
}

void FltkDisplay::raiseWindow(HWND window) {
    auto found = windows.find(window);
    if (found != windows.end()) found->second->raise();
}

void FltkDisplay::waitForInput() {
    Fl::wait(forever);
    // Answers are handed on here, outside FLTK's callbacks, so a finished box can go at once.
    for (std::size_t index = modals.size(); index-- > 0;)
        if (modals[index]->reportAnswer()) modals.erase(modals.begin() + static_cast<std::ptrdiff_t>(index));
}

bool FltkDisplay::isKeyDown(int virtualKey) {
    minimizedKeys.asked(virtualKey);
    return keyboard.isDown(virtualKey);
}

void FltkDisplay::keysMayHaveChanged() { keyboard.drop(); }

void FltkDisplay::openMessageBox(const MessageBoxRequest& request, std::function<void(int)> answered) {
    // Over its owner, or in the middle of the screen.
    int centreX = Fl::x() + Fl::w() / 2;
    int centreY = Fl::y() + Fl::h() / 2;
    if (TopLevelWindow* owner = windowOf(request.owner); owner && owner->shown()) {
        centreX = owner->x() + owner->w() / 2;
        centreY = owner->y() + owner->h() / 2;
    }
    modals.push_back(std::make_unique<MessageBoxWindow>(request, centreX, centreY, std::move(answered)));
}

void FltkDisplay::openFileDialog(const FileDialogRequest& request,
                                 std::function<void(std::optional<ChosenName>)> chosen) {
    TopLevelWindow* owner = windowOf(request.owner);
    modals.push_back(openChooser(request, owner && owner->shown() ? fl_xid(owner) : 0, std::move(chosen)));
}

void FltkDisplay::cancelModal() {
    if (!modals.empty()) modals.pop_back();
}

}  // namespace posix
