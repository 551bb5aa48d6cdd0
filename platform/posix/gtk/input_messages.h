// GDK's input events as the messages that Windows posts for them, so that the key pass
// of the program's message loop follows every one.
#pragma once

#include "internal.h"

#include <gtk/gtk.h>

#include "key_messages.h"

namespace posix {

// Posts the keyboard message of a key event, to the window with the keyboard focus when it
// lies in `topLevel`, else to `topLevel`.
void postKeyEvent(HWND topLevel, KeyTransitions& transitions, const GdkEventKey& event);

// Posts a mouse message to `target`, at a point in its client coordinates, with the
// buttons and modifiers of `state`.
void postMouseMessage(HWND target, UINT message, int x, int y, guint state);

}  // namespace posix
