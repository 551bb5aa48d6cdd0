// The desktop display: the subset's windows, menus, boxes and dialogs on GTK 3.
#include "gtk/gtk_display.h"

#include <gtk/gtk.h>

#include <cmath>
#include <cstdlib>

#include "gtk/file_choosers.h"
#include "gtk/message_box_window.h"

namespace posix {

namespace {

// The controls' look, sized for Windows' layout at the display's scale: Windows' dialog
// font and frames, GTK's padding taken down so that a 33-unit button holds its text.
// Text in points grows with the resolution GTK draws at; pixels are scaled here.
void useControlStyle(const DisplayScale& scale) {
    const auto px = [&](int units) { return std::to_string(scale.toGtk(units)) + "px"; };
    const std::string css =
        "window.pipalo button, window.pipalo label { font: 9pt Sans; }\n"
        "window.pipalo button { padding: 0; min-width: 0; min-height: 0; }\n"
        "window.pipalo frame label { padding: " + px(1) + " " + px(2) + "; }\n"
        "window.pipalo menubar { padding: 0; min-height: 0; }\n"
        "window.pipalo menubar > menuitem { padding: 0 " + px(6) + "; min-height: 0; }\n";
    GtkCssProvider* style = gtk_css_provider_new();
    gtk_css_provider_load_from_data(style, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(style),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(style);
}

// The desktop's scale; GTK is told the resolution that goes with it, where no settings
// manager told it one (GTK then keeps its default of 96) or told it the screen's.
DisplayScale desktopScale() {
    GtkSettings* settings = gtk_settings_get_default();
    gint textDpiBefore = 0;
    g_object_get(settings, "gtk-xft-dpi", &textDpiBefore, nullptr);
    const gint settingsDpi = settingsManagerRuns() ? textDpiBefore : 0;
    const char* fixedScale = std::getenv("GDK_SCALE");
    const bool scaleFromEnvironment = fixedScale && std::atoi(fixedScale) > 0;
    const int windowScale = gdk_window_get_scale_factor(gdk_screen_get_root_window(gdk_screen_get_default()));
    const DisplayScale scale =
        displayScaleOf(windowScale, settingsDpi, scaleFromEnvironment, settingsDpi > 0 ? 0 : resourceDpi());
    const gint textDpi = static_cast<gint>(std::lround(scale.fontDpi * 1024));
    if (textDpi != textDpiBefore) g_object_set(settings, "gtk-xft-dpi", textDpi, nullptr);
    return scale;
}

}  // namespace

std::unique_ptr<GtkDisplay> GtkDisplay::open(std::string& failure) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        failure = "no display to show the window on (DISPLAY is not set)";
        return nullptr;
    }
    // The name and class the desktop matches the window to its menu entry and icon by.
    g_set_prgname("Pipalo");
    gdk_set_program_class("Pipalo");
    allowOnlyX11();
    // The program's C locale stays as it is.
    gtk_disable_setlocale();
    if (!gtk_init_check(nullptr, nullptr)) {
        failure = std::string("cannot open the display \"") + name + "\"";
        return nullptr;
    }
    const DisplayScale scale = desktopScale();
    useControlStyle(scale);
    return std::unique_ptr<GtkDisplay>(new GtkDisplay(scale));
}

GtkDisplay::GtkDisplay(const DisplayScale& scale) : displayScale(scale) {}

GtkDisplay::~GtkDisplay() {
    modals.clear();
    finishChoosers();
    windows.clear();
    gdk_display_flush(gdk_display_get_default());
}

TopLevelWindow* GtkDisplay::windowOf(HWND window) const {
    if (TopLevelWindow* found = topLevel(window)) return found;
    for (const auto& [handle, topLevel] : windows)
        if (topLevel->hasControl(window)) return topLevel.get();
    return nullptr;
}

TopLevelWindow* GtkDisplay::topLevel(HWND window) const {
    auto found = windows.find(window);
    return found == windows.end() ? nullptr : found->second.get();
}

GtkWindow* GtkDisplay::gtkWindowOf(HWND window) const {
    TopLevelWindow* found = windowOf(window);
    return found ? found->gtkWindow() : nullptr;
}

GtkWindow* GtkDisplay::ownerWindow(HWND owner) const {
    TopLevelWindow* found = windowOf(owner);
    return found ? found->gtkWindow() : nullptr;
}

