#!/usr/bin/env python3
"""Plays the session of session.py with the Linux program, on the X display
this runs on (xvfb-run gives it one) under the openbox window manager, with
ALSA's default device captured to a WAV file for each run of the program.

Usage: linux_session.py PIPALO ARTIFACTS [CHOOSER]

CHOOSER is the file dialogs' chooser, as PIPALO_FILE_CHOOSER names it: "gtk" (the
default) or "portal", for which each run of the program has a session bus
of its own with the desktop portal and its GTK backend on it. The runner checks
that the dialogs are that chooser's.

After each run it checks the tones in the capture, the tune files left in the
program's folder and its home folder byte for byte, and the exit code.
Screenshots of the main window, the About window and the Save dialog are left
in ARTIFACTS; the main window's, with its title bar, is the one software centres
show.
"""

import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import wave

import session as described
from runner import TIMEOUT_S, Failure, give_keys_to_letters_of, wait_for, xdotool
from session import MAIN_TITLE, NOTE_MS as TONE_MS

RATE = 48000
# Left and top of each note button in the client area, below the 20-pixel menu bar; all are 33 x 33.
BUTTONS = {"Do": (10, 10), "Re": (50, 10), "Mi": (90, 10), "Fa": (130, 10), "Sol": (170, 10),
           "La": (210, 10), "Si": (250, 10)}
MENU_BAR_HEIGHT = 20


def windows_titled(title):
    """The visible windows whose title starts with `title`."""
    found = xdotool("search", "--onlyvisible", "--name", "^" + re.escape(title))
    return [int(line) for line in found.split()]


def window_titled(title):
    return wait_for(lambda: windows_titled(title) and windows_titled(title)[0],
                    'a window titled "%s"' % title)


def focus(window):
    xdotool("windowfocus", "--sync", window)


class Capture:
    """The WAV file that ALSA's file device writes as the program plays."""

    def __init__(self, path):
        self.path = path

    def size(self):
        return os.path.getsize(self.path) if os.path.exists(self.path) else 0


class ClientMessage(ctypes.Structure):
    """Xlib's XClientMessageEvent, padded to the size of any event."""
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


def xlib():
    """libX11, for what xdotool does not do."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x11.XPending.argtypes = [ctypes.c_void_p]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    return x11


def send_protocol(x11, display, window, protocol, *data):
    """Sends the window one of the WM_PROTOCOLS messages, as a window manager does."""
    message = ClientMessage()
    message.type = CLIENT_MESSAGE
    message.window = window
    message.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    message.format = 32
    for index, value in enumerate((x11.XInternAtom(display, protocol, 0), *data)):
        message.data[index] = value
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(message))
    x11.XFlush(display)


def press_close_box(window):
    """Asks the window to close as a window manager's close box does (WM_DELETE_WINDOW)."""
    x11 = xlib()
    display = x11.XOpenDisplay(None)
    send_protocol(x11, display, window, b"WM_DELETE_WINDOW")
    x11.XCloseDisplay(display)


