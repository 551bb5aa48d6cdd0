// The built-in controls as FLTK widgets.
#include "fltk/control_widgets.h"

#include <FL/Fl.H>
#include <strings.h>

#include "fltk/control_text.h"
#include "fltk/pictures.h"

namespace posix {

ControlWidget::ControlWidget(HWND control, const NewWindow& created)
    : Fl_Widget(created.x, created.y, created.width, created.height), controlHandle(control),
      text(created.text), placeX(created.x), placeY(created.y) {
    // Keyboard focus stays with the top-level window, which posts the keys.
    clear_visible_focus();
    showStyle(created.style);
}

void ControlWidget::showStyle(DWORD newStyle) {
    style = newStyle;
    if (style & WS_VISIBLE)
        show();
    else
        hide();
    redraw();
}

void ControlWidget::moveTo(int x, int y, int width, int height) {
    placeX = x;
    placeY = y;
    size(width, height);
}

void PushButton::showPressed(bool shown) {
    if (pressed == shown) return;
    pressed = shown;
    redraw();
}

void PushButton::draw() {
    const Fl_Boxtype face = pressed ? FL_DOWN_BOX : FL_UP_BOX;
    draw_box(face, x(), y(), w(), h(), FL_BACKGROUND_COLOR);
    // The text moves with the face when it is pressed, as on Windows.
    const int shift = pressed ? 1 : 0;
    drawControlText(text, x() + shift, y() + shift, w(), h(),
                    FL_ALIGN_CENTER | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
}

void StaticControl::showBitmap(const Picture* bitmap) {
    picture = bitmap ? imageOf(*bitmap) : nullptr;
    redraw();
}

void StaticControl::draw() {
    if ((style & SS_TYPEMASK) == SS_BITMAP) {
        draw_box(FL_FLAT_BOX, FL_BACKGROUND_COLOR);
        if (picture) picture->draw(x(), y());
        return;
    }
    const bool sunken = (style & SS_SUNKEN) != 0;
    draw_box(sunken ? FL_THIN_DOWN_BOX : FL_FLAT_BOX, FL_BACKGROUND_COLOR);
    const int inset = sunken ? Fl::box_dx(FL_THIN_DOWN_BOX) : 0;
    drawControlText(text, x() + inset, y() + inset, w() - 2 * inset, h() - 2 * inset,
                    FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_CLIP);
}

std::unique_ptr<ControlWidget> makeControlWidget(HWND control, const NewWindow& created) {
    // Class names compare as Windows compares them, ignoring case.
    const char* className = created.className.c_str();
    if (strcasecmp(className, "Button") == 0) return std::make_unique<PushButton>(control, created);
    if (strcasecmp(className, "Static") == 0) return std::make_unique<StaticControl>(control, created);
    return nullptr;
}

}  // namespace posix
