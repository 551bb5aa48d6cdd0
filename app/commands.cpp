// The main window's menu commands and Ctrl shortcuts, hiding it, and the question on closing.
#include "app.h"
#include "notes.h"
#include "playback.h"
#include "recording.h"

namespace {

struct Binding {
    int id;  // a command id, or the key held with Ctrl
    Callback callback;
};

constexpr Binding menuCommands[] = {
    {IDM_EXIT, exitProgram},
    {IDM_HIDE_INTERFACE, hideInterface},
    {IDM_START_RECORDING, startRecording},
    {IDM_STOP_RECORDING, stopRecording},
    {IDM_RESET_RECORDING, resetRecording},
    {IDM_PLAY, playTuneFile},
    {IDM_CONTENTS, showHelp},
    {IDM_ABOUT, showAbout},
};

// Each is tested on its own, in this order, on every pass while Ctrl is down.
constexpr Binding ctrlShortcuts[] = {
    {'R', startRecording},
    {'S', stopRecording},
    {'P', playTuneFile},
    {'H', hideInterface},
    {'T', resetRecording},
    {VK_F1, showHelp},
    {VK_F2, showAbout},
};

const char* const closeQuestion = "The program is recording, would you like to save?";

}  // namespace

void addCommands(Window& window) {
    window.addKeyHandler(VK_CONTROL, onCtrlShortcuts);
    window.addMessageHandler(WM_CLOSE, onClose);
    window.setMenu(IDR_ENGLISH_MENU);
    for (const Binding& command : menuCommands) window.addCommand(command.id, command.callback);
}

void onCtrlShortcuts(Window* window) {
    for (const Binding& shortcut : ctrlShortcuts)
        if (window->isKeyDown(shortcut.id)) shortcut.callback(window);
}

// The question only decides whether to save first; but a tune that could not be saved keeps
// the window open, so the user can save elsewhere or close again without saving.
void onClose(Window* window) {
    const bool saving =
        isRecording && MessageBoxA(window->getHandle(), closeQuestion, closeQuestion, MB_YESNO) != IDNO;
    if (saving && !saveRecording(window)) {
        window->keepOpen();
        return;
    }
    window->quit();
}

void hideInterface(Window* window) { window->minimize(); }
