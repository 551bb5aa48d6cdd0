#!/usr/bin/env python3
"""Plays the session of tests/end_to_end/session.py with Pipalo.exe under Wine, as a
user would, through the X server with xdotool.

Runs in the environment that run_under_wine.sh prepares: DISPLAY names a bare X
server, WINEPREFIX a fresh prefix that traces every call of kernel32's Beep, and
WINELOADER the Wine loader of the executable's architecture. Wine's Beep is
silent, so that trace is how the tones are heard.

Usage: wine_session.py PIPALO_EXE PROBE_EXE ARTIFACT_FOLDER
"""

import os
import pathlib
import re
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "end_to_end"))
import session as described  # noqa: E402
from runner import Failure, wait_for, xdotool  # noqa: E402
from session import ABOUT_TITLE, MAIN_TITLE, NOTE_MS  # noqa: E402

# Label, x, y of each note button in the client area; all are 33 x 33.
NOTE_BUTTONS = [
    ("Do", 10, 10), ("Do#", 33, 50), ("Re", 50, 10), ("Re#", 70, 50),
    ("Mi", 90, 10), ("Fa", 130, 10), ("Fa#", 150, 50), ("Sol", 170, 10),
    ("Sol#", 191, 50), ("La", 210, 10), ("La#", 231, 50), ("Si", 250, 10),
]
BUTTON_SIZE = 33

def expect(actual, expected, what):
    if actual != expected:
        raise Failure(f"{what}: expected {expected!r}, got {actual!r}")


def extended_regex(text):
    """xdotool matches names with POSIX extended regular expressions."""
    return re.sub(r"([.\[\]()*+?{}|^$\\])", r"\\\1", text)


def visible_windows(title_start):
    return xdotool("search", "--onlyvisible", "--name", "^" + extended_regex(title_start)).split()


def wait_for_window(title_start):
    windows = wait_for(lambda: visible_windows(title_start), f'a window "{title_start}"')
    return windows[0]


def wait_until_gone(window, what):
    wait_for(lambda: window not in visible_windows(""), f"{what} to close")


def window_name(window):
    return xdotool("getwindowname", window).rstrip("\n")


def focus(window):
    xdotool("windowfocus", "--sync", window)


def screenshot(window, path):
    """Saves the window once two captures in a row agree, so it is fully drawn."""
    captures = [b""]

    def stable():
        captures.append(subprocess.run(["import", "-window", window, "png:-"],
                                       capture_output=True).stdout)
        return captures[-1] == captures[-2] and captures[-1]
    path.write_bytes(wait_for(stable, f"a steady picture for {path.name}"))


class Program:
    """Pipalo.exe running under Wine, with the tones it has played so far."""

    def __init__(self, exe, probe, folder, trace_path):
        self.probe_exe = probe
        self.trace_path = trace_path
        self.trace = self.trace_path.open("w")
        self.process = subprocess.Popen([os.environ["WINELOADER"], exe], cwd=folder, stdout=self.trace,
                                        stderr=subprocess.STDOUT)

    def tones(self):
        calls = re.findall(r"Call KERNEL32\.Beep\(([0-9a-f]+),([0-9a-f]+)\)",
                           self.trace_path.read_text(errors="replace"))
        return [(int(frequency, 16), int(duration, 16)) for frequency, duration in calls]

    def wait_for_tones(self, count):
        """Waits until the program has played at least count tones; all of them."""
        try:
            return wait_for(lambda: len(self.tones()) >= count and self.tones(), f"{count} tones")
        except Failure as failure:
            raise Failure(f"{failure}; heard {self.tones()}") from None

    def probe(self, title):
        """The probe's report on a window: frame, client, closebox, menubar and controls."""
        output = subprocess.run([os.environ["WINELOADER"], self.probe_exe, title], capture_output=True,
                                text=True, check=True).stdout
        report = {"control": []}
        for line in output.splitlines():
            kind, *fields = line.split("\t")
            if kind == "control":
                report["control"].append((fields[0], fields[1], *map(int, fields[2:])))
            elif kind == "menubar":
                report[kind] = fields[0]
            else:
                report[kind] = tuple(map(int, fields))
        return report

    def click_client(self, title, x, y):
        left, top, _, _ = self.probe(title)["client"]
        xdotool("mousemove", "--sync", left + x, top + y, "click", "1")

    def click_close_box(self, title):
        xdotool("mousemove", "--sync", *self.probe(title)["closebox"], "click", "1")

    def wait_for_exit(self):
        wait_for(lambda: self.process.poll() is not None, "the program to end")
        self.trace.close()
        return self.process.returncode


def wine_path(path):
    return "Z:" + str(path.resolve()).replace("/", "\\")


