// The desktop display: the subset's windows, controls, menus, message boxes and file
// dialogs shown with GTK 3 on X11, at the desktop's scale, and GTK's input posted as messages.
#pragma once

#include "internal.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "display.h"
#include "gtk/display_scale.h"
#include "gtk/modal_view.h"
#include "gtk/top_level_window.h"
#include "gtk/x11.h"
#include "key_messages.h"

namespace posix {

class GtkDisplay : public Display {
public:
    // The display on the X server that DISPLAY names; null, with the reason, when there is none.
    static std::unique_ptr<GtkDisplay> open(std::string& failure);
    ~GtkDisplay() override;

    void windowCreated(HWND window, const NewWindow& created) override;
    void windowStyleChanged(HWND window, DWORD style) override;
    void windowMoved(HWND window, int x, int y, int width, int height) override;
    void windowMenuChanged(HWND window, const Menu* menu) override;
    void windowBitmapChanged(HWND window, const Picture* bitmap) override;
    void windowDestroyed(HWND window) override;
    void windowFocused(HWND window) override;
    void raiseWindow(HWND window) override;

    void waitForInput() override;
    bool isKeyDown(int virtualKey) override;
    void keysMayHaveChanged() override;

    void openMessageBox(const MessageBoxRequest& request, std::function<void(int)> answered) override;
    void openFileDialog(const FileDialogRequest& request,
                        std::function<void(std::optional<ChosenName>)> chosen) override;
    void cancelModal() override;

    // The GTK window of a top-level window of the subset, or of the one that holds the control.
    GtkWindow* gtkWindowOf(HWND window) const;

private:
    explicit GtkDisplay(const DisplayScale& scale);
    // The top-level window itself, or the one that holds the control.
    TopLevelWindow* windowOf(HWND window) const;
    // Only a top-level window.
    TopLevelWindow* topLevel(HWND window) const;
    // The root-window grabs follow the window's iconified state, as the window manager
    // reports it, and its menu.
    void followMinimized(HWND window, TopLevelWindow& shown);
    // The owner's window, for a box or dialog to stand over whatever its state.
    GtkWindow* ownerWindow(HWND owner) const;
    void openModal(HWND owner, std::unique_ptr<ModalView> view);
    // Hands on the answers given; whether there was one.
    bool reportAnswers();

    const DisplayScale displayScale;
    std::map<HWND, std::unique_ptr<TopLevelWindow>> windows;
    struct Modal {
        const TopLevelWindow* owner;  // null for none
        std::unique_ptr<ModalView> view;
    };
    std::vector<Modal> modals;  // oldest first
    KeyTransitions keyTransitions;
    KeyboardReading keyboard;
    MinimizedKeys minimizedKeys{keyTransitions};
};

}  // namespace posix
