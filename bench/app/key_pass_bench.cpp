// The cost of the key pass on the desktop display: the main window is built as
// the program builds it, and its loop takes a run of mouse moves, once with the
// program's twenty polled keys and once, for comparison, in a window with none.
// Reports the X requests the program sends per message and the loop's time per
// message; the difference between the two windows is the key pass.
//
// Usage, on an X display (xvfb-run gives one): key_pass_bench [MESSAGES]
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app.h"
#include "gtk/gtk_display.h"
#include "gtk/x11.h"

namespace {

using Clock = std::chrono::steady_clock;

struct PerMessage {
    double requests;
    double microseconds;
};

// Lets the window be shown and drawn, and its own messages be taken, before anything is timed.
void settle(Window& window) {
    for (int round = 0; round < 20; ++round) {
        while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
        g_usleep(10000);
    }
    PostQuitMessage(0);
    window.run();
}

PerMessage loopCost(Window& window, int messages) {
    settle(window);
    for (int index = 0; index < messages; ++index)
        PostMessageA(window.getHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(index % 100, 20));
    PostQuitMessage(0);
    const unsigned long requestsBefore = posix::requestsSentToXServer();
    const Clock::time_point start = Clock::now();
    window.run();
    const double elapsed = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    const unsigned long requests = posix::requestsSentToXServer() - requestsBefore;
    return {static_cast<double>(requests) / messages, elapsed / messages};
}

}  // namespace

int main(int argc, char** argv) {
    const int messages = argc > 1 ? std::atoi(argv[1]) : 20'000;
    std::string failure;
    std::unique_ptr<posix::GtkDisplay> display = posix::GtkDisplay::open(failure);
    if (!display || messages <= 0) {
        std::fprintf(stderr, "key_pass_bench: %s\n", display ? "MESSAGES must be positive" : failure.c_str());
        return 1;
    }
    posix::setDisplay(std::move(display));
    const HINSTANCE instance = GetModuleHandleA(nullptr);

    PerMessage withKeys, withoutKeys;
    {
        Window mainWindow(instance, IDI_PIPALO, IDI_PIPALO_SMALL, "Classname");
        mainWindow.create("Pipalo 4 - TarnWell Dev.", 305, 145, 0);
        addNoteButtons(mainWindow);
        addNoteKeys(mainWindow);
        addCommands(mainWindow);
        withKeys = loopCost(mainWindow, messages);
    }
    {
        Window plainWindow(instance, IDI_PIPALO, IDI_PIPALO_SMALL, "Plain");
        plainWindow.create("No keys", 305, 145, 0);
        addNoteButtons(plainWindow);
        withoutKeys = loopCost(plainWindow, messages);
    }
    std::printf("%d mouse moves taken by the loop\n", messages);
    std::printf("with the program's 20 polled keys: %.2f X requests, %.2f us per message\n", withKeys.requests,
                withKeys.microseconds);
    std::printf("with no polled key:                %.2f X requests, %.2f us per message\n",
                withoutKeys.requests, withoutKeys.microseconds);
    std::printf("the key pass: %.2f X requests, %.2f us per message\n", withKeys.requests - withoutKeys.requests,
                withKeys.microseconds - withoutKeys.microseconds);
    posix::setDisplay(nullptr);
    return 0;
}
