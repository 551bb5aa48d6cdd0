// A sketch run by its own arithmetic: a small evaluator of the C that melody sketches
// use, which plays setup() and one pass of loop() and hands back the calls that sound.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A number as the sketch computes it: C's integer or floating rules by its kind, and the
// NOTE_ name it was read from while it is only passed along, not computed with.
struct SketchValue {
    double number = 0;
    bool floating = false;
    int midiNote = -1;
};

// What the sketch's tone(), noTone() and delay() calls do, in the order it makes them.
struct SketchSounds {
    virtual ~SketchSounds() = default;
    // Where in the text the call is, for the melody's own failures.
    virtual void at(std::size_t offset) = 0;
    // tone(pin, frequency[, milliseconds]); no length is a negative one.
    virtual void tone(const SketchValue& frequency, double milliseconds) = 0;
    virtual void noTone() = 0;
    // `articulated`: the tone sounding was given a fraction of this wait as its length
    // (tone(pin, f, d * 0.9); delay(d)), so the wait is the note's own length.
    virtual void delay(double milliseconds, bool articulated) = 0;
    // True once no more sounds are wanted.
    virtual bool full() const = 0;
};

struct SketchRun {
    bool ran = false;     // setup() and loop() were played to their end
    std::string failure;  // else why not: "line 3, column 7: ..." naming the construct
};

// The MIDI note of "NOTE_C4" or "NOTE_CS4", pitches.h's names; -1 for another text.
int namedNote(std::string_view name);

// Plays the sketch's setup() and then loop() once, into `sounds`. A sketch without
// either, or one using C beyond the evaluator's, is not run; the work is bounded.
SketchRun runSketch(std::string_view code, SketchSounds& sounds);
