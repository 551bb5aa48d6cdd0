"""pipalo-tune from the outside: what list shows, the tones found again in a WAV by
their zero crossings, the notes read back from a MIDI file by an independent reader
(mido), the notes found again in its pictures, made by the package's thumbnailer
entry, outputs that are not plain files (a pipe whose reader leaves among them), and
the one-line errors.
Usage: pipalo_tune_test.py PIPALO_TUNE PACKAGING_FOLDER"""

import configparser
import math
import os
import re
import select
import shlex
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
import wave

import mido

TOOL = None
PACKAGING = None
HEADER = b'// Read this as frequenty, length in milliseconds\r\n'
# Do4 and Sol4 recorded, then a record the player does not sound, then a short one.
TUNE = HEADER + b'263,230\r\n394,230\r\n020,100\r\n992,005\r\n'
SOUNDED = [(263, 230), (394, 230), (992, 5)]


def run(*arguments, tool=None, text=True, cwd=None):
    return subprocess.run([tool or TOOL, *arguments], capture_output=True, text=text, timeout=60, cwd=cwd)


def nearest_midi_note(frequency):
    semitones = 69 + 12 * math.log2(frequency / 440)
    return round(semitones), 100 * (semitones - round(semitones))


def pixels(picture):
    """The picture's width, height and rows of (red, green, blue), read by ImageMagick;
    an SVG is first drawn by librsvg, a reader other than the one that wrote it."""
    if picture.endswith('.svg'):
        subprocess.run(['rsvg-convert', picture, '-o', picture + '.png'], check=True)
        picture += '.png'
    size = subprocess.run(['identify', '-format', '%w %h', picture], capture_output=True, text=True, check=True)
    width, height = map(int, size.stdout.split())
    raw = subprocess.run(['convert', picture, '-depth', '8', 'rgb:-'], capture_output=True, check=True).stdout
    rows = [[tuple(raw[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)] for y in range(height)]
    return width, height, rows


def note_bars(rows):
    """The bounding boxes (left, top, right, bottom) of the orange shapes, left to right."""
    def orange(colour):
        red, _, blue = colour
        return red > 100 and red - blue > 60
    height, width = len(rows), len(rows[0])
    seen, bars = set(), []
    for y in range(height):
        for x in range(width):
            if (x, y) in seen or not orange(rows[y][x]):
                continue
            seen.add((x, y))
            todo, box = [(x, y)], [x, y, x, y]
            while todo:
                px, py = todo.pop()
                box = [min(box[0], px), min(box[1], py), max(box[2], px), max(box[3], py)]
                for nx, ny in ((px + 1, py), (px - 1, py), (px, py + 1), (px, py - 1)):
                    if 0 <= nx < width and 0 <= ny < height and (nx, ny) not in seen and orange(rows[ny][nx]):
                        seen.add((nx, ny))
                        todo.append((nx, ny))
            bars.append(tuple(box))
    return sorted(bars)


def octave_lines(rows):
    """The heights of the grey lines drawn across the roll under each Do, top to bottom."""
    def line_grey(colour):
        return max(colour) - min(colour) < 12 and 120 < colour[0] < 215
    crossing = [y for y, row in enumerate(rows) if sum(map(line_grey, row)) > len(row) // 2]
    runs = []  # a line drawn between pixel rows greys two of them
    for y in crossing:
        if runs and y == runs[-1][-1] + 1:
            runs[-1].append(y)
        else:
            runs.append([y])
    return [(run[0] + run[-1] + 1) / 2 for run in runs]


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

    def test_a_melody_converted_to_wav_sounds_as_its_tune_file(self):
        ringtone, tune, expected = self.path('song.rtttl'), self.path('song.TPZ'), self.path('expected.wav')
        with open(ringtone, 'w') as text:
            text.write('song:d=8,o=5,b=140:c,p,e,4g6\n')
        self.assertEqual(run('import', ringtone, '-o', tune).returncode, 0)
        self.assertEqual(run('wav', tune, '-o', expected).returncode, 0)
        with open(expected, 'rb') as wav:
            sound = wav.read()
        for arguments in ((self.path('SONG.WAV'),), ('-', '--to', 'wav')):
            with self.subTest(arguments=arguments):
                result = run('convert', ringtone, *arguments, text=False)
                self.assertEqual(result.returncode, 0, result.stderr)
                if arguments[0] == '-':
                    self.assertEqual(result.stdout, sound)
                else:
                    with open(arguments[0], 'rb') as wav:
                        self.assertEqual(wav.read(), sound)
        # A WAV file is no melody to read.
        self.assertNotEqual(run('convert', expected, self.path('back.TPZ')).returncode, 0)

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

    def test_pictures_draw_each_tone_at_its_pitch_and_time(self):
        # The notes run on one after another, the one not sounded taking no time.
        tune = HEADER + b'263,230\r\n394,230\r\n662,230\r\n313,230\r\n020,100\r\n992,460\r\n'
        drawn = [(263, 0, 230), (394, 230, 230), (662, 460, 230), (313, 690, 230), (992, 920, 460)]
        with open(self.tune, 'wb') as out:
            out.write(tune)
        # The package's thumbnailer entry, run as a file manager runs it: an output name
        # without extension, which must hold a PNG.
        entry = configparser.ConfigParser(interpolation=None)
        entry.read(os.path.join(PACKAGING, 'pipalo-tune.thumbnailer'))
        with open(os.path.join(PACKAGING, 'pipalo-tune-file.xml')) as mime:
            tune_type = re.search(r'<mime-type type="([^"]+)"', mime.read())[1]
        self.assertEqual(entry['Thumbnailer Entry']['MimeType'], tune_type + ';')
        thumbnail = self.path('thumbnail')
        words = {'%s': '128', '%i': self.tune, '%o': thumbnail}
        command = [words.get(word, word) for word in shlex.split(entry['Thumbnailer Entry']['Exec'])]
        self.assertEqual(command[0], entry['Thumbnailer Entry']['TryExec'])
        for size, picture, arguments in ((128, thumbnail, command[1:]),
                                         (1024, self.path('song.svg'), ['picture', '-s', '1024', self.tune,
                                                                        '-o', self.path('song.svg')])):
            with self.subTest(size=size, picture=picture):
                result = run(*arguments)
                self.assertEqual(result.returncode, 0, result.stderr)
                if picture == thumbnail:
                    with open(picture, 'rb') as png:
                        self.assertEqual(png.read(8), b'\x89PNG\r\n\x1a\n')
                width, height, rows = pixels(picture)
                self.assertEqual((width, height), (size, size))
                bars = note_bars(rows)
                self.assertEqual(len(bars), len(drawn), bars)
                # Lines under Do4 and Do5 measure a semitone; each bar's middle is its
                # pitch's, cents included, within a pixel.
                do5_line, do4_line = octave_lines(rows)
                semitone = (do4_line - do5_line) / 12
                for (left, top, right, bottom), (frequency, start, length) in zip(bars, drawn):
                    above_do4 = 12 * math.log2(frequency / 440) + 9 + 0.5
                    self.assertAlmostEqual((top + bottom + 1) / 2, do4_line - above_do4 * semitone, delta=1)
                # Across, the bars start in proportion to their times.
                first, last = bars[0][0], bars[-1][0]
                for (left, *_), (_, start, _) in zip(bars, drawn):
                    self.assertAlmostEqual(left, first + (last - first) * start / drawn[-1][1], delta=1.5)
                self.assertGreater(bars[-1][2] - last, 1.5 * (bars[0][2] - first))

    def test_every_accepted_size_draws_and_what_a_picture_holds_is_bounded(self):
        for size in (32, 43, 44):
            with self.subTest(size=size):
                picture = self.path('%d.png' % size)
                result = run('picture', '--size', str(size), self.tune, '-o', picture)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(pixels(picture)[:2], (size, size))
        # Far more notes than columns of pixels: each column holds each height once.
        with open(self.tune, 'wb') as out:
            out.write(HEADER + b'263,005\r\n394,005\r\n' * 50000)
        result = run('picture', '--size', '4096', self.tune, '-o', self.path('long.svg'))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertLess(os.path.getsize(self.path('long.svg')), 2 << 20)

    def test_outputs_that_are_not_plain_files_are_written_into(self):
        rtttl = self.path('tune.rtttl')
        with open(rtttl, 'w') as out:
            out.write('Tune:d=4,o=5,b=120:c,e,g\n')
        for command, source, name in (('wav', self.tune, 'out.wav'), ('midi', self.tune, 'out.mid'),
                                      ('picture', self.tune, 'out.png'), ('import', rtttl, 'out.TPZ')):
            with self.subTest(command=command):
                result = run(command, source, '-o', self.path(name))
                self.assertEqual(result.returncode, 0, result.stderr)
                with open(self.path(name), 'rb') as written:
                    expected = written.read()
                before = sorted(os.listdir(self.folder.name))
                # Standard output is a pipe here.
                for output in ('-', '/dev/stdout'):
                    result = run(command, source, '-o', output, text=False, cwd=self.folder.name)
                    self.assertEqual(result.returncode, 0, result.stderr)
                    self.assertEqual(result.stdout, expected)
                self.assertEqual(sorted(os.listdir(self.folder.name)), before)
                # A device node of the null device, where one may be made.
                device = self.path('null')
                try:
                    os.mknod(device, stat.S_IFCHR | 0o666, os.makedev(1, 3))
                except PermissionError:
                    continue
                result = run(command, source, '-o', device)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertTrue(stat.S_ISCHR(os.stat(device).st_mode))
                os.remove(device)

    def test_a_pipe_is_written_into_and_its_reader_leaving_fails_the_write(self):
        pipe = self.path('pipe.wav')
        os.mkfifo(pipe)
        # No reader: a failure at once, not a wait for one.
        result = run('wav', self.tune, '-o', pipe)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn('cannot write', result.stderr)
        self.assertIn('No process reads from the pipe', result.stderr)
        # A reader that takes one byte and leaves, with more than the pipe holds still to come.
        long_tune = self.path('long.TPZ')
        with open(long_tune, 'wb') as out:
            out.write(HEADER + b'440,230\r\n' * 40)
        reader = os.open(pipe, os.O_RDONLY | os.O_NONBLOCK)
        tool = subprocess.Popen([TOOL, 'wav', long_tune, '-o', pipe], stderr=subprocess.PIPE, text=True)
        try:
            readable, _, _ = select.select([reader], [], [], 60)
            self.assertTrue(readable, 'the tool writes nothing')
            self.assertEqual(len(os.read(reader, 1)), 1)
        finally:
            os.close(reader)
        errors = tool.communicate(timeout=60)[1]
        # Not ended by SIGPIPE (a negative code), but failing as for any other write error.
        self.assertEqual(tool.returncode, 1, errors)
        self.assertIn('Broken pipe', errors)
        self.assertEqual(len(errors.splitlines()), 1, errors)

    def test_double_dash_ends_the_options(self):
        named = self.path('-s.TPZ')
        shutil.copy(self.tune, named)
        rtttl = self.path('-t.rtttl')
        with open(rtttl, 'w') as out:
            out.write('Tune:d=4,o=5,b=120:c,e,g\n')
        for arguments in (('list', '--', named), ('rtttl', '--', named),
                          ('picture', '-o', self.path('dash.png'), '--', named),
                          ('import', '-o', self.path('dash.TPZ'), '--', rtttl)):
            with self.subTest(arguments=arguments):
                result = run(*arguments, cwd=self.folder.name)
                self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(run('list', '--', named).stdout.endswith('3 tones, 465 ms, 1 not sounded\n'))
        self.assertIn('cannot read -h', run('list', '--', '-h').stderr)

    def test_failures_say_so_in_one_line_and_exit_non_zero(self):
        not_a_tune = self.path('passwd.TPZ')
        with open(not_a_tune, 'w') as out:
            out.write('root:x:0:0:root:/root:/bin/bash\nsystemd-timesync:x:998:998::/:/usr/sbin/nologin\n')
        # More than 4 GiB of samples: refused before a byte is written.
        too_long, kept = self.path('long.TPZ'), self.path('kept.wav')
        with open(too_long, 'wb') as out:
            out.write(HEADER + b'999,999\r\n' * 46000)
        with open(kept, 'wb') as out:
            out.write(b'kept')
        cases = [
            (('list', self.path('missing.TPZ')), 'cannot read'),
            (('list', self.folder.name), 'cannot read'),
            (('list', '/dev/zero'), 'larger than any tune'),
            (('list', self.tune, '--loud'), 'unknown option --loud'),
            (('wav', self.tune), 'needs an output file'),
            (('wav', self.tune, '-o', self.path('no/such/folder.wav')), 'cannot write'),
            (('midi', self.tune, '-o', self.path('no/such/folder.mid')), 'cannot write'),
            (('picture', self.path('missing.TPZ'), '-o', self.path('missing.png')), 'cannot read'),
            (('picture', self.tune, '-o', self.path('no/such/folder.png')), 'cannot write'),
            (('picture', self.tune, '--size', '31', '-o', self.path('small.png')), 'not 31'),
            (('picture', self.tune, '--size=4097', '-o', self.path('large.png')), 'not 4097'),
            (('list', self.tune, '--size', '128'), 'draws no picture'),
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
            (('list', not_a_tune), 'no record in it'),
            (('picture', not_a_tune, '-o', self.path('not a tune.png')), 'no record in it'),
            (('wav', too_long, '-o', kept), 'too long for a WAV file'),
        ]
        # The tool alone, without the drawing program it runs from beside it.
        alone = self.path('pipalo-tune')
        shutil.copy(TOOL, alone)
        cases.append((('picture', self.tune, '-o', self.path('alone.png')), 'cannot run the drawing program', alone))
        for arguments, reason, *tool in cases:
            with self.subTest(arguments=arguments, tool=tool):
                result = run(*arguments, tool=tool[0] if tool else None)
                self.assertNotEqual(result.returncode, 0)
                self.assertEqual(result.stdout, '')
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertTrue(result.stderr.startswith('pipalo-tune: '), result.stderr)
                self.assertIn(reason, result.stderr)
        self.assertFalse(os.path.exists(self.path('not a tune.png')))
        with open(kept, 'rb') as wav:
            self.assertEqual(wav.read(), b'kept')

    def test_help_and_version(self):
        help_text = run('--help')
        self.assertEqual(help_text.returncode, 0)
        for command in ('list FILE', 'play FILE', 'wav FILE -o', 'midi FILE -o', 'picture [--size N] FILE -o',
                        'convert IN OUT', 'import IN -o OUT.TPZ', 'rtttl|beep|arduino FILE'):
            self.assertIn(command, help_text.stdout)
        # The formats of convert and import, their summaries and file-name endings, one line each; the
        # manual lists the same formats in the same order, each with its endings.
        formats = re.findall(r'^    (\w+) +.+ \((\.[^)]*)\)$', help_text.stdout, re.MULTILINE)
        self.assertEqual([name for name, _ in formats],
                         ['rtttl', 'beep', 'arduino', 'mml', 'abc', 'midi', 'fmf', 'gcode', 'tpz'])
        manual_path = os.path.join(os.path.dirname(__file__), '..', '..', 'tools', 'pipalo-tune', 'pipalo-tune.1')
        with open(manual_path) as manual_file:
            manual = manual_file.read()
        listed = manual[manual.index('.TP\n.B import\n'):manual.index('.TP\n.B picture\n')]
        self.assertEqual(re.findall(r'^\.TP\n\.B (\w+)\n\((.*?)\)', listed, re.MULTILINE),
                         [(name, ', '.join(endings.split())) for name, endings in formats])
        # Every command of the synopsis on a line of its own.
        synopsis = manual[manual.index('.SH SYNOPSIS'):manual.index('.SH DESCRIPTION')]
        self.assertEqual(synopsis.count('.B pipalo-tune'), synopsis.count('.br\n.B pipalo-tune') + 1)
        version = run('--version')
        self.assertEqual(version.returncode, 0)
        self.assertRegex(version.stdout, r'^pipalo-tune \d+\.\d+\n$')


if __name__ == '__main__':
    TOOL, PACKAGING = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main()
