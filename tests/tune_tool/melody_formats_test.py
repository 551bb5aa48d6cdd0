"""pipalo-tune import and its exports, against the formats as they are published: each
grammar's own kinds of examples, written out here, with the frequencies and lengths
worked out independently of the tool (equal temperament, each tone starting at its place
in the melody rounded to the millisecond). Usage: melody_formats_test.py PIPALO_TUNE"""

import math
import os
import subprocess
import sys
import tempfile
import unittest

import mido

TOOL = None
HEADER = b'// Read this as frequenty, length in milliseconds\r\n'


def run(*arguments):
    return subprocess.run([TOOL, *arguments], capture_output=True, timeout=60)


def note(name, a4=440.0):
    """Hz of a note written as 'C4', 'F#5' or 'Bb3' (C4 is middle C)."""
    letter, rest = name[0], name[1:]
    semitone = {'C': 0, 'D': 2, 'E': 4, 'F': 5, 'G': 7, 'A': 9, 'B': 11}[letter]
    while rest and rest[0] in '#b':
        semitone += 1 if rest[0] == '#' else -1
        rest = rest[1:]
    return a4 * 2 ** ((12 * (int(rest) + 1) + semitone - 69) / 12)


def half_up(value):
    return math.floor(value + 0.5)


def records(tones):
    """The records of (Hz, ms) tones, a None frequency for a rest: frequencies in whole Hz,
    lengths from rounded start times, tones above 999 ms split as evenly as can be."""
    out, start = [], 0.0
    for frequency, length in tones:
        end = start + length
        ms = half_up(end) - half_up(start)
        start = end
        if frequency is None:
            continue
        parts = -(-ms // 999)
        for part in range(parts):
            out.append((half_up(frequency), ms // parts + (1 if part < ms % parts else 0)))
    return out


def tune_bytes(tune_records):
    return HEADER + b''.join(b'%03d,%03d\r\n' % record for record in tune_records)


def read_records(path):
    with open(path, 'rb') as tune:
        data = tune.read()
    assert data.startswith(HEADER), data[:60]
    lines = data[len(HEADER):].split(b'\r\n')
    assert lines[-1] == b''
    return [tuple(int(field) for field in line.split(b',')) for line in lines[:-1]]


class FormatTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def write(self, name, content):
        path = self.path(name)
        with open(path, 'wb') as out:
            out.write(content.encode() if isinstance(content, str) else content)
        return path

    def imported(self, name, content, *options):
        """Imports the content and returns (records, standard error lines)."""
        source = self.write(name, content)
        out = self.path(name + '.TPZ')
        result = run('import', source, '-o', out, *options)
        self.assertEqual(result.returncode, 0, result.stderr)
        return read_records(out), result.stderr.decode().splitlines()

    def assertImports(self, name, content, tones, *options):
        got, messages = self.imported(name, content, *options)
        self.assertEqual(got, records(tones))
        with open(self.path(name + '.TPZ'), 'rb') as tune:
            self.assertEqual(tune.read(), tune_bytes(got))
        return messages


class RtttlTest(FormatTest):
    def test_defaults_durations_dots_sharps_octaves_and_pauses(self):
        # b=100: a whole note is 2400 ms. Upper case, spaces, a dot before or after the octave.
        # "h" is the German name of Si.
        got, messages = self.imported('test.rtttl', 'Test : d=8, o=5, b=100 : 4C, c#6, P, 2a., 16B4, f.6, g#7, h')
        # G#7 is 3322 Hz: the tune is moved down two octaves, the lowest note to 123 Hz.
        self.assertEqual(got, records([(note('C5') / 4, 600), (note('C#6') / 4, 300), (None, 300),
                                       (note('A5') / 4, 1800), (note('B4') / 4, 150), (note('F6') / 4, 450),
                                       (note('G#7') / 4, 300), (note('B5') / 4, 300)]))
        self.assertIn("pipalo-tune: moved 2 octaves down to fit Pipalo's 100 to 999 Hz", messages)
        self.assertTrue(any(line.startswith('pipalo-tune: 1 rest left out') for line in messages), messages)

    def test_missing_defaults_are_the_formats_own(self):
        # d=4, o=6, b=63 when the section is empty: a quarter note lasts 952 ms.
        got, _ = self.imported('empty.rtttl', 'Empty::c,e')
        self.assertEqual(got, records([(note('C6') / 2, 60000 / 63), (note('E6') / 2, 60000 / 63)]))

    def test_controls_without_equals_unknown_ones_and_ones_among_the_notes(self):
        # Unknown names (v, q and a style's letter) are passed over; "=" may be left out;
        # b=, o= and d= among the notes change what follows. b=160: a quarter is 375 ms.
        # PICAXE's collections write a sharp as "_".
        got, _ = self.imported('controls.rtttl', 'x: v=10, q=1, s=n, d4,o5 ,b160, l=15 : c, b=80, c, o=4,d=8, a, v5,'
                                                 ' s=c, 2e, c_')
        self.assertEqual(got, records([(note('C5'), 375), (note('C5'), 750), (note('A4'), 375),
                                       (note('E4'), 1500), (note('C#4'), 375)]))


class BeepTest(FormatTest):
    def test_defaults_repeats_delays_new_notes_and_several_commands(self):
        script = ('#!/bin/sh\n'
                  '# a comment\n'
                  'beep\n'                                     # 440 Hz, 200 ms
                  'beep -f 523.25 -l 100 -r 3 -d 20 \\\n'     # delays between, not after
                  '  -n -f 659 -l 50 -r 2 -D 30 -n --freq=784 --length=400\n'
                  'sleep 0.25; /usr/bin/beep -f 880 -l 1500\n')
        messages = self.assertImports('song.sh', script, [
            (440, 200),
            (523.25, 100), (None, 20), (523.25, 100), (None, 20), (523.25, 100),
            (659, 50), (None, 30), (659, 50), (None, 30),
            (784, 400), (None, 250), (880, 1500)])
        self.assertIn('pipalo-tune: 5 rests left out: a tune file holds no silence, so the rhythm changes there',
                      messages)

    def test_low_frequencies_as_rests_variables_and_functions_as_scripts_write_them(self):
        # Scripts pause with -f 1 or -f 10: Pipalo cannot sound below 37 Hz, so these are rests.
        # Note variables and a function of beep lines called by name, twice, in order.
        script = ('C=262; E=330\n'
                  'LONG="-l 300"\n'
                  'phrase() {\n'
                  '  beep -f $C -l 100 -n -f 1 -l 40 -n -f ${E} $LONG\n'
                  '  sleep 0.1\n'
                  '}\n'
                  'function ending { beep -f 10 -l 50 -n -f 37 -l 20; }\n'
                  'phrase\nE=392\nphrase\nending\n'
                  'if [ -x /usr/bin/beep ]; then beep -f 880 -l 10; else echo no beep; fi\n')
        messages = self.assertImports('tune.sh', script, [
            (262, 100), (None, 40), (330, 300), (None, 100),
            (262, 100), (None, 40), (392, 300), (None, 100), (None, 50), (4 * 37, 20), (880, 10)])
        # 37 Hz is sounded, two octaves up on its own.
        self.assertEqual(messages, ['pipalo-tune: 1 tone still outside 100 to 999 Hz moved by octaves of their own',
                                    'pipalo-tune: 5 rests left out: a tune file holds no silence, so the rhythm '
                                    'changes there'])


class OctaveTest(FormatTest):
    def test_a_melody_wider_than_records_hold_is_moved_tone_by_tone_where_it_must(self):
        # No whole octave brings 40 Hz and 3000 Hz between 100 and 999 Hz at once: the move
        # that fits the most tones, the smallest, is taken, and the tone left outside moves on its own.
        got, messages = self.imported('wide.sh', 'beep -f 3000 -n -f 2000 -n -f 40')
        self.assertEqual(got, [(750, 200), (500, 200), (160, 200)])
        self.assertEqual(messages, ["pipalo-tune: moved 2 octaves down to fit Pipalo's 100 to 999 Hz",
                                    'pipalo-tune: 1 tone still outside 100 to 999 Hz moved by octaves of their own'])


class ArduinoTest(FormatTest):
    def test_note_array_with_divided_durations(self):
        sketch = ('#include "pitches.h"\n'
                  '/* the melody, with a rest */\n'
                  'int melody[] = {\n  NOTE_C4, NOTE_G3, NOTE_G3, NOTE_A3, NOTE_G3, 0, NOTE_B3, NOTE_C4\n};\n'
                  'int noteDurations[] = {\n  4, 8, 8, 4, 4, 4, 4, 4\n};\n'
                  'void setup() {\n  for (int thisNote = 0; thisNote < 8; thisNote++) {\n'
                  '    int noteDuration = 1000 / noteDurations[thisNote];\n'
                  '    tone(8, melody[thisNote], noteDuration);\n    delay(noteDuration * 1.30);\n'
                  '    noTone(8);\n  }\n}\nvoid loop() {}\n')
        self.assertImports('melody.ino', sketch, [
            (note('C4'), 250), (note('G3'), 125), (note('G3'), 125), (note('A3'), 250), (note('G3'), 250),
            (None, 250), (note('B3'), 250), (note('C4'), 250)])

    def test_durations_read_as_the_sketch_uses_them(self):
        # The manual's own example says nothing of its durations: 4 and 8 are note values of
        # the Arduino example's 1000 ms whole note.
        got, messages = self.imported('bare.ino', 'int melody[] = {NOTE_C4, NOTE_G3}; int noteDurations[] = {4, 8};')
        self.assertEqual(got, records([(note('C4'), 250), (note('G3'), 125)]))
        self.assertIn('pipalo-tune: read the sketch by the values it holds: line 1, column 1: '
                      'no setup() or loop() to play', messages)
        self.assertIn('pipalo-tune: read noteDurations as note values of a 1000 ms whole note: '
                      'all are 1, 2, 4, 8, 16 or 32', messages)
        played = "pipalo-tune: played the sketch's setup() and loop() by its own arithmetic"
        # Divided through a variable, at the sketch's tempo, in its integers (2000 / 16 * 1.5 is 187
        # once stored): a negative divider is dotted, and a tone cut to 90 % of its wait keeps the wait.
        sketch = ('int tempo = 120;\nint wholenote = (60000 * 4) / tempo;\n'
                  'int melody[] = {NOTE_A4, NOTE_B4, REST, NOTE_C5};\nint durations[] = {4, -8, 2, -16};\n'
                  'void loop() {\n  for (int i = 0; i < 4; i++) {\n    int divider = durations[i];\n'
                  '    int noteDuration = wholenote / abs(divider);\n    if (divider < 0) noteDuration *= 1.5;\n'
                  '    tone(11, melody[i], noteDuration * 0.9);\n    delay(noteDuration);\n  }\n}\n')
        got, messages = self.imported('dotted.ino', sketch)
        self.assertEqual(got, records([(note('A4'), 500), (note('B4'), 375), (None, 1000), (note('C5'), 187)]))
        self.assertIn(played, messages)
        # Lengths from a tempo, in floating and integer arithmetic: 60000 / 80 * (4.0 / 4) is 750 ms.
        sketch = ('const int tempo = 80;\nint melody[] = {NOTE_C4, NOTE_E4, NOTE_G4};\n'
                  'int durations[] = {4, 8, 2};\nvoid setup() {\n  for (int i = 0; i < 3; i++) {\n'
                  '    int noteDuration = (60000 / tempo) * (4.0 / durations[i]);\n'
                  '    tone(8, melody[i], noteDuration);\n    delay(noteDuration);\n  }\n}\nvoid loop() {}\n')
        got, _ = self.imported('tempo.ino', sketch)
        self.assertEqual(got, records([(note('C4'), 750), (note('E4'), 375), (note('G4'), 1500)]))
        # A whole note of a #define tempo; flash memory read through the address; sizeof counts.
        sketch = ('#define TEMPO 100\n#define PIN 8\nlong wholeNote = (60000 * 4) / TEMPO;\n'
                  'const int melody[] PROGMEM = {NOTE_A4, 523, NOTE_E5};\n'
                  'const byte beats[] PROGMEM = {4, 8, 2};\n'
                  'const int count = sizeof(melody) / sizeof(melody[0]);\nfloat swing = 1.25;\n'
                  'void play(int frequency, long duration) {\n  tone(PIN, frequency, duration);\n'
                  '  delay(duration);\n}\nvoid setup() {\n  for (int i = 0; i < count; i++) {\n'
                  '    long duration = wholeNote / pgm_read_byte(&beats[i]);\n'
                  '    if (i == 1) duration = (int)(duration * swing);\n'
                  '    play(pgm_read_word(melody + i), duration);\n  }\n}\nvoid loop() {}\n')
        got, _ = self.imported('define.ino', sketch)
        self.assertEqual(got, records([(note('A4'), 600), (523, 375), (note('E5'), 1200)]))
        # Given to tone() and delay() as they are: milliseconds, even when they look like note values.
        sketch = ('int melody[] = {NOTE_E5, NOTE_D5};\nint beats[] = {4, 8};\n'
                  'void setup() { for (int i = 0; i < 2; i++) { tone(8, melody[i], beats[i]); delay(beats[i]); } }\n')
        got, messages = self.imported('ms.ino', sketch)
        self.assertEqual(got, records([(note('E5'), 4), (note('D5'), 8)]))
        self.assertIn(played, messages)
        # C the evaluator does not read is named, and the sketch read by its values.
        sketch = ('int melody[] = {NOTE_E5, NOTE_D5};\nint beats[] = {100, 300};\n'
                  'void setup() {\n  for (int i = 0; i < 2; i++) {\n    switch (i) { default: break; }\n'
                  '    tone(8, melody[i], beats[i]);\n  }\n}\n')
        got, messages = self.imported('switch.ino', sketch)
        self.assertEqual(got, records([(note('E5'), 100), (note('D5'), 300)]))
        self.assertIn('pipalo-tune: read the sketch by the values it holds: line 5, column 5: switch is not read',
                      messages)
        self.assertIn('pipalo-tune: read beats as milliseconds: the sketch passes them to tone() or delay()', messages)

    def test_interleaved_notes_and_dividers_at_the_sketchs_tempo(self):
        # A negative divider is a dotted note; a whole note lasts 4 * 60000 / tempo.
        sketch = ('int tempo = 150;\nint buzzer = 11;\nconst int melody[] PROGMEM = {\n'
                  '  NOTE_E5, 8, NOTE_E5, 8, REST, 8, NOTE_DS5, -4, NOTE_G4, 2,\n};\n')
        whole = 4 * 60000 / 150
        self.assertImports('song.ino', sketch, [
            (note('E5'), whole / 8), (note('E5'), whole / 8), (None, whole / 8), (note('D#5'), whole / 4 * 1.5),
            (note('G4'), whole / 2)])

    def test_tone_calls_with_their_own_lengths_and_delays(self):
        # loop() is played once, up to the endless loop that halts the sketch.
        sketch = ('void setup() {\n  tone(8, 440, 200);\n  delay(250);   // 50 ms of silence\n'
                  '  tone(8, NOTE_A5);\n  delay(100);\n  noTone(8);\n  tone(8, 330, 120);\n}\n'
                  'void loop() {\n  delay(200);\n  tone(8, 262, 500);\n  delay(600);\n  while (true) {}\n'
                  '  tone(8, 100, 100);\n}\n')
        self.assertImports('calls.ino', sketch, [(440, 200), (None, 50), (880, 100), (330, 120), (None, 80), (262, 500)])
        # A pin toggled between delayMicroseconds() is a square wave, heard from its second rise
        # to its last wait; the notes are named by characters looked up in a local array.
        sketch = ('int speakerPin = 9;\nchar notes[] = "cg a";\nint beats[] = {1, 2, 1, 1};\nint tempo = 100;\n'
                  'void playTone(int tone, int duration) {\n'
                  '  for (long i = 0; i < duration * 1000L; i += tone * 2) {\n'
                  '    digitalWrite(speakerPin, HIGH);\n    delayMicroseconds(tone);\n'
                  '    digitalWrite(speakerPin, LOW);\n    delayMicroseconds(tone);\n  }\n}\n'
                  'void playNote(char note, int duration) {\n'
                  "  char names[] = { 'c', 'd', 'e', 'f', 'g', 'a', 'b', 'C' };\n"
                  '  int tones[] = { 1915, 1700, 1519, 1432, 1275, 1136, 1014, 956 };\n'
                  '  for (int i = 0; i < 8; i++)\n    if (names[i] == note) playTone(tones[i], duration);\n}\n'
                  'void setup() { pinMode(speakerPin, OUTPUT); digitalWrite(LED_BUILTIN, HIGH); }\n'
                  'void loop() {\n  for (int i = 0; i < 4; i++) {\n'
                  "    if (notes[i] == ' ') delay(beats[i] * tempo);\n"
                  '    else playNote(notes[i], beats[i] * tempo);\n    delay(tempo / 2);\n  }\n}\n')
        self.assertImports('wave.ino', sketch, [
            (None, 3.83), (1e6 / 3830, 26 * 3.83), (None, 50 + 2.55), (1e6 / 2550, 78 * 2.55), (None, 150 + 2.272),
            (1e6 / 2272, 44 * 2.272)])


class MmlTest(FormatTest):
    def test_play_strings_of_a_basic_program(self):
        # A string variable played is the string last given to it. T120: a quarter note is 500 ms. Octave 3 starts at middle C; N1 is C of octave 0.
        # Only the PLAY statement plays: words that begin with "Play" do not, and a string
        # expression is joined whole before it is read.
        program = ('10 REM a tune\n'
                   '15 PRINT Player$ + " G ": PRINT Player$ + "AND"\n'
                   '18 PLAY "O" + "3"\n'
                   '20 PLAY "T120 L8 C D E- F+ P8 > c4. < B-16"\n'
                   '30 T$ = "ML N37": DISPLAY$ = "C": U$ = T$ + " M"\n'
                   '40 IF 1 THEN PLAY U$ + "S A#2 MN O2 L16 G.. T240 C1": PLAY ON\n'
                   '50PLAY"C"\n'
                   # QuickBASIC's line continuation, where a name's own "_" is none
                   '55 A_$ = "G"\n'
                   '60 IF 1 THEN _\n  PLAY _  \r\n  "O3 L4 E" _\n  + "F" + A_$\n')
        self.assertImports('tune.bas', program, [
            (note('C4'), 250), (note('D4'), 250), (note('Eb4'), 250), (note('F#4'), 250), (None, 250),
            (note('C5'), 750), (note('Bb4'), 125), (note('C4'), 250), (note('A#4'), 1000),
            (note('G3'), 125 * 2.25), (note('C3'), 1000), (note('C3'), 62.5), (note('E4'), 250), (note('F4'), 250),
            (note('G4'), 250)])


class AbcTest(FormatTest):
    def test_key_accidentals_bars_repeats_broken_rhythm_ties_and_tuplets(self):
        tune = ('X:1\nT:Test tune\nM:6/8\nL:1/8\nQ:3/8=80\nK:D % two sharps\n'
                '|: d>c B<A | _B ^G =F2 f | [1 (3efg z a- :| [2 a3 [Ace-]2 e |]\nw:words of the tune\n'
                '+:go on + and on\n')
        # A dotted quarter a beat at 80 a minute: an eighth lasts 250 ms.
        eighth = 250
        first = [(note('D5'), 1.5 * eighth), (note('C#5'), eighth / 2), (note('B4'), eighth / 2),
                 (note('A4'), 1.5 * eighth),
                 # The flat and the sharp hold to the bar's end; = cancels the key's F#, in
                 # every octave of the bar.
                 (note('Bb4'), eighth), (note('G#4'), eighth), (note('F4'), 2 * eighth), (note('F5'), eighth)]
        ending = [(note('E5'), eighth * 2 / 3), (note('F#5'), eighth * 2 / 3), (note('G5'), eighth * 2 / 3),
                  (None, eighth)]
        # The repeat plays the first part again, up to its first ending; the a tied over the
        # repeat sign is followed by d, another pitch, so it is not lengthened. A tie on the
        # chord's highest note, the one played, ties it to the next e.
        self.assertImports('tune.abc', tune, first + ending + [(note('A5'), eighth)] + first +
                           [(note('A5'), 3 * eighth), (note('E5'), 3 * eighth)])

    def test_the_same_tones_as_abc2midi_plays_with_its_repeats_parts_and_grace_notes(self):
        # abc2midi, the format's long-standing converter, is an independent reading of the
        # tune; it ends each note a millisecond early, a gap a tune file leaves out. The P:
        # order plays the first part twice; grace notes take a quarter of their written
        # length each from the note they lead into, and are left out of a note too short for them.
        kesh = ('X:1\nT:The Kesh\nR:jig\nM:6/8\nL:1/8\nQ:3/8=100\nP:A2B\nK:Gmaj\nP:A\n'
                '|:{a}G3 GAB|A3 ABd|edd {ag}gdd|edB dBA|\nGAG GAB|ABA {c2}ABd|edd gdd|BAF G3:|\nP:B\n'
                '|:B2B d2d|ege dBA|B2B dBG|ABA AGA|\nBAB d^cd|ege dBd|gfg aga|1 bgg g3:|2 bgg g2z|]\n')
        # A reel: "::" between two repeats, endings in brackets, a triplet.
        reel = ('X:1\nT:Reel\nM:4/4\nL:1/8\nQ:1/4=180\nK:D\n|:A|dAFA dAFA|B2 {c}BA Bcde|[1 fdec d2 cB:|[2 fdec d3||\n'
                '|:g|fd d2 ed d2|(3efg fe d2 A2::B2 BA B2 cd|e4 e2:|\n')
        readings = {}
        for name, tune in (('kesh', kesh), ('reel', reel)):
            source = self.write(name + '.abc', tune)
            converted = subprocess.run(['abc2midi', source, '-o', self.path(name + '.mid')], capture_output=True)
            self.assertEqual(converted.returncode, 0, converted.stdout)
            ours, _ = self.imported(name + '.abc', tune)
            with open(self.path(name + '.mid'), 'rb') as midi:
                theirs, _ = self.imported(name + '.mid', midi.read())
            with self.subTest(tune=name):
                self.assertEqual([frequency for frequency, _ in theirs], [frequency for frequency, _ in ours])
                for (_, our_length), (_, their_length) in zip(ours, theirs):
                    self.assertLessEqual(abs(our_length - their_length), 2)
            readings[name] = ours
        # Part A, 42 notes and 4 graces, played twice by its repeat, twice; then part B's 86.
        self.assertEqual(len(readings['kesh']), 4 * (42 + 4) + 86)
        self.assertEqual(readings['kesh'][:2], [(880, 50), (392, 550)])
        self.assertEqual(len(readings['reel']), 90)

    def test_a_repeat_after_the_endings_starts_where_they_end(self):
        # The last ending lasts to its bar line (or a double bar after it); a ":|" later goes
        # back no further. abc2midi would go back to the start of the tune here.
        for tune in ('X:1\nL:1/4\nK:C\nCD|1 E:|2 F|| GA:|\n', 'X:1\nL:1/4\nK:C\nCD|1 E:|2 F| GA:|\n'):
            with self.subTest(tune=tune):
                self.assertImports('endings.abc', tune, [(note(name), 500) for name in
                                                         ('C4', 'D4', 'E4', 'C4', 'D4', 'F4', 'G4', 'A4', 'G4', 'A4')])
        # An opened repeat holds over a double bar inside it; a P: in the body is only a label
        # when the header gives no order of parts.
        for tune in ('X:1\nL:1/4\nK:C\n|:CD||EF:|\n', 'X:1\nL:1/4\nK:C\nP:A\nCD|\nP:B\nEF:|\n'):
            with self.subTest(tune=tune):
                self.assertImports('opened.abc', tune, [(note(name), 500) for name in ('C4', 'D4', 'E4', 'F4') * 2])
        # Pass n plays the ending that names it: more than two, lists and ranges.
        for endings, passes in (('[1 D:|[2 E:|[3 F|]', 'DEF'), ('[1,3 D:|[2 E:|[4 F|]', 'DEDF'),
                                ('[1-3 D:|[4 E|]', 'DDDE')):
            with self.subTest(endings=endings):
                self.assertImports('passes.abc', 'X:1\nL:1/4\nK:C\n|:C|' + endings + '\n',
                                   [(note(name + '4'), 500) for ending in passes for name in ('C', ending)])
        # A tie into the first ending does not lengthen the body on the second pass.
        self.assertImports('tied.abc', 'X:1\nL:1/8\nK:C\n|:C2D2E2F2-|[1 F2G2A2B2:|[2 G2c2d2e2|]\n',
                           [(note(name), 500) for name in ('C4', 'D4', 'E4')] + [(note('F4'), 1000)] +
                           [(note(name), 500) for name in ('G4', 'A4', 'B4', 'C4', 'D4', 'E4', 'F4', 'G4', 'C5',
                                                           'D5', 'E5')])

    def test_only_the_first_tune_of_a_book(self):
        # The key of G with its F made natural; an inline field; a bar's rest (no M: is 4/4).
        # Only the first voice: a tune file plays one tone at a time.
        # A voice overlay lasts to the bar line, which is the first voice's too; an empty line
        # ends the tune, and the free text after it is no music.
        book = ('X:1\nT:One\nL:1/4\nV:1\nV:2\nK:G =f\nV:1\nF [L:1/8] D2 [V:2] B, |\nV:2\nC,,C,,|\n[V:1] Z & c8 :| E2\n\n'
                'cafe bag\n\nX:2\nT:Two\nK:C\nE F G|\n')
        # No Q: a quarter note a beat at 120 a minute, and said so. Lines end in LF, CR LF or CR.
        # A byte order mark is no text.
        for line_end, mark in (('\n', ''), ('\r\n', '\ufeff'), ('\r', '')):
            with self.subTest(line_end=line_end):
                messages = self.assertImports('book.abc', mark + book.replace('\n', line_end),
                                              [(note('F4'), 500), (note('D4'), 500), (None, 2000)] * 2 +
                                              [(note('E4'), 500)])
                self.assertIn('pipalo-tune: voices after the first (V:1) left out: a tune file plays one tone at a '
                              'time', messages)
                self.assertIn('pipalo-tune: voice overlays (&) left out: a tune file plays one tone at a time',
                              messages)
                self.assertIn('pipalo-tune: no tempo (Q:) before the first note: 1/4=120 assumed', messages)
                self.assertIn('pipalo-tune: the tune ends at its empty line, line 12; the text after it is not '
                              'music (ABC 2.1, 2.2.1)', messages)

    def test_score_breaks_symbols_and_grace_notes_in_broken_rhythm(self):
        # "$" breaks the score line only, and so does a "!" with no other before the next
        # space, as old tunes write it; U: makes W a symbol. Grace notes take a quarter of
        # their written length, which may be broken too, from the note after them; a broken
        # pair keeps its time with grace notes before either note.
        tune = 'X:1\nL:1/8\nQ:1/4=120\nU:W=!trill!\nK:C\nWC2 $ {a>b}D2|! {A}d>c {g}!trill!e<f|\n'
        self.assertImports('graces.abc', tune, [
            (note('C4'), 500), (note('A5'), 1.5 * 250 / 4), (note('B5'), 0.5 * 250 / 4), (note('D4'), 375),
            (note('A4'), 250 / 4), (note('D5'), 375 - 250 / 4), (note('C5'), 125),
            (note('G5'), 250 / 4), (note('E5'), 125 - 250 / 4), (note('F5'), 375)])

    def test_macros_play_their_music_in_place_of_their_targets(self):
        # A static macro, and a transposing one, where n is the note written and m and o
        # the notes a step below and above it in the key; ~G32 is no ~G3.
        tune = 'X:1\nL:1/8\nQ:1/4=120\nm: ~g2 = {a}g{f}g\nm:~n3=n{o}n{m}n\nK:D\n~g2 ~B3 ~G32|\n'
        self.assertImports('macros.abc', tune, [
            (note('A5'), 250 / 4), (note('G5'), 250 - 250 / 4), (note('F#5'), 250 / 4), (note('G5'), 250 - 250 / 4),
            (note('B4'), 250), (note('C#5'), 250 / 4), (note('B4'), 250 - 250 / 4), (note('A4'), 250 / 4),
            (note('B4'), 250 - 250 / 4), (note('G4'), 32 * 250)])

    def test_keys_explicit_of_the_pipes_accidentals_and_transposition(self):
        cases = [
            # "exp" gives every accidental of the signature; Hp marks F and C sharp, HP nothing.
            ('K:D exp _b\nFBc', ['F4', 'Bb4', 'C5']), ('K:Hp\nFcG', ['F#4', 'C#5', 'G4']), ('K:HP\nFc', ['F4', 'C5']),
            # An accidental holds to the bar's end in every octave, unless a directive says otherwise.
            ('K:C\n^Ff|F', ['F#4', 'F#5', 'F4']), ('%%propagate-accidentals octave\nK:C\n^Ff', ['F#4', 'F5']),
            ('I:propagate-accidentals not\nK:C\n^FF', ['F#4', 'F4']),
            # transpose= and octave= move what is played; a clef's -8 an octave down.
            ('K:Am transpose=-2\nAB', ['G4', 'A4']), ('K:C octave=1\nC', ['C5']), ('V:1 clef=treble-8\nK:C\nc', ['C4'])]
        for header, names in cases:
            with self.subTest(header=header):
                self.assertImports('key.abc', 'X:1\nL:1/4\nQ:1/4=120\n' + header + '\n',
                                   [(note(name), 500) for name in names])

    def test_tempo_as_the_standard_counts_it(self):
        # A bare number or C= counts unit lengths a minute (abc2midi counts quarter notes);
        # a tempo in words alone keeps the tempo before it, and says so.
        for tempo in ('Q:100', 'Q:C=100'):
            with self.subTest(tempo=tempo):
                self.assertImports('tempo.abc', 'X:1\nL:1/8\n%s\nK:C\nCD' % tempo, [(note('C4'), 600), (note('D4'), 600)])
        for words in ('"Andante"', 'Andante'):
            with self.subTest(words=words):
                messages = self.assertImports('andante.abc', 'X:1\nL:1/4\nQ:1/4=90\nK:C\nC[Q:%s]D' % words,
                                              [(note('C4'), 60000 / 90), (note('D4'), 60000 / 90)])
                self.assertEqual(messages, ['pipalo-tune: Q:%s gives no beats a minute: the tempo before it is kept'
                                            % words])


def timed_midi(*tracks, tempo=1000000, ticks_per_beat=1000):
    """A format 1 file of tracks given as (absolute tick, message) pairs, each track ending
    at its last event; a tick is a millisecond at the default tempo."""
    midi = mido.MidiFile(type=1, ticks_per_beat=ticks_per_beat)
    midi.tracks.append(mido.MidiTrack([mido.MetaMessage('set_tempo', tempo=tempo, time=0)]))
    for events in tracks:
        track, last = mido.MidiTrack(), 0
        for tick, message in events:
            track.append(message.copy(time=tick - last))
            last = tick
        midi.tracks.append(track)
    with tempfile.TemporaryFile() as data:
        midi.save(file=data)
        data.seek(0)
        return data.read()


def on(pitch, channel=0):
    return mido.Message('note_on', note=pitch, velocity=90, channel=channel)


def off(pitch, channel=0):
    return mido.Message('note_off', note=pitch, channel=channel)


class MidiTest(FormatTest):
    def midi_file(self):
        """Format 1: a tempo track, a melody, a lower voice and drums."""
        midi = mido.MidiFile(type=1, ticks_per_beat=480)
        tempo = mido.MidiTrack([mido.MetaMessage('set_tempo', tempo=500000, time=0),
                                mido.MetaMessage('set_tempo', tempo=250000, time=960)])
        # A bend to the centre, then coarse tuning, a registered parameter.
        melody = mido.MidiTrack([mido.Message('pitchwheel', pitch=0, time=0),
                                 mido.Message('control_change', control=101, value=0, time=0),
                                 mido.Message('control_change', control=100, value=2, time=0),
                                 mido.Message('control_change', control=6, value=66, time=0),
                                 mido.Message('note_on', note=72, velocity=90, time=480),
                                 mido.Message('note_off', note=72, time=480),
                                 mido.Message('note_on', note=76, velocity=90, time=0),
                                 mido.Message('note_on', note=76, velocity=0, time=480),
                                 mido.Message('note_on', note=79, velocity=90, time=480),
                                 # struck again at once: two tones, not one
                                 mido.Message('note_off', note=79, time=240),
                                 mido.Message('note_on', note=79, velocity=90, time=0),
                                 mido.Message('note_off', note=79, time=240)])
        bass = mido.MidiTrack([mido.Message('note_on', channel=1, note=48, velocity=80, time=0),
                               mido.Message('pitchwheel', channel=1, pitch=-4096, time=480),
                               mido.Message('pitchwheel', channel=1, pitch=2000, time=240),
                               mido.Message('note_off', channel=1, note=48, time=720)])
        drums = mido.MidiTrack([mido.Message('note_on', channel=9, note=90, velocity=100, time=0),
                                mido.Message('note_off', channel=9, note=90, time=2400)])
        midi.tracks += [tempo, melody, bass, drums]
        path = self.path('song.mid')
        midi.save(path)
        with open(path, 'rb') as data:
            return data.read()

    def test_the_highest_sounding_note_in_real_time_after_tempo_changes(self):
        data = self.midi_file()
        # 500 ms a beat for two beats, then 250 ms; the drums are left out, and so is the
        # silence once the low voice has ended with the melody's second note.
        messages = self.assertImports('song.mid', data, [(note('C3'), 500), (note('C5'), 500), (note('E5'), 250),
                                                         (None, 250), (note('G5'), 125), (note('G5'), 125)])
        self.assertTrue(any('1 rest left out' in line for line in messages), messages)
        # The melody's tuning and the low voice's bends are told once.
        self.assertEqual([line for line in messages if 'bend' in line],
                         ['pipalo-tune: byte 61: a tuning message; bends and tunings are not applied, '
                          'each note keeps its written pitch'])

    def test_a_pitch_sounds_while_any_of_its_notes_does_and_each_strike_starts_a_tone(self):
        # A key struck again before its note-off, then two channels in unison, then a note
        # struck under a higher one that ends first: the lower is heard from there on.
        data = timed_midi([(0, on(60)), (100, on(60)), (200, off(60)), (300, off(60)),
                           (400, on(64)), (400, on(64, 1)), (500, off(64)), (600, off(64, 1)),
                           (700, on(67)), (750, on(72)), (800, off(72)), (900, off(67)),
                           # a note struck at its own pitch while it sounds on another channel
                           (1000, on(62, 2)), (1100, on(62)), (1200, off(62, 2)), (1300, off(62))])
        self.assertImports('strikes.mid', data, [(note('C4'), 100), (note('C4'), 200), (None, 100), (note('E4'), 200),
                                                  (None, 100), (note('G4'), 50), (note('C5'), 50), (note('G4'), 100),
                                                  (None, 100), (note('D4'), 100), (note('D4'), 200)])

    def test_notes_never_switched_off_end_with_their_track_or_an_all_notes_off(self):
        # The first track's first note is never switched off: it ends with its track at 900.
        # Its last is switched off by the second track, after the first has ended. All Notes
        # Off ends every note of its channel; a pedal is not applied.
        first = [(0, on(72)), (100, on(76)), (150, mido.Message('control_change', control=64, value=127)),
                 (300, off(76)), (500, on(74)), (900, mido.MetaMessage('text', text='end'))]
        second = [(0, on(60, 1)), (600, mido.Message('control_change', channel=1, control=123, value=0)),
                  (950, off(74)), (1000, on(62, 1)), (1100, off(62, 1))]
        messages = self.assertImports('hanging.mid', timed_midi(first, second), [
            (note('C5'), 100), (note('E5'), 200), (note('C5'), 200), (note('D5'), 450), (None, 50),
            (note('D4'), 100)])
        self.assertIn('pipalo-tune: byte 42: 1 note never switched off ends with its track, '
                      'as sequencers end it', messages)
        # A file of one such note is that note.
        got, _ = self.imported('one.mid', timed_midi([(0, on(69)), (250, mido.MetaMessage('text', text='end'))]))
        self.assertEqual(got, [(440, 250)])

    def test_a_track_or_a_channel_asked_for(self):
        # Padding after the last track, as some programs leave it, is no chunk.
        data = self.midi_file() + bytes(2)
        got, messages = self.imported('song.mid', data, '--track', '2')
        self.assertEqual(got, records([(note('C5'), 500), (note('E5'), 250), (None, 250), (note('G5'), 125),
                                       (note('G5'), 125)]))
        self.assertTrue(any('1 rest left out' in line for line in messages), messages)
        # The bend to the centre changes nothing.
        self.assertIn('pipalo-tune: byte 61: a tuning message; bends and tunings are not applied, '
                      'each note keeps its written pitch', messages)
        got, messages = self.imported('song.mid', data, '--channel', '2')
        self.assertEqual(got, records([(note('C3'), 1250)]))
        self.assertIn('pipalo-tune: byte 117: a pitch bend; bends and tunings are not applied, '
                      'each note keeps its written pitch', messages)
        result = run('import', self.write('song.mid', data), '-o', self.path('none.TPZ'), '--channel', '5')
        self.assertEqual(result.returncode, 1)
        self.assertIn(b': no note on channel 5; the notes are on channels 1, 2, 10\n', result.stderr)


class RoundTripTest(FormatTest):
    SOURCES = {
        'song.rtttl': 'Song:d=8,o=5,b=112:c,e,g,4c6,16b,16a,g.,p,2f',
        'song.sh': 'beep -f 262 -l 230 -n -f 330 -l 460 -n -f 392 -l 1200',
        # Lengths that look like note values: the exported sketch still says they are milliseconds.
        'short.sh': 'beep -f 262 -l 4 -n -f 330 -l 8 -n -f 392 -l 16',
        'song.ino': 'void setup() { tone(8, NOTE_C4, 250); delay(250); tone(8, NOTE_E4, 500); delay(500); }',
        'song.bas': 'PLAY "T150 O3 L8 CEG>C<BAG4"',
        'song.abc': 'X:1\nL:1/8\nQ:1/4=90\nK:F\nFAc f2 e/d/ | c4 B2 A2 |]\n',
    }

    def test_import_export_import_gives_the_same_tune(self):
        for name, content in self.SOURCES.items():
            first, _ = self.imported(name, content)
            tune = self.path(name + '.TPZ')
            # A ringtone holds only lengths of its tempo: 230 ms and 460 ms are not among them.
            exports = [('beep', '.sh'), ('arduino', '.ino')] + ([] if name.endswith('.sh') else [('rtttl', '.rtttl')])
            for export, suffix in exports:
                with self.subTest(source=name, export=export):
                    result = run(export, tune)
                    self.assertEqual(result.returncode, 0, result.stderr)
                    again, _ = self.imported(name + '.back' + suffix, result.stdout)
                    self.assertEqual(again, first)

    def test_rtttl_export_reports_its_error_and_beep_is_exact(self):
        tune = self.write('odd.TPZ', tune_bytes([(263, 230), (450, 333), (999, 41)]))
        result = run('rtttl', tune)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertRegex(result.stdout.decode(), r'^odd:d=\d+,o=\d,b=\d+:[a-gp#.,0-9]+\n$')
        messages = result.stderr.decode()
        self.assertRegex(messages, r'lengths off by \d+\.\d ms at most')
        # 450 Hz is La4 and 39 cents.
        self.assertIn('pitches off by 39 cents at most', messages)
        # No note longer than a record holds: 999 ms written as 1000 would come back as two.
        long_tone = self.write('long.TPZ', tune_bytes([(440, 230), (440, 999)]))
        again, _ = self.imported('long.rtttl', run('rtttl', long_tone).stdout)
        self.assertEqual(len(again), 2)
        beep = run('beep', tune).stdout.decode()
        self.assertEqual(beep, '#!/bin/sh\nbeep -f 263 -l 230 \\\n  -n -f 450 -l 333 \\\n  -n -f 999 -l 41\n')
        sketch = run('arduino', tune).stdout.decode()
        for part in ('PROGMEM', '263, 450, 999,', '230, 333, 41,', 'millis()', 'pgm_read_word'):
            self.assertIn(part, sketch)
        self.assertNotIn('delay(', sketch)


MIDI_HEADER = b'MThd\x00\x00\x00\x06\x00%c\x00%c\x00%c'


def midi_track(events):
    """A track chunk of the events and an end of track."""
    return b'MTrk' + len(events + b'\x00\xff\x2f\x00').to_bytes(4, 'big') + events + b'\x00\xff\x2f\x00'


class ImportFailureTest(FormatTest):
    CASES = [
        ('bad.rtttl', 'x:d=4,o=5,b=100:c,\n  8q', 'line 2, column 4: expected a note'),
        ('bad.rtttl', 'x:d=3:c', 'line 1, column 5: d= must be'),
        ('bad.rtttl', 'x:d=4:c,c..', "line 1, column 11: a note has one dot at most (RTTTL's <special-duration>)"),
        ('bad.rtttl', 'x:d=4:c,e5. .', 'line 1, column 13: a note has one dot at most'),
        ('bad.rtttl', 'x:d=4:c,8p#', "line 1, column 11: a pause has no sharp (RTTTL's <note>)"),
        ('bad.sh', 'beep -f 440\nbeep -l fast', 'line 2, column 9: expected a number'),
        ('bad.ino', 'int melody[] = {NOTE_C4, NOTE_D4};', 'line 1, column 5: no array of durations'),
        # Every note under 20 ms: milliseconds were the wrong reading.
        ('short.ino', '// 4 = quarter note\nint melody[] = {NOTE_C4, NOTE_D4, NOTE_E4, NOTE_F4, NOTE_G4};\n'
         'int durations[] = {1, 2, 3, 4, 8};', 'line 3, column 5: read durations as milliseconds (they are not all '
         'note values), every note is shorter than 20 ms; to read them as note values, divide a whole note by them'),
        ('bad.bas', 'PLAY "CDE"\nPLAY "O9 C"', 'line 2, column 8: O takes 0 to 6'),
        ('bad.bas', 'PLAY "C"\nPLAY "O" + "9"', 'line 2, column 13: O takes 0 to 6'),
        ('bad.bas', '10 PLAY "C" + X$', 'line 1, column 15: the string variable X$ is given no value before'),
        ('bad.sh', 'A=440\nbeep -f $B', 'line 2, column 9: the variable B is given no value before'),
        ('bad.sh', 'beep -f $(cat f)', 'line 1, column 9: beep lines take only plain variables'),
        ('loop.sh', 'beep\nfor i in 1 2; do beep -f 300; done', 'line 2, column 15: a beep in a loop'),
        ('long.rtttl', 'x:d=4:\n' + 'c,' * 200000 + 'c', 'line 2, column 400001: the melody is too long'),
        ('long.sh', 'beep\n' * 9 + 'beep -r 1000; ' * 200, 'line 10, column 1401: the melody is too long'),
        ('bad.abc', 'X:1\nK:C\nCDE | [CEG', 'line 3, column 7: a chord without its "]"'),
        ('bad.abc', 'X:1\nK:C\nCDE H2', 'line 3, column 6: expected a note'),
        ('bad.abc', 'X:1\nK:C\nCDE W2', 'line 3, column 5: "W" is no note, and no U: field makes it a symbol (ABC 2.1, 4.16)'),
        ('bad.abc', 'X:1\nT:Tune\n\nK:C\nCDE', 'line 3, column 1: the empty line ends the tune before its K: field (ABC 2.1, 2.2.1)'),
        ('bad.abc', 'X:1\nK:C\nC +ff+ D +CEG+ E', 'line 3, column 10: a chord between + signs, as abc before 1.6 '
         'wrote it, is obsolete: write it between [ and ] (ABC 2.1, 12.1.3)'),
        ('bad.abc', 'X:1\nI:decoration +\nK:C\n+trill+C !trill!D',
         'line 4, column 10: a !symbol! after I:decoration +, which makes + the sign of symbols (ABC 2.1, 12.1.2)'),
        ('bad.mid', b'MThd\x00\x00\x00\x06\x00\x02\x00\x01\x01\xe0',
         'byte 8: only MIDI files of format 0 and 1 hold one piece to read; this one is of format 2 '
         '(Standard MIDI Files 1.0, MIDI File Formats)'),
        ('bad.mid', b'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk\x00\x00\x00\x03\x00\x90\x3c',
         'byte 24: the track ends inside an event'),
        ('drums.mid', MIDI_HEADER % (0, 1, 96) + midi_track(b'\x00\x99\x3c\x40\x60\x89\x3c\x00'),
         'byte 23: the notes are all on channel 10, the drums, left out unless asked for: --channel 10'),
        ('cut.mid', MIDI_HEADER % (1, 3, 96) + midi_track(b'\x00\x90\x3c\x40\x60\x80\x3c\x00') * 2,
         'byte 54: the file is cut short: its header names 3 tracks, and it ends before track 3'),
        ('tempo.mid', MIDI_HEADER % (0, 1, 96) + midi_track(b'\x00\xff\x51\x02\x07\xa1'
                                                            b'\x00\x90\x3c\x40\x60\x80\x3c\x00'),
         'byte 23: a tempo event of 2 bytes, where the standard\'s holds 3 (Standard MIDI Files 1.0, Meta-Events)'),
        ('tempo.mid', MIDI_HEADER % (0, 1, 96) + midi_track(b'\x00\xff\x51\x03\x00\x00\x00'
                                                            b'\x00\x90\x3c\x40\x60\x80\x3c\x00'),
         'byte 23: a tempo of 0 microseconds a quarter note'),
        # The slowest tempo, a note of 2200 beats: 36909 seconds.
        ('long.mid', MIDI_HEADER % (0, 1, 1) + midi_track(b'\x00\xff\x51\x03\xff\xff\xff'
                                                          b'\x00\x90\x3c\x40\x91\x18\x80\x3c\x00'),
         'byte 35: the melody lasts more than ten hours'),
        ('rests.rtttl', 'x:d=4:p,p', 'line 1, column 10: no note before the end'),
        ('empty.abc', '', 'line 1, column 1: no note'),
        ('what.txt', 'hello world', 'cannot tell its format'),
    ]

    def test_one_line_naming_the_place_and_nothing_written(self):
        for name, content, reason in self.CASES:
            with self.subTest(name=name, reason=reason):
                source = self.write(name, content)
                kept = self.write('kept.TPZ', tune_bytes([(440, 230)]))
                result = run('import', source, '-o', kept)
                self.assertNotEqual(result.returncode, 0)
                lines = result.stderr.decode().splitlines()
                self.assertEqual(len(lines), 1, lines)
                self.assertTrue(lines[0].startswith('pipalo-tune: %s: %s' % (source, reason)), lines)
                with open(kept, 'rb') as tune:
                    self.assertEqual(tune.read(), tune_bytes([(440, 230)]))
                run('import', source, '-o', self.path('new.TPZ'))
                self.assertFalse(os.path.exists(self.path('new.TPZ')))

    def test_format_from_the_content_when_the_name_says_nothing(self):
        cases = [('Tune:d=4,o=5,b=120:c', 'rtttl'), ('beep -f 300', 'beep'), ('#!/bin/sh\nexec beep -f 300', 'beep'),
                 ('tone(8, 300, 100);', 'arduino'), ('10 PLAY "C"', 'mml'), ('10 A$="C"\n20 PLAY A$', 'mml'),
                 ('X:1\nK:C\nC', 'abc')]
        for content, format in cases:
            with self.subTest(format=format):
                guessed, _ = self.imported('melody.txt', content)
                named, _ = self.imported('melody.dat', content, '--from', format)
                self.assertEqual(guessed, named)
        got, _ = self.imported('a4.abc', 'X:1\nK:C\nA', '--a4', '432')
        self.assertEqual(got, [(432, 250)])
        # A tune with no K: plays from its X:, and says what it assumed.
        got, messages = self.imported('keyless.abc', 'X:1\nL:1/4\nQ:1/4=120\nFc', '--a4', '432')
        self.assertEqual(got, records([(note('F4', 432), 500), (note('C5', 432), 500)]))
        self.assertEqual(messages, ['pipalo-tune: the tune gives no K: field: no sharps or flats assumed'])

    def test_an_endless_input_is_read_no_further_than_a_tune_file_may_be(self):
        result = run('import', '/dev/zero', '--from', 'rtttl', '-o', self.path('zero.TPZ'))
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, b'pipalo-tune: /dev/zero: larger than any melody (16 MiB)\n')



# convert, the Flipper Zero's music files, G-code tones, and transpose and tempo.

FLIPPER_SONG = ('Filetype: Flipper Music Format\nVersion: 0\nBPM: 150\nDuration: 8\nOctave: 5\n'
                'Notes: 8C4, 8D#4, 4E4, 16F#5, 16P, 8G4., 8A#4, 8P, 2B5, 4C#5, 16G#4, 8P, 4A4\n')


class ConvertTest(FormatTest):
    def convert(self, source, out, *options):
        result = run('convert', source, out, *options)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result

    def test_every_writer_gives_back_what_it_was_given(self):
        source = self.write('song.fmf', FLIPPER_SONG)
        self.convert(source, self.path('song.TPZ'))
        reference = read_records(self.path('song.TPZ'))
        self.convert(source, self.path('canonical.fmf'))
        with open(self.path('canonical.fmf')) as canonical:
            written = canonical.read()
        # Those that hold rests give back the same melody, rests and all (beep's as a delay
        # after a tone); sketches and MIDI hold tones only, and give back the same records.
        with_rests = ['song.rtttl', 'song.bas', 'song.mml', 'song.abc', 'song.gcode', 'again.fmf', 'song.sh']
        for name in with_rests + ['song.ino', 'song.mid', 'again.TPZ']:
            with self.subTest(output=name):
                self.convert(source, self.path(name))
                self.convert(self.path(name), self.path(name + '.TPZ'))
                self.assertEqual(read_records(self.path(name + '.TPZ')), reference)
                if name in with_rests:
                    self.convert(self.path(name), self.path(name + '.fmf'))
                    with open(self.path(name + '.fmf')) as back:
                        self.assertEqual(back.read(), written)
        with open(self.path('song.gcode')) as gcode:
            self.assertIn('M300 S0 P100\n', gcode.read())
        with open(self.path('song.rtttl')) as ringtone:
            notes = ringtone.read().strip().split(':')[2].split(',')
        self.assertEqual([index for index, note in enumerate(notes) if 'p' in note], [4, 7, 11])

    def test_abc2midi_reads_every_abc_written_as_the_same_tones(self):
        # Sharps of one letter in two octaves, a natural after a sharp in the bar, rests,
        # dots, notes from a 32nd to a whole, and lengths that are no note value at all.
        sources = {
            'song.fmf': FLIPPER_SONG,
            'accidentals.rtttl': 'a:d=16,o=5,b=90:c,c6,c#,c#6,d#4,2d4,32f#7,1p,c#,c#6,g#.,g6,8a#4,a4,1b',
            'odd.sh': 'beep -f 300 -l 230 -n -f 450 -l 333 -n -f 999 -l 41 -n -f 120 -l 1700',
        }
        for name, content in sources.items():
            with self.subTest(source=name):
                abc = self.path(name + '.abc')
                self.convert(self.write(name, content), abc)
                midi = self.path(name + '.mid')
                converted = subprocess.run(['abc2midi', abc, '-o', midi], capture_output=True)
                self.assertEqual(converted.returncode, 0, converted.stdout)
                self.assertNotIn(b'Error', converted.stdout)
                self.convert(abc, self.path(name + '.abc.TPZ'))
                self.convert(midi, self.path(name + '.mid.TPZ'))
                ours = read_records(self.path(name + '.abc.TPZ'))
                theirs = read_records(self.path(name + '.mid.TPZ'))
                self.assertEqual([frequency for frequency, _ in theirs], [frequency for frequency, _ in ours])
                for (_, our_length), (_, their_length) in zip(ours, theirs):
                    self.assertLessEqual(abs(our_length - their_length), 2)
                # Notes at one tempo come through as they were.
                if not name.endswith('.sh'):
                    self.convert(self.path(name), self.path(name + '.TPZ'))
                    self.assertEqual(ours, read_records(self.path(name + '.TPZ')))

    def test_basic_play_as_a_string_and_as_the_lines_of_a_program(self):
        # Long enough for several PLAY lines, each of which sets the tempo, octave and length again.
        melody = ', '.join(['8C4', '16E5', '8G4.', '4A#5', '8P', '32F4'] * 40)
        source = self.write('long.fmf', FLIPPER_SONG.replace(FLIPPER_SONG.split('Notes: ')[1], melody + '\n'))
        self.convert(source, self.path('long.TPZ'))
        for name in ('long.bas', 'long.mml'):
            self.convert(source, self.path(name))
            self.convert(self.path(name), self.path(name + '.TPZ'))
            self.assertEqual(read_records(self.path(name + '.TPZ')), read_records(self.path('long.TPZ')))
        with open(self.path('long.bas')) as program:
            lines = program.read().splitlines()
        self.assertGreater(len(lines), 2)
        for number, line in enumerate(lines, 1):
            self.assertRegex(line, r'^%d PLAY "MLT\d+O\d+L\d+[A-GP#0-9.O]+"$' % (10 * number))
            self.assertLessEqual(len(line), 220)
        with open(self.path('long.mml')) as string:
            self.assertRegex(string.read(), r'^MLT\d+O\d+L\d+[A-GMLTP#0-9.O]+\n$')

    def test_standard_input_and_output_and_what_is_refused(self):
        ringtone = b'Tune:d=8,o=5,b=125:c,e'
        result = subprocess.run([TOOL, 'convert', '-', '-', '--from', 'rtttl', '--to', 'beep'], input=ringtone,
                                capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, b'#!/bin/sh\nbeep -f 523 -l 240 \\\n  -n -f 659 -l 240\n')
        song = self.write('song.rtttl', ringtone)
        # -o names the output as import's does.
        self.assertEqual(run('convert', song, '-o', '-', '--to', 'beep').stdout, result.stdout)
        kept = self.write('kept.fmf', 'old')
        for arguments, status, message in [
                ((song, '-'), 2, 'cannot tell which format to write; name it with --to'),
                ((song, self.path('song.xyz')), 2, 'cannot tell which format to write'),
                ((song, kept, '--to', 'wave'), 2,
                 '--to takes rtttl, beep, arduino, mml, abc, midi, fmf, gcode or tpz, or wav for the tune\'s sound'),
                ((song,), 2, 'convert needs a file to write'),
                ((song, kept, kept), 2, 'unexpected argument ' + kept),
                ((song, '-o', kept, kept), 2, 'unexpected argument ' + kept),
                ((self.write('bad.rtttl', 'x:d=4:q'), kept), 1, 'bad.rtttl: line 1, column 7: expected a note'),
                ((song, kept, '--tempo', '0'), 2, '--tempo takes a percent'),
                ((song, kept, '--tempo', '-50'), 2, '--tempo takes a percent'),
                ((song, kept, '--transpose', '49'), 2, '--transpose takes whole semitones from -48 to 48'),
                ((song, kept, '--transpose', '1.5'), 2, '--transpose takes whole semitones')]:
            with self.subTest(arguments=arguments[1:]):
                result = run('convert', *arguments)
                self.assertEqual(result.returncode, status)
                self.assertIn(message, result.stderr.decode())
                with open(kept) as old:
                    self.assertEqual(old.read(), 'old')


class FlipperTest(FormatTest):
    def test_the_lines_and_notes_as_the_player_reads_them(self):
        # Blank lines and CR LF as converters write them, a comment, notes in either case, "_"
        # for "#", a triplet's 12, dots each half again as long, notes set apart by a space
        # alone; BPM 100 makes a quarter note 600 ms.
        content = ('Filetype: Flipper Music Format\r\n\r\nVersion: 0\r\n# by hand\r\nBPM: 100\r\n\r\n'
                   'Duration: 8\r\nOctave: 5\r\nNotes: 4c, 8D#4.., 16g_4, 12A, P, e5 c5, 2P, 1b4.\r\n')
        self.assertImports('TUNE.FMF', content, [
            (note('C5'), 600), (note('D#4'), 675), (note('G#4'), 150), (note('A5'), 200), (None, 300),
            (note('E5'), 300), (note('C5'), 300), (None, 1200), (note('B4'), 3600)])

    def test_a_file_the_player_refuses_is_refused_naming_the_place(self):
        header = 'Filetype: Flipper Music Format\nVersion: 0\nBPM: 120\nDuration: 4\nOctave: 4\n'
        for content, reason in [
                (header + 'Notes: 4C, 129D', 'line 6, column 12: a note\'s duration is 1 to 128'),
                (header + 'Notes: 4C; 4D', 'line 6, column 10: expected "," between notes'),
                (header + 'Notes: 4C, 4H', 'line 6, column 12: expected a note A to G or P'),
                (header.replace('BPM: 120\n', '') + 'Notes: C', 'no line "BPM: ..."'),
                (header.replace('Version: 0', 'Version: 1') + 'Notes: C', 'line 2, column 9: only version 0'),
                (header.replace('BPM: 120', 'BPM: 0') + 'Notes: C', 'line 3, column 5: BPM takes 1 to 60000')]:
            with self.subTest(reason=reason):
                source = self.write('bad.fmf', content)
                result = run('convert', source, self.path('bad.TPZ'))
                self.assertEqual(result.returncode, 1)
                lines = result.stderr.decode().splitlines()
                self.assertEqual(len(lines), 1, lines)
                self.assertTrue(lines[0].startswith('pipalo-tune: %s: ' % source), lines)
                self.assertIn(reason, lines[0])
                self.assertFalse(os.path.exists(self.path('bad.TPZ')))


class GcodeTest(FormatTest):
    def test_tones_rests_and_the_other_lines_of_a_print(self):
        content = ('N10 G28 X Y*91 ; home first\n'
                   'M104 S200\n'
                   'N11 M300 S440 P200*35\n'
                   'm300 s494 p100 (a second tone)\n'
                   'M300 S0 P150\n'
                   'G4 P250\n'
                   'G04 S0.5\n'
                   'M300 P300 ; the printer\'s own 260 Hz\n'
                   'M300S523\n'
                   'M300 S659 P6000\n'
                   'M300 S784 P99.6\n')
        messages = self.assertImports('start.gcode', content, [
            (440, 200), (494, 100), (None, 150), (None, 250), (None, 500), (260, 300), (523, 1000),
            (659, 5000), (784, 99.6)])
        self.assertIn('pipalo-tune: 2 lines that play no tone passed over: G28, M104', messages)
        self.assertIn('pipalo-tune: 1 tone cut to 5000 ms, the longest the printer plays', messages)
        # Found by its M300 lines whatever the file's name.
        guessed, _ = self.imported('end.txt', content)
        self.assertEqual(guessed, self.imported('end.gcode', content)[0])
        result = run('convert', self.write('bad.gcode', 'M300 S440\nM300 Sx'), self.path('bad.TPZ'))
        self.assertIn('line 2, column 6: expected a parameter such as S440 or P200 after M300', result.stderr.decode())

    def test_written_as_tones_and_silences_none_longer_than_the_printer_plays(self):
        source = self.write('long.sh', 'beep -f 440 -l 6000 -D 300 -n -f 262.4 -l 10')
        result = run('convert', source, '-', '--to', 'gcode')
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.decode().splitlines()
        self.assertTrue(lines[0].startswith('; long: '))
        self.assertEqual(lines[1:], ['M300 S440 P5000', 'M300 S440 P1000', 'M300 S0 P300', 'M300 S262 P10'])

    def test_a_long_pause_between_tunes_keeps_their_tempo_in_the_formats_of_notes(self):
        # Ten seconds is longer than any note value: the pause is written as several rests.
        source = self.write('pause.gcode', 'M300 S440 P250\nG4 S10\nM300 S494 P250\nM300 S523 P500\n')
        expected = ['M300 S440 P250', 'M300 S0 P10000', 'M300 S494 P250', 'M300 S523 P500']
        for name in ('pause.rtttl', 'pause.fmf', 'pause.abc', 'pause.bas'):
            with self.subTest(output=name):
                self.assertEqual(run('convert', source, self.path(name)).returncode, 0)
                back = run('convert', self.path(name), '-', '--to', 'gcode').stdout.decode().splitlines()[1:]
                rests = sum(int(line.split(' P')[1]) for line in back if line.startswith('M300 S0 '))
                self.assertEqual([line for line in back if not line.startswith('M300 S0 ')],
                                 [line for line in expected if not line.startswith('M300 S0 ')])
                self.assertEqual(rests, 10000)


class TransposeTempoTest(FormatTest):
    def test_semitones_and_speed_for_convert_import_and_the_exports(self):
        ringtone = 'Tune:d=8,o=5,b=125:c,e,4g'
        # Three semitones up, twice as fast: 240 ms eighths become 120 ms.
        self.assertImports('up.rtttl', ringtone, [(note('D#5'), 120), (note('G5'), 120), (note('A#5'), 240)],
                           '--transpose', '+3', '--tempo', '200')
        # An octave up moves past 999 Hz: the whole tune comes back down, and says so.
        _, messages = self.imported('octave.rtttl', ringtone, '--transpose', '12', '--tempo', '50')
        self.assertEqual(self.imported('plain.rtttl', ringtone, '--tempo', '50')[0],
                         self.imported('octave.rtttl', ringtone, '--transpose', '12', '--tempo', '50')[0])
        self.assertIn('pipalo-tune: moved 1 octave down to fit Pipalo\'s 100 to 999 Hz', messages)
        tune = self.write('tune.TPZ', tune_bytes([(440, 230), (330, 500)]))
        beep = run('beep', tune, '--transpose', '-12', '--tempo', '25')
        self.assertEqual(beep.stdout, b'#!/bin/sh\nbeep -f 220 -l 920 \\\n  -n -f 165 -l 2000\n')
        midi = run('midi', tune, '-o', self.path('low.mid'), '--transpose', '-5')
        self.assertEqual(midi.returncode, 0, midi.stderr)
        notes = [message.note for message in mido.MidiFile(self.path('low.mid')) if message.type == 'note_on']
        self.assertEqual(notes, [64, 59])
        for arguments, message in [(('list', tune, '--tempo', '50'), 'list moves no tone: drop --transpose and --tempo'),
                                   (('rtttl', tune, '--tempo', '0'), '--tempo takes a percent'),
                                   (('wav', tune, '-o', self.path('x.wav'), '--transpose', 'up'),
                                    '--transpose takes whole semitones')]:
            with self.subTest(arguments=arguments):
                result = run(*arguments)
                self.assertEqual(result.returncode, 2)
                self.assertIn(message, result.stderr.decode())


if __name__ == '__main__':
    TOOL = sys.argv.pop(1)
    unittest.main()
