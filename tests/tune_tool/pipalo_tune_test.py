"""pipalo-tune from the outside: what list shows, the tones found again in a WAV by
their zero crossings, the notes read back from a MIDI file by an independent reader
(mido), and the one-line errors. Usage: pipalo_tune_test.py PIPALO_TUNE"""

import math
import os
import subprocess
import sys
import tempfile
import unittest
import wave

import mido

TOOL = None
HEADER = b'// Read this as frequenty, length in milliseconds\r\n'
# Do4 and Sol4 recorded, then a record the player does not sound, then a short one.
TUNE = HEADER + b'263,230\r\n394,230\r\n020,100\r\n992,005\r\n'
SOUNDED = [(263, 230), (394, 230), (992, 5)]


def run(*arguments):
    return subprocess.run([TOOL, *arguments], capture_output=True, text=True, timeout=60)


def nearest_midi_note(frequency):
    semitones = 69 + 12 * math.log2(frequency / 440)
    return round(semitones), 100 * (semitones - round(semitones))


class PipaloTuneTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.tune = self.path('song.TPZ')
        with open(self.tune, 'wb') as out:
            out.write(TUNE)

    def tearDown(self):
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def test_list_shows_each_record_then_the_count_and_length(self):
        result = run('list', self.tune)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.splitlines(), [
            '  263 Hz   230 ms  Do4     +9 cents',
            '  394 Hz   230 ms  Sol4    +9 cents',
            '   20 Hz   100 ms  not sounded: below 37 Hz',
            '  992 Hz     5 ms  Si5     +7 cents',
            '3 tones, 465 ms, 1 not sounded',
        ])

    def test_list_reads_as_playback_does(self):
        # A record one character short shifts the rest, and a byte 26 ends the text.
        with open(self.tune, 'wb') as out:
            out.write(b'99,230\r\n263,230\r\n394,230\r\n\x1a496,230\r\n')
        self.assertEqual(run('list', self.tune).stdout.splitlines(), [
            '   99 Hz    30 ms  Sol2   +18 cents',
            '   63 Hz    30 ms  Si1    +35 cents',
            '   94 Hz    30 ms  Fa#2   +28 cents',
            '3 tones, 90 ms',
        ])

    def test_wav_holds_the_tones_at_their_frequencies_and_sample_counts(self):
        out = self.path('song.wav')
        result = run('wav', self.tune, '-o', out)
        self.assertEqual(result.returncode, 0, result.stderr)
        with wave.open(out) as wav:
            self.assertEqual((wav.getframerate(), wav.getnchannels(), wav.getsampwidth()), (48000, 1, 2))
            frames = wav.readframes(wav.getnframes())
        samples = [int.from_bytes(frames[i:i + 2], 'little', signed=True) for i in range(0, len(frames), 2)]
        # 230 ms is 11040 samples.
        self.assertEqual(len(samples), 11040 + 11040 + 240)
        start = 0
        for frequency, length in SOUNDED:
            count = 48 * length
            tone = samples[start:start + count]
            start += count
            # Each tone starts and ends at silence, faded, so a cut between two shows.
            self.assertLessEqual(abs(tone[0]), 1)
            # Rising zero crossings, placed between samples, away from the fades.
            rising = [i - 1 + tone[i - 1] / (tone[i - 1] - tone[i]) for i in range(240, count - 240)
                      if tone[i - 1] < 0 <= tone[i]]
            if len(rising) >= 2:
                measured = 48000 * (len(rising) - 1) / (rising[-1] - rising[0])
                self.assertAlmostEqual(measured, frequency, delta=0.1)

    def test_play_sounds_the_samples_of_the_wav_without_gaps(self):
        exported = self.path('song.wav')
        self.assertEqual(run('wav', self.tune, '-o', exported).returncode, 0)
        # ALSA's default device written to a file instead of a sound card.
        captured, configuration = self.path('capture.wav'), self.path('asound.conf')
        with open(configuration, 'w') as text:
            text.write('pcm.!default { type file slave.pcm { type null } file "%s" format "wav" }\n' % captured)
        result = subprocess.run([TOOL, 'play', self.tune], capture_output=True, text=True, timeout=60,
                                env=dict(os.environ, ALSA_CONFIG_PATH=configuration))
        self.assertEqual(result.returncode, 0, result.stderr)
        with wave.open(exported) as wav, wave.open(captured) as capture:
            self.assertEqual(capture.getframerate(), 48000)
            self.assertIn(wav.readframes(wav.getnframes()), capture.readframes(capture.getnframes()))

    def test_play_on_a_device_that_refuses_names_the_alsa_call_in_one_line(self):
        # A device that takes only two channels: setting it up for one fails.
        configuration = self.path('asound.conf')
        with open(configuration, 'w') as text:
            text.write('pcm.!default { type multi slaves.a { pcm { type null } channels 2 }'
                       ' bindings.0 { slave a channel 0 } bindings.1 { slave a channel 1 } }\n')
        result = subprocess.run([TOOL, 'play', self.tune], capture_output=True, text=True, timeout=60,
                                env=dict(os.environ, ALSA_CONFIG_PATH=configuration))
        self.assertEqual(result.stderr.count('\n'), 1, result.stderr)
        self.assertTrue(result.stderr.startswith('pipalo-tune: ALSA\'s default sound device cannot be set up: '
                                                 'snd_pcm_hw_params_set_channels(1 channel): '), result.stderr)

    def test_midi_reads_back_as_the_nearest_notes_bent_with_their_lengths(self):
        out = self.path('song.mid')
        result = run('midi', self.tune, '-o', out)
        self.assertEqual(result.returncode, 0, result.stderr)
        midi = mido.MidiFile(out)
        self.assertEqual(midi.type, 0)
        tempo = next(m.tempo for m in midi.tracks[0] if m.type == 'set_tempo')
        self.assertEqual(mido.tick2second(1, midi.ticks_per_beat, tempo), 0.001)
        notes, bend, started, now = [], 0, None, 0
        for message in midi.tracks[0]:
            now += message.time
            if message.type == 'pitchwheel':
                bend = message.pitch
            elif message.type == 'note_on' and message.velocity > 0:
                started = (message.note, bend, now)
            elif message.type in ('note_off', 'note_on'):
                note, at_bend, at = started
                self.assertEqual(message.note, note)
                notes.append((note, at_bend, now - at))
        expected = []
        for frequency, length in SOUNDED:
            note, cents = nearest_midi_note(frequency)
            expected.append((note, round(cents / 200 * 8192), length))
        self.assertEqual(notes, expected)

    def test_failures_say_so_in_one_line_and_exit_non_zero(self):
        cases = [
            (('list', self.path('missing.TPZ')), 'cannot read'),
            (('list', self.folder.name), 'cannot read'),
            (('list', self.tune, '--loud'), 'unknown option --loud'),
            (('wav', self.tune), 'needs an output file'),
            (('wav', self.tune, '-o', self.path('no/such/folder.wav')), 'cannot write'),
            (('midi', self.tune, '-o', self.path('no/such/folder.mid')), 'cannot write'),
            (('sing', self.tune), 'unknown command sing'),
            ((), 'no command'),
            (('import', self.tune), 'needs a tune file to write: -o OUT.TPZ'),
            (('import', '-o', self.path('out.TPZ')), 'import needs a file to read'),
            (('import', self.tune, '-o', self.path('out.TPZ'), '--from', 'wav'), '--from takes rtttl, beep'),
            (('import', self.tune, '-o', self.path('out.TPZ'), '--a4', 'high'), '--a4 takes a frequency'),
            (('import', self.tune, '-o', self.path('out.TPZ'), '--channel', '17'), '--channel takes'),
            (('import', self.path('missing.abc'), '-o', self.path('out.TPZ')), 'cannot read'),
            (('rtttl', self.path('missing.TPZ')), 'cannot read'),
            (('beep',), 'beep needs a tune file'),
        ]
        for arguments, reason in cases:
            with self.subTest(arguments=arguments):
                result = run(*arguments)
                self.assertNotEqual(result.returncode, 0)
                self.assertEqual(result.stdout, '')
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertTrue(result.stderr.startswith('pipalo-tune: '), result.stderr)
                self.assertIn(reason, result.stderr)

    def test_help_and_version(self):
        help_text = run('--help')
        self.assertEqual(help_text.returncode, 0)
        for command in ('list FILE', 'play FILE', 'wav FILE -o', 'midi FILE -o', 'import IN -o OUT.TPZ',
                        'rtttl|beep|arduino FILE'):
            self.assertIn(command, help_text.stdout)
        version = run('--version')
        self.assertEqual(version.returncode, 0)
        self.assertRegex(version.stdout, r'^pipalo-tune \d+\.\d+\n$')


if __name__ == '__main__':
    TOOL = sys.argv.pop(1)
    unittest.main()
