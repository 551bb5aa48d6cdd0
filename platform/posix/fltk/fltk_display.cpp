// The desktop display: the subset's windows, menus, boxes and dialogs on FLTK.
#include "fltk/fltk_display.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include "gtk/file_choosers.h"
#include "fltk/message_box_window.h"
#include "fltk/x_connection.h"

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
    if (auto found = windows.find(window); found != windows.end()) return found->second.get();
    for (const auto& [handle, topLevel] : windows)
        if (topLevel->hasControl(window)) return topLevel.get();
    return nullptr;
}

TopLevelWindow* FltkDisplay::topLevel(HWND window) const {
    auto found = windows.find(window);
    return found == windows.end() ? nullptr : found->second.get();
}

void FltkDisplay::followMinimized(HWND window, TopLevelWindow& topLevel) {
    minimizedKeys.follow(window, topLevel.shown() ? fl_xid(&topLevel) : 0, topLevel.isMinimized(),
                         topLevel.menu());
}

void FltkDisplay::windowCreated(HWND window, const NewWindow& created) {
    if (!created.parent)
        windows[window] = std::make_unique<TopLevelWindow>(window, created, keyTransitions);
    else if (TopLevelWindow* parent = windowOf(created.parent))
        parent->addControl(window, created);
}

void FltkDisplay::windowStyleChanged(HWND window, DWORD style) {
    if (TopLevelWindow* shown = topLevel(window)) {
        shown->showStyle(style);
        followMinimized(window, *shown);
    } else if (TopLevelWindow* parent = windowOf(window)) {
        parent->showControlStyle(window, style);
    }
}

void FltkDisplay::windowMoved(HWND window, int x, int y, int width, int height) {
    if (TopLevelWindow* shown = topLevel(window))
        shown->moveTo(x, y, width, height);
    else if (TopLevelWindow* parent = windowOf(window))
        parent->moveControl(window, x, y, width, height);
}

void FltkDisplay::windowMenuChanged(HWND window, const Menu* menu) {
    if (TopLevelWindow* shown = topLevel(window)) {
        shown->showMenu(menu);
        followMinimized(window, *shown);
    }
}

void FltkDisplay::windowBitmapChanged(HWND window, const Picture* bitmap) {
    if (TopLevelWindow* parent = windowOf(window)) parent->showControlBitmap(window, bitmap);
}

void FltkDisplay::windowDestroyed(HWND window) {
    if (topLevel(window)) {
        minimizedKeys.forget(window);
        windows.erase(window);
    } else if (TopLevelWindow* parent = windowOf(window)) {
        parent->removeControl(window);
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
