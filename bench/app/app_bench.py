#!/usr/bin/env python3
"""Benchmarks of the Linux program as a user meets it, on the X display this
runs on (xvfb-run gives it one), with ALSA's default device captured to a WAV
file: the time from start to the window being shown, peak memory before any
file dialog, CPU and wake-ups while idle, and the latency from a key press to
the tone's first sample.

Usage: app_bench.py PIPALO [ROUNDS]
       app_bench.py --window-only PROGRAM

With --window-only, PROGRAM is any program that shows a window of the main
window's title (such as minimal_gtk_window, the least a toolkit takes): only its
start, idle figures and memory after start are measured, the same way.
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
PROBE_PAUSE_MS = 50  # about the idle time before each key press

libc = ctypes.CDLL(None, use_errno=True)
IN_MODIFY, IN_NONBLOCK, IN_CLOEXEC = 0x2, os.O_NONBLOCK, os.O_CLOEXEC
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
            # The resident pages of files (libraries, caches) are shared with other programs.
            "anonymous_kb": int(fields["RssAnon"].split()[0]), "file_kb": int(fields["RssFile"].split()[0]),
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


class Writes:
    """Told by the kernel (inotify) of each write to a file. The benchmark sleeps while it
    waits, so that the program and the X server have both cores, as they have on a user's
    machine; a busy wait would hold one of the two."""

    def __init__(self, path):
        self.descriptor = libc.inotify_init1(IN_NONBLOCK | IN_CLOEXEC)
        if self.descriptor < 0 or libc.inotify_add_watch(self.descriptor, path.encode(), IN_MODIFY) < 0:
            raise OSError(ctypes.get_errno(), "inotify cannot watch " + path)

    def forget(self):
        """Drops the writes told of so far."""
        try:
            while os.read(self.descriptor, 4096):
                pass
        except BlockingIOError:
            pass

    def wait(self):
        if not select.select([self.descriptor], [], [], 10)[0]:
            raise RuntimeError("the program wrote no sound")
        self.forget()

    def close(self):
        os.close(self.descriptor)


def cross_cpu_round_trips(rounds=100):
    """Milliseconds for one byte to go and come back through pipes between two processes
    kept on different CPUs, each after a pause as long as between key presses; None on a
    single CPU. A key press crosses processes four times (XTest to the X server, to the
    program, its keyboard reading there and back), so stalls here show in key-to-sound:
    on a virtual machine they are the host's, not the program's."""
    cpus = sorted(os.sched_getaffinity(0))
    if len(cpus) < 2:
        return None
    to_echo, from_here = os.pipe()
    to_here, from_echo = os.pipe()
    echo = os.fork()
    if echo == 0:
        os.sched_setaffinity(0, {cpus[1]})
        while os.read(to_echo, 1) == b"x":
            os.write(from_echo, b"x")
        os._exit(0)
    os.sched_setaffinity(0, {cpus[0]})
    times = []
    for _ in range(rounds):
        time.sleep(PROBE_PAUSE_MS / 1000)
        sent = time.monotonic()
        os.write(from_here, b"x")
        os.read(to_here, 1)
        times.append((time.monotonic() - sent) * 1000)
    os.write(from_here, b"q")
    os.waitpid(echo, 0)
    os.sched_setaffinity(0, set(cpus))
    for descriptor in (to_echo, from_here, to_here, from_echo):
        os.close(descriptor)
    return times


def key_to_sound(display, window, wav, writes):
    """Milliseconds from the key press being sent to the tone's first sample leaving the
    device's buffer: until the program writes to the device, plus the samples ahead of the
    tone in what it writes (the capture holds them, as the card's delay would count them)."""
    x11.XSetInputFocus(display, window, 1, 0)
    keycode = x11.XKeysymToKeycode(display, XK_F1)
    writes.forget()
    before = size_of(wav)
    sent = time.monotonic()
    xtest.XTestFakeKeyEvent(display, keycode, 1, 0)
    x11.XFlush(display)
    while size_of(wav) <= before:
        writes.wait()
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


def print_start_and_idle(startup_ms, at_start, after_idle):
    print("start to window shown (MapNotify): %.1f ms" % startup_ms)
    print("idle %d s: CPU %.3f ms, wake-ups %d" % (
        IDLE_SECONDS, after_idle["cpu_ms"] - at_start["cpu_ms"], after_idle["wakeups"] - at_start["wakeups"]))


def print_resident(figures):
    print("resident after start: %.1f MB anonymous, %.1f MB of files" % (
        figures["anonymous_kb"] / 1024, figures["file_kb"] / 1024))


def main():
    window_only = sys.argv[1] == "--window-only"
    arguments = sys.argv[2:] if window_only else sys.argv[1:]
    pipalo = os.path.abspath(arguments[0])
    rounds = int(arguments[1]) if len(arguments) > 1 else 20
    with tempfile.TemporaryDirectory(prefix="pipalo-bench-") as folder:
        wav = os.path.join(folder, "capture.wav")
        program, display, window, startup_ms = start(pipalo, folder, wav)
        time.sleep(1)
        at_start = process_figures(program.pid)
        time.sleep(IDLE_SECONDS)
        after_idle = process_figures(program.pid)
        if window_only:
            program.terminate()
            program.wait()
            x11.XCloseDisplay(display)
            print_start_and_idle(startup_ms, at_start, after_idle)
            print("peak memory (VmHWM): %.1f MB after start" % (at_start["peak_kb"] / 1024))
            print_resident(at_start)
            return
        writes = Writes(wav)
        to_write, ahead = zip(*(key_to_sound(display, window, wav, writes) for _ in range(rounds)))
        writes.close()
        after_keys = process_figures(program.pid)
        program.terminate()
        program.wait()
        x11.XCloseDisplay(display)

    round_trips = cross_cpu_round_trips()
    total = [w + a for w, a in zip(to_write, ahead)]
    print_start_and_idle(startup_ms, at_start, after_idle)
    print("peak memory (VmHWM): %.1f MB after start, %.1f MB after %d notes" % (
        at_start["peak_kb"] / 1024, after_keys["peak_kb"] / 1024, rounds))
    print_resident(at_start)
    print("key press to first write to the device, ms: median %.2f, min %.2f, max %.2f" % (
        statistics.median(to_write), min(to_write), max(to_write)))
    print("samples ahead of the tone in that write, ms: median %.2f, min %.2f, max %.2f" % (
        statistics.median(ahead), min(ahead), max(ahead)))
    print("key press to the tone's first sample, ms: median %.2f, min %.2f, max %.2f (%d presses)" % (
        statistics.median(total), min(total), max(total), rounds))
    if round_trips:
        print("the machine: pipe round trip between two CPUs after %d ms idle, ms: median %.2f, max %.2f, "
              "over 2 ms: %d of %d" % (PROBE_PAUSE_MS, statistics.median(round_trips), max(round_trips),
                                       sum(trip > 2 for trip in round_trips), len(round_trips)))


if __name__ == "__main__":
    main()
