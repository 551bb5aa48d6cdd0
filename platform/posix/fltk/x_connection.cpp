// The connection to the X server.
#include "fltk/x_connection.h"

#include <FL/x.H>

#include <cstdlib>

namespace posix {

bool connectToXServer(std::string& failure) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        failure = "no display to show the window on (DISPLAY is not set)";
        return false;
    }
    // FLTK would end the process with a message of its own; opening it here lets us say why.
    ::Display* connection = XOpenDisplay(nullptr);
    if (!connection) {
        failure = std::string("cannot open the display \"") + name + "\"";
        return false;
    }
    fl_open_display(connection);
    return true;
}

unsigned long requestsSentToXServer() { return XNextRequest(fl_display) - 1; }

}  // namespace posix
