// A tune as an Arduino sketch that plays it from flash memory without blocking.
#include "arduino_export.h"

namespace {

constexpr std::size_t valuesPerLine = 12;

std::string valueList(const std::vector<TuneRecord>& records, DWORD TuneRecord::*field) {
    std::string list;
    for (std::size_t index = 0; index < records.size(); ++index) {
        list += index % valuesPerLine == 0 ? "\n    " : " ";
        list += std::to_string(records[index].*field) + ",";
    }
    return list + "\n";
}

}  // namespace

std::string arduinoExport(const std::vector<TuneRecord>& records, const std::string& name) {
    return "// " + name + ", exported from a Pipalo tune: a piezo on pin 8 plays it once.\n"
           "#include <avr/pgmspace.h>\n"
           "\n"
           "const int speakerPin = 8;\n"
           "\n"
           "// Hertz and milliseconds of each tone, kept in flash memory.\n"
           "const unsigned int melody[] PROGMEM = {" + valueList(records, &TuneRecord::frequency) + "};\n"
           "const unsigned int durations[] PROGMEM = {" + valueList(records, &TuneRecord::duration) + "};\n"
           "const unsigned int toneCount = sizeof melody / sizeof melody[0];\n"
           "\n"
           "unsigned int nextTone = 0;\n"
           "unsigned long toneStarted = 0;\n"
           "unsigned long toneLength = 0;\n"
           "\n"
           "void setup() {\n"
           "}\n"
           "\n"
           "// Starts the next tone once the last one has had its time, and returns at once:\n"
           "// the rest of loop() goes on while the melody plays.\n"
           "void playMelody() {\n"
           "    if (nextTone >= toneCount || millis() - toneStarted < toneLength) return;\n"
           "    const unsigned int frequency = pgm_read_word(&melody[nextTone]);\n"
           "    toneLength = pgm_read_word(&durations[nextTone]);\n"
           "    toneStarted = millis();\n"
           "    tone(speakerPin, frequency, toneLength);\n"
           "    ++nextTone;\n"
           "}\n"
           "\n"
           "void loop() {\n"
           "    playMelody();\n"
           "}\n";
}
