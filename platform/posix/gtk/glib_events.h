// GLib's main context served from FLTK's wait, for the choosers that GTK and D-Bus
// bring: while one lives, GLib's descriptors and timeouts wake Fl::wait like FLTK's own.
#pragma once

#include "internal.h"

#include <glib.h>

#include <vector>

namespace posix {

class GlibEvents {
public:
    GlibEvents();
    ~GlibEvents();
    GlibEvents(const GlibEvents&) = delete;
    GlibEvents& operator=(const GlibEvents&) = delete;

private:
    static void ready(int descriptor, void* self);
    static void timedOut(void* self);
    // GLib's own order: prepare and query, then wait in FLTK, then check and dispatch.
    void prepare();
    void dispatch();
    void forget();

    GMainContext* context;
    bool owned = false;
    gint priority = 0;
    std::vector<GPollFD> watched;
};

}  // namespace posix
