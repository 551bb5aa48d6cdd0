// The help text in its message box.
#include "app.h"

namespace {
const char* const helpText =
    "You can control this program in several ways. Although it's also possible \n"
    "to make music by pressing the buttons, most people prefer using F1 to F10 or \n"
    "Numpad 0 to 9. \n"
    "\n"
    "If you're using the keyboard, you can make the tone a lot higher by \n"
    "pressing [SHIFT] or a little bit higher by pressing [CTRL]. \n"
    "\n"
    "If you want to be discrete, you can choose File | Hide Interface. Although \n"
    "the interface isn't visible anymore, you can still use the keyboard to \n"
    "make music. To make the interface visible again, just press \"Pipalo 2\" \n"
    "in your task bar.";
}  // namespace

void showHelp(Window* window) {
    MessageBoxA(window->getHandle(), helpText, "Contents", MB_ICONINFORMATION);
}
