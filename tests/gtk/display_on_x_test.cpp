// The desktop display on a real X server (ctest runs this under xvfb-run).
// Google Test first: X's headers define names such as None and Bool as macros.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <set>
#include <string>

#include "gtk/gtk_display.h"
#include "gtk/x11.h"

namespace {

// One display for the whole run, as the program has.
void openDisplay() {
    static bool opened = false;
    if (opened) return;
    std::string failure;
    std::unique_ptr<posix::GtkDisplay> display = posix::GtkDisplay::open(failure);
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
    ::Display* server = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    XTestFakeKeyEvent(server, XKeysymToKeycode(server, key), down ? True : False, 0);
    XSync(server, False);
}

TEST(GtkDisplayOnX, KeysAreReadOnceAfterEachMessageAndAnswerAsTheServerHasThem) {
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

// The texts of the buttons shown within the widget, as a screen reader would name them.
void collectButtons(GtkWidget* widget, std::set<std::string>& shown) {
    if (!gtk_widget_get_visible(widget)) return;
    if (GTK_IS_BUTTON(widget)) shown.insert(gtk_button_get_label(GTK_BUTTON(widget)));
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* child = children; child; child = child->next) collectButtons(GTK_WIDGET(child->data), shown);
        g_list_free(children);
    }
}

TEST(GtkDisplayOnX, ControlsMadeDuringWmCreateAreShownLikeLaterOnes) {
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

    auto& shown = static_cast<posix::GtkDisplay&>(posix::display());
    GtkWindow* gtkWindow = shown.gtkWindowOf(window);
    ASSERT_TRUE(gtkWindow);
    EXPECT_EQ(shown.gtkWindowOf(madeInCreate), gtkWindow);
    std::set<std::string> buttons;
    collectButtons(GTK_WIDGET(gtkWindow), buttons);
    EXPECT_EQ(buttons, (std::set<std::string>{"Early", "Late"}));

    DestroyWindow(window);
}

}  // namespace
