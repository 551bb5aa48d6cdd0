#!/usr/bin/env python3
"""Hide Interface under a window manager: the Linux program under openbox, on
the X display this runs on (xvfb-run gives it one), with ALSA's default device
captured to a WAV file.

Usage: minimized_session.py PIPALO ARTIFACTS

It checks that the window manager gives the window a title bar and the
program's icon; that once minimised from its menu, before Ctrl was ever
pressed, Ctrl+P still opens the Play dialog; that Ctrl+H minimises it; that F5,
pressed while it is minimised and no window has the focus, is heard as Sol;
that once another window has been activated F5 is that window's and plays
nothing; and that the window, restored, plays its keys as before. Screenshots
of the screen with the window shown and minimised are left in ARTIFACTS.
"""

import ctypes
import os
import shutil
import subprocess
import sys
import time

from runner import Failure, wait_for, xdotool
from session import DO4, MAIN_TITLE, PLAY_DIALOG, SOL4
from linux_session import (Capture, check_capture, check_frame, focus, press_close_box, screenshot,
                           sound_captured_in, under_window_manager, window_titled,
                           windows_titled)

CONTROL_MASK = 1 << 2
QUIET_SECONDS = 1.5  # a key that is Pipalo's sounds within milliseconds; this is long enough to tell


def xprop(*arguments):
    return subprocess.run(["xprop", *map(str, arguments)], capture_output=True, text=True).stdout


def grabbed_by_another_client(keys):
    """Whether another client holds a grab of the key, with its modifiers ("ctrl+p"), on
    the root window: our own grab of it is then refused (BadAccess)."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    for name in ("XCloseDisplay", "XSync", "XDefaultRootWindow", "XKeysymToKeycode", "XGrabKey", "XUngrabKey"):
        getattr(x11, name).argtypes = None
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int,
                             ctypes.c_int, ctypes.c_int]
    x11.XUngrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    refused = []
    on_error = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda _, __: refused.append(1) or 0)
    previous = x11.XSetErrorHandler(on_error)
    display = x11.XOpenDisplay(None)
    root = x11.XDefaultRootWindow(display)
    *modifiers, key = keys.split("+")
    mask = CONTROL_MASK if "ctrl" in modifiers else 0
    code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(key.encode()))
    grab_mode_async = 1
    x11.XGrabKey(display, code, mask, root, 1, grab_mode_async, grab_mode_async)
    x11.XSync(display, 0)
    if not refused:
        x11.XUngrabKey(display, code, mask, root)
        x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    x11.XSetErrorHandler(ctypes.c_void_p(previous))
    return bool(refused)


def is_iconic(window):
    return "Iconic" in xprop("-id", window, "WM_STATE")


def focused_window():
    return subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True).stdout.strip()


def grown(capture):
    """A condition that holds once more sound has reached the device than now."""
    before = capture.size()
    return lambda: capture.size() > before


def hold(window, keys, until, what):
    """Holds the keys down in the window until `until` holds, then lets them go."""
    focus(window)
    try:
        for key in keys:
            xdotool("keydown", key)
        return wait_for(until, what + " after " + "+".join(keys))
    finally:
        for key in reversed(keys):
            xdotool("keyup", key)


def press(keys, until, what):
    """Presses and releases the keys ("ctrl+p") wherever the keyboard's focus is, waiting for
    `until` in between."""
    pressed = keys.split("+")
    for key in pressed:
        xdotool("keydown", key)
    try:
        return wait_for(until, what + " after " + keys)
    finally:
        for key in reversed(pressed):
            xdotool("keyup", key)


def minimise_from_menu(window):
    focus(window)
    xdotool("key", "alt+f")  # the File menu
    xdotool("key", "h")      # its Hide Interface
    wait_for(lambda: is_iconic(window), "the window to be minimised from its menu")


def restore(window):
    xdotool("windowactivate", "--sync", window)
    wait_for(lambda: not is_iconic(window), "the window to be restored")


def check_quiet(capture, key):
    before = capture.size()
    xdotool("keydown", key)
    time.sleep(QUIET_SECONDS)
    xdotool("keyup", key)
    time.sleep(0.2)
    if capture.size() != before:
        raise Failure("%s still played a tone after another window was activated" % key)


def session(pipalo, artifacts):
    work = os.path.join(artifacts, "work")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    wav, environment = sound_captured_in(work)
    program = subprocess.Popen([pipalo], cwd=work, env=environment)
    other = None
    capture = Capture(wav)
    try:
        main = window_titled(MAIN_TITLE)
        wait_for(lambda: os.path.exists(wav), "the program to open the sound device")
        check_frame(main)
        hold(main, ["F1"], grown(capture), "a tone")
        time.sleep(0.3)  # lets the frame be drawn before the picture is taken
        screenshot("root", os.path.join(artifacts, "under_openbox.png"))

        # A program asks about its Ctrl shortcuts only while Ctrl is down; none was yet.
        minimise_from_menu(main)
        wait_for(lambda: grabbed_by_another_client("ctrl+p"), "the minimised program to grab Ctrl+P")
        dialog = press("ctrl+p", lambda: windows_titled(PLAY_DIALOG) and windows_titled(PLAY_DIALOG)[0],
                       "the Play dialog")
        focus(dialog)
        xdotool("key", "Escape")
        wait_for(lambda: not windows_titled(PLAY_DIALOG), "the Play dialog to close")
        restore(main)

        hold(main, ["ctrl", "h"], lambda: is_iconic(main), "the window to be minimised")
        screenshot("root", os.path.join(artifacts, "minimised.png"))
        print("focus while minimised:", focused_window())
        # The program grabs the keys once it has seen itself minimised.
        wait_for(lambda: grabbed_by_another_client("F5"), "the minimised program to grab F5")
        press("F5", grown(capture), "a tone from the minimised window")

        other = subprocess.Popen(["xmessage", "-name", "Another window", "Another window"])
        other_window = window_titled("Another window")
        xdotool("windowactivate", "--sync", other_window)
        wait_for(lambda: focused_window() == str(other_window), "the other window to have the focus")
        # The program lets its keys go once the window manager has named the other window active.
        wait_for(lambda: not grabbed_by_another_client("F5"), "the program to let F5 go")
        check_quiet(capture, "F5")

        restore(main)
        hold(main, ["F1"], grown(capture), "a tone from the restored window")

        press_close_box(main)
        code = program.wait(timeout=60)
    except Failure:
        screenshot("root", os.path.join(artifacts, "at_failure.png"))
        raise
    finally:
        for process in (program, other):
            if process and process.poll() is None:
                process.kill()
                process.wait()

    if code != 0:
        raise Failure("the program ended with exit code %d" % code)
    # F1 shown; F5 while minimised; nothing once another window was active; F1 restored.
    check_capture(wav, [DO4, SOL4, DO4])


if __name__ == "__main__":
    sys.exit(under_window_manager([("framed with title bar and icon, shortcuts and keys heard while minimised "
                                    "until another window was active, and after restoring", session)]))
