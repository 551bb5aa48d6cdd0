// A tune drawn as a piano roll: time across, pitch up, the notes' names on the side and
// the length in seconds along the bottom; a square PNG or SVG picture.
#pragma once

#include <string>
#include <vector>

#include "tune_text.h"

// Writes the picture, `size` pixels wide and high: SVG where the path ends in ".svg" (in
// any case), else PNG; to standard output for "-". What one picture may hold is bounded.
// Returns the reason it could not be written, else empty text.
std::string writeTunePicture(const std::vector<TuneRecord>& records, int size, const std::string& path);
