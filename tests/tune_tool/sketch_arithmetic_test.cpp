// The sketch evaluator on its own: C's arithmetic as a board does it, the statements
// melody sketches use, and the places it names where it stops.
#include "sketch_arithmetic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The calls as text: "tone 440 100", "tone note 60 -1", "delay 250", "noTone".
struct Calls : SketchSounds {
    void at(std::size_t) override {}
    void tone(const SketchValue& frequency, double milliseconds) override {
        made.push_back("tone " + (frequency.midiNote >= 0 ? "note " + std::to_string(frequency.midiNote)
                                                            : std::to_string(static_cast<long>(frequency.number))) +
                       " " + std::to_string(static_cast<long>(milliseconds)));
    }
    void noTone() override { made.push_back("noTone"); }
    void delay(double milliseconds, bool articulated) override {
        made.push_back("delay " + std::to_string(static_cast<long>(milliseconds)) + (articulated ? " whole" : ""));
    }
    bool full() const override { return made.size() >= 1000; }
    std::vector<std::string> made;
};

std::vector<std::string> played(const std::string& sketch) {
    Calls calls;
    const SketchRun run = runSketch(sketch, calls);
    EXPECT_TRUE(run.ran) << run.failure;
    return calls.made;
}

std::string failure(const std::string& sketch) {
    Calls calls;
    const SketchRun run = runSketch(sketch, calls);
    EXPECT_FALSE(run.ran);
    return run.failure;
}

TEST(SketchArithmetic, IntegersTruncateFloatingOperandsFloatAndStoringConverts) {
    EXPECT_EQ(played("float f = 7 / 2; int i = 7 / 2.0 * 3; long big = 60000L * 4 / 7;\n"
                     "void setup() { delay(f * 10); delay(i); delay(big); delay(-7 / 2 * -1); delay(-7 % 3 + 5);\n"
                     "  delay((int)2.9 * 10); delay(int(2.9) + float(1) / 4 * 4); delay(0x10 + 010); }"),
              (std::vector<std::string>{"delay 30", "delay 10", "delay 34285", "delay 3", "delay 4", "delay 20",
                                        "delay 3", "delay 24"}));
}

TEST(SketchArithmetic, DefinesArraysSizeofAndFlashMemory) {
    EXPECT_EQ(played("#define TEMPO 120\n#define WHOLE (60000 * 4 / TEMPO)\n"
                     "const int melody[] PROGMEM = {NOTE_A4, 8, 523, -4};\nbyte small[] = {1, 2, 3};\n"
                     "void setup() {\n  delay(sizeof(melody) / sizeof(melody[0]) + sizeof small + sizeof(long));\n"
                     "  tone(8, pgm_read_word(&melody[0]), WHOLE / pgm_read_word(melody + 1));\n"
                     "  tone(8, melody[2] + 0, WHOLE / abs(melody[3]) * 1.5);\n}\n"),
              (std::vector<std::string>{"delay 11", "tone note 69 250", "tone 523 750"}));
}

TEST(SketchArithmetic, LoopsConditionsFunctionsAndTheArticulatedWait) {
    EXPECT_EQ(played("int twice(int n) { return n * 2; }\n"
                     "void play(int f, int d) { tone(9, f, d * 0.9); delay(d); noTone(9); }\n"
                     "void setup() {\n  for (int i = 0; i < 10; i++) {\n    if (i == 1) continue;\n"
                     "    else if (i > 2) break;\n    play(100 + i, twice(i + 1) * 50);\n  }\n"
                     "  int k = 3;\n  while (k-- > 1) delay(k);\n  do { k += 5; } while (k < 12);\n"
                     "  delay(k > 10 && k != 0 ? k : -1);\n}\n"
                     "void loop() { delay(7); while (true); delay(8); }\n"),
              (std::vector<std::string>{"tone 100 90", "delay 100 whole", "noTone", "tone 102 270", "delay 300 whole",
                                        "noTone", "delay 2", "delay 1", "delay 15", "delay 7"}));
}

TEST(SketchArithmetic, WhatItDoesNotReadIsNamedWithItsPlace) {
    EXPECT_EQ(failure("int melody[] = {1};"), "line 1, column 1: no setup() or loop() to play");
    EXPECT_EQ(failure("int zero = 0;\nvoid setup() {\n  delay(10 / zero);\n}"),
              "line 3, column 12: a division by zero");
    EXPECT_EQ(failure("int notes[] = {1, 2};\nvoid setup() { delay(notes[2]); }"),
              "line 2, column 22: notes[2] is outside its 2 values");
    EXPECT_EQ(failure("void setup() {\n  switch (1) {}\n}"), "line 2, column 3: switch is not read");
    EXPECT_EQ(failure("void setup() { delay(millis()); }"), "line 1, column 22: millis(), which is not read");
    EXPECT_EQ(failure("void setup() { delay(4503599627370496 * 4); }"),
              "line 1, column 39: a number beyond the sketch's own");
    EXPECT_EQ(failure("int notes[] = {1};\nvoid setup() { delay(notes[99999999999999999999]); }"),
              "line 2, column 28: a number beyond the sketch's own");
}

TEST(SketchArithmetic, EndlessWorkDeepNestingAndRecursionStop) {
    EXPECT_NE(failure("long x;\nvoid setup() { while (x >= 0) { x = x + 1; } }").find("runs on past"),
              std::string::npos);
    EXPECT_NE(failure("void setup() { delay(" + std::string(100000, '(') + "1" + std::string(100000, ')') + "); }")
                  .find("nested deeper"),
              std::string::npos);
    EXPECT_NE(failure("int f(int n) { return f(n) + f(n); }\nvoid setup() { delay(f(1)); }").find("deeper"),
              std::string::npos);
    EXPECT_NE(failure("#define A B + B\n#define B A + A\nvoid setup() { delay(A); }").find("deeper"),
              std::string::npos);
}

}  // namespace
