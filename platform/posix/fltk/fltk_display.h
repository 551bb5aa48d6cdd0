// The desktop display: the subset's windows, controls, menus, message boxes
// and file dialogs shown with FLTK, and FLTK's input posted as messages.
#pragma once

#include "internal.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "display.h"
#include "key_messages.h"
#include "fltk/keyboard_reading.h"
#include "fltk/minimized_keys.h"
#include "gtk/modal_view.h"
#include "fltk/top_level_window.h"

namespace posix {

class FltkDisplay : public Display {
public:
    // The display on the X server that DISPLAY names; null, with the reason, when there is none.
    static std::unique_ptr<FltkDisplay> open(std::string& failure);
    ~FltkDisplay() override;

    void windowCreated(HWND window, const NewWindow& created) override;
    void windowStyleChanged(HWND window, DWORD style) override;
    void windowMoved(HWND window, int x, int y, int width, int height) override;
    void windowMenuChanged(HWND window, const Menu* menu) override;
    void windowBitmapChanged(HWND window, const Picture* bitmap) override;
    void windowDestroyed(HWND window) override;
    void raiseWindow(HWND window) override;

    void waitForInput() override;
    bool isKeyDown(int virtualKey) override;
    void keysMayHaveChanged() override;

    void openMessageBox(const MessageBoxRequest& request, std::function<void(int)> answered) override;
    void openFileDialog(const FileDialogRequest& request,
                        std::function<void(std::optional<ChosenName>)> chosen) override;
    void cancelModal() override;

private:
    FltkDisplay();
    // The top-level window itself, or the one that holds the control.
    TopLevelWindow* windowOf(HWND window) const;
    // Only a top-level window.
    TopLevelWindow* topLevel(HWND window) const;
    // The root-window grabs follow the window's minimised state and its menu.
    void followMinimized(HWND window, TopLevelWindow& shown);

    std::map<HWND, std::unique_ptr<TopLevelWindow>> windows;
    std::vector<std::unique_ptr<ModalView>> modals;  // oldest first
    KeyTransitions keyTransitions;
    KeyboardReading keyboard;
    MinimizedKeys minimizedKeys{keyTransitions};
};

}  // namespace posix
