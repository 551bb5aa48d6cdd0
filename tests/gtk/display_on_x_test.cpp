// The desktop display on a real X server (ctest runs this under xvfb-run).
// Google Test first: X's headers define names such as None and Bool as macros.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

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

// What a screen reader names the widget.
std::string spokenName(GtkWidget* widget) {
    const char* name = atk_object_get_name(gtk_widget_get_accessible(widget));
    return name ? name : "";
}

// The buttons shown within the widget, as a screen reader names them.
void collectButtons(GtkWidget* widget, std::set<std::string>& shown) {
    if (!gtk_widget_get_visible(widget)) return;
    if (GTK_IS_BUTTON(widget)) shown.insert(spokenName(widget));
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
    const HWND madeLater = CreateWindowExA(0, "Button", "&Late", WS_CHILD | WS_VISIBLE, 80, 10, 60, 25, window,
                                           reinterpret_cast<HMENU>(2), GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(madeLater);

    auto& shown = static_cast<posix::GtkDisplay&>(posix::display());
    GtkWindow* gtkWindow = shown.gtkWindowOf(window);
    ASSERT_TRUE(gtkWindow);
    EXPECT_EQ(shown.gtkWindowOf(madeInCreate), gtkWindow);
    std::set<std::string> buttons;
    collectButtons(GTK_WIDGET(gtkWindow), buttons);
    EXPECT_EQ(buttons, (std::set<std::string>{"Early", "Late"})) << "named by their text, the '&' not read";

    DestroyWindow(window);
}

// The shown top-level window of that type, or null.
GtkWindow* shownWindowOfType(GType type) {
    GList* windows = gtk_window_list_toplevels();
    GtkWindow* found = nullptr;
    for (GList* window = windows; window; window = window->next)
        if (G_TYPE_CHECK_INSTANCE_TYPE(window->data, type) && gtk_widget_get_visible(GTK_WIDGET(window->data)))
            found = GTK_WINDOW(window->data);
    g_list_free(windows);
    return found;
}

GtkWindow* messageDialogShown() { return shownWindowOfType(GTK_TYPE_MESSAGE_DIALOG); }

// Waits in the display until `answered` holds, or gives up after a while.
template <typename Answer>
void waitForTheAnswer(std::optional<Answer>& answered) {
    for (int round = 0; round < 1000 && !answered; ++round) {
        // Something for the wait to take, so that it returns.
        g_idle_add([](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
        posix::display().waitForInput();
    }
}

// Tab, Space and Enter keep the meaning the subset gives them; GTK only shows where the focus is.
TEST(GtkDisplayOnX, FocusIsShownWhereTheSubsetPutsIt) {
    openDisplay();
    const HWND window = CreateWindowExA(0, "MakesAButton", "Focus", WS_CAPTION | WS_VISIBLE, 0, 0, 200, 120,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window);
    auto& shown = static_cast<posix::GtkDisplay&>(posix::display());
    GtkWindow* gtkWindow = shown.gtkWindowOf(window);
    ASSERT_TRUE(gtkWindow);

    SetFocus(madeInCreate);
    GtkWidget* focused = gtk_window_get_focus(gtkWindow);
    ASSERT_TRUE(focused && GTK_IS_BUTTON(focused));
    EXPECT_EQ(spokenName(focused), "Early");
    SetFocus(window);
    EXPECT_EQ(gtk_window_get_focus(gtkWindow), nullptr);

    DestroyWindow(window);
}

// A box is a dialog of its owner, its text as given, its default button focused, and its
// answer handed on from the display's wait.
TEST(GtkDisplayOnX, MessageBoxIsADialogOfItsOwner) {
    openDisplay();
    const HWND window = CreateWindowExA(0, "MakesAButton", "Owner", WS_CAPTION | WS_VISIBLE, 0, 0, 200, 120,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window);
    auto& shown = static_cast<posix::GtkDisplay&>(posix::display());
    const std::string text = "Rock & Roll_1.TPZ already exists.\nReplace it?";
    std::optional<int> answer;
    shown.openMessageBox({window, text, "Save", MB_YESNO | MB_ICONWARNING}, [&](int given) { answer = given; });

    GtkWindow* box = messageDialogShown();
    ASSERT_TRUE(box);
    EXPECT_EQ(gtk_window_get_transient_for(box), shown.gtkWindowOf(window));
    EXPECT_STREQ(gtk_window_get_title(box), "Save");
    gchar* shownText = nullptr;
    gboolean markup = TRUE;
    g_object_get(box, "text", &shownText, "use-markup", &markup, nullptr);
    EXPECT_EQ(std::string(shownText ? shownText : ""), text);
    EXPECT_FALSE(markup);
    g_free(shownText);
    GtkWidget* focused = gtk_window_get_focus(box);
    ASSERT_TRUE(focused);
    EXPECT_EQ(spokenName(focused), "Yes");

    gtk_dialog_response(GTK_DIALOG(box), IDNO);
    waitForTheAnswer(answer);
    EXPECT_EQ(answer, IDNO);
    EXPECT_FALSE(messageDialogShown());

    DestroyWindow(window);
}

// Closed by its close box, GTK's chooser answers "cancelled", and GTK has nothing to complain of.
TEST(GtkDisplayOnX, ClosingGtksChooserCancelsItQuietly) {
    openDisplay();
    // Before the first dialog, which fixes the choice for the run.
    setenv("PIPALO_FILE_CHOOSER", "gtk", 1);
    int complaints = 0;
    const guint handler = g_log_set_handler(
        "Gtk", G_LOG_LEVEL_CRITICAL, [](const gchar*, GLogLevelFlags, const gchar*, gpointer count) {
            ++*static_cast<int*>(count);
        }, &complaints);
    posix::FileDialogRequest request;
    request.save = true;
    request.title = "Save As";
    request.initialDirectory = "/";
    std::optional<std::optional<posix::ChosenName>> answer;
    posix::display().openFileDialog(request, [&](std::optional<posix::ChosenName> name) { answer = name; });
    GtkWindow* chooser = shownWindowOfType(GTK_TYPE_FILE_CHOOSER_DIALOG);
    ASSERT_TRUE(chooser);

    gtk_window_close(chooser);
    waitForTheAnswer(answer);
    ASSERT_TRUE(answer.has_value());
    EXPECT_FALSE(answer->has_value());
    EXPECT_FALSE(shownWindowOfType(GTK_TYPE_FILE_CHOOSER_DIALOG));
    EXPECT_EQ(complaints, 0);
    g_log_remove_handler("Gtk", handler);
}

std::vector<WPARAM> commands;  // of the windows of CommandRecorder

LRESULT CALLBACK recordsCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) commands.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND windowWithAMenu(const char* title) {
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = recordsCommands;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "CommandRecorder";
        return RegisterClassExA(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    const HWND window = CreateWindowExA(0, "CommandRecorder", title, WS_CAPTION | WS_VISIBLE, 0, 0, 200, 120,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    const HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_STRING, 100, "&Go");
    SetMenu(window, menu);
    return window;
}

// Takes and dispatches every message posted so far.
void dispatchWhatIsPosted() {
    PostMessageA(nullptr, WM_USER + 7, 0, 0);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) && message.message != WM_USER + 7) DispatchMessageA(&message);
}

GtkWidget* firstOfType(GtkWidget* widget, GType type) {
    if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) return widget;
    GtkWidget* found = nullptr;
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* child = children; child && !found; child = child->next)
            found = firstOfType(GTK_WIDGET(child->data), type);
        g_list_free(children);
    }
    return found;
}

