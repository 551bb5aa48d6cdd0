// The headless platform of the tests and the driver that plays the user on it.
#include "headless/driver.h"

#include <cstdio>
#include <cstdlib>

#include "tone_output.h"
#include "user_input.h"

namespace headless {

// Nothing is drawn, but what each window is told to show is kept; input and answers
// come from the driver.
class Driver::HeadlessDisplay : public posix::Display {
public:
    explicit HeadlessDisplay(Driver& driver) : driver(driver) {}

    void windowCreated(HWND window, const posix::NewWindow& created) override {
        driver.displayedWindows[window] = {created, nullptr};
    }
    void windowStyleChanged(HWND window, DWORD style) override { shown(window).window.style = style; }
    void windowMoved(HWND window, int x, int y, int width, int height) override {
        posix::NewWindow& moved = shown(window).window;
        moved.x = x;
        moved.y = y;
        moved.width = width;
        moved.height = height;
    }
    void windowMenuChanged(HWND window, const posix::Menu* menu) override {
        shown(window).window.menu = menu;
    }
    void windowBitmapChanged(HWND window, const posix::Picture* bitmap) override {
        shown(window).bitmap = bitmap;
    }
    void windowDestroyed(HWND window) override { driver.displayedWindows.erase(window); }
    void raiseWindow(HWND) override {}
    void waitForInput() override { driver.waitForInput(); }
    bool isKeyDown(int virtualKey) override {
        driver.keysAsked.push_back(virtualKey);
        return driver.isKeyDown(virtualKey);
    }
    void openMessageBox(const posix::MessageBoxRequest& request,
                        std::function<void(int)> answered) override {
        driver.openMessageBox(request, std::move(answered));
    }
    void openFileDialog(const posix::FileDialogRequest& request,
                        std::function<void(std::optional<posix::ChosenName>)> chosen) override {
        driver.openFileDialog(request, std::move(chosen));
    }
    // Every box and dialog is answered as it opens, so none is ever left to close.
    void cancelModal() override {}

private:
    DisplayedWindow& shown(HWND window) {
        auto found = driver.displayedWindows.find(window);
        if (found == driver.displayedWindows.end()) {
            driver.fail("the display is told of a change to a window it was not told of");
            return driver.displayedWindows[window];
        }
        return found->second;
    }

