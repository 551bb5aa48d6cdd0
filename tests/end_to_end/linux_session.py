#!/usr/bin/env python3
"""A user's session with the Linux program, on the X display this runs on
(xvfb-run gives it one), with ALSA's default device captured to a WAV file.

Usage: linux_session.py PIPALO ARTIFACTS

It plays F1 and a click on "Sol", records F1 and "Sol" and saves the recording
through the real Save dialog, plays the saved file back, opens and closes the
About window, and ends the program with its close box. Then it checks the
tones in the capture, the saved file's bytes and the exit code. Screenshots of
the main window and the About window are left in ARTIFACTS.
"""

import ctypes
import os
import re
import shutil
import subprocess
import sys
import time
import wave

TIMEOUT = 60  # seconds for any one thing to happen; generous for a loaded machine
MAIN_TITLE = "Pipalo 4 - TarnWell Dev."
DO4, RE_SHARP4, SOL4 = 263, 313, 394
TONE_MS = 230
RATE = 48000
TUNE_FILE = b"// Read this as frequenty, length in milliseconds\r\n263,230\r\n394,230\r\n"
SOL_BUTTON = (170 + 16, 20 + 10 + 16)  # its centre, in the window: below the 20-px menu bar


class Failure(Exception):
    pass


def wait_for(condition, what):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.05)
    raise Failure("gave up waiting for " + what)


def xdotool(*arguments):
    return subprocess.run(["xdotool", *map(str, arguments)], capture_output=True, text=True).stdout


def windows_titled(title):
    """The visible windows whose title starts with `title`."""
    found = xdotool("search", "--onlyvisible", "--name", "^" + re.escape(title))
    return [int(line) for line in found.split()]


def window_titled(title, other_than=()):
    def new_window():
        ids = [window for window in windows_titled(title) if window not in other_than]
        return ids[0] if ids else None
    return wait_for(new_window, 'a window titled "%s"' % title)


def focus(window):
    xdotool("windowfocus", "--sync", window)


class Capture:
    """The WAV file that ALSA's file device writes as the program plays."""

    def __init__(self, path):
        self.path = path

    def size(self):
        return os.path.getsize(self.path) if os.path.exists(self.path) else 0

    def grown(self):
        """A condition that holds once more sound has reached the device than now."""
        before = self.size()
        return lambda: self.size() > before

    def doing(self, action):
        """Runs the action and waits until a tone reaches the device."""
        sounded = self.grown()
        action()
        wait_for(sounded, "a tone after " + action.__doc__)

    def sound_after(self, before, milliseconds, what):
        """Waits until that much sound more than `before` has reached the device."""
        wanted = before + RATE // 1000 * 2 * milliseconds
        wait_for(lambda: self.size() >= wanted, what)


def hold(window, keys, until, what):
    """Holds the keys down in the window until the program has seen them (a tone
    sounds, a box opens), then lets go: the program reads keys as they are when
    it takes a message, which may be after a tone that is still playing."""
    focus(window)
    for key in keys:
        xdotool("keydown", key)
    result = wait_for(until, what + " after " + "+".join(keys))
    for key in reversed(keys):
        xdotool("keyup", key)
    return result


def answer_box(title, key="Return"):
    box = window_titled(title)
    focus(box)
    xdotool("key", key)
    wait_for(lambda: box not in windows_titled(title), 'the box "%s" to close' % title)


def type_into_file_dialog(title, name):
    dialog = window_titled(title)
    focus(dialog)
    xdotool("type", "--delay", 50, name)
    xdotool("key", "Return")
    wait_for(lambda: dialog not in windows_titled(title), 'the dialog "%s" to close' % title)
    return dialog


def press_close_box(window):
    """Asks the window to close as a window manager's close box does (WM_DELETE_WINDOW)."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                    ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                    ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(None)
    message = ClientMessage()
    message.type = 33  # ClientMessage
    message.window = window
    message.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    message.format = 32
    message.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(message))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def sound_captured_in(work):
    """The WAV file in `work` that ALSA's default device writes to, and the environment that routes it there."""
    wav = os.path.join(work, "capture.wav")
    configuration = os.path.join(work, "asound.conf")
    with open(configuration, "w") as text:
        text.write('pcm.!default { type file slave.pcm { type null } file "%s" format "wav" perm 0644 }\n'
                   % wav)
    return wav, dict(os.environ, ALSA_CONFIG_PATH=configuration)


def screenshot(window, path):
    subprocess.run(["import", "-window", str(window), path])


def stretches_of_sound(path):
    """The capture's samples, and the stretches between its silences as (start, length)."""
    with wave.open(path) as capture:
        if capture.getframerate() != RATE or capture.getnchannels() != 1 or capture.getsampwidth() != 2:
            raise Failure("the capture is not 16-bit mono at 48 kHz")
        samples = memoryview(capture.readframes(capture.getnframes())).cast("h")
    stretches, start, quiet = [], None, 0
    # Within a tone and between tones that follow each other only a sample or two are 0.
    shortest_silence = RATE // 1000
    for index, sample in enumerate(samples):
        if sample != 0:
            if start is None:
                start = index
            quiet = 0
        elif start is not None:
            quiet += 1
            if quiet == shortest_silence:
                stretches.append((start, index + 1 - quiet - start))
                start = None
    if start is not None:
        stretches.append((start, len(samples) - quiet - start))
    return samples, stretches


