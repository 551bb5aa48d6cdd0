// A top-level window of the subset as an FLTK window.
#include "fltk/top_level_window.h"

#include <FL/Fl.H>

#include <vector>

#include "fltk/frame_metrics.h"
#include "fltk/input_messages.h"
#include "fltk/pictures.h"
#include "user_input.h"

namespace posix {

namespace {

// The class icon and small icon as the images a window manager chooses from.
void giveIcons(Fl_Window& window, const NewWindow& created) {
    std::vector<std::unique_ptr<Fl_RGB_Image>> images;
    for (const Icon* icon : {created.icon, created.smallIcon})
        if (icon)
            for (const Picture& picture : icon->images) images.push_back(imageOf(picture));
    std::vector<const Fl_RGB_Image*> list;
    for (const auto& image : images) list.push_back(image.get());
    // FLTK keeps copies of them.
    window.icons(list.data(), static_cast<int>(list.size()));
}

// Visibility changes that this window makes itself, so that FLTK's own show and
// hide events are not taken for the user's.
class VisibilityChange {
public:
    explicit VisibilityChange(bool& flag) : flag(flag) { flag = true; }
    ~VisibilityChange() { flag = false; }
    VisibilityChange(const VisibilityChange&) = delete;
    VisibilityChange& operator=(const VisibilityChange&) = delete;

private:
    bool& flag;
};

}  // namespace

TopLevelWindow::TopLevelWindow(HWND window, const NewWindow& created, KeyTransitions& keyTransitions)
    : Fl_Double_Window(0, 0, 1, 1), handleOfWindow(window), keyTransitions(keyTransitions) {
    end();
    moveTo(created.x, created.y, created.width, created.height);
    force_position(1);
    copy_label(created.text.c_str());
    callback(closeBoxPressed);
    giveIcons(*this, created);
    showMenu(created.menu);
    showStyle(created.style);
}

TopLevelWindow::~TopLevelWindow() {
    VisibilityChange change(changingVisibility);
    hide();
}

void TopLevelWindow::moveTo(int x, int y, int width, int height) {
    const ClientArea client = clientAreaOf(width, height);
    resize(x + client.x, y + client.y, client.width, client.height);
}

void TopLevelWindow::showStyle(DWORD newStyle) {
    style = newStyle;
    showVisibility();
}

void TopLevelWindow::showMenu(const Menu* menu) {
    if (menuBar && menuBar->source() == menu) return;
    if (menuBar) {
        remove(menuBar);
        delete menuBar;
        menuBar = nullptr;
    }
    if (menu) {
        menuBar = new MenuBar(handleOfWindow, *menu, w());
        add(menuBar);
    }
    // The client area starts below the menu bar, and the controls move with it.
    for (const auto& [control, widget] : controls) place(*widget);
    redraw();
}

void TopLevelWindow::showVisibility() {
    VisibilityChange change(changingVisibility);
    if (!(style & WS_VISIBLE)) {
        if (shown()) hide();
        minimizedHere = false;
        return;
    }
    if (isMinimized()) {
        if (!minimizedHere) iconize();
        minimizedHere = true;
        return;
    }
    minimizedHere = false;
    if (!shown() || !visible()) show();
}

void TopLevelWindow::raise() {
    if (!shown() || hasFocus) return;
    VisibilityChange change(changingVisibility);
    show();
}

int TopLevelWindow::clientTop() const { return menuBar ? menuBar->h() : 0; }

void TopLevelWindow::place(ControlWidget& widget) {
    widget.position(widget.clientX(), widget.clientY() + clientTop());
    widget.redraw();
}

void TopLevelWindow::addControl(HWND control, const NewWindow& created) {
    std::unique_ptr<ControlWidget> widget = makeControlWidget(control, created);
    if (!widget) return;
    place(*widget);
    controls[control] = widget.get();
    add(widget.release());
}

void TopLevelWindow::showControlStyle(HWND control, DWORD newStyle) {
    if (auto found = controls.find(control); found != controls.end()) found->second->showStyle(newStyle);
}

void TopLevelWindow::moveControl(HWND control, int x, int y, int width, int height) {
    auto found = controls.find(control);
    if (found == controls.end()) return;
    found->second->moveTo(x, y, width, height);
    place(*found->second);
    redraw();
}

void TopLevelWindow::showControlBitmap(HWND control, const Picture* bitmap) {
    auto found = controls.find(control);
    if (found == controls.end()) return;
    if (auto* picture = dynamic_cast<StaticControl*>(found->second)) picture->showBitmap(bitmap);
}

void TopLevelWindow::removeControl(HWND control) {
    auto found = controls.find(control);
    if (found == controls.end()) return;
    if (mouseCapture == control) mouseCapture = nullptr;
    ControlWidget* widget = found->second;
    // Deleting the widget under the mouse makes FLTK send the window a mouse event, which must
    // no longer find it among the controls.
    controls.erase(found);
    remove(widget);
    delete widget;
    redraw();
}

bool TopLevelWindow::takesInput() const { return !(style & WS_DISABLED); }

void TopLevelWindow::flush() {
    if (damage() & FL_DAMAGE_EXPOSE) PostMessageA(handleOfWindow, WM_PAINT, 0, 0);
    Fl_Double_Window::flush();
}

int TopLevelWindow::handle(int event) {
    switch (event) {
    case FL_KEYDOWN:
    case FL_KEYUP:
        if (!takesInput()) return 1;
        postKeyEvent(handleOfWindow, keyTransitions, event == FL_KEYDOWN);
        if (event == FL_KEYDOWN && menuBar && Fl::event_state(FL_ALT)) menuBar->openByMnemonic();
        return 1;
    case FL_SHORTCUT:
        // Keys typed in another window are not this window's shortcuts.
        return 0;
    case FL_PUSH:
    case FL_DRAG:
    case FL_RELEASE:
    case FL_MOVE:
    case FL_ENTER:
    case FL_LEAVE:
    case FL_MOUSEWHEEL:
        return handleMouse(event);
    case FL_FOCUS:
        hasFocus = true;
        becomeActive();
        return 1;
    case FL_UNFOCUS:
        hasFocus = false;
        return 1;
    case FL_SHOW:
    case FL_HIDE: {
        const int handled = Fl_Double_Window::handle(event);
        if (changingVisibility || !(style & WS_VISIBLE)) return handled;
        // The window manager minimised or restored the window: Windows tells the window so.
        if (event == FL_HIDE && !isMinimized())
            PostMessageA(handleOfWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        if (event == FL_SHOW && isMinimized())
            PostMessageA(handleOfWindow, WM_SYSCOMMAND, SC_RESTORE, 0);
        return handled;
    }
    default:
        return Fl_Double_Window::handle(event);
    }
}

// The window the user brings forward becomes the active window, as a click does on Windows.
void TopLevelWindow::becomeActive() {
    if (takesInput()) activateByUser(handleOfWindow);
}

bool TopLevelWindow::overMenuBar() const {
    return menuBar && Fl::event_inside(menuBar);
}

PushButton* TopLevelWindow::buttonAt(int x, int y) const {
    for (const auto& [control, widget] : controls) {
        if (!widget->takesMouse() || !widget->visible()) continue;
        if (x >= widget->x() && x < widget->x() + widget->w() && y >= widget->y() &&
            y < widget->y() + widget->h())
            return static_cast<PushButton*>(widget);
    }
    return nullptr;
}

int TopLevelWindow::handleMouse(int event) {
    if (!takesInput()) return 1;
    const int x = Fl::event_x();
    const int y = Fl::event_y();
    const bool leftButton = Fl::event_button() == FL_LEFT_MOUSE;

    if (event == FL_PUSH && leftButton && !mouseCapture) {
        if (overMenuBar()) return Fl_Double_Window::handle(event);
        PushButton* button = buttonAt(x, y);
        mouseCapture = button ? button->control() : handleOfWindow;
    }
    // A held button keeps the mouse's messages, as Windows' capture does.
    auto captured = controls.find(mouseCapture);
    PushButton* capturedButton =
        captured == controls.end() ? nullptr : static_cast<PushButton*>(captured->second);
    PushButton* target = mouseCapture ? capturedButton : buttonAt(x, y);
    const HWND targetHandle = target ? target->control() : handleOfWindow;
    const int targetX = target ? x - target->x() : x;
    const int targetY = target ? y - target->y() : y - clientTop();

    switch (event) {
    case FL_PUSH:
        if (!leftButton) return 1;
        postMouseMessage(targetHandle, WM_LBUTTONDOWN, targetX, targetY);
        if (target) target->showPressed(true);
        return 1;
    case FL_DRAG:
        if (!mouseCapture) return 1;
        postMouseMessage(targetHandle, WM_MOUSEMOVE, targetX, targetY);
        if (target) target->showPressed(Fl::event_inside(target));
        return 1;
    case FL_RELEASE:
        if (!leftButton || !mouseCapture) return 1;
        postMouseMessage(targetHandle, WM_LBUTTONUP, targetX, targetY);
        if (target) target->showPressed(false);
        mouseCapture = nullptr;
        return 1;
    case FL_MOVE:
        // Over the menu bar the mouse is outside the client area.
        if (targetY >= 0 || target) postMouseMessage(targetHandle, WM_MOUSEMOVE, targetX, targetY);
        return 1;
    default:
        return 1;
    }
}

void TopLevelWindow::closeBoxPressed(Fl_Widget* window, void*) {
    auto* self = static_cast<TopLevelWindow*>(window);
    // A window disabled by its modal box ignores its close box, as on Windows.
    if (self->takesInput()) PostMessageA(self->handleOfWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace posix
