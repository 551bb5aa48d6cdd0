"""What the runners of the end-to-end sessions share: waiting for the program to
do something, and xdotool and the keys it types with."""

import subprocess
import time

TIMEOUT_S = 120  # for any one thing to happen; generous, for a loaded machine


class Failure(Exception):
    pass


def wait_for(condition, what):
    deadline = time.monotonic() + TIMEOUT_S
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.05)
    raise Failure("timed out waiting for " + what)


def xdotool(*arguments):
    return subprocess.run(["xdotool", *map(str, arguments)], capture_output=True, text=True).stdout


def give_keys_to_letters_of(texts):
    """Gives each letter of the texts that the keyboard map lacks a key of its own.
    xdotool would type such a letter by remapping a key for a moment, and a program
    that reads the key after the map is put back sees another letter, or none."""
    for letter in sorted({letter for text in texts for letter in text if not letter.isascii()}):
        keysym = ord(letter) if ord(letter) < 0x100 else 0x1000000 + ord(letter)
        subprocess.run(["xmodmap", "-e", "keycode any = 0x%x" % keysym], check=True)