def frequency_of(samples, start, length):
    """Hz from the rising zero crossings, each placed between its two samples."""
    crossings = []
    for index in range(start + 1, start + length):
        before, after = samples[index - 1], samples[index]
        if before < 0 <= after:
            crossings.append(index - 1 + (-before) / (after - before))
    if len(crossings) < 2:
        return 0.0
    return (len(crossings) - 1) * RATE / (crossings[-1] - crossings[0])


def check_capture(path, expected):
    """The tones follow each other in the capture in the expected order, each of its
    length: a stretch of sound holding n tones lasts n tones' time, and each tone's
    part of it sounds at the tone's frequency."""
    samples, stretches = stretches_of_sound(path)
    tone = RATE * TONE_MS // 1000
    found = []
    for start, length in stretches:
        count = max(1, round(length / tone))
        print("%d tone(s) in %.3f ms of sound" % (count, length * 1000 / RATE))
        if abs(length - count * tone) > count * RATE // 1000:
            raise Failure("%d tone(s) last %.3f ms, not %d ms each" % (count, length * 1000 / RATE, TONE_MS))
        for slot in range(count):
            # The middle of each part, clear of the fades and of the neighbouring tone.
            found.append(round(frequency_of(samples, start + slot * tone + tone // 10, tone * 8 // 10), 2))
    print("tones found:", found)
    if len(found) != len(expected) or any(abs(f - e) > 1 for f, e in zip(found, expected)):
        raise Failure("the capture holds tones of %s Hz, not %s Hz" % (found, expected))


def session(pipalo, artifacts):
    work = os.path.join(artifacts, "work")
    shutil.rmtree(work, ignore_errors=True)
    folder = os.path.join(work, "folder")  # the program's current folder: the dialogs open there
    os.makedirs(folder)
    wav, environment = sound_captured_in(work)
    program = subprocess.Popen([pipalo], cwd=folder, env=environment)
    capture = Capture(wav)
    try:
        main = window_titled(MAIN_TITLE)
        wait_for(lambda: os.path.exists(wav), "the program to open the sound device")

        hold(main, ["F1"], capture.grown(), "a tone")
        click_sol = lambda: xdotool("mousemove", "--window", main, *SOL_BUTTON, "click", "1")
        click_sol.__doc__ = 'a click on "Sol"'
        capture.doing(click_sol)
        screenshot(main, os.path.join(artifacts, "main_window.png"))

        started = "Recording has started, when you end the recording"
        hold(main, ["ctrl", "r"], lambda: windows_titled(started), "the box")
        answer_box(started)
        hold(main, ["F1"], capture.grown(), "a tone")
        capture.doing(click_sol)
        question = "Would you like to save?"
        hold(main, ["ctrl", "s"], lambda: windows_titled(question), "the question")
        answer_box(question)  # Return is Yes
        chooser = type_into_file_dialog("Save...", "tune")
        create_question = window_titled("Save...", other_than=[chooser])
        focus(create_question)
        xdotool("key", "Return")  # Yes, create it
        saved = os.path.join(folder, "tune.TPZ")
        wait_for(lambda: os.path.exists(saved) and os.path.getsize(saved) == len(TUNE_FILE),
                 "the recording to be saved as tune.TPZ")

        before = capture.size()
        hold(main, ["ctrl", "p"], lambda: windows_titled("Play..."), "the Open dialog")
        type_into_file_dialog("Play...", "tune.TPZ")
        capture.sound_after(before, 2 * TONE_MS, "the playback of tune.TPZ")

        about = hold(main, ["ctrl", "F2"], lambda: windows_titled("About..."), "the About window")[0]
        time.sleep(0.5)  # lets it draw before the picture is taken
        screenshot(about, os.path.join(artifacts, "about_window.png"))
        press_close_box(about)
        wait_for(lambda: not windows_titled("About..."), "the About window to close")

        press_close_box(main)
        code = program.wait(timeout=TIMEOUT)
    except Failure:
        screenshot("root", os.path.join(artifacts, "at_failure.png"))
        raise
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()

    if code != 0:
        raise Failure("the program ended with exit code %d" % code)
    with open(os.path.join(folder, "tune.TPZ"), "rb") as tune:
        written = tune.read()
    if written != TUNE_FILE:
        raise Failure("tune.TPZ holds %r, not %r" % (written, TUNE_FILE))
    # F1 and "Sol"; F1 and "Sol" while recording; the playback of the two; and F2 with Ctrl
    # held, which plays its sharp before Ctrl's shortcut opens the About window.
    check_capture(wav, [DO4, SOL4] * 3 + [RE_SHARP4])


def run_from_command_line(session, passed):
    """Runs session(PIPALO, ARTIFACTS) from the command line's arguments; the exit code says how it went."""
    pipalo, artifacts = sys.argv[1], sys.argv[2]
    os.makedirs(artifacts, exist_ok=True)
    try:
        session(os.path.abspath(pipalo), os.path.abspath(artifacts))
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    print("passed: " + passed)
    return 0


if __name__ == "__main__":
    sys.exit(run_from_command_line(session, "tones, saved file, playback, About window and exit code as expected"))
