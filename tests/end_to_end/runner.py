"""What the runners of the end-to-end sessions share: waiting for the program to
do something, and xdotool."""

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
