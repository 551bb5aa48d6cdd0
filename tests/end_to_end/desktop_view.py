#!/usr/bin/env python3
"""The running Linux program as the desktop sees it, on the X display this runs on
(xvfb-run gives it one) under the openbox window manager, which gives each new
window the focus as desktops do, and with a session bus of its own
(dbus-run-session) on which the accessibility bus starts.

Usage: desktop_view.py PIPALO ARTIFACTS accessibility|scaling

accessibility: walks the program's AT-SPI tree as a screen reader does: the main
  window, its twelve note buttons, its menus and their items; Tab takes the focus
  through the buttons in the order they were added and Space or Enter presses the
  focused one (the tones are captured); each message box is an alert named by its
  caption, with its text, its buttons and its default button focused, Tab and Space
  answer it; the About window's texts; the Open dialog is a file chooser; File > Exit,
  chosen through its accessible action, ends the program.
scaling: starts the program as desktops set 100, 150 and 200 % (Xft.dpi in the X
  resources, GDK_SCALE, or an XSETTINGS manager), checks that the main and About
  windows grow by the factor, that a message box is a dialog of the main window
  centred over it, that the window's class names Pipalo, and leaves a screenshot of
  the screen at each step in ARTIFACTS.

It needs Debian's python3 (python3-pyatspi is Debian's).
"""

import ctypes
import os
import re
import shutil
import subprocess
import sys
import time

import pyatspi

import session as described
from linux_session import (check_capture, focus, press_close_box, sound_captured_in, start_window_manager,
                           wait_until_read, window_titled, windows_titled)
from runner import Failure, wait_for, xdotool
from session import ABOUT_TITLE, MAIN_TITLE, RECORDING_STARTED, SAVE_QUESTION

NOTES = ["Do", "Do#", "Re", "Re#", "Mi", "Fa", "Fa#", "Sol", "Sol#", "La", "La#", "Si"]
NOTE_HZ = [263, 278, 295, 313, 331, 351, 372, 394, 417, 442, 468, 496]  # in the order of NOTES
DO_SHARP4, RE_SHARP4 = 278, 313  # Ctrl+F1 and Ctrl+F2 play them before their box and window

# A screen reader speaks an item by its label without the mnemonic's "&" and without the
# shortcut after the tab, which it reads from the item's key binding; the blank that the
# Play item has before its tab is not compared.
MENUS = {"File": ["Hide Interface", "Exit"],
         "Record": ["Start Recording", "Stop Recording...", "Reset Recording", "Play..."],
         "Help": ["Contents", "About..."]}

HELP_CAPTION = "Contents"
# The help text's first and last words: a label holding both holds the whole text.
HELP_TEXT = ("You can control this program in several ways.", 'just press "Pipalo 2" \nin your task bar.')
STARTED_TEXT = "Recording has started, when you end the recording, \nyou will be asked to select a filename."
ABOUT_TEXT = ("This program was downloaded from www.tarnwell.example, look there for much more free "
              "programs!\n\nSpecial thanks go to Jan Klankmaker.")
ABOUT_STATUS = "Pipalo 2 - www.tarnwell.example"
BOX_ROLES = ("alert", "dialog")

FOCUS_WAIT_S = 10  # for the focus to move after a key; a loaded machine may take a while


# ---- The program and its windows

def start(pipalo, work, environment):
    """Starts the program in a fresh folder of `work`, its sound captured; the process,
    the capture and the main window."""
    folder = os.path.join(work, "folder")
    os.makedirs(folder, exist_ok=True)
    wav, sound = sound_captured_in(work)
    for inherited in ("GDK_SCALE", "GDK_DPI_SCALE"):
        sound.pop(inherited, None)
    program = subprocess.Popen([pipalo], cwd=folder, env=dict(sound, PIPALO_FILE_CHOOSER="gtk", **environment))
    return program, wav, window_titled(MAIN_TITLE)


def stop(program):
    program.terminate()
    program.wait()


