// The desktop display on a real X server (ctest runs this under xvfb-run).
// Google Test first: X's headers define names such as None and Bool as macros.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/extensions/XTest.h>

#include <set>
#include <string>

#include "fltk/control_widgets.h"
#include "fltk/fltk_display.h"
#include "fltk/x_connection.h"

namespace {

// One display for the whole run, as the program has.
void openDisplay() {
    static bool opened = false;
    if (opened) return;
    std::string failure;
    std::unique_ptr<posix::FltkDisplay> display = posix::FltkDisplay::open(failure);
    ASSERT_TRUE(display) << failure;
    posix::setDisplay(std::move(display));
    opened = true;
}

bool isDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

void takeAMessage() {
    PostMessageA(nullptr, WM_USER, 0, 0);
    MSG message;
    GetMessageA(&message, nullptr, 0, 0);
}

void pressOnTheServer(KeySym key, bool down) {
    XTestFakeKeyEvent(fl_display, XKeysymToKeycode(fl_display, key), down ? True : False, 0);
    XSync(fl_display, False);
}

TEST(FltkDisplayOnX, KeysAreReadOnceAfterEachMessageAndAnswerAsTheServerHasThem) {
    openDisplay();
    takeAMessage();
    EXPECT_FALSE(isDown(VK_F5));
    pressOnTheServer(XK_F5, true);
    EXPECT_FALSE(isDown(VK_F5)) << "answered from the reading made after the message";
    takeAMessage();
    const unsigned long requestsBefore = posix::requestsSentToXServer();
    EXPECT_TRUE(isDown(VK_F5));
    for (int key = VK_F1; key <= VK_F9; ++key) EXPECT_EQ(isDown(key), key == VK_F5);
    EXPECT_FALSE(isDown(VK_CONTROL));
    EXPECT_EQ(posix::requestsSentToXServer() - requestsBefore, 1u);
    pressOnTheServer(XK_F5, false);
    takeAMessage();
    EXPECT_FALSE(isDown(VK_F5));
}

HWND madeInCreate = nullptr;

LRESULT CALLBACK makesAButtonWhenCreated(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE)
        madeInCreate = CreateWindowExA(0, "Button", "Early", WS_CHILD | WS_VISIBLE, 10, 10, 60, 25, window,
                                       reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr);
    return DefWindowProcA(window, message, wParam, lParam);
}

std::set<HWND> controlsShownIn(Fl_Window& window) {
    std::set<HWND> shown;
    for (int index = 0; index < window.children(); ++index)
        if (auto* control = dynamic_cast<posix::ControlWidget*>(window.child(index)); control && control->visible())
            shown.insert(control->control());
    return shown;
}

TEST(FltkDisplayOnX, ControlsMadeDuringWmCreateAreShownLikeLaterOnes) {
    openDisplay();

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = makesAButtonWhenCreated;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "MakesAButton";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    const HWND window = CreateWindowExA(0, "MakesAButton", "Controls", WS_CAPTION | WS_VISIBLE, 0, 0,
                                        200, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window);
    ASSERT_TRUE(madeInCreate);
    const HWND madeLater = CreateWindowExA(0, "Button", "Late", WS_CHILD | WS_VISIBLE, 80, 10, 60, 25, window,
                                           reinterpret_cast<HMENU>(2), GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(madeLater);

    Fl_Window* shown = Fl::first_window();
    ASSERT_TRUE(shown);
    EXPECT_EQ(controlsShownIn(*shown), (std::set<HWND>{madeInCreate, madeLater}));

    DestroyWindow(window);
}

}  // namespace
