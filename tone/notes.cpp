// The note table, and playing a note from a button or a key with its modifiers.
#include "notes.h"

#include <array>

#include "tune_text.h"

bool isRecording = false;
std::string recordingBuffer;

namespace {

constexpr DWORD noteMilliseconds = 230;

// In NoteId order. Fixed values: no one formula gives them all, and each has three digits,
// which the records of a tune file rely on.
constexpr std::array<unsigned, 24> frequencies = {
    263, 278, 295, 313, 331, 351, 372, 394, 417, 442, 468, 496,
    526, 557, 590, 625, 662, 702, 743, 788, 834, 884, 937, 992,
};

// The sharp is the next row of the table, the upper octave twelve rows on.
constexpr int sharpStep = 1;
constexpr int octaveStep = 12;

NoteId stepped(NoteId natural, int rows) {
    return static_cast<NoteId>(static_cast<int>(natural) + rows);
}

// The key state is asked afresh at each test: Ctrl first, and Shift along with it only
// while Ctrl is down, then Shift alone.
void pressWhiteKeyWithSharp(Window* window, NoteId natural) {
    if (window->isKeyDown(sharpModifierKey) && window->isKeyDown(octaveModifierKey))
        playNote(stepped(natural, octaveStep + sharpStep));
    else if (window->isKeyDown(sharpModifierKey))
        playNote(stepped(natural, sharpStep));
    else if (window->isKeyDown(octaveModifierKey))
        playNote(stepped(natural, octaveStep));
    else
        playNote(natural);
}

// Mi and Si have no sharp, so Ctrl is never asked.
void pressWhiteKeyWithoutSharp(Window* window, NoteId natural) {
    playNote(window->isKeyDown(octaveModifierKey) ? stepped(natural, octaveStep) : natural);
}

}  // namespace

unsigned noteFrequency(NoteId note) { return frequencies[static_cast<std::size_t>(note)]; }

void playNote(NoteId note) {
    const unsigned frequency = noteFrequency(note);
    Beep(frequency, noteMilliseconds);
    if (!isRecording) return;
    recordingBuffer += tuneRecord(frequency, noteMilliseconds);
}

void pressDo(Window* window) { pressWhiteKeyWithSharp(window, NoteId::Do4); }
void pressRe(Window* window) { pressWhiteKeyWithSharp(window, NoteId::Re4); }
void pressMi(Window* window) { pressWhiteKeyWithoutSharp(window, NoteId::Mi4); }
void pressFa(Window* window) { pressWhiteKeyWithSharp(window, NoteId::Fa4); }
void pressSol(Window* window) { pressWhiteKeyWithSharp(window, NoteId::Sol4); }
void pressLa(Window* window) { pressWhiteKeyWithSharp(window, NoteId::La4); }
void pressSi(Window* window) { pressWhiteKeyWithoutSharp(window, NoteId::Si4); }
