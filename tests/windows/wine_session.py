#!/usr/bin/env python3
"""Drives Pipalo.exe under Wine as a user would, through the X server with xdotool.

Runs in the environment that run_under_wine.sh prepares: DISPLAY names a bare X
server, WINEPREFIX a fresh prefix that traces every call of kernel32's Beep, and
WINELOADER the Wine loader of the executable's architecture. Wine's
Beep is silent, so that trace is how the tones are heard.

Usage: wine_scenario.py PIPALO_EXE PROBE_EXE ARTIFACT_FOLDER
"""

import os
import pathlib
import re
import subprocess
import sys
import time

MAIN_TITLE = "Pipalo 4 - TarnWell Dev."
ABOUT_TITLE = "About..."
RECORDING_STARTED = "Recording has started"
SAVE_QUESTION = "Would you like to save?"
CLOSE_QUESTION = "The program is recording, would you like to save?"
SAVE_DIALOG = "Save..."
PLAY_DIALOG = "Play..."

DO4, RE_SHARP4, SOL4 = 263, 313, 394
NOTE_MS = 230

# Label, x, y of each note button in the client area; all are 33 x 33.
NOTE_BUTTONS = [
    ("Do", 10, 10), ("Do#", 33, 50), ("Re", 50, 10), ("Re#", 70, 50),
    ("Mi", 90, 10), ("Fa", 130, 10), ("Fa#", 150, 50), ("Sol", 170, 10),
    ("Sol#", 191, 50), ("La", 210, 10), ("La#", 231, 50), ("Si", 250, 10),
]
BUTTON_SIZE = 33

# Taking F1's WM_KEYDOWN posts WM_KEYF1 (in Wine as in Windows), so the message
# loop makes two passes before it reads input again: F1 is let go after the first
# tone, and is still down in the second pass. Do sounds twice.
F1_TONES = [DO4, DO4]
HEADER_LINE = b"// Read this as frequenty, length in milliseconds\r\n"

TIMEOUT_S = 120  # generous: the machine may be loaded
POLL_S = 0.05


class ScenarioFailure(Exception):
    pass


def wait_for(condition, what):
    deadline = time.monotonic() + TIMEOUT_S
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(POLL_S)
    raise ScenarioFailure(f"timed out waiting for {what}")


def expect(actual, expected, what):
    if actual != expected:
        raise ScenarioFailure(f"{what}: expected {expected!r}, got {actual!r}")


def xdotool(*arguments):
    return subprocess.run(["xdotool", *map(str, arguments)], capture_output=True, text=True).stdout


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


def open_menu(window, alt_key):
    """Opens a pop-up of the menu bar with its Alt mnemonic and waits until it shows."""
    before = set(visible_windows(""))
    focus(window)
    xdotool("key", alt_key)
    wait_for(lambda: set(visible_windows("")) - before, f"the menu of {alt_key}")


class Program:
    """Pipalo.exe running under Wine, with the tones it has played so far."""

    def __init__(self, exe, probe, folder):
        self.probe_exe = probe
        self.trace_path = folder / "wine-trace.log"
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
        except ScenarioFailure as failure:
            raise ScenarioFailure(f"{failure}; heard {self.tones()}") from None

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


def hold_keys_until(keys, condition, what):
    """Holds the keys until the program shows it has seen them, then lets go."""
    xdotool(*[step for key in keys for step in ("keydown", key)])
    result = wait_for(condition, what)
    xdotool(*[step for key in reversed(keys) for step in ("keyup", key)])
    return result


def answer_box(title_start, key):
    box = wait_for_window(title_start)
    focus(box)
    xdotool("key", key)
    wait_until_gone(box, f'the box "{title_start}"')


def choose_file(dialog_title, wine_path, target):
    """Types a path into a common file dialog and confirms any question it asks."""
    dialog = wait_for_window(dialog_title)
    focus(dialog)
    xdotool("type", "--delay", "20", wine_path)
    xdotool("key", "Return")

    answered = {dialog}

    def settled():
        for question in set(visible_windows(dialog_title)) - answered:
            # e.g. whether to create the file: Yes is the default
            focus(question)
            xdotool("key", "Return")
            answered.add(question)
        return not visible_windows(dialog_title) and target.exists()
    wait_for(settled, f'the {dialog_title} dialog to end with "{target.name}"')


def wine_path(path):
    return "Z:" + str(path.resolve()).replace("/", "\\")