def wait_until_read(window):
    """Waits until the window's program has read every event sent to it before now, and
    so holds their messages: it answers a window manager's ping (_NET_WM_PING, answered
    on the root window) only once it has read all that came before it. A fixed wait
    would be too short on a loaded machine."""
    x11 = xlib()
    display = x11.XOpenDisplay(None)
    try:
        x11.XSelectInput(display, x11.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
        ping = x11.XInternAtom(display, b"_NET_WM_PING", 0)
        stamp = int(time.monotonic() * 1000) & 0x7FFFFFFF
        send_protocol(x11, display, window, b"_NET_WM_PING", stamp, window)
        event = ClientMessage()

        def answered():
            while x11.XPending(display):
                x11.XNextEvent(display, ctypes.byref(event))
                if event.type == CLIENT_MESSAGE and event.data[0] == ping and event.data[1] == stamp:
                    return True
            return False

        wait_for(answered, "the program to read its input")
    finally:
        x11.XCloseDisplay(display)


def sound_captured_in(work):
    """The WAV file in `work` that ALSA's default device writes to, and the environment that routes it there."""
    wav = os.path.join(work, "capture.wav")
    configuration = os.path.join(work, "asound.conf")
    with open(configuration, "w") as text:
        text.write('pcm.!default { type file slave.pcm { type null } file "%s" format "wav" perm 0644 }\n'
                   % wav)
    return wav, dict(os.environ, ALSA_CONFIG_PATH=configuration)


def program_command(pipalo, chooser):
    """The command that starts the program with that chooser; for the portal, on a
    session bus of its own, on which the portal starts when it is first asked."""
    if chooser != "portal":
        return [pipalo]
    # The GTK backend serves the GNOME desktop.
    return ["dbus-run-session", "--", "env", "XDG_CURRENT_DESKTOP=GNOME", pipalo]


def home_environment(work, environment, chooser):
    """A home folder of the run's own, with the desktop's settings and recent files beside it."""
    home = os.path.join(work, "home")
    elsewhere = os.path.join(work, "desktop")
    return home, dict(environment, HOME=home, PIPALO_FILE_CHOOSER=chooser,
                      XDG_CONFIG_HOME=os.path.join(elsewhere, "config"),
                      XDG_DATA_HOME=os.path.join(elsewhere, "data"),
                      XDG_CACHE_HOME=os.path.join(elsewhere, "cache"))


def window_class(window):
    return subprocess.run(["xprop", "-id", str(window), "WM_CLASS"], capture_output=True, text=True).stdout


# How each chooser's dialogs tell themselves apart from the others, by their WM_CLASS.
CHOOSER_CLASSES = {"gtk": '"Pipalo"', "portal": '"xdg-desktop-portal-gtk"'}


def screenshot(window, path):
    """The window as the user sees it, with the frame the window manager gave it."""
    subprocess.run(["import", "-frame", "-window", str(window), path])


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


def start_window_manager(artifacts):
    """Starts openbox and waits until it has finished starting: it runs its startup
    command only then. A window mapped earlier may be left unmanaged and unseen."""
    ready = os.path.join(artifacts, "openbox-ready")
    if os.path.exists(ready):
        os.remove(ready)
    manager = subprocess.Popen(["openbox", "--sm-disable", "--startup", "touch " + ready],
                               stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(artifacts, "openbox.log"), "w"))
    wait_for(lambda: os.path.exists(ready), "openbox to start")
    return manager


def check_frame(window):
    """The window manager gave the main window a title bar, and the program an icon."""
    properties = subprocess.run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS", "_NET_WM_ICON"],
                                capture_output=True, text=True).stdout
    extents = re.search(r"_NET_FRAME_EXTENTS\(CARDINAL\) = (\d+), (\d+), (\d+), (\d+)", properties)
    if not extents or int(extents[3]) < 10:
        raise Failure("the main window has no title bar: " + properties)
    if "_NET_WM_ICON(CARDINAL)" not in properties:
        raise Failure("the main window has no icon")


