// The 24 notes Pipalo plays, Do4 to Si5, and the entries that choose one from
// a white key and the modifier keys held.
#pragma once

#include <string>

#include "window.h"

enum class NoteId {
    Do4, DoSharp4, Re4, ReSharp4, Mi4, Fa4, FaSharp4, Sol4, SolSharp4, La4, LaSharp4, Si4,
    Do5, DoSharp5, Re5, ReSharp5, Mi5, Fa5, FaSharp5, Sol5, SolSharp5, La5, LaSharp5, Si5,
};

constexpr int sharpModifierKey = VK_CONTROL;
constexpr int octaveModifierKey = VK_SHIFT;

// The recording state: set while a recording runs, and every note recorded since the
// program started or since the last reset.
extern bool isRecording;
extern std::string recordingBuffer;

// The note's frequency in hertz, from the fixed table.
unsigned noteFrequency(NoteId note);

// Plays the note and, while recording, appends its record to the buffer.
void playNote(NoteId note);

// A Callback that plays one fixed note, whatever modifiers are held.
template <NoteId note>
void noteHandler(Window*) {
    playNote(note);
}

void pressDo(Window* window);
void pressRe(Window* window);
void pressMi(Window* window);
void pressFa(Window* window);
void pressSol(Window* window);
void pressLa(Window* window);
void pressSi(Window* window);
