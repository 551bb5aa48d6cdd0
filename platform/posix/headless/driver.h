// The headless platform of the tests: while a Driver lives it is the display,
// which draws nothing but keeps what it is told of each window, and the tone
// output, which writes each tone down on a virtual clock. It plays the user on
// the windows as the display shows them: it holds keys, clicks, chooses menu
// items, answers boxes and dialogs, and reads back every tone, box, dialog,
// window and key the program asked about. Each window it reads must agree with
// what the display was told. One Driver a test; it starts from an empty desktop.
#pragma once

#include "internal.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <map>

#include "desktop.h"
#include "display.h"
#include "images.h"
#include "key_messages.h"
#include "menus.h"

namespace headless {

struct PlayedTone {
    unsigned frequency;
    unsigned milliseconds;
    std::uint64_t startMs;  // on the virtual clock
};

struct BeepCall {
    DWORD frequency;
    DWORD duration;
    bool operator==(const BeepCall&) const = default;
};

struct ShownMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
    bool ownerDisabled;  // while it was shown
    int answer;
    std::size_t tonesBefore;  // how many tones had been played when it was shown
};

// A window as the display was told of it: as it was made, with each change since.
struct DisplayedWindow {
    posix::NewWindow window;
    const posix::Picture* bitmap = nullptr;
};

struct ShownFileDialog {
    posix::FileDialogRequest request;
    bool ownerDisabled;
    std::optional<std::string> answer;
};

class Driver {
public:
    Driver();
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // How a test learns of a failure (a box with no answer ready, a loop left
    // waiting with nothing to do). By default it is printed and the process aborts.
    static void setFailureReporter(std::function<void(const std::string&)> reporter);

    // User actions, posted at once.
    void holdKey(int virtualKey);
    void releaseKey(int virtualKey);
    void repeatKey(int virtualKey);  // the display's auto-repeat of a held key
    void click(HWND control);
    void chooseMenuItem(HWND window, UINT commandId);
    void pressCloseBox(HWND window);
    void moveMouse(HWND window);

    // A step that runs when a message loop has nothing left to take.
    void then(std::function<void()> step);

    // Answers for the boxes and dialogs to come, in order.
    void answerMessageBox(int answer);
    // An answer worked out while the box is shown, so a test can look at the program then.
    void answerMessageBox(std::function<int()> answer);
    // The name typed: a bare or relative one is taken in the folder the dialog shows.
    void chooseFile(const std::string& name);
    // A name worked out while the dialog is shown: what the test does then (a menu chosen) is
    // taken by the dialog's loop before the name comes back, as on a desktop.
    void chooseFile(std::function<std::string()> name);
    void cancelFileDialog();
    // Makes the next CreateWindowExA of that class fail.
    void failNextCreation(const std::string& className);

    const std::vector<PlayedTone>& tones() const { return playedTones; }  // what sounded
    const std::vector<BeepCall>& beepCalls() const { return madeBeepCalls; }  // every call made
    const std::vector<ShownMessageBox>& messageBoxes() const { return shownBoxes; }
    const std::vector<ShownFileDialog>& fileDialogs() const { return shownDialogs; }
    std::uint64_t nowMs() const { return clockMs; }
    // Whether the key is held, and every key the program asked about, in order.
    bool isKeyDown(int virtualKey) const { return keys.isDown(virtualKey); }
    const std::vector<int>& askedKeys() const { return keysAsked; }

    std::vector<HWND> topLevelWindows() const;  // front first
    HWND findTopLevel(const std::string& title) const;
    HWND findControl(HWND parent, const std::string& text) const;
    const posix::WindowRecord& window(HWND window) const;
    const posix::Menu* menuOf(HWND window) const;
    // Null for a window the display was not told of, or was told has gone.
    const DisplayedWindow* displayed(HWND window) const;

private:
    // What the platform asks of the display and the tone output, installed while the driver lives.
    class HeadlessDisplay;
    class RecordedTones;

    void waitForInput();
    void openMessageBox(const posix::MessageBoxRequest& request, std::function<void(int)> answered);
    void openFileDialog(const posix::FileDialogRequest& request,
                        std::function<void(std::optional<posix::ChosenName>)> chosen);
    void fail(const std::string& message);
    void postKey(const posix::KeyMessage& key);
    bool acceptsInput(HWND window) const;
    bool isShownDisabled(HWND window) const;
    // Reports where the record and what the display was told of it differ.
    void checkDisplayed(const posix::WindowRecord& record) const;

    posix::KeyTransitions keys;  // the keys held, as their messages tell them
    std::vector<int> keysAsked;
    std::deque<std::function<void()>> steps;
    std::deque<std::function<int()>> boxAnswers;
    struct DialogAnswer {
        std::function<std::optional<std::string>()> name;
        bool whileShown;
    };
    std::deque<DialogAnswer> dialogAnswers;
    std::function<void()> answerToHandOn;  // a dialog's, handed on when its loop next waits
    std::vector<PlayedTone> playedTones;
    std::vector<BeepCall> madeBeepCalls;
    std::vector<ShownMessageBox> shownBoxes;
    std::vector<ShownFileDialog> shownDialogs;
    std::map<HWND, DisplayedWindow> displayedWindows;
    std::uint64_t clockMs = 0;
    bool reportedIdleLoop = false;
};

}  // namespace headless
