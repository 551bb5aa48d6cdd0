// b, exported from a Pipalo tune: a piezo on pin 8 plays it once.
#include <avr/pgmspace.h>

const int speakerPin = 8;

// Hertz and milliseconds of each tone, kept in flash memory.
const unsigned int melody[] PROGMEM = {
    440, 494, 494, 440,
};
const unsigned int durations[] PROGMEM = {
    200, 200, 200, 200,
};
const unsigned int toneCount = sizeof melody / sizeof melody[0];

unsigned int nextTone = 0;
unsigned long toneStarted = 0;
unsigned long toneLength = 0;

void setup() {
}

// Starts the next tone once the last one has had its time, and returns at once:
// the rest of loop() goes on while the melody plays.
void playMelody() {
    if (nextTone >= toneCount || millis() - toneStarted < toneLength) return;
    const unsigned int frequency = pgm_read_word(&melody[nextTone]);
    toneLength = pgm_read_word(&durations[nextTone]);
    toneStarted = millis();
    tone(speakerPin, frequency, toneLength);
    ++nextTone;
}

void loop() {
    playMelody();
}
