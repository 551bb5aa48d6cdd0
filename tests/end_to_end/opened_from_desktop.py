#!/usr/bin/env python3
"""Opens a tune file as a desktop does (xdg-open, on GNOME's road through GIO) with
the Debian package installed, on the X display this runs on (xvfb-run gives it one):
Pipalo starts, shows its window and plays the tune, captured from ALSA's default
device; closed, it ends.

Usage: opened_from_desktop.py TUNE FREQUENCY...   (the tune's tones, 230 ms each)
"""

import os
import subprocess
import sys
import tempfile

from linux_session import Capture, check_capture, press_close_box, sound_captured_in, window_titled
from runner import wait_for, xdotool
from session import MAIN_TITLE, NOTE_MS


def ended(process):
    """Gone, or a zombie: the desktop started it, and what reaps it is not ours."""
    try:
        with open("/proc/%d/stat" % process) as status:
            return status.read().rsplit(")", 1)[1].split()[0] == "Z"
    except FileNotFoundError:
        return True


tune, expected = sys.argv[1], [int(frequency) for frequency in sys.argv[2:]]
with tempfile.TemporaryDirectory() as work:
    wav, environment = sound_captured_in(work)
    # No desktop settings of the machine's user: the package's entry is the one handler.
    environment = dict(environment, XDG_CURRENT_DESKTOP="GNOME", XDG_CONFIG_HOME=os.path.join(work, "config"),
                       XDG_DATA_HOME=os.path.join(work, "data"))
    subprocess.run(["xdg-open", tune], env=environment, check=True)
    window = window_titled(MAIN_TITLE)
    capture = Capture(wav)
    # The last tone's end may stay in the device's buffer until the program ends.
    tone = 48000 // 1000 * 2 * NOTE_MS
    wait_for(lambda: capture.size() >= tone * (4 * len(expected) - 3) // 4, "the tune's tones in the capture")
    program = int(xdotool("getwindowpid", window))
    press_close_box(window)
    # The device has written the WAV header once the program has closed it, ending.
    wait_for(lambda: ended(program), "Pipalo to end")
    check_capture(wav, expected)
print("xdg-open started Pipalo on %s and it played %s Hz." % (tune, expected))
