"""pipalo-tune import on the worst inputs known for each format, from 1 to 16 MiB: the
seconds each import takes and the most memory it holds, so that both can be seen to grow
no faster than the input; and convert of the longest melodies to the formats of notes,
whose writers search the tempo. Usage: import_bench.py PIPALO_TUNE [MiB ...]"""

import os
import struct
import subprocess
import sys
import tempfile
import time

MIB = 1 << 20


def repeated(head, unit, tail, size):
    """head, then unit as often as fits in size bytes with tail after it."""
    count = max(0, (size - len(head) - len(tail)) // len(unit))
    return head + unit * count + tail


def midi_note_ons(size):
    """One track of note-ons, all at tick 0, in running status: no note ever ends."""
    body_size = size - 22 - 4
    keys = b''.join(b'\x00%c\x40' % (0x30 + key) for key in range(48))
    body = b'\x00\x90\x3c\x40' + keys * (body_size // len(keys)) + b'\x00\xff\x2f\x00'
    return b'MThd' + struct.pack('>IHHH', 6, 0, 1, 480) + b'MTrk' + struct.pack('>I', len(body)) + body


def midi_short_notes(size):
    """Notes one tick long, each struck and ended: the melody grows until the cap."""
    body_size = size - 22 - 4
    unit = b'\x01\x90\x3c\x40\x01\x80\x3c\x40'
    body = unit * max(0, body_size // len(unit)) + b'\x00\xff\x2f\x00'
    return b'MThd' + struct.pack('>IHHH', 6, 0, 1, 480) + b'MTrk' + struct.pack('>I', len(body)) + body


def midi_all_notes_off(size):
    """A note struck and every note of its channel ended by All Notes Off, over and over."""
    body_size = size - 22 - 4
    unit = b'\x01\x90\x3c\x40\x00\xb0\x7b\x00'
    body = unit * max(0, body_size // len(unit)) + b'\x00\xff\x2f\x00'
    return b'MThd' + struct.pack('>IHHH', 6, 0, 1, 480) + b'MTrk' + struct.pack('>I', len(body)) + body


def midi_track_per_note(size):
    """A track for each note, never switched off: each ends with its track."""
    track = b'MTrk' + struct.pack('>I', 8) + b'\x00\x90\x3c\x40\x01\xff\x2f\x00'
    return b'MThd' + struct.pack('>IHHH', 6, 1, 1, 480) + track * max(1, (size - 14) // len(track))


FLIPPER_HEADER = b'Filetype: Flipper Music Format\nVersion: 0\nBPM: 120\nDuration: 8\nOctave: 5\n'


def gcode_lengths(size):
    """Tones of 18000 lengths a hundredth of a millisecond apart, as many as fit, up to
    just below the melody's cap: past it the import would stop before the writer."""
    lines = (b'M300 S440 P%.2f\n' % (index % 18000 / 100 + 1) for index in range(199000))
    out, length = [], 0
    for line in lines:
        if length + len(line) > size:
            break
        out.append(line)
        length += len(line)
    return b''.join(out)


# (format, shape, what makes it hard, maker of `size` bytes[, the ending convert writes])
SHAPES = [
    ('rtttl', 'notes past the cap', 'a ringtone of millions of notes',
     lambda size: repeated(b'x:d=4,o=5,b=100:', b'c,', b'c', size)),
    ('rtttl', 'endless spaces', 'blanks between two notes',
     lambda size: repeated(b'x:d=4:c', b' ', b',d', size)),
    ('beep', '-r 1000 on every note', 'each line a thousand repeats',
     lambda size: repeated(b'', b'beep -f 440 -l 1 -r 1000 -d 1\n', b'', size)),
    ('beep', 'a silent function called on every line', 'calls that make no sound',
     lambda size: repeated(b'f() {\n  echo x\n}\n', b'f\n', b'beep\n', size)),
    ('arduino', 'x[]={ nested', 'an array inside an array, never closed',
     lambda size: repeated(b'', b'x[]={', b'', size)),
    ('arduino', 'durations divided on every line', 'one array used a million times',
     lambda size: repeated(b'int melody[]={NOTE_C4};int d[]={4};\n', b'n=1000/d[i];\n', b'', size)),
    ('arduino', 'an endless loop of the whole sketch', 'the evaluator run to its last step',
     lambda size: repeated(b'long x;\nvoid setup() { while (1) {\n', b'x = (x + 1) * 3 % 7;\n', b'} }\n', size)),
    ('arduino', 'tone() past the cap', 'a sketch that plays a million notes',
     lambda size: repeated(b'void setup() {\n', b'tone(8, 440, 5); delay(5);\n', b'}\n', size)),
    ('arduino', '((((( nested', 'an expression nested without end',
     lambda size: repeated(b'void setup() { tone(8, ', b'(', b'', size)),
    ('mml', 'PLAY A$ on every line', 'a variable looked up each time',
     lambda size: repeated(b'10 A$="O4"\n', b'20 PLAY A$\n', b'30 PLAY "C"\n', size)),
    ('mml', 'PLAY A$+A$+...', 'one long expression',
     lambda size: repeated(b'10 A$="O4"\n20 PLAY A$', b'+A$', b'+"C"\n', size)),
    ('abc', '[K:C with no ]', 'an inline field left open on every line',
     lambda size: repeated(b'X:1\nK:C\n', b'[K:C\n', b'C\n', size)),
    ('abc', 'repeats of repeats', 'a repeat sign after every note',
     lambda size: repeated(b'X:1\nK:C\n', b'|C:|', b'\n', size)),
    ('abc', 'macros tried at every character', 'eight targets of 31 characters, none matching',
     lambda size: repeated(b'X:1\n' + b''.join(b'm:' + b'y' * 15 + bytes([65 + i]) + b'y' * 15 + b'=C\n'
                                             for i in range(8)) + b'K:C\n', b'y', b'\n', size)),
    ('midi', 'note-ons at one tick', 'notes that never end, all at once',
     midi_note_ons),
    ('midi', 'one-tick notes', 'a note struck and ended on every tick',
     midi_short_notes),
    ('midi', 'All Notes Off after every note', 'each one looking at its channel\'s keys',
     midi_all_notes_off),
    ('midi', 'a track for each note, never switched off', 'notes ended by their track\'s end',
     midi_track_per_note),
    ('fmf', 'notes past the cap', 'a Flipper file of millions of notes',
     lambda size: repeated(FLIPPER_HEADER + b'Notes: ', b'C, ', b'C\n', size)),
    ('fmf', 'lines of keys the player passes over', 'no note until the last line',
     lambda size: repeated(FLIPPER_HEADER, b'Comment: x\n', b'Notes: C\n', size)),
    ('gcode', 'M300 on every line', 'tones past the cap',
     lambda size: repeated(b'', b'M300 S440 P1\n', b'', size)),
    ('gcode', 'one M300 with endless parameters', 'a line of millions of S and P',
     lambda size: repeated(b'M300', b' S440 P1', b'\n', size)),
    ('gcode', 'a print without tones', 'other G-code on every line, one tone at the end',
     lambda size: repeated(b'', b'G1 X10.5 Y20.25 E0.5 F1800\n', b'M300\n', size)),
    ('tpz', 'records past the cap', 'a tune file of the most records it may hold',
     lambda size: repeated(b'// Read this as frequenty, length in milliseconds\r\n', b'440,001\r\n', b'', size)),
    # The writers of notes, on melodies up to the longest a reader makes, of 18000 lengths.
    ('gcode', 'to fmf: 18000 lengths', 'the tempo search over every length and tempo',
     gcode_lengths, 'fmf'),
    ('gcode', 'to abc: 18000 lengths', 'the tempo search over every length and tempo',
     gcode_lengths, 'abc'),
]


def measure(tool, arguments):
    """Seconds and the peak resident memory in MiB of one run. A child's peak counts the
    memory of the process it was forked from, so this one holds no input of its own."""
    start = time.monotonic()
    process = subprocess.Popen([tool, *arguments],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    seconds = time.monotonic() - start
    message = process.stderr.read().decode().strip().splitlines()
    process.stderr.close()
    return seconds, usage.ru_maxrss / 1024, os.waitstatus_to_exitcode(status), message[-1] if message else ''


def make(index, size, path):
    with open(path, 'wb') as data:
        data.write(SHAPES[index][3](size))


def main():
    if sys.argv[1] == '--make':
        make(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4])
        return
    tool = sys.argv[1]
    sizes = [int(argument) for argument in sys.argv[2:]] or [1, 2, 4, 8, 16]
    _, baseline, _, _ = measure(tool, ['--version'])
    print('Least a run of the tool can show (pipalo-tune --version): %.0f MiB\n' % baseline)
    print('| Format | Input | ' + ' | '.join('%d MiB' % size for size in sizes) + ' | Ends with |')
    print('|---|---|' + '---|' * len(sizes) + '---|')
    with tempfile.TemporaryDirectory() as folder:
        output = os.path.join(folder, 'out.TPZ')
        for index, (format, shape, _, _, *written) in enumerate(SHAPES):
            cells, ending = [], ''
            for size in sizes:
                path = os.path.join(folder, 'input')
                subprocess.run([sys.executable, __file__, '--make', str(index), str(size * MIB), path], check=True)
                arguments = (['convert', path, output, '--from', format, '--to', written[0]] if written else
                             ['import', path, '--from', format, '-o', output])
                seconds, memory, code, message = measure(tool, arguments)
                cells.append('%.2f s, %.0f MiB' % (seconds, memory))
                ending = 'exit %d: %s' % (code, message.split(': ', 2)[-1][:60]) if code else 'exit 0'
            print('| %s | %s | %s | %s |' % (format, shape, ' | '.join(cells), ending))
        # An endless input is read only as far as the largest melody.
        seconds, memory, code, message = measure(tool, ['import', '/dev/zero', '--from', 'rtttl', '-o', output])
        print('| rtttl | /dev/zero, endless | %.2f s, %.0f MiB |%s exit %d: %s |' %
              (seconds, memory, ' |' * (len(sizes) - 1), code, message.split(': ', 2)[-1][:60]))


if __name__ == '__main__':
    main()
