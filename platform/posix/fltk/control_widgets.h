// The built-in controls, "Button" and "Static", as FLTK widgets that draw what
// the subset tells of them. They take no input themselves: the top-level
// window turns input into messages, and the controls' window procedures answer.
#pragma once

#include "internal.h"

#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Widget.H>

#include <memory>
#include <string>

#include "display.h"
#include "images.h"

namespace posix {

class ControlWidget : public Fl_Widget {
public:
    ControlWidget(HWND control, const NewWindow& created);

    HWND control() const { return controlHandle; }
    // Shows the style, and with it whether the control is visible.
    void showStyle(DWORD newStyle);
    // Where the control is in its window's client area; the window places the widget.
    void moveTo(int x, int y, int width, int height);
    int clientX() const { return placeX; }
    int clientY() const { return placeY; }
    // Buttons take mouse messages; other controls let them through to the window.
    virtual bool takesMouse() const { return false; }

protected:
    const HWND controlHandle;
    const std::string text;
    DWORD style = 0;

private:
    int placeX = 0;
    int placeY = 0;
};

// A push button, drawn pressed while the mouse holds it down.
class PushButton : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    bool takesMouse() const override { return true; }
    void showPressed(bool pressed);

protected:
    void draw() override;

private:
    bool pressed = false;
};

// Left-aligned text, a sunken status line or a picture, as its style says.
class StaticControl : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    void showBitmap(const Picture* bitmap);

protected:
    void draw() override;

private:
    std::unique_ptr<Fl_RGB_Image> picture;
};

// The widget of a control of that class; null for a class this display does not draw.
// The window that adds it to itself owns it, as FLTK groups own their children.
std::unique_ptr<ControlWidget> makeControlWidget(HWND control, const NewWindow& created);

}  // namespace posix