class Player:
    """Plays the steps of one run on the running program, checking each one's tones."""

    def __init__(self, program, artifacts, folder):
        self.program = program
        self.artifacts = artifacts
        self.folder = folder  # the program's; the dialogs open elsewhere, so names are typed in full
        self.heard = 0  # tones already checked
        self.dialog = None  # the last file dialog typed into; its questions share its title

    def play(self, step):
        if step.not_on_wine:
            print(f"  skipped on Wine, whose Save dialog asks nothing: {step.action} {step.target}",
                  flush=True)
            return
        getattr(self, step.action)(step)
        self.check_tones(step)

    def done(self, step):
        """The condition that the step has had its effect: its tones played (all of them
        for a held key: F1's second tone comes from a second pass over the held key) and
        its window shown."""
        return lambda: (len(self.program.tones()) >= self.heard + len(step.tones) and
                        (not step.shows or self.new_window(step.shows)))

    def check_tones(self, step):
        expected = self.heard + len(step.tones)
        heard = self.program.wait_for_tones(expected) if expected else self.program.tones()
        expect(heard[self.heard:], [(frequency, NOTE_MS) for frequency in step.tones],
               f"tones of {step.action} {step.target}")
        self.heard = len(heard)

    def new_window(self, title):
        windows = [window for window in visible_windows(title) if window != self.dialog]
        return windows[0] if windows else None

    def keys(self, step):
        *modifiers, key = step.target.split("+")
        keys = [*modifiers, key]
        focus(wait_for_window(MAIN_TITLE))
        try:
            for modifier in modifiers:
                xdotool("keydown", modifier)
            time.sleep(described.MODIFIER_SETTLE_S)
            xdotool("keydown", key)
            wait_for(self.done(step), f"the effect of {step.target}")
        finally:
            xdotool(*[action for key in reversed(keys) for action in ("keyup", key)])

    def click(self, step):
        _, left, top = next(button for button in NOTE_BUTTONS if button[0] == step.target)
        self.program.click_client(MAIN_TITLE, left + BUTTON_SIZE // 2, top + BUTTON_SIZE // 2)
        wait_for(self.done(step), f"the effect of a click on {step.target}")

    def answer(self, step):
        box = wait_for(lambda: self.new_window(step.target), f'the box "{step.target}"')
        focus(box)
        xdotool("key", described.ANSWER_KEYS[step.answer])
        wait_until_gone(box, f'the box "{step.target}"')
        wait_for(self.done(step), f"the effect of answering {step.answer}")

    def file(self, step):
        self.dialog = wait_for(lambda: self.new_window(step.target), f'the dialog "{step.target}"')
        focus(self.dialog)
        path = wine_path(self.folder / step.answer)
        # xdotool types a letter the keyboard map lacks by remapping a key for a moment;
        # Wine loses such letters when they follow each other faster than that.
        xdotool("type", "--delay", "20" if path.isascii() else "150", path)
        xdotool("key", "Return")
        wait_for(lambda: self.done(step)() and (step.shows or self.dialog not in visible_windows("")),
                 f'the effect of choosing "{step.answer}"')

    def close(self, step):
        window = wait_for(lambda: self.new_window(step.target), f'the window "{step.target}"')
        if step.target == ABOUT_TITLE:
            self.check_about_window(window)
        self.program.click_close_box(step.target)
        wait_for(lambda: step.shows or window not in visible_windows(""),
                 f'the window "{step.target}" to close')
        wait_for(self.done(step), f"the effect of closing {step.target}")

    def check_main_window(self):
        main = wait_for_window(MAIN_TITLE)
        expect(window_name(main), MAIN_TITLE, "main window title")
        report = self.program.probe(MAIN_TITLE)
        expect(report["frame"][2:], (305, 145), "main window outer size")
        expect(report["menubar"], "yes", "main window has a menu")
        expect(report["control"],
               [("Button", label, x, y, BUTTON_SIZE, BUTTON_SIZE) for label, x, y in NOTE_BUTTONS],
               "main window controls")
        screenshot(main, self.artifacts / "main-window.png")

    def check_about_window(self, about):
        picture, text, status = self.program.probe(ABOUT_TITLE)["control"]
        expect(picture[0:1] + picture[2:], ("Static", 0, 0, 320, 74), "About picture")
        about_text = re.fullmatch(r"This program was downloaded from (\S+), look there for much "
                                  r"more free programs!\\n\\nSpecial thanks go to .+\.", text[1])
        expect(bool(about_text), True, f"About text {text[1]!r}")
        expect(status[1], f"Pipalo 2 - {about_text[1]}", "About status line")
        screenshot(about, self.artifacts / "about-window.png")


def play_run(exe, probe, run, number, artifacts):
    folder = artifacts / f"run{number}"
    folder.mkdir()
    run.prepare(folder)
    program = Program(exe, probe, folder, artifacts / f"wine-trace-run{number}.log")
    player = Player(program, artifacts, folder)
    try:
        player.check_main_window()
        for step in run.steps:
            player.play(step)
        expect(program.wait_for_exit(), run.exit_code, "exit code")
    finally:
        if program.process.poll() is None:
            program.process.kill()
    expect(described.files_in(folder), run.files,
           "tune files in the program's folder")
    expect(program.tones(), [(frequency, NOTE_MS) for frequency in run.tones()], "tones of the run")


def main(exe, probe, artifacts):
    artifacts = pathlib.Path(artifacts)
    failed = 0
    for number, run in enumerate(described.RUNS):
        try:
            play_run(exe, probe, run, number, artifacts)
            print(f"ok: {run.name}", flush=True)
        except (Failure, subprocess.CalledProcessError) as failure:
            print(f"FAILED: {run.name}: {failure}", flush=True)
            failed += 1
    print(f"{len(described.RUNS) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
