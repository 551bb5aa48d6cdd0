"""The time and peak memory of pipalo-tune's exports of the largest tune a file may hold
(16 MiB: 1 864 129 records, the seven notes of an octave in turn), and the size of what
each writes. Usage: export_bench.py PIPALO_TUNE"""

import os
import resource
import subprocess
import sys
import tempfile
import time

HEADER = b'// Read this as frequenty, length in milliseconds\r\n'
RECORDS = (16 * 1024 * 1024 - len(HEADER)) // 9
NOTES = [b'263', b'294', b'330', b'349', b'392', b'440', b'494']


def main(tool):
    with tempfile.TemporaryDirectory() as folder:
        tune = os.path.join(folder, 'largest.TPZ')
        # Written an octave at a time, so that this process stays small: a child's peak
        # memory counts what it shares with it before it runs the tool.
        with open(tune, 'wb') as out:
            out.write(HEADER)
            octave = b''.join(note + b',230\r\n' for note in NOTES)
            out.write(octave * (RECORDS // 7) + octave[:9 * (RECORDS % 7)])
        print('%d records, %d bytes' % (RECORDS, os.path.getsize(tune)))
        for arguments, output in ((['midi'], 'largest.mid'), (['picture', '--size', '4096'], 'largest.png'),
                                  (['picture', '--size', '4096'], 'largest.svg')):
            path = os.path.join(folder, output)
            started = time.monotonic()
            subprocess.run([tool, *arguments, tune, '-o', path], check=True)
            seconds = time.monotonic() - started
            peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
            print('%-28s %6.2f s  %8d bytes  (peak memory of the largest so far: %d MiB)'
                  % (' '.join(arguments + [output]), seconds, os.path.getsize(path), peak // 1024))


if __name__ == '__main__':
    main(sys.argv[1])