def hold(keys, until, what):
    """Holds the keys ("ctrl+F1") until `until()` holds: the program reads the keyboard
    when it takes the key's message, which may come after a quick press was let go."""
    *modifiers, key = keys.split("+")
    try:
        for modifier in modifiers:
            xdotool("keydown", modifier)
        # Were the key down before the program took the modifier's message, it would count
        # for that message too.
        wait_until_read(window_titled(MAIN_TITLE))
        xdotool("keydown", key)
        return wait_for(until, what)
    finally:
        for name in reversed([*modifiers, key]):
            xdotool("keyup", name)


def geometry(window):
    """Left, top, width and height of the window on the screen."""
    text = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True).stdout
    fields = ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")
    values = [re.search(r"%s:\s+(-?\d+)" % field, text) for field in fields]
    if not all(values):
        raise Failure("xwininfo tells no geometry of window %d: %s" % (window, text))
    return tuple(int(value[1]) for value in values)


def xprop(window, name):
    return subprocess.run(["xprop", "-id", str(window), name], capture_output=True, text=True).stdout


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], check=True)
    print("screenshot:", path, flush=True)


# ---- The accessibility tree

def application_of(pid):
    """The program's accessible application, once it shows its main window."""
    def shown():
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.clearCache()
        for application in desktop:
            if application is not None and application.get_process_id() == pid and application.childCount:
                return application
        return None
    return wait_for(shown, "the program's accessible application")


def descendants(accessible):
    for child in accessible:
        if child is not None:
            yield child
            yield from descendants(child)


def states_of(accessible):
    return {pyatspi.stateToString(state) for state in accessible.getState().getStates()}


def found(within, roles, name=None):
    """The first accessible below `within` of one of the roles (and of that name)."""
    within.clearCache()
    return next((accessible for accessible in descendants(within)
                 if accessible.getRoleName() in roles and (name is None or accessible.name == name)), None)


def top_level(application, roles, name):
    """The application's window of one of the roles and that name, as it appears."""
    def shown():
        application.clearCache()
        return next((window for window in application
                     if window is not None and window.getRoleName() in roles and window.name == name), None)
    try:
        return wait_for(shown, "a window %s named %r" % ("/".join(roles), name))
    except Failure as failure:
        windows = ["%s %r" % (window.getRoleName(), window.name) for window in application if window is not None]
        raise Failure("%s; the program's windows: %s" % (failure, windows))


def tree_text(accessible, depth=0):
    """The tree as a screen reader's user could list it, for the log of a failure."""
    lines = ["%s%s %r" % ("  " * depth, accessible.getRoleName(), accessible.name)]
    for child in accessible:
        if child is not None:
            lines.append(tree_text(child, depth + 1))
    return "\n".join(lines)


def missing_from_main_window(frame):
    """What a screen reader would not find in the main window, as a list of sentences."""
    missing = []
    buttons = [button.name for button in descendants(frame) if button.getRoleName() == "push button"]
    for note in NOTES:
        if buttons.count(note) != 1:
            missing.append('%d push buttons named "%s", not one' % (buttons.count(note), note))
    if not found(frame, ("menu bar",)):
        missing.append("a menu bar")
    for title, items in MENUS.items():
        menu = found(frame, ("menu",), title)
        if menu is None:
            missing.append('a menu named "%s"' % title)
            continue
        names = [item.name.rstrip() for item in descendants(menu) if item.getRoleName() == "menu item"]
        if names != items:
            missing.append('in the menu "%s" the items %s, not %s' % (title, items, names))
    return missing


def focused_button(frame):
    frame.clearCache()
    return next((button.name for button in descendants(frame)
                 if button.getRoleName() == "push button" and "focused" in states_of(button)), None)


def settle(condition, what):
    deadline = time.monotonic() + FOCUS_WAIT_S
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.05)
    raise Failure("timed out waiting for " + what)


