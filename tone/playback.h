// Playing a tune file chosen in the Open dialog.
#pragma once

#include "window.h"

void playTuneFile(Window* window);
// Plays the records of a tune text, one after another, and returns after the last tone.
void playTuneText(const char* text);
