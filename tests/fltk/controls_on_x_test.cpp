// The desktop display on a real X server (ctest runs this under xvfb-run).
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "fltk/control_widgets.h"
#include "fltk/fltk_display.h"

namespace {

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
    std::string failure;
    std::unique_ptr<posix::FltkDisplay> display = posix::FltkDisplay::open(failure);
    ASSERT_TRUE(display) << failure;
    posix::setDisplay(std::move(display));

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
    posix::setDisplay(nullptr);
}

}  // namespace