struct MenuWhileBoxed {
    GtkWidget* item;
    std::optional<bool> sensitive;  // as the box showed it
};

// Inside the box's loop: the menu item is tried, as a click on it would, and the box answered.
gboolean tryTheMenuAndAnswer(gpointer data) {
    auto& tried = *static_cast<MenuWhileBoxed*>(data);
    GtkWindow* box = messageDialogShown();
    if (!box) return G_SOURCE_CONTINUE;
    tried.sensitive = gtk_widget_is_sensitive(tried.item);
    gtk_menu_item_activate(GTK_MENU_ITEM(tried.item));
    gtk_dialog_response(GTK_DIALOG(box), IDOK);
    return G_SOURCE_REMOVE;
}

// While a box holds its owner, the owner's menu bar is greyed out and its items post nothing.
TEST(GtkDisplayOnX, MenuOfAWindowABoxHoldsIsGreyedAndChoosesNothing) {
    openDisplay();
    const HWND window = windowWithAMenu("Menu");
    auto& shown = static_cast<posix::GtkDisplay&>(posix::display());
    GtkWidget* bar = firstOfType(GTK_WIDGET(shown.gtkWindowOf(window)), GTK_TYPE_MENU_BAR);
    ASSERT_TRUE(bar);
    MenuWhileBoxed tried{firstOfType(bar, GTK_TYPE_MENU_ITEM), std::nullopt};
    ASSERT_TRUE(tried.item);
    commands.clear();

    const guint trying = g_timeout_add(20, tryTheMenuAndAnswer, &tried);
    EXPECT_EQ(MessageBoxA(window, "Busy", "Busy", MB_OK), IDOK);
    if (!tried.sensitive) g_source_remove(trying);
    EXPECT_EQ(tried.sensitive, false);
    dispatchWhatIsPosted();
    EXPECT_TRUE(commands.empty());

    EXPECT_TRUE(gtk_widget_is_sensitive(tried.item));
    gtk_menu_item_activate(GTK_MENU_ITEM(tried.item));
    dispatchWhatIsPosted();
    EXPECT_EQ(commands, (std::vector<WPARAM>{MAKEWPARAM(100, 0)}));
    DestroyWindow(window);
}

