#!/usr/bin/env python3
"""Benchmarks of the Linux program as a user meets it, on the X display this
runs on (xvfb-run gives it one), with ALSA's default device captured to a WAV
file: the time from start to the window being shown, peak memory before any
file dialog, CPU and wake-ups while idle, and the latency from a key press to
the tone's first sample.

Usage: app_bench.py PIPALO [ROUNDS]
"""

import ctypes
import os
import select
import statistics
import subprocess
import sys
import tempfile
import time

RATE = 48000
MAIN_TITLE = b"Pipalo 4 - TarnWell Dev."
IDLE_SECONDS = 10

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
xtest = ctypes.cdll.LoadLibrary("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
for name in ("XFlush", "XConnectionNumber", "XPending", "XCloseDisplay"):
    getattr(x11, name).argtypes = [ctypes.c_void_p]
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
x11.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
xtest.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
XK_F1 = 0xFFBE


class MapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int), ("pad", ctypes.c_long * 24)]


def wait_until_shown(display, deadline):
    """The window that is mapped with the main window's title, and when (monotonic)."""
    connection = x11.XConnectionNumber(display)
    event = MapEvent()
    while time.monotonic() < deadline:
        if not x11.XPending(display):
            select.select([connection], [], [], 0.5)
            continue
        x11.XNextEvent(display, ctypes.byref(event))
        shown = time.monotonic()
        if event.type != MAP_NOTIFY:
            continue
        title = ctypes.c_char_p()
        if x11.XFetchName(display, event.window, ctypes.byref(title)) and title.value == MAIN_TITLE:
            return event.window, shown
    raise RuntimeError("the main window was not shown")


def process_figures(pid):
    with open("/proc/%d/status" % pid) as status:
        fields = dict(line.split(":", 1) for line in status)
    with open("/proc/%d/schedstat" % pid) as schedstat:
        cpu_ns = int(schedstat.read().split()[0])
    return {"peak_kb": int(fields["VmHWM"].split()[0]),
            "wakeups": int(fields["voluntary_ctxt_switches"]) + int(fields["nonvoluntary_ctxt_switches"]),
            "cpu_ms": cpu_ns / 1e6}


def start(pipalo, folder, wav):
    configuration = os.path.join(folder, "asound.conf")
    with open(configuration, "w") as text:
        text.write('pcm.!default { type file slave.pcm { type null } file "%s" format "wav" perm 0644 }\n'
                   % wav)
    display = x11.XOpenDisplay(None)
    x11.XSelectInput(display, x11.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
    x11.XFlush(display)
    started = time.monotonic()
    program = subprocess.Popen([pipalo], cwd=folder, env=dict(os.environ, ALSA_CONFIG_PATH=configuration))
    window, shown = wait_until_shown(display, started + 30)
    return program, display, window, (shown - started) * 1000


def size_of(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def key_to_sound(display, window, wav):
    """Milliseconds from the key press being sent to the tone's first sample leaving the
    device's buffer: until the program writes to the device, plus the samples ahead of the
    tone in what it writes (the capture holds them, as the card's delay would count them)."""
    x11.XSetInputFocus(display, window, 1, 0)
    keycode = x11.XKeysymToKeycode(display, XK_F1)
    before = size_of(wav)
    sent = time.monotonic()
    xtest.XTestFakeKeyEvent(display, keycode, 1, 0)
    x11.XFlush(display)
    while size_of(wav) <= before:
        pass  # a busy wait: the write is seen within microseconds
    written = time.monotonic()
    time.sleep(0.05)
    xtest.XTestFakeKeyEvent(display, keycode, 0, 0)
    x11.XFlush(display)
    time.sleep(0.4)  # the tone plays out, and the stream runs dry before the next press
    with open(wav, "rb") as capture:
        capture.seek(before)
        data = capture.read()
    samples = memoryview(data[:len(data) // 2 * 2]).cast("h")
    # The file device passes the end of the tone before on only now; a card played it long ago.
    tail = next((index for index, sample in enumerate(samples) if sample == 0), len(samples))
    tone = next((index for index in range(tail, len(samples)) if samples[index] != 0), len(samples))
    return (written - sent) * 1000, (tone - tail) * 1000 / RATE


def main():
    pipalo = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    with tempfile.TemporaryDirectory(prefix="pipalo-bench-") as folder:
        wav = os.path.join(folder, "capture.wav")
        program, display, window, startup_ms = start(pipalo, folder, wav)
        time.sleep(1)
        at_start = process_figures(program.pid)
        time.sleep(IDLE_SECONDS)
        after_idle = process_figures(program.pid)
        to_write, ahead = zip(*(key_to_sound(display, window, wav) for _ in range(rounds)))
        after_keys = process_figures(program.pid)
        program.terminate()
        program.wait()
        x11.XCloseDisplay(display)

    total = [w + a for w, a in zip(to_write, ahead)]
    print("start to window shown (MapNotify): %.1f ms" % startup_ms)
    print("idle %d s: CPU %.3f ms, wake-ups %d" % (
        IDLE_SECONDS, after_idle["cpu_ms"] - at_start["cpu_ms"], after_idle["wakeups"] - at_start["wakeups"]))
    print("peak memory (VmHWM): %.1f MB after start, %.1f MB after %d notes" % (
        at_start["peak_kb"] / 1024, after_keys["peak_kb"] / 1024, rounds))
    print("key press to first write to the device, ms: median %.2f, min %.2f, max %.2f" % (
        statistics.median(to_write), min(to_write), max(to_write)))
    print("samples ahead of the tone in that write, ms: median %.2f, min %.2f, max %.2f" % (
        statistics.median(ahead), min(ahead), max(ahead)))
    print("key press to the tone's first sample, ms: median %.2f, min %.2f, max %.2f (%d presses)" % (
        statistics.median(total), min(total), max(total), rounds))


if __name__ == "__main__":
    main()
