// The About window: picture, text and status line in its own message loop; and ending the program.
#include "app.h"

const std::string versionText = "2";

namespace {

const std::string webAddress = "www.tarnwell.example";
const std::string thankedName = "Jan Klankmaker";

// The About window while it is open: a second one cannot be made, its class is taken.
Window* openAboutWindow = nullptr;

}  // namespace

void exitProgram(Window* window) { window->quit(); }

void showAbout(Window* window) {
    if (openAboutWindow) {
        ShowWindow(openAboutWindow->getHandle(), SW_RESTORE);
        SetForegroundWindow(openAboutWindow->getHandle());
        return;
    }
    Window about(window->getInstance(), IDI_PIPALO, IDI_PIPALO_SMALL, "About");
    openAboutWindow = &about;
    about.create("About...", 320, 210, 0);
    about.addLabel("", 0, 0, 0, 0);
    about.setLabelBitmap(0, IDB_ABOUT);
    about.addLabel("This program was downloaded from " + webAddress +
                       ", look there for much more free programs!\n\nSpecial thanks go to " +
                       thankedName + ".",
                   5, 75, 300, 100);
    about.addStatusLine("Pipalo " + versionText + " - " + webAddress);
    about.addMessageHandler(WM_CLOSE, exitProgram);
    about.run();
    openAboutWindow = nullptr;
    // Closing the About window destroys it before its loop ends; a quit that finds it
    // still open, or the main window gone, was meant for the whole program.
    if (IsWindow(about.getHandle()) || !IsWindow(window->getHandle())) window->quit();
}
