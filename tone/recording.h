// Starting, stopping, saving and resetting a recording.
#pragma once

#include "window.h"

void startRecording(Window* window);
void stopRecording(Window* window);
// False when the tune could not be written, or when the dialog was left after a No to
// replacing a file; the recording then goes on as it was.
bool saveRecording(Window* window);
void resetRecording(Window* window);
