// Starting, stopping, saving and resetting a recording.
#pragma once

#include "window.h"

void startRecording(Window* window);
void stopRecording(Window* window);
void saveRecording(Window* window);
void resetRecording(Window* window);