class Player:
    """Plays the steps of one run on the running program."""

    pictured = set()  # the choosers whose Save dialog has been pictured in this session

    def __init__(self, capture, artifacts, folder, home, chooser):
        self.capture = capture
        self.artifacts = artifacts
        self.folder = folder
        self.home = home
        self.chooser = chooser
        self.main = window_titled(MAIN_TITLE)
        self.dialog = None  # the last file dialog typed into; its questions share its title
        self.save_dialog_picture = os.path.join(artifacts, "save_dialog_%s.png" % chooser)

    def play(self, step):
        getattr(self, step.action)(step)

    def until_done(self, step):
        """The condition that the step has had its effect: its tones begun (all of them
        for a held key: F1's second tone comes from a second pass over the held key) and
        its window shown. The device keeps the end of the last tone until more sound
        follows, so a quarter of a tone tells that a tone has begun."""
        tone = RATE // 1000 * 2 * TONE_MS
        enough = self.capture.size() + (tone * (4 * len(step.tones) - 3) // 4 if step.tones else 0)
        return lambda: self.capture.size() >= enough and (not step.shows or self.new_window(step.shows))

    def new_window(self, title):
        windows = [window for window in windows_titled(title) if window != self.dialog]
        return windows[0] if windows else None

    def keys(self, step):
        *modifiers, key = step.target.split("+")
        keys = [*modifiers, key]
        done = self.until_done(step)
        focus(self.main)
        try:
            for modifier in modifiers:
                xdotool("keydown", modifier)
            # Were the key down before the program took the modifier's message, it would
            # sound for that message too.
            wait_until_read(self.main)
            xdotool("keydown", key)
            wait_for(done, "the effect of " + step.target)
        finally:
            for key in reversed(keys):
                xdotool("keyup", key)

    def click(self, step):
        done = self.until_done(step)
        left, top = BUTTONS[step.target]
        xdotool("mousemove", "--window", self.main, left + 16, MENU_BAR_HEIGHT + top + 16, "click", "1")
        wait_for(done, "the tone of a click on " + step.target)

    def answer(self, step):
        box = wait_for(lambda: self.new_window(step.target), 'the box "%s"' % step.target)
        done = self.until_done(step)
        focus(box)
        wait_until_read(box)
        xdotool("key", described.ANSWER_KEYS[step.answer])
        wait_for(lambda: box not in windows_titled(step.target), 'the box "%s" to close' % step.target)
        wait_for(done, "the effect of answering " + step.answer)

    def file(self, step):
        self.dialog = wait_for(lambda: self.new_window(step.target), 'the dialog "%s"' % step.target)
        done = self.until_done(step)
        kind = window_class(self.dialog)
        print("dialog %s: %s" % (step.target, kind.strip()), flush=True)
        if CHOOSER_CLASSES[self.chooser] not in kind:
            raise Failure("the dialog is not the %s chooser's: %s" % (self.chooser, kind))
        focus(self.dialog)
        # Shown, with the focus in its name field, before the keys come.
        wait_until_read(self.dialog)
        if step.target == described.SAVE_DIALOG and self.chooser not in Player.pictured:
            time.sleep(0.5)  # lets it draw before the picture is taken
            screenshot(self.dialog, self.save_dialog_picture)
            Player.pictured.add(self.chooser)
        if step.target != described.SAVE_DIALOG:
            # GTK's Open dialog takes typing as a search; Ctrl+L opens its field for a name.
            xdotool("key", "ctrl+l")
        typed = described.typed_text(step.answer, self.folder)
        if self.chooser == "portal" and step.target != described.SAVE_DIALOG and not typed.startswith("/"):
            # The portal's GTK backend (1.14) opens its Open dialog on the recent files, not
            # in the folder asked for, so a bare name there names nothing: it is typed in full.
            typed = os.path.join(self.folder, typed)
        # The desktop's processes that the portal starts may have put the keyboard map back.
        give_keys_to_letters_of([typed])
        xdotool("type", "--delay", 50, typed)
        # GTK's name field looks up what was typed before it takes Enter: the wait for the
        # lookup starts once the dialog has read the last key.
        wait_until_read(self.dialog)
        time.sleep(1)
        xdotool("key", "Return")
        if (self.chooser == "portal" and step.target == described.SAVE_DIALOG and
                os.path.lexists(described.full_path(step.answer, self.folder, self.home))):
            # The portal's GTK backend asks its own question about a file that is there, before
            # the program asks: Enter takes its default, Replace.
            time.sleep(1)
            xdotool("key", "Return")
        wait_for(done, 'the effect of choosing "%s"' % step.answer)

    def close(self, step):
        window = wait_for(lambda: self.new_window(step.target), 'the window "%s"' % step.target)
        if step.target.startswith("About"):
            time.sleep(0.5)  # lets it draw before the picture is taken
            screenshot(window, os.path.join(self.artifacts, "about_window.png"))
        done = self.until_done(step)
        press_close_box(window)
        wait_for(lambda: step.shows or window not in windows_titled(step.target),
                 'the window "%s" to close' % step.target)
        wait_for(done, "the effect of closing " + step.target)


def play_run(pipalo, chooser, run, work, artifacts):
    folder = os.path.join(work, "folder")  # the program's current folder: the dialogs open there
    os.makedirs(folder)
    wav, environment = sound_captured_in(work)
    home, environment = home_environment(work, environment, chooser)
    run.prepare(folder, home)
    # In a process group of its own, with the session bus that it may have.
    errors = os.path.join(work, "stderr.txt")
    with open(errors, "w") as error_output:
        program = subprocess.Popen(program_command(pipalo, chooser), cwd=folder, env=environment,
                                   start_new_session=True, stderr=error_output)
    try:
        player = Player(Capture(wav), artifacts, folder, home, chooser)
        wait_for(lambda: os.path.exists(wav), "the program to open the sound device")
        check_frame(player.main)
        # A dock matches the window to the menu entry and its icon by its class.
        if '"Pipalo", "Pipalo"' not in window_class(player.main):
            raise Failure("the main window's class is not Pipalo's: %s" % window_class(player.main))
        screenshot(player.main, os.path.join(artifacts, "main_window.png"))
        for step in run.steps:
            player.play(step)
        code = program.wait(timeout=TIMEOUT_S)
    except Failure:
        screenshot("root", os.path.join(artifacts, "at_failure_%s.png" % os.path.basename(work)))
        raise
    finally:
        if program.poll() is None:
            os.killpg(program.pid, signal.SIGKILL)
            program.wait()

    if code != run.exit_code:
        raise Failure("the program ended with exit code %d" % code)
    with open(errors) as error_output:
        # The program's own, not those of the portal's processes, which share its output.
        complaints = [line for line in error_output if line.startswith("(Pipalo:") and "-CRITICAL" in line]
    if complaints:
        raise Failure("the program's libraries complained: %s" % "".join(complaints))
    left = run.files_left(folder, home)
    if left != run.files:
        raise Failure("the program's folder holds %r, not %r" % (left, run.files))
    check_capture(wav, run.tones())


def under_window_manager(runs):
    """Plays each (name, play) of `runs` under openbox, as play(PIPALO, ARTIFACTS) with the
    command line's arguments; the exit code says how it went."""
    pipalo, artifacts = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(artifacts, exist_ok=True)
    manager = start_window_manager(artifacts)
    failed = 0
    try:
        for name, play in runs:
            try:
                play(pipalo, artifacts)
                print("ok: %s" % name, flush=True)
            except Failure as failure:
                print("FAILED: %s: %s" % (name, failure), flush=True)
                failed += 1
    finally:
        manager.terminate()
        manager.wait()
    print("%d passed, %d failed" % (len(runs) - failed, failed))
    return 1 if failed else 0


def play_numbered_run(number, run, chooser):
    def play(pipalo, artifacts):
        work = os.path.join(artifacts, "run%d" % number)
        shutil.rmtree(work, ignore_errors=True)
        play_run(pipalo, chooser, run, work, artifacts)
    return run.name, play


# Runs that Windows has no counterpart of.
LINUX_RUNS = [
    # No process reads the pipe: the failure is told at once, and the recording goes on.
    described.Run("save into a pipe that no one reads, then save elsewhere",
                  steps=[
                      *described.start_recording(),
                      described.Step("keys", "F8", tones=[described.DO5]),
                      *described.ask_to_save(),
                      described.Step("file", described.SAVE_DIALOG, answer="pipe.TPZ",
                                     shows=described.SAVE_DIALOG),
                      described.Step("answer", described.SAVE_DIALOG, answer="yes",
                                     shows=described.SAVE_DIALOG),
                      described.Step("answer", described.SAVE_DIALOG, answer="ok"),
                      described.Step("keys", "F5", tones=[described.SOL4]),
                      *described.close_and_save(),
                      *described.save_as("kept"),
                  ],
                  pipes=["pipe.TPZ"],
                  files={"pipe.TPZ": "pipe", "kept.TPZ": described.tune_file([described.DO5, described.SOL4])}),
]


if __name__ == "__main__":
    give_keys_to_letters_of(described.typed_texts())
    chooser = sys.argv[3] if len(sys.argv) > 3 else "gtk"
    sys.exit(under_window_manager([play_numbered_run(number, run, chooser)
                                   for number, run in enumerate(described.RUNS + LINUX_RUNS)]))