// A box whose owner the program destroys meanwhile ends with it, answering 0, as on Windows.
TEST(GtkDisplayOnX, BoxEndsWithItsOwner) {
    openDisplay();
    const HWND window = windowWithAMenu("Owner gone");
    bool gaveUp = false;
    const guint watchdog = g_timeout_add(20000, [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        PostQuitMessage(0);
        return G_SOURCE_REMOVE;
    }, &gaveUp);
    PostMessageA(window, WM_CLOSE, 0, 0);  // taken by the box's loop, it destroys the owner
    EXPECT_EQ(MessageBoxA(window, "Owned", "Owned", MB_YESNO), 0);
    EXPECT_FALSE(gaveUp) << "the box outlived its owner";
    if (!gaveUp) g_source_remove(watchdog);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(messageDialogShown());
    dispatchWhatIsPosted();
}

// Whether another client holds a grab of the key on the root window: ours is then refused.
bool grabbedByAnotherClient(KeySym key) {
    static bool refused = false;
    ::Display* other = XOpenDisplay(nullptr);
    if (!other) return false;
    refused = false;
    XErrorHandler previous = XSetErrorHandler([](::Display*, XErrorEvent* error) {
        if (error->error_code == BadAccess) refused = true;
        return 0;
    });
    const int keycode = XKeysymToKeycode(other, key);
    XGrabKey(other, keycode, 0, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    XSetErrorHandler(previous);
    XCloseDisplay(other);
    return refused;
}

// Serves every event the X server has for the display by now.
void serve() {
    XSync(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()), False);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

// Serves the display's events until the condition holds, for some 20 s at most.
template <typename Condition>
bool serveUntil(Condition holds) {
    for (int round = 0; round < 2000; ++round) {
        serve();
        if (holds()) return true;
        g_usleep(10000);
    }
    return false;
}

// Whether a box for the owner is a dialog of the owner's window.
bool boxStandsOver(HWND owner) {
    auto& shown = static_cast<posix::GtkDisplay&>(posix::display());
    std::optional<int> answer;
    shown.openMessageBox({owner, "Where?", "Where?", MB_OK}, [&](int given) { answer = given; });
    GtkWindow* box = messageDialogShown();
    const bool over = box && gtk_window_get_transient_for(box) && gtk_window_get_transient_for(box) == shown.gtkWindowOf(owner);
    if (box) gtk_dialog_response(GTK_DIALOG(box), IDOK);
    waitForTheAnswer(answer);
    return over;
}

// Minimised is what the window manager says: with none to iconify the window (a bare X
// server, as a tiling one may do), it stays shown and keeps its keys to itself; once the
// window manager's unmapping says it is iconified, the keys it polls are grabbed. Its boxes
// stand over it in either state.
TEST(GtkDisplayOnX, MinimisedIsWhatTheWindowManagerSays) {
    openDisplay();
    const HWND window = windowWithAMenu("Minimised");
    auto& shown = static_cast<posix::GtkDisplay&>(posix::display());
    ASSERT_TRUE(serveUntil([&] { return gtk_widget_get_mapped(GTK_WIDGET(shown.gtkWindowOf(window))); }));
    GetAsyncKeyState(VK_F6);  // a key the program polls
    ShowWindow(window, SW_SHOWMINIMIZED);
    serve();
    EXPECT_FALSE(grabbedByAnotherClient(XK_F6));
    EXPECT_TRUE(boxStandsOver(window));

    // As a window manager iconifies a window.
    ::Display* other = XOpenDisplay(nullptr);
    ASSERT_TRUE(other);
    const unsigned long xWindow = posix::xWindowOf(GTK_WIDGET(shown.gtkWindowOf(window)));
    XUnmapWindow(other, xWindow);
    XSync(other, False);
    EXPECT_TRUE(serveUntil([] { return grabbedByAnotherClient(XK_F6); }));
    EXPECT_TRUE(boxStandsOver(window));
    XMapWindow(other, xWindow);
    XSync(other, False);
    EXPECT_TRUE(serveUntil([] { return !grabbedByAnotherClient(XK_F6); }));
    XCloseDisplay(other);
    DestroyWindow(window);
    dispatchWhatIsPosted();
}

}  // namespace
