// Starting, stopping, saving and resetting a recording.
#pragma once

#include "window.h"

void startRecording(Window* window);
void stopRecording(Window* window);
// False only when the tune could not be written; the recording then goes on as it was.
bool saveRecording(Window* window);
void resetRecording(Window* window);
