// The built-in controls as FLTK widgets.
#include "fltk/control_widgets.h"

#include <FL/Fl.H>

#include "fltk/control_text.h"
#include "fltk/pictures.h"
#include "images.h"

namespace posix {

ControlWidget::ControlWidget(HWND control, const WindowRecord& record)
    : Fl_Widget(record.x, record.y, record.width, record.height), controlHandle(control) {
    // Keyboard focus stays with the top-level window, which posts the keys.
    clear_visible_focus();
}

void ControlWidget::showRecord(const WindowRecord& record) {
    text = record.text;
    style = record.style;
    if (record.isVisible())
        show();
    else
        hide();
    redraw();
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

void StaticControl::showRecord(const WindowRecord& record) {
    ControlWidget::showRecord(record);
    if (record.image == shownBitmap) return;
    shownBitmap = record.image;
    const Picture* bitmap = bitmapFromHandle(shownBitmap);
    picture = bitmap ? imageOf(*bitmap) : nullptr;
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

std::unique_ptr<ControlWidget> makeControlWidget(HWND control, const WindowRecord& record) {
    std::unique_ptr<ControlWidget> widget;
    if (equalIgnoringCase(record.className, "Button"))
        widget = std::make_unique<PushButton>(control, record);
    else if (equalIgnoringCase(record.className, "Static"))
        widget = std::make_unique<StaticControl>(control, record);
    if (widget) widget->showRecord(record);
    return widget;
}

}  // namespace posix