    Driver& driver;
};

// Each tone is written down and takes no time but on the driver's virtual clock.
class Driver::RecordedTones : public posix::ToneOutput {
public:
    explicit RecordedTones(Driver& driver) : driver(driver) {}
    void play(unsigned frequency, unsigned milliseconds) override {
        driver.playedTones.push_back({frequency, milliseconds, driver.clockMs});
        driver.clockMs += milliseconds;
    }
    void called(DWORD frequency, DWORD duration) override {
        driver.madeBeepCalls.push_back({frequency, duration});
    }

private:
    Driver& driver;
};

namespace {

std::function<void(const std::string&)>& failureReporter() {
    static std::function<void(const std::string&)> reporter = [](const std::string& message) {
        std::fprintf(stderr, "test driver: %s\n", message.c_str());
        std::abort();
    };
    return reporter;
}

bool menuHasCommand(const std::vector<posix::MenuItem>& items, UINT commandId) {
    for (const posix::MenuItem& item : items)
        if ((item.isPopup() && menuHasCommand(item.popup, commandId)) ||
            (!item.isPopup() && !item.separator && item.id == commandId))
            return true;
    return false;
}

}  // namespace

Driver::Driver() {
    posix::resetDesktop();
    posix::setDisplay(std::make_unique<HeadlessDisplay>(*this));
    posix::setToneOutput(std::make_unique<RecordedTones>(*this));
}

Driver::~Driver() {
    posix::setDisplay(nullptr);
    posix::setToneOutput(nullptr);
}

void Driver::setFailureReporter(std::function<void(const std::string&)> reporter) {
    failureReporter() = std::move(reporter);
}

void Driver::fail(const std::string& message) { failureReporter()(message); }

// Input goes only to a window whose top-level window takes it (a modal box disables its owner).
bool Driver::isShownDisabled(HWND window) const {
    const DisplayedWindow* shown = displayed(window);
    return shown && (shown->window.style & WS_DISABLED);
}

bool Driver::acceptsInput(HWND target) const {
    const DisplayedWindow* top = displayed(target);
    while (top && top->window.parent) top = displayed(top->window.parent);
    return top && !(top->window.style & WS_DISABLED);
}

void Driver::postKey(const posix::KeyMessage& key) {
    const HWND target = posix::keyboardTarget();
    if (acceptsInput(target)) posix::postInputMessage(target, key.message, key.virtualKey, key.flags);
}

void Driver::holdKey(int virtualKey) { postKey(keys.keyDown(virtualKey)); }

void Driver::releaseKey(int virtualKey) { postKey(keys.keyUp(virtualKey)); }

void Driver::repeatKey(int virtualKey) {
    if (keys.isDown(virtualKey)) postKey(keys.keyDown(virtualKey));
}

void Driver::click(HWND control) {
    const DisplayedWindow* shown = displayed(control);
    if (!shown) return fail("click on a window that is not shown");
    if (!acceptsInput(control)) return;
    const LPARAM centre = MAKELPARAM(shown->window.width / 2, shown->window.height / 2);
    posix::postInputMessage(control, WM_LBUTTONDOWN, 1, centre);
    posix::postInputMessage(control, WM_LBUTTONUP, 0, centre);
}

void Driver::chooseMenuItem(HWND target, UINT commandId) {
    const posix::Menu* menu = menuOf(target);
    if (!menu || !menuHasCommand(menu->items, commandId))
        return fail("the window's menu has no item " + std::to_string(commandId));
    posix::chooseMenuItem(target, commandId);
}

void Driver::pressCloseBox(HWND target) {
    if (!displayed(target)) return fail("close box of a window that is not shown");
    if (!acceptsInput(target)) return;
    PostMessageA(target, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void Driver::moveMouse(HWND target) {
    if (!displayed(target)) return fail("mouse over a window that is not shown");
    posix::postInputMessage(target, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
}

void Driver::then(std::function<void()> step) { steps.push_back(std::move(step)); }

void Driver::answerMessageBox(int answer) {
    boxAnswers.push_back([answer] { return answer; });
}

void Driver::answerMessageBox(std::function<int()> answer) { boxAnswers.push_back(std::move(answer)); }

void Driver::chooseFile(const std::string& name) {
    dialogAnswers.push_back({[name] { return std::optional<std::string>(name); }, false});
}

void Driver::chooseFile(std::function<std::string()> name) {
    dialogAnswers.push_back({[name = std::move(name)] { return std::optional<std::string>(name()); }, true});
}

void Driver::cancelFileDialog() {
    dialogAnswers.push_back({[] { return std::optional<std::string>(); }, false});
}

void Driver::failNextCreation(const std::string& className) {
    posix::desktop().failNextCreationOf = className;
}

std::vector<HWND> Driver::topLevelWindows() const { return posix::desktop().topLevelOrder; }

HWND Driver::findTopLevel(const std::string& title) const {
    for (HWND candidate : posix::desktop().topLevelOrder)
        if (window(candidate).text == title) return candidate;
    return nullptr;
}

HWND Driver::findControl(HWND parent, const std::string& text) const {
    for (HWND child : window(parent).children)
        if (window(child).text == text) return child;
    return nullptr;
}

const posix::WindowRecord& Driver::window(HWND handle) const {
    static const posix::WindowRecord none;
    const posix::WindowRecord* record = posix::findWindow(handle);
    if (!record) return none;
    checkDisplayed(*record);
    return *record;
}

const posix::Menu* Driver::menuOf(HWND handle) const {
    const DisplayedWindow* shown = displayed(handle);
    return shown ? shown->window.menu : nullptr;
}

const DisplayedWindow* Driver::displayed(HWND handle) const {
    auto found = displayedWindows.find(handle);
    return found == displayedWindows.end() ? nullptr : &found->second;
}

void Driver::checkDisplayed(const posix::WindowRecord& record) const {
    const DisplayedWindow* shown = displayed(record.handle);
    if (!shown) return failureReporter()("the display was not told of the window \"" + record.text + "\"");
    const posix::NewWindow& told = shown->window;
    const std::pair<const char*, bool> agreements[] = {
        {"class", told.className == record.className},
        {"text", told.text == record.text},
        {"parent", told.parent == record.parent},
        {"place and size", told.x == record.x && told.y == record.y && told.width == record.width &&
                               told.height == record.height},
        {"style", told.style == record.style},
        {"menu", told.menu == posix::menuFromHandle(record.menu)},
        {"icons", told.icon == posix::iconFromHandle(record.icon) &&
                      told.smallIcon == posix::iconFromHandle(record.smallIcon)},
        {"bitmap", shown->bitmap == posix::bitmapFromHandle(record.image)},
    };
    for (const auto& [what, agrees] : agreements)
        if (!agrees)
            failureReporter()("the display was told another " + std::string(what) + " of the window \"" +
                              record.text + "\"");
}

void Driver::waitForInput() {
    if (answerToHandOn) {
        const std::function<void()> handOn = std::move(answerToHandOn);
        answerToHandOn = nullptr;
        handOn();
        return;
    }
    if (!steps.empty()) {
        auto step = std::move(steps.front());
        steps.pop_front();
        step();
        return;
    }
    // Nothing will ever arrive: fail, and end every loop so the test returns.
    if (!reportedIdleLoop) {
        reportedIdleLoop = true;
        fail("a message loop waits for input, but the test has no step left and no quit is pending");
    }
    PostQuitMessage(0);
}

void Driver::openMessageBox(const posix::MessageBoxRequest& request,
                            std::function<void(int)> answered) {
    ShownMessageBox shown{request.owner, request.text, request.caption, request.style,
                          isShownDisabled(request.owner), 0, playedTones.size()};
    if (boxAnswers.empty()) {
        fail("message box \"" + request.text + "\" shown with no answer ready");
        shown.answer = (request.style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    } else {
        const std::function<int()> answer = std::move(boxAnswers.front());
        boxAnswers.pop_front();
        shown.answer = answer();
    }
    shownBoxes.push_back(shown);
    answered(shown.answer);
}

void Driver::openFileDialog(const posix::FileDialogRequest& request,
                            std::function<void(std::optional<posix::ChosenName>)> chosen) {
    ShownFileDialog shown{request, isShownDisabled(request.owner), std::nullopt};
    bool whileShown = false;
    if (dialogAnswers.empty()) {
        fail("file dialog \"" + request.title + "\" shown with no answer ready");
    } else {
        const DialogAnswer answer = std::move(dialogAnswers.front());
        dialogAnswers.pop_front();
        shown.answer = answer.name();
        whileShown = answer.whileShown;
    }
    shownDialogs.push_back(shown);
    // A name is typed in the folder the dialog opened in.
    const std::optional<posix::ChosenName> name =
        shown.answer ? std::optional<posix::ChosenName>({*shown.answer, request.initialDirectory, ""}) : std::nullopt;
    if (whileShown)
        answerToHandOn = [chosen = std::move(chosen), name] { chosen(name); };
    else
        chosen(name);
}

}  // namespace headless
