// FLTK's input events as the messages that Windows posts for them, so that
// the key pass of the program's message loop follows every one.
#pragma once

#include "internal.h"

#include "key_messages.h"

namespace posix {

// Posts the keyboard message of the FL_KEYDOWN or FL_KEYUP event being handled,
// to the window with the keyboard focus when it lies in `topLevel`, else to `topLevel`.
void postKeyEvent(HWND topLevel, KeyTransitions& transitions, bool down);

// Posts a mouse message to `target`, at a point in its client coordinates,
// with the buttons and modifiers of the event being handled.
void postMouseMessage(HWND target, UINT message, int x, int y);

}  // namespace posix
