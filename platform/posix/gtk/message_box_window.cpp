// MessageBoxA's box as a GTK message dialog.
#include "gtk/message_box_window.h"

#include "gtk/labels.h"

namespace posix {

namespace {

const char* iconNameOf(GtkMessageType type) {
    switch (type) {
    case GTK_MESSAGE_INFO:
        return "dialog-information";
    case GTK_MESSAGE_WARNING:
        return "dialog-warning";
    default:
        return nullptr;
    }
}

// The text's own line breaks decide its lines; only a line wider than Windows' boxes allow is
// wrapped.
void keepLinesAsWritten(GtkMessageDialog* dialog) {
    GList* labels = gtk_container_get_children(GTK_CONTAINER(gtk_message_dialog_get_message_area(dialog)));
    for (GList* label = labels; label; label = label->next)
        if (GTK_IS_LABEL(label->data)) gtk_label_set_max_width_chars(GTK_LABEL(label->data), 100);
    g_list_free(labels);
}

}  // namespace

BoxButtons buttonsOf(UINT style) {
    switch (style & MB_TYPEMASK) {
    case MB_YESNO:
        return {{{"&Yes", IDYES}, {"&No", IDNO}}, std::nullopt};
    case MB_OKCANCEL:
        return {{{"OK", IDOK}, {"Cancel", IDCANCEL}}, IDCANCEL};
    default:
        // An OK box closes with OK on Escape too.
        return {{{"OK", IDOK}}, IDOK};
    }
}

GtkMessageType messageTypeOf(UINT style) {
    switch (style & MB_ICONMASK) {
    case MB_ICONINFORMATION:
        return GTK_MESSAGE_INFO;
    case MB_ICONWARNING:
        return GTK_MESSAGE_WARNING;
    default:
        return GTK_MESSAGE_OTHER;
    }
}

MessageBoxWindow::MessageBoxWindow(const MessageBoxRequest& request, GtkWindow* owner,
                                   std::function<void(int)> answered)
    : choices(buttonsOf(request.style)), answered(std::move(answered)) {
    const GtkMessageType type = messageTypeOf(request.style);
    // The text as it is, '&' and all: "%s" keeps it from being read as a format.
    // Not destroyed with its owner by GTK: the display ends it first, and destroys it itself.
    dialog = gtk_message_dialog_new(owner, GtkDialogFlags{}, type, GTK_BUTTONS_NONE, "%s",
                                    request.text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), request.caption.c_str());
    // A screen reader names the box by its caption, as on Windows, not by its kind.
    atk_object_set_name(gtk_widget_get_accessible(dialog), request.caption.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), owner ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    // The position GTK works out is the client area's: a window manager that puts the frame
    // there would leave the box a title bar's height below centre.
    gtk_window_set_gravity(GTK_WINDOW(dialog), GDK_GRAVITY_STATIC);
    keepLinesAsWritten(GTK_MESSAGE_DIALOG(dialog));
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    if (const char* icon = iconNameOf(type)) {
        // GTK 3 dialogs show no icon by themselves any more; Windows' boxes do.
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        GtkWidget* image = gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_DIALOG);
        gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(dialog), image);
        G_GNUC_END_IGNORE_DEPRECATIONS
        gtk_widget_show(image);
    }
    for (const BoxButton& button : choices.buttons)
        gtk_dialog_add_button(GTK_DIALOG(dialog), gtkMnemonicLabel(button.label).c_str(), button.answer);
    const int defaultAnswer = choices.buttons.front().answer;
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), defaultAnswer);
    g_signal_connect(dialog, "response", G_CALLBACK(responded), this);
    g_signal_connect(dialog, "key-press-event", G_CALLBACK(keyPressed), this);
    // The box stays until it is answered; the program then closes it.
    g_signal_connect(dialog, "delete-event", G_CALLBACK(gtk_true), nullptr);
    // Neither minimised nor maximised, as Windows' boxes are not.
    gtk_widget_realize(dialog);
    gdk_window_set_functions(gtk_widget_get_window(dialog), static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
    gtk_widget_show(dialog);
    gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), defaultAnswer));
}

MessageBoxWindow::~MessageBoxWindow() { gtk_widget_destroy(dialog); }

void MessageBoxWindow::answer(int answer) {
    if (!given) given = answer;
}

void MessageBoxWindow::responded(GtkDialog*, int response, gpointer self) {
    auto* box = static_cast<MessageBoxWindow*>(self);
    if (response > 0)
        box->answer(response);
    else if (box->choices.cancelAnswer)
        box->answer(*box->choices.cancelAnswer);
}

gboolean MessageBoxWindow::keyPressed(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* box = static_cast<MessageBoxWindow*>(self);
    if (event->state & (GDK_CONTROL_MASK | GDK_META_MASK | GDK_SUPER_MASK)) return FALSE;
    const guint key = gdk_keyval_to_lower(event->keyval);
    for (const BoxButton& button : box->choices.buttons)
        if (mnemonicOf(button.label) != 0 && static_cast<guint>(mnemonicOf(button.label)) == key) {
            box->answer(button.answer);
            return TRUE;
        }
    return FALSE;
}

void MessageBoxWindow::ownerDestroyed() {
    gtk_widget_hide(dialog);
    answer(0);
}

bool MessageBoxWindow::reportAnswer() {
    if (!given) return false;
    gtk_widget_hide(dialog);
    answered(*given);
    return true;
}

}  // namespace posix
