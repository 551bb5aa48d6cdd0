// The built-in controls as GTK widgets.
#include "gtk/control_widgets.h"

#include <strings.h>

#include "gtk/labels.h"
#include "gtk/pictures.h"

namespace posix {

namespace {

GtkWidget* buttonWidget(const std::string& text) {
    GtkWidget* button = gtk_button_new_with_mnemonic(gtkMnemonicLabel(text).c_str());
    // The subset owns the focus (Tab, and a click on a button); GTK only shows it.
    gtk_widget_set_focus_on_click(button, FALSE);
    gtk_widget_add_events(button, GDK_POINTER_MOTION_MASK);
    return button;
}

GtkWidget* staticWidget(const NewWindow& created) {
    if ((created.style & SS_TYPEMASK) == SS_BITMAP) return gtk_image_new();
    GtkWidget* label = gtk_label_new_with_mnemonic(gtkMnemonicLabel(created.text).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_yalign(GTK_LABEL(label), 0);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    if (!(created.style & SS_SUNKEN)) return label;
    GtkWidget* frame = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(frame), label);
    gtk_widget_show(label);
    return frame;
}

}  // namespace

ControlWidget::ControlWidget(HWND control, const NewWindow& created, GtkWidget* widget)
    : controlHandle(control), className(created.className), text(created.text),
      shown(GTK_WIDGET(g_object_ref_sink(widget))) {
    moveTo(created.x, created.y, created.width, created.height);
    showStyle(created.style);
}

ControlWidget::~ControlWidget() {
    gtk_widget_destroy(shown);
    g_object_unref(shown);
}

void ControlWidget::showStyle(DWORD newStyle) {
    style = newStyle;
    gtk_widget_set_visible(shown, (style & WS_VISIBLE) != 0);
    gtk_widget_set_sensitive(shown, !(style & WS_DISABLED));
}

NewWindow ControlWidget::remade(DWORD newStyle) const {
    NewWindow made;
    made.className = className;
    made.text = text;
    made.x = placeX;
    made.y = placeY;
    made.width = placeWidth;
    made.height = placeHeight;
    made.style = newStyle;
    return made;
}

void ControlWidget::moveTo(int x, int y, int width, int height) {
    placeX = x;
    placeY = y;
    placeWidth = width;
    placeHeight = height;
}

PushButton::PushButton(HWND control, const NewWindow& created)
    : ControlWidget(control, created, buttonWidget(created.text)) {}

StaticControl::StaticControl(HWND control, const NewWindow& created)
    : ControlWidget(control, created, staticWidget(created)) {
    if (GTK_IS_IMAGE(widget())) image = widget();
}

bool StaticControl::canShow(DWORD newStyle) const {
    // A picture is an image, a text a label, sunken in a frame or not.
    const DWORD shape = SS_TYPEMASK | SS_SUNKEN;
    return (newStyle & shape) == (style & shape);
}

void StaticControl::showBitmap(const Picture* bitmap, const DisplayScale& scale) {
    if (!image) return;
    if (!bitmap) {
        gtk_image_clear(GTK_IMAGE(image));
        return;
    }
    cairo_surface_t* surface = surfaceOf(*bitmap, scale);
    gtk_image_set_from_surface(GTK_IMAGE(image), surface);
    cairo_surface_destroy(surface);
}

std::unique_ptr<ControlWidget> makeControlWidget(HWND control, const NewWindow& created) {
    // Class names compare as Windows compares them, ignoring case.
    const char* className = created.className.c_str();
    if (strcasecmp(className, "Button") == 0) return std::make_unique<PushButton>(control, created);
    if (strcasecmp(className, "Static") == 0) return std::make_unique<StaticControl>(control, created);
    return nullptr;
}

}  // namespace posix
