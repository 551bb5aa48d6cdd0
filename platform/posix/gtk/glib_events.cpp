// GLib's main context woken by FLTK's wait.
#include "gtk/glib_events.h"

#include <FL/Fl.H>

#include <poll.h>

namespace posix {

GlibEvents::GlibEvents() : context(g_main_context_default()) {
    // Another owner (a GLib loop running elsewhere) serves it already.
    owned = g_main_context_acquire(context);
    if (owned) prepare();
}

GlibEvents::~GlibEvents() {
    if (!owned) return;
    forget();
    g_main_context_check(context, priority, watched.data(), static_cast<gint>(watched.size()));
    g_main_context_release(context);
}

void GlibEvents::prepare() {
    g_main_context_prepare(context, &priority);
    gint timeout = -1;
    watched.resize(8);
    for (;;) {
        const gint needed = g_main_context_query(context, priority, &timeout, watched.data(),
                                                 static_cast<gint>(watched.size()));
        if (needed <= static_cast<gint>(watched.size())) {
            watched.resize(static_cast<std::size_t>(needed));
            break;
        }
        watched.resize(static_cast<std::size_t>(needed));
    }
    for (const GPollFD& descriptor : watched) {
        int when = 0;
        if (descriptor.events & (G_IO_IN | G_IO_HUP | G_IO_ERR)) when |= FL_READ;
        if (descriptor.events & G_IO_OUT) when |= FL_WRITE;
        if (descriptor.events & G_IO_PRI) when |= FL_EXCEPT;
        Fl::add_fd(descriptor.fd, when, ready, this);
    }
    if (timeout >= 0) Fl::add_timeout(timeout / 1000.0, timedOut, this);
}

void GlibEvents::forget() {
    for (const GPollFD& descriptor : watched) Fl::remove_fd(descriptor.fd);
    Fl::remove_timeout(timedOut, this);
}

void GlibEvents::dispatch() {
    forget();
    // What FLTK saw ready is asked again, all at once, in GLib's terms.
    std::vector<pollfd> asked;
    for (const GPollFD& descriptor : watched) asked.push_back({descriptor.fd, static_cast<short>(descriptor.events), 0});
    poll(asked.data(), asked.size(), 0);
    for (std::size_t index = 0; index < watched.size(); ++index)
        watched[index].revents = static_cast<gushort>(asked[index].revents);
    if (g_main_context_check(context, priority, watched.data(), static_cast<gint>(watched.size())))
        g_main_context_dispatch(context);
    prepare();
}

void GlibEvents::ready(int, void* self) { static_cast<GlibEvents*>(self)->dispatch(); }

void GlibEvents::timedOut(void* self) { static_cast<GlibEvents*>(self)->dispatch(); }

}  // namespace posix