def press_focused_button(frame, key, capture_size):
    """Presses the key on the focused note button; the note it should play."""
    note = focused_button(frame)
    before = capture_size()
    xdotool("key", key)
    settle(lambda: capture_size() > before, "%s on the focused button %s to play" % (key, note))
    time.sleep(described.NOTE_MS / 1000 * 1.5)  # the whole tone, before the next
    return NOTE_HZ[NOTES.index(note)]


def check_tab_order(main, frame, capture_size):
    """Tab takes the focus through the note buttons in the order they were added, as the
    dialog manager does on Windows, and Space and Enter press the focused one; the tones
    they play, in order."""
    focus(main)
    for _ in range(3):
        if focused_button(frame):
            break
        xdotool("key", "Tab")
        time.sleep(0.3)
    first = focused_button(frame)
    if first is None:
        raise Failure("Tab gives the focus to no note button:\n" + tree_text(frame))
    visited = [first]
    for _ in NOTES:
        before = visited[-1]
        xdotool("key", "Tab")
        try:
            settle(lambda: focused_button(frame) not in (before, None), "Tab to move the focus on from " + before)
        except Failure:
            raise Failure("Tab moves the focus from %s to %s" % (before, focused_button(frame)))
        visited.append(focused_button(frame))
    start = NOTES.index(first)
    expected = [NOTES[(start + step) % len(NOTES)] for step in range(len(NOTES) + 1)]
    if visited != expected:
        raise Failure("Tab takes the focus through %s, not %s" % (visited, expected))
    print("Tab order:", " ".join(visited), flush=True)
    tones = [press_focused_button(frame, "space", capture_size)]
    xdotool("key", "Tab")
    settle(lambda: focused_button(frame) != visited[-1], "Tab to move the focus")
    tones.append(press_focused_button(frame, "Return", capture_size))
    return tones


def check_box(application, caption, text, buttons):
    """The message box is an alert (or dialog) named by its caption, with its text (or a
    text from its first to its last words) and its buttons, the first focused as Windows
    focuses the default button; the box."""
    box = top_level(application, BOX_ROLES, caption)
    labels = [label.name for label in descendants(box) if label.getRoleName() == "label"]
    first, last = text if isinstance(text, tuple) else (text, text)
    if not any(label.startswith(first) and label.endswith(last) for label in labels):
        raise Failure("the box %r has no label with its text %r:\n%s" % (caption, text, tree_text(box)))
    for name in buttons:
        if not found(box, ("push button",), name):
            raise Failure("the box %r has no push button %r:\n%s" % (caption, name, tree_text(box)))
    try:
        settle(lambda: "focused" in states_of(found(box, ("push button",), buttons[0])),
               "the box's default button %r to have the focus" % buttons[0])
    except Failure as failure:
        focused = ["%s %r" % (accessible.getRoleName(), accessible.name) for accessible in descendants(box)
                   if "focused" in states_of(accessible)]
        raise Failure("%s; the focus is on %s" % (failure, focused or "nothing in the box"))
    return box


def wait_closed(application, box, what):
    def gone():
        application.clearCache()
        return all(window != box for window in application if window is not None)
    wait_for(gone, what + " to close")


def check_boxes(application):
    """The recording's boxes and the help box, answered from the keyboard."""
    main = window_titled(MAIN_TITLE)
    focus(main)
    hold("ctrl+r", lambda: windows_titled(RECORDING_STARTED), "the box that a recording has started")
    box = check_box(application, STARTED_TEXT, STARTED_TEXT, ["OK"])
    xdotool("key", "Return")
    wait_closed(application, box, "the box that a recording has started, on Enter,")

    focus(main)
    hold("ctrl+s", lambda: windows_titled(SAVE_QUESTION), "the question whether to save")
    box = check_box(application, SAVE_QUESTION, SAVE_QUESTION, ["Yes", "No"])
    xdotool("key", "Tab")
    settle(lambda: "focused" in states_of(found(box, ("push button",), "No")), "Tab to focus the box's No")
    xdotool("key", "space")
    wait_closed(application, box, "the question whether to save, on Space on No,")
    time.sleep(1)
    if windows_titled(described.SAVE_DIALOG):
        raise Failure("Space on the focused No answered Yes: the Save dialog opened")

    focus(main)
    hold("ctrl+F1", lambda: windows_titled(HELP_CAPTION), "the help box")
    box = check_box(application, HELP_CAPTION, HELP_TEXT, ["OK"])
    xdotool("key", "Return")
    wait_closed(application, box, "the help box, on Enter,")


