// Playing a tune file chosen in the Open dialog.
#pragma once

#include <string>

#include "window.h"

void playTuneFile(Window* window);
// Plays the tune file at the path as Play does once its dialog has named it.
void playTuneFileAt(const std::string& path);
// Plays the records of a tune text, one after another, and returns after the last tone.
void playTuneText(const char* text);