void GtkDisplay::followMinimized(HWND window, TopLevelWindow& shown) {
    minimizedKeys.follow(window, xWindowOf(GTK_WIDGET(shown.gtkWindow())), shown.isIconified(), shown.menu());
}

void GtkDisplay::windowCreated(HWND window, const NewWindow& created) {
    if (!created.parent) {
        windows[window] = std::make_unique<TopLevelWindow>(window, created, keyTransitions, displayScale);
        windows[window]->onCloseWhileDisabled([this] {
            for (const Modal& modal : modals) modal.view->ownerClosing();
        });
        windows[window]->onIconifiedChanged([this, window] {
            if (TopLevelWindow* shown = topLevel(window)) followMinimized(window, *shown);
        });
    }
    else if (TopLevelWindow* parent = windowOf(created.parent))
        parent->addControl(window, created);
}

void GtkDisplay::windowStyleChanged(HWND window, DWORD style) {
    if (TopLevelWindow* shown = topLevel(window)) {
        shown->showStyle(style);
        followMinimized(window, *shown);
    } else if (TopLevelWindow* parent = windowOf(window)) {
        parent->showControlStyle(window, style);
    }
}

void GtkDisplay::windowMoved(HWND window, int x, int y, int width, int height) {
    if (TopLevelWindow* shown = topLevel(window))
        shown->moveTo(x, y, width, height);
    else if (TopLevelWindow* parent = windowOf(window))
        parent->moveControl(window, x, y, width, height);
}

void GtkDisplay::windowMenuChanged(HWND window, const Menu* menu) {
    if (TopLevelWindow* shown = topLevel(window)) {
        shown->showMenu(menu);
        followMinimized(window, *shown);
    }
}

void GtkDisplay::windowBitmapChanged(HWND window, const Picture* bitmap) {
    if (TopLevelWindow* parent = windowOf(window)) parent->showControlBitmap(window, bitmap);
}

void GtkDisplay::windowDestroyed(HWND window) {
    if (const TopLevelWindow* gone = topLevel(window)) {
        for (const Modal& modal : modals)
            if (modal.owner == gone) modal.view->ownerDestroyed();
        minimizedKeys.forget(window);
        windows.erase(window);
    } else if (TopLevelWindow* parent = windowOf(window)) {
        parent->removeControl(window);
    }
}

void GtkDisplay::windowFocused(HWND window) {
    if (TopLevelWindow* shown = windowOf(window)) shown->showFocus(window);
}

void GtkDisplay::raiseWindow(HWND window) {
    if (TopLevelWindow* shown = topLevel(window)) shown->raise();
}

void GtkDisplay::waitForInput() {
    // An answer given outside GTK's handlers (a box ended with its owner) needs no event.
    if (reportAnswers()) return;
    gtk_main_iteration_do(TRUE);
    reportAnswers();
}

bool GtkDisplay::reportAnswers() {
    // Answers are handed on here, outside GTK's handlers, so a finished box can go at once.
    bool reported = false;
    for (std::size_t index = modals.size(); index-- > 0;)
        if (modals[index].view->reportAnswer()) {
            modals.erase(modals.begin() + static_cast<std::ptrdiff_t>(index));
            reported = true;
        }
    return reported;
}

bool GtkDisplay::isKeyDown(int virtualKey) {
    minimizedKeys.asked(virtualKey);
    return keyboard.isDown(virtualKey);
}

void GtkDisplay::keysMayHaveChanged() { keyboard.drop(); }

void GtkDisplay::openModal(HWND owner, std::unique_ptr<ModalView> view) {
    modals.push_back({windowOf(owner), std::move(view)});
}

void GtkDisplay::openMessageBox(const MessageBoxRequest& request, std::function<void(int)> answered) {
    openModal(request.owner,
              std::make_unique<MessageBoxWindow>(request, ownerWindow(request.owner), std::move(answered)));
}

void GtkDisplay::openFileDialog(const FileDialogRequest& request,
                                std::function<void(std::optional<ChosenName>)> chosen) {
    openModal(request.owner, openChooser(request, ownerWindow(request.owner), std::move(chosen)));
}

void GtkDisplay::cancelModal() {
    if (!modals.empty()) modals.pop_back();
}

}  // namespace posix
