// The built-in controls, "Button" and "Static", as GTK widgets that show what the subset
// tells of them, and so name themselves to screen readers as GTK's own do. They act on
// nothing by themselves: the top-level window turns input into messages, and the
// controls' window procedures answer.
#pragma once

#include "internal.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "display.h"
#include "gtk/display_scale.h"

namespace posix {

class ControlWidget {
public:
    ControlWidget(HWND control, const NewWindow& created, GtkWidget* widget);
    virtual ~ControlWidget();
    ControlWidget(const ControlWidget&) = delete;
    ControlWidget& operator=(const ControlWidget&) = delete;

    HWND control() const { return controlHandle; }
    GtkWidget* widget() const { return shown; }
    // Shows the style, and with it whether the control is visible.
    void showStyle(DWORD newStyle);
    // Where the control is in its window's client area, in program units.
    void moveTo(int x, int y, int width, int height);
    int clientX() const { return placeX; }
    int clientY() const { return placeY; }
    int width() const { return placeWidth; }
    int height() const { return placeHeight; }
    // Buttons take mouse messages; other controls let them through to the window.
    virtual bool takesMouse() const { return false; }
    // Whether the widget can show the style, or another must be made for it (a text
    // becoming a picture).
    virtual bool canShow(DWORD) const { return true; }
    // The control as it would be made now, with that style.
    NewWindow remade(DWORD newStyle) const;

protected:
    const HWND controlHandle;
    DWORD style = 0;

private:
    const std::string className;
    const std::string text;
    GtkWidget* shown;  // owned by the window's layout; a reference is kept while the control lives
    int placeX = 0;
    int placeY = 0;
    int placeWidth = 0;
    int placeHeight = 0;
};

// A push button, named by its text; pressed and released as the mouse holds it.
class PushButton : public ControlWidget {
public:
    PushButton(HWND control, const NewWindow& created);
    bool takesMouse() const override { return true; }
};

// Left-aligned text, a sunken status line or a picture, as its style says.
class StaticControl : public ControlWidget {
public:
    StaticControl(HWND control, const NewWindow& created);
    bool canShow(DWORD newStyle) const override;
    void showBitmap(const Picture* bitmap, const DisplayScale& scale);

private:
    GtkWidget* image = nullptr;  // within the widget, for SS_BITMAP
};

// The widget of a control of that class; null for a class this display does not draw.
std::unique_ptr<ControlWidget> makeControlWidget(HWND control, const NewWindow& created);

}  // namespace posix