def check_about(application):
    focus(window_titled(MAIN_TITLE))
    hold("ctrl+F2", lambda: windows_titled(ABOUT_TITLE), "the About window")
    about = top_level(application, ("frame",), ABOUT_TITLE)
    texts = [accessible.name for accessible in descendants(about)
             if accessible.getRoleName() in ("label", "status bar")]
    for text in (ABOUT_TEXT, ABOUT_STATUS):
        if text not in texts:
            raise Failure("the About window has no text %r:\n%s" % (text, tree_text(about)))
    press_close_box(window_titled(ABOUT_TITLE))
    wait_closed(application, about, "the About window")


def check_open_dialog(application):
    """The Open dialog is a file chooser as the desktop's programs show it; Escape leaves it."""
    focus(window_titled(MAIN_TITLE))
    hold("ctrl+p", lambda: windows_titled(described.PLAY_DIALOG), "the Open dialog")
    dialog = top_level(application, ("file chooser", "dialog"), described.PLAY_DIALOG)
    if dialog.getRoleName() != "file chooser" and not found(dialog, ("file chooser",)):
        raise Failure("the Open dialog holds no file chooser:\n" + tree_text(dialog))
    focus(window_titled(described.PLAY_DIALOG))
    xdotool("key", "Escape")
    wait_closed(application, dialog, "the Open dialog, on Escape,")


def accessibility(pipalo, artifacts):
    program, wav, main = start(pipalo, artifacts, {})
    try:
        application = application_of(program.pid)
        frame = top_level(application, ("frame",), MAIN_TITLE)
        missing = missing_from_main_window(frame)
        if missing:
            raise Failure("a screen reader finds in the main window no\n  " + "\n  ".join(missing) +
                          "\nbut:\n" + tree_text(frame))
        print("the main window: 12 note buttons, 3 menus and their 8 items by name", flush=True)
        capture_size = lambda: os.path.getsize(wav) if os.path.exists(wav) else 0
        tones = check_tab_order(main, frame, capture_size)
        check_boxes(application)
        check_about(application)
        check_open_dialog(application)
        exit_from_menu(frame, program)
    finally:
        stop(program)
    check_capture(wav, tones + [DO_SHARP4, RE_SHARP4])


def exit_from_menu(frame, program):
    """File > Exit, chosen as a screen reader chooses it, through the item's action; the
    program ends, and the capture's length is written as it closes the device."""
    item = found(frame, ("menu item",), "Exit")
    item.queryAction().doAction(0)
    wait_for(lambda: program.poll() is not None, "the program to end after File > Exit")
    if program.returncode != 0:
        raise Failure("the program ended with %d after File > Exit" % program.returncode)


# ---- Desktop scale