class Scenario:
    """The user's session, step by step; each step builds on the ones before."""

    def __init__(self, program, artifacts):
        self.program = program
        self.artifacts = artifacts
        self.tune = artifacts / "recording.TPZ"
        self.main = None
        self.recorded = []
        self.expected_tones = []  # every tone the run should have played, in order

    def steps(self):
        return [
            ("main window: title, size, menu, twelve note buttons", self.check_main_window),
            ("recording with F1 and Sol, saved through the Save dialog", self.record_and_save),
            ("Ctrl+P plays the tune file back", self.play_back),
            ("About window through the menu and Ctrl+F2, closed again", self.open_about_window),
            ("close box during a recording asks to save; exit code 0",
             self.close_while_recording),
        ]

    def check_main_window(self):
        self.main = wait_for_window(MAIN_TITLE)
        expect(window_name(self.main), MAIN_TITLE, "main window title")
        report = self.program.probe(MAIN_TITLE)
        expect(report["frame"][2:], (305, 145), "main window outer size")
        expect(report["menubar"], "yes", "main window has a menu")
        expect(report["control"],
               [("Button", label, x, y, BUTTON_SIZE, BUTTON_SIZE) for label, x, y in NOTE_BUTTONS],
               "main window controls")
        screenshot(self.main, self.artifacts / "main-window.png")

    def record_and_save(self):
        focus(self.main)
        hold_keys_until(["ctrl", "r"], lambda: visible_windows(RECORDING_STARTED),
                        "the box that the recording has started")
        answer_box(RECORDING_STARTED, "Return")

        focus(self.main)
        hold_keys_until(["F1"], lambda: len(self.program.tones()) > len(self.expected_tones),
                        "the tone of F1")
        self.program.click_client(MAIN_TITLE, 170 + BUTTON_SIZE // 2, 10 + BUTTON_SIZE // 2)
        self.recorded = [(frequency, NOTE_MS) for frequency in F1_TONES + [SOL4]]
        self.expect_tones(self.recorded, "tones of F1 and Sol")

        focus(self.main)
        hold_keys_until(["ctrl", "s"], lambda: visible_windows(SAVE_QUESTION),
                        "the save question")
        answer_box(SAVE_QUESTION, "Return")  # Yes
        choose_file(SAVE_DIALOG, wine_path(self.tune.with_suffix("")), self.tune)
        expect(self.tune.read_bytes(),
               HEADER_LINE + b"".join(b"%d,%d\r\n" % tone for tone in self.recorded),
               "saved tune file")

    def play_back(self):
        focus(self.main)
        hold_keys_until(["ctrl", "p"], lambda: visible_windows(PLAY_DIALOG), "the Play dialog")
        choose_file(PLAY_DIALOG, wine_path(self.tune), self.tune)
        self.expect_tones(self.recorded, "tones played back from the tune file")

    def open_about_window(self):
        # Through the menu: Help, then About.
        open_menu(self.main, "alt+h")
        xdotool("key", "a")
        about = wait_for_window(ABOUT_TITLE)
        picture, text, status = self.program.probe(ABOUT_TITLE)["control"]
        expect(picture[0:1] + picture[2:], ("Static", 0, 0, 320, 74), "About picture")
        about_text = re.fullmatch(r"This program was downloaded from (\S+), look there for much "
                                  r"more free programs!\\n\\nSpecial thanks go to .+\.", text[1])
        expect(bool(about_text), True, f"About text {text[1]!r}")
        expect(status[1], f"Pipalo 2 - {about_text[1]}", "About status line")
        screenshot(about, self.artifacts / "about-window.png")
        self.program.click_close_box(ABOUT_TITLE)
        wait_until_gone(about, "the About window")

        # Once more through Ctrl+F2, which first plays F2's note with Ctrl: Re#.
        focus(self.main)
        about = hold_keys_until(["ctrl", "F2"], lambda: visible_windows(ABOUT_TITLE),
                                "the About window again")[0]
        self.expect_tones([(RE_SHARP4, NOTE_MS)], "tone of Ctrl+F2")
        # Not Alt+F4: F4 is a note key, which the main loop plays if it is still
        # down when the loop resumes.
        self.program.click_close_box(ABOUT_TITLE)
        wait_until_gone(about, "the About window")
        expect(visible_windows(MAIN_TITLE), [self.main], "main window after the About window")

    def close_while_recording(self):
        # Through the menu this time: Record, then Start Recording.
        open_menu(self.main, "alt+r")
        xdotool("key", "a")
        answer_box(RECORDING_STARTED, "Return")
        tunes_before = sorted(self.artifacts.glob("*.TPZ"))
        self.program.click_close_box(MAIN_TITLE)
        question = wait_for_window(CLOSE_QUESTION)
        expect(window_name(question), CLOSE_QUESTION, "question when closing during a recording")
        screenshot(question, self.artifacts / "close-question.png")
        answer_box(CLOSE_QUESTION, "n")  # No
        expect(self.program.wait_for_exit(), 0, "exit code")
        expect(sorted(self.artifacts.glob("*.TPZ")), tunes_before, "tune files after answering No")
        expect(self.program.tones(), self.expected_tones, "tones of the whole run")

    def expect_tones(self, tones, what):
        already = len(self.expected_tones)
        self.expected_tones += tones
        heard = self.program.wait_for_tones(len(self.expected_tones))
        expect(heard[already:], tones, what)


def main(exe, probe, artifacts):
    artifacts = pathlib.Path(artifacts)
    program = Program(exe, probe, artifacts)
    steps = Scenario(program, artifacts).steps()
    passed = 0
    try:
        for name, step in steps:
            step()
            passed += 1
            print(f"ok: {name}", flush=True)
    except (ScenarioFailure, subprocess.CalledProcessError) as failure:
        print(f"FAILED: {steps[passed][0]}: {failure}", flush=True)
        program.process.kill()
    failed = int(passed < len(steps))
    print(f"{passed} passed, {failed} failed, {len(steps) - passed - failed} skipped")
    return failed


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
