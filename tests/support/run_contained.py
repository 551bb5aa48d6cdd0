#!/usr/bin/env python3
"""Runs a command and, once it has ended, pass or fail, stops every process it started
that is still running, however far it went from it: a daemon that forked itself away
into a session of its own (a session bus started for a program that found none, the
accessibility bus and its registry), or a service that a bus started. This process is
their subreaper, so that an orphan below it becomes its child, not init's, and no
process of another run, or of another user of the machine, is ever touched.

Usage: run_contained.py COMMAND [ARGUMENT...]   Exits with the command's code."""

import ctypes
import os
import signal
import subprocess
import sys
import time

PR_SET_CHILD_SUBREAPER = 36
# How long those left are given to end on SIGTERM before they are killed.
GRACE_S = 10


def processes():
    """Every running process below this one, as pid: command line; zombies are not running."""
    parents, names = {}, {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as status:
                state, parent = status.read().rsplit(")", 1)[1].split()[:2]
            with open("/proc/%s/cmdline" % entry, "rb") as command:
                names[int(entry)] = command.read().replace(b"\0", b" ").decode(errors="replace").strip()
        except (OSError, ValueError):
            continue
        if state != "Z":
            parents[int(entry)] = int(parent)
    below, mine = {}, {os.getpid()}
    for _ in range(len(parents)):  # enough rounds for the deepest tree
        found = {pid for pid, parent in parents.items() if parent in mine and pid not in mine}
        if not found:
            break
        mine |= found
    for pid in mine - {os.getpid()}:
        below[pid] = names.get(pid, "")
    return below


def reap():
    """Collects every child that has ended, the orphans handed over included."""
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def stop_all_left():
    left = processes()
    if not left:
        return
    for pid, command in sorted(left.items()):
        print("run_contained: stopping %d, left running: %s" % (pid, command or "(ending)"), file=sys.stderr)
    for pid in left:
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    deadline = time.monotonic() + GRACE_S
    while processes() and time.monotonic() < deadline:
        reap()
        time.sleep(0.1)
    # Whatever outlived its grace, and whatever was started meanwhile.
    while processes():
        for pid in processes():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        reap()
        time.sleep(0.1)
    reap()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("run_contained: cannot become a subreaper: %s" % os.strerror(ctypes.get_errno()))
    command = subprocess.Popen(sys.argv[1:])
    # Asked to end (a test's timeout), the command is asked too, and what it leaves is stopped.
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, lambda received, _: command.send_signal(received))
    code = command.wait()
    stop_all_left()
    sys.exit(code if code >= 0 else 128 - code)


if __name__ == "__main__":
    main()