class Desktop:
    """One way a desktop sets a scale: Xft.dpi in the X resources, and either GDK_SCALE in
    the environment or an XSETTINGS manager's settings, as GNOME's settings daemon keeps them."""

    def __init__(self, name, factor, dpi, gdk_scale=None, xsettings=False):
        self.name, self.factor, self.dpi, self.gdk_scale, self.xsettings = name, factor, dpi, gdk_scale, xsettings

    def environment(self):
        return {"GDK_SCALE": str(self.gdk_scale)} if self.gdk_scale else {}

    def settings(self):
        window_scale = 2 if self.factor >= 2 else 1
        return ("Xft/DPI %d\nGdk/WindowScalingFactor %d\nGdk/UnscaledDPI %d\n"
                % (self.dpi * 1024, window_scale, self.dpi * 1024 // window_scale))


DESKTOPS = [
    Desktop("100", 1.0, 96),
    Desktop("150", 1.5, 144, gdk_scale=1),
    Desktop("200", 2.0, 192, gdk_scale=2),
    Desktop("100-xsettings", 1.0, 96, xsettings=True),
    Desktop("150-xsettings", 1.5, 144, xsettings=True),
    Desktop("200-xsettings", 2.0, 192, xsettings=True),
]
SIZE_TOLERANCE = 4  # pixels: the factor times a size rounds, and so may each part of it


def xsettings_owned():
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XGetSelectionOwner.restype = ctypes.c_ulong
    x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    owner = x11.XGetSelectionOwner(display, x11.XInternAtom(display, b"_XSETTINGS_S0", 0))
    x11.XCloseDisplay(display)
    return owner != 0


def set_up(desktop, work):
    """Sets the desktop's scale on the display; the XSETTINGS manager it started, if any."""
    subprocess.run(["xrdb", "-load", "-"], input="Xft.dpi: %d\n" % desktop.dpi, text=True, check=True)
    if not desktop.xsettings:
        return None
    os.makedirs(work, exist_ok=True)
    configuration = os.path.join(work, "xsettingsd.conf")
    with open(configuration, "w") as text:
        text.write(desktop.settings())
    manager = subprocess.Popen(["xsettingsd", "-c", configuration], stderr=subprocess.DEVNULL)
    wait_for(xsettings_owned, "xsettingsd to take the XSETTINGS selection")
    return manager


def check_dialog_of(box, main, what):
    """The box is a dialog of the main window: transient for it, typed a dialog, and
    centred over it."""
    transient = re.search(r"window id # (0x[0-9a-f]+)", xprop(box, "WM_TRANSIENT_FOR"))
    if not transient or int(transient[1], 16) != main:
        raise Failure("%s is not transient for the main window: %s" % (what, xprop(box, "WM_TRANSIENT_FOR")))
    if "_NET_WM_WINDOW_TYPE_DIALOG" not in xprop(box, "_NET_WM_WINDOW_TYPE"):
        raise Failure("%s is not typed a dialog: %s" % (what, xprop(box, "_NET_WM_WINDOW_TYPE")))
    left, top, width, height = geometry(box)
    main_left, main_top, main_width, main_height = geometry(main)
    off = (left + width / 2 - (main_left + main_width / 2), top + height / 2 - (main_top + main_height / 2))
    if max(map(abs, off)) > SIZE_TOLERANCE:
        raise Failure("%s (%d,%d %dx%d) is not centred over the main window (%d,%d %dx%d): %+g, %+g" % (
            what, left, top, width, height, main_left, main_top, main_width, main_height, *off))


def check_class(window, what):
    """The window's class names the program, so a dock matches it to the desktop entry."""
    names = re.findall(r'"([^"]*)"', xprop(window, "WM_CLASS"))
    if len(names) != 2 or names[1] != "Pipalo":
        raise Failure("the WM_CLASS of %s is %s, not the class Pipalo" % (what, names))


def check_factor(size, base, factor, what):
    expected = (base[0] * factor, base[1] * factor)
    if any(abs(actual - wanted) > SIZE_TOLERANCE for actual, wanted in zip(size, expected)):
        raise Failure("%s is %dx%d, not %gx%g (%g times %dx%d)" % (what, *size, *expected, factor, *base))


def noted(wrong, check, *arguments):
    """Runs the check, noting what it finds wrong instead of stopping there."""
    try:
        check(*arguments)
    except Failure as failure:
        print("wrong:", failure, flush=True)
        wrong.append(str(failure))


def view_at(pipalo, desktop, work, artifacts, wrong):
    """The main and About windows' sizes under the desktop's scale, after checking its
    boxes and class (noting what is wrong); screenshots of each."""
    print("== %s %%: Xft.dpi %d, %s" % (desktop.name, desktop.dpi, "XSETTINGS manager" if desktop.xsettings
                                         else "GDK_SCALE=%s" % (desktop.gdk_scale or "unset")), flush=True)
    manager = set_up(desktop, work)
    program, _, main = start(pipalo, work, desktop.environment())
    try:
        noted(wrong, check_class, main, "the main window")
        # In the middle of the screen, so that a box centred over it has room on every side.
        xdotool("windowmove", "--sync", main, 700, 450)
        time.sleep(0.5)  # lets it draw
        main_size = geometry(main)[2:]
        screenshot(os.path.join(artifacts, "main_%s.png" % desktop.name))

        focus(main)
        hold("ctrl+F1", lambda: windows_titled(HELP_CAPTION), "the help box")
        box = window_titled(HELP_CAPTION)
        time.sleep(0.5)
        screenshot(os.path.join(artifacts, "help_box_%s.png" % desktop.name))
        noted(wrong, check_dialog_of, box, main, "the help box")
        focus(box)
        xdotool("key", "Return")
        wait_for(lambda: not windows_titled(HELP_CAPTION), "the help box to close")

        focus(main)
        hold("ctrl+F2", lambda: windows_titled(ABOUT_TITLE), "the About window")
        about = window_titled(ABOUT_TITLE)
        time.sleep(0.5)
        about_size = geometry(about)[2:]
        screenshot(os.path.join(artifacts, "about_%s.png" % desktop.name))
        noted(wrong, check_class, about, "the About window")
        press_close_box(about)
        wait_for(lambda: not windows_titled(ABOUT_TITLE), "the About window to close")

        if desktop.factor == 2:
            focus(main)
            hold("ctrl+p", lambda: windows_titled(described.PLAY_DIALOG), "the Open dialog")
            time.sleep(1)
            screenshot(os.path.join(artifacts, "open_dialog_%s.png" % desktop.name))
            focus(window_titled(described.PLAY_DIALOG))
            xdotool("key", "Escape")
            wait_for(lambda: not windows_titled(described.PLAY_DIALOG), "the Open dialog to close")
    finally:
        stop(program)
        if manager:
            manager.terminate()
            manager.wait()
    print("main window %dx%d, About window %dx%d" % (*main_size, *about_size), flush=True)
    return main_size, about_size


def scaling(pipalo, artifacts):
    """Every scale is viewed, and pictured, before the sizes that are wrong are told."""
    base, wrong = {}, []
    for desktop in DESKTOPS:
        work = os.path.join(artifacts, desktop.name)
        main_size, about_size = view_at(pipalo, desktop, work, artifacts, wrong)
        if desktop.factor == 1:
            # Room for the buttons: the last ends 283 pixels from the left and 83 from the
            # top of the client area, which the menu bar stands above.
            if main_size[0] < 283 or main_size[1] < 83 + 15:
                raise Failure("the main window, %dx%d, is too small for its buttons and menu" % main_size)
            base[desktop.xsettings] = (main_size, about_size)
            continue
        base_main, base_about = base[desktop.xsettings]
        for size, base_size, what in ((main_size, base_main, "main"), (about_size, base_about, "About")):
            noted(wrong, check_factor, size, base_size, desktop.factor, "the %s window at %s %%" % (what, desktop.name))
    if wrong:
        raise Failure("; ".join(wrong))


if __name__ == "__main__":
    pipalo, artifacts, mode = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    artifacts = os.path.join(artifacts, mode)
    shutil.rmtree(artifacts, ignore_errors=True)
    os.makedirs(artifacts)
    manager = start_window_manager(artifacts)
    try:
        {"accessibility": accessibility, "scaling": scaling}[mode](pipalo, artifacts)
    except Failure as failure:
        print("FAILED:", failure, flush=True)
        sys.exit(1)
    finally:
        manager.terminate()
        manager.wait()
    print("ok: the program as the desktop sees it (%s)" % mode)
