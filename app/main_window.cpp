// WinMain: the main window, its twelve note buttons and nineteen note keys.
#include "app.h"
#include "notes.h"

namespace {

struct NoteButton {
    const char* label;
    int x;
    int y;
    Callback callback;
};

// The white notes in a row at the top, the sharps below between them.
constexpr int noteButtonSize = 33;
constexpr NoteButton noteButtons[] = {
    {"Do", 10, 10, pressDo},
    {"Do#", 33, 50, noteHandler<NoteId::DoSharp4>},
    {"Re", 50, 10, pressRe},
    {"Re#", 70, 50, noteHandler<NoteId::ReSharp4>},
    {"Mi", 90, 10, pressMi},
    {"Fa", 130, 10, pressFa},
    {"Fa#", 150, 50, noteHandler<NoteId::FaSharp4>},
    {"Sol", 170, 10, pressSol},
    {"Sol#", 191, 50, noteHandler<NoteId::SolSharp4>},
    {"La", 210, 10, pressLa},
    {"La#", 231, 50, noteHandler<NoteId::LaSharp4>},
    {"Si", 250, 10, pressSi},
};

struct NoteKey {
    int virtualKey;
    Callback callback;
};

// Polled in this order after every message.
constexpr NoteKey noteKeys[] = {
    {VK_F1, pressDo},
    {VK_F2, pressRe},
    {VK_F3, pressMi},
    {VK_F4, pressFa},
    {VK_F5, pressSol},
    {VK_F6, pressLa},
    {VK_F7, pressSi},
    {VK_F8, noteHandler<NoteId::Do5>},
    {VK_F9, noteHandler<NoteId::Re5>},
    {VK_NUMPAD0, pressDo},
    {VK_NUMPAD0 + 1, pressRe},
    {VK_NUMPAD0 + 2, pressMi},
    {VK_NUMPAD0 + 3, pressFa},
    {VK_NUMPAD0 + 4, pressSol},
    {VK_NUMPAD0 + 5, pressLa},
    {VK_NUMPAD0 + 6, pressSi},
    {VK_NUMPAD0 + 7, noteHandler<NoteId::Do5>},
    {VK_NUMPAD0 + 8, noteHandler<NoteId::Re5>},
    {VK_NUMPAD0 + 9, noteHandler<NoteId::Mi5>},
};

}  // namespace

void addNoteButtons(Window& window) {
    for (const NoteButton& button : noteButtons)
        window.addButton(button.label, button.x, button.y, noteButtonSize, noteButtonSize,
                         button.callback);
}

void addNoteKeys(Window& window) {
    for (const NoteKey& key : noteKeys) window.addKeyHandler(key.virtualKey, key.callback);
}

// The one argument is a tune file to play, as a file manager opens it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    Window mainWindow(instance, IDI_PIPALO, IDI_PIPALO_SMALL, "Classname");
    mainWindow.create("Pipalo 4 - TarnWell Dev.", 305, 145, 0);
    addNoteButtons(mainWindow);
    addNoteKeys(mainWindow);
    addCommands(mainWindow);
    playTuneOnceShown(mainWindow, commandLine);
    mainWindow.run();
    return 0;
}
