// A top-level window of the subset as an FLTK window: its client area, menu
// bar, icons, title and close box, and the controls placed on it. FLTK acts
// on nothing by itself here: every input event becomes a posted message, and
// the window procedures decide what follows.
#pragma once

#include "internal.h"

#include <FL/Fl_Double_Window.H>

#include <map>
#include <memory>

#include "display.h"
#include "fltk/control_widgets.h"
#include "key_messages.h"
#include "fltk/menu_bar.h"

namespace posix {

class TopLevelWindow : public Fl_Double_Window {
public:
    TopLevelWindow(HWND window, const NewWindow& created, KeyTransitions& keyTransitions);
    ~TopLevelWindow() override;

    // Shows the style: visible, minimised, disabled.
    void showStyle(DWORD newStyle);
    void showMenu(const Menu* menu);
    // The window's frame on the screen, as Windows measures it.
    void moveTo(int x, int y, int width, int height);
    bool isMinimized() const { return (style & WS_VISIBLE) && (style & WS_MINIMIZE); }
    const Menu* menu() const { return menuBar ? menuBar->source() : nullptr; }

    void addControl(HWND control, const NewWindow& created);
    bool hasControl(HWND control) const { return controls.contains(control); }
    void showControlStyle(HWND control, DWORD newStyle);
    void moveControl(HWND control, int x, int y, int width, int height);
    void showControlBitmap(HWND control, const Picture* bitmap);
    void removeControl(HWND control);
    // Brings the window to the front, unless it is there already with the focus.
    void raise();

    int handle(int event) override;

protected:
    // Each expose is a WM_PAINT for the window.
    void flush() override;

private:
    bool takesInput() const;
    int handleMouse(int event);
    bool overMenuBar() const;
    PushButton* buttonAt(int x, int y) const;
    // Where client coordinates start: below the menu bar when there is one.
    int clientTop() const;
    void place(ControlWidget& widget);
    void showVisibility();
    void becomeActive();
    static void closeBoxPressed(Fl_Widget* window, void*);

    const HWND handleOfWindow;
    KeyTransitions& keyTransitions;
    DWORD style = 0;
    MenuBar* menuBar = nullptr;  // owned by the FLTK group, like the controls
    std::map<HWND, ControlWidget*> controls;
    HWND mouseCapture = nullptr;  // the button or window that a held left button went down on
    bool minimizedHere = false;
    bool hasFocus = false;
    bool changingVisibility = false;
};

}  // namespace posix
