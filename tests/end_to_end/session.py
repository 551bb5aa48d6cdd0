"""The user's session that both end-to-end runners play: linux_session.py on the
Linux program under Xvfb, and tests/windows/wine_session.py on Pipalo.exe under
Wine. It says what the user does, which boxes and windows must appear, in order,
which tones each action must play and which bytes each saved tune file must
hold, so the two builds are held to one behaviour.

Each run starts the program in an empty folder (the dialogs open there) and
ends with the program's end. A step is one action of the user and what it must
bring about; the runner waits for that before it takes the next step.

Actions (`target` names what the action is done to):
  keys    hold the keys of `target` ("ctrl+r"; xdotool's names) until the step's
          tones have sounded or its window has appeared, then let them go
  click   click the main window's note button labelled `target`
  answer  answer the box titled `target` with `answer`: "yes", "no" or "ok"
  file    type the name `answer` into the file dialog titled `target`, then Enter.
          A runner types it as it stands, with FOLDER as the full path of the
          program's folder, or, where a dialog takes only full paths (Wine's),
          as full_path() makes it; "~/" is the home folder that the runner gives
          the program, a bare name is in the folder the dialog opens in.
  close   press the close box of the window titled `target`
"""

import os
import stat
from dataclasses import dataclass, field

FOLDER = "{folder}"
HOME = "~/"

MAIN_TITLE = "Pipalo 4 - TarnWell Dev."
ABOUT_TITLE = "About..."
RECORDING_STARTED = "Recording has started"  # the start of the box's text and title
SAVE_QUESTION = "Would you like to save?"
CLOSE_QUESTION = "The program is recording, would you like to save?"
SAVE_DIALOG = "Save..."
PLAY_DIALOG = "Play..."

NOTE_MS = 230
DO4, RE_SHARP4, SOL4, DO5, SOL5 = 263, 313, 394, 526, 788

TUNE_HEADER = b"// Read this as frequenty, length in milliseconds\r\n"


def tune_file(frequencies):
    """The bytes of a tune file that holds these tones."""
    return TUNE_HEADER + b"".join(b"%d,%d\r\n" % (frequency, NOTE_MS) for frequency in frequencies)


@dataclass
class Step:
    action: str
    target: str
    answer: str = ""
    tones: list = field(default_factory=list)  # frequencies, each played for NOTE_MS
    shows: str = ""  # the title of the box, dialog or window that the step opens
    # The Save dialog asks whether to create a file that does not exist, as Windows'
    # does with the program's OFN_CREATEPROMPT; Wine's dialog does not ask.
    not_on_wine: bool = False


@dataclass
class Run:
    name: str
    steps: list
    # path from the program's folder, or from the home folder after "~/" ("/" between
    # folders): bytes of every file the run leaves there, and no others
    files: dict
    exit_code: int = 0
    folders: list = field(default_factory=list)  # made before it starts, as the files' paths are
    given: dict = field(default_factory=dict)  # files made there before it starts: path: bytes
    links: dict = field(default_factory=dict)  # symbolic links made there before it starts: path: target
    pipes: list = field(default_factory=list)  # named pipes made there before it starts

    def tones(self):
        return [tone for step in self.steps for tone in step.tones]

    def prepare(self, folder, home):
        """Makes the home folder, and the folders, files and links the run starts with."""
        os.makedirs(home, exist_ok=True)
        for name in self.folders:
            os.makedirs(in_place(name, folder, home))
        for name, data in self.given.items():
            with open(in_place(name, folder, home), "wb") as file:
                file.write(data)
        for name, target in self.links.items():
            os.symlink(target, in_place(name, folder, home))
        for name in self.pipes:
            os.mkfifo(in_place(name, folder, home))

    def files_left(self, folder, home):
        """The files in the program's folder, and those in the home folder but for the
        hidden ones of settings (GTK keeps its own there)."""
        return {**files_in(folder), **{HOME + path: data for path, data in files_in(home).items()
                                       if not path.startswith(".")}}


def in_place(path, folder, home):
    """A path of the session's, from the program's folder or the home folder, in full."""
    return os.path.join(home, path[len(HOME):]) if path.startswith(HOME) else os.path.join(folder, path)


def typed_text(answer, folder):
    """What a runner types into a dialog for `answer`: FOLDER is the program's folder."""
    return answer.replace(FOLDER, folder)


def full_path(answer, folder, home):
    """The full path that `answer` names."""
    return os.path.normpath(in_place(typed_text(answer, folder), folder, home))


def typed_texts():
    """Every text a runner types into a dialog, but for the folders it types."""
    return [step.answer for run in RUNS for step in run.steps if step.action == "file"]


def files_in(folder):
    """Every file below the folder, by its path from there ("/" between folders), with its bytes;
    a symbolic link with "-> " and its target, a named pipe as "pipe"."""
    found = {}
    for place, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(place, name)
            key = os.path.relpath(path, folder).replace(os.sep, "/")
            if os.path.islink(path):
                found[key] = "-> " + os.readlink(path)
                continue
            if stat.S_ISFIFO(os.stat(path).st_mode):
                found[key] = "pipe"
                continue
            with open(path, "rb") as file:
                found[key] = file.read()
    return found


def start_recording():
    """Record > Start Recording, and the box that says so answered."""
    return [
        Step("keys", "ctrl+r", shows=RECORDING_STARTED),
        Step("answer", RECORDING_STARTED, answer="ok"),
    ]


def ask_to_save():
    """Record > Save Recording, and its question answered Yes, which opens the Save dialog."""
    return [
        Step("keys", "ctrl+s", shows=SAVE_QUESTION),
        Step("answer", SAVE_QUESTION, answer="yes", shows=SAVE_DIALOG),
    ]


def close_and_save():
    """The main window closed during a recording, and the offer to save it taken."""
    return [
        Step("close", MAIN_TITLE, shows=CLOSE_QUESTION),
        Step("answer", CLOSE_QUESTION, answer="yes", shows=SAVE_DIALOG),
    ]


def save_as(name):
    """The Save dialog answered with a new name, and its question whether to create it."""
    return [
        Step("file", SAVE_DIALOG, answer=name),
        Step("answer", SAVE_DIALOG, answer="yes", not_on_wine=True),
    ]


# F1 sounds twice: taking its key-down from the queue posts WM_KEYF1 (on Windows,
# under Wine and on the Linux subset alike), so the message loop's key pass runs
# again while F1 is held.
RECORDED = [DO4, DO4, DO5, SOL4]

# A tune saved and played back under an accented name, in an accented folder: the
# program hands the dialog's path to the file functions exactly as the dialog gave it.
ACCENTED_TUNE = "Fr\u00e9d\u00e9ric/\u00e9t\u00e9"

RUNS = [
    Run("record with Shift, F1, F8 and a click; save; play back; About; close without saving",
        steps=[
            Step("keys", "shift+F5", tones=[SOL5]),
            *start_recording(),
            Step("keys", "F1", tones=[DO4, DO4]),
            Step("keys", "F8", tones=[DO5]),
            Step("click", "Sol", tones=[SOL4]),
            *ask_to_save(),
            *save_as("tune"),
            Step("keys", "ctrl+p", shows=PLAY_DIALOG),
            Step("file", PLAY_DIALOG, answer="tune.TPZ", tones=RECORDED),
            # Ctrl+F2 plays F2's sharp, then opens the About window.
            Step("keys", "ctrl+F2", tones=[RE_SHARP4], shows=ABOUT_TITLE),
            Step("close", ABOUT_TITLE),
            *start_recording(),
            Step("keys", "F8", tones=[DO5]),
            Step("close", MAIN_TITLE, shows=CLOSE_QUESTION),
            Step("answer", CLOSE_QUESTION, answer="no"),
        ],
        files={"tune.TPZ": tune_file(RECORDED)}),
    Run("close during a recording and save it",
        steps=[
            *start_recording(),
            Step("keys", "F8", tones=[DO5]),
            *close_and_save(),
            *save_as("closing"),
        ],
        files={"closing.TPZ": tune_file([DO5])}),
    Run("save and play back under an accented name in an accented folder",
        steps=[
            *start_recording(),
            Step("keys", "F8", tones=[DO5]),
            *ask_to_save(),
            *save_as(ACCENTED_TUNE),
            Step("keys", "ctrl+p", shows=PLAY_DIALOG),
            Step("file", PLAY_DIALOG, answer=ACCENTED_TUNE + ".TPZ", tones=[DO5]),
            Step("close", MAIN_TITLE),
        ],
        folders=[os.path.dirname(ACCENTED_TUNE)],
        files={ACCENTED_TUNE + ".TPZ": tune_file([DO5])}),
    # The dialog asks before it replaces the file the link names; the link goes on naming
    # that file, which gets the tune.
    Run("save over a symbolic link: the linked file gets the tune",
        steps=[
            *start_recording(),
            Step("keys", "F8", tones=[DO5]),
            *ask_to_save(),
            Step("file", SAVE_DIALOG, answer="song.TPZ", shows=SAVE_DIALOG),
            Step("answer", SAVE_DIALOG, answer="yes"),
            Step("close", MAIN_TITLE),
        ],
        folders=["elsewhere"],
        given={"elsewhere/real.TPZ": b"old"},
        links={"song.TPZ": "elsewhere/real.TPZ"},
        files={"elsewhere/real.TPZ": tune_file([DO5]), "song.TPZ": "-> elsewhere/real.TPZ"}),
    Run("save by full path in another folder and in the home folder; play back by full path",
        steps=[
            *start_recording(),
            Step("keys", "F8", tones=[DO5]),
            *ask_to_save(),
            *save_as(FOLDER + "/elsewhere/song"),
            *start_recording(),
            Step("keys", "F5", tones=[SOL4]),
            *ask_to_save(),
            *save_as(HOME + "Music/song"),
            Step("keys", "ctrl+p", shows=PLAY_DIALOG),
            Step("file", PLAY_DIALOG, answer=FOLDER + "/elsewhere/song.TPZ", tones=[DO5]),
            Step("close", MAIN_TITLE),
        ],
        folders=["elsewhere", HOME + "Music"],
        # A recording started anew follows the one saved before it, until Reset Recording.
        files={"elsewhere/song.TPZ": tune_file([DO5]),
               HOME + "Music/song.TPZ": tune_file([DO5]) + tune_file([SOL4])}),
    # /proc takes no new file: the failure is told, the window stays with its recording, and
    # closing asks again.
    Run("close during a recording, save where no file can be made, then save elsewhere",
        steps=[
            *start_recording(),
            Step("keys", "F8", tones=[DO5]),
            *close_and_save(),
            *save_as("/proc/somename"),
            Step("answer", SAVE_DIALOG, answer="ok"),  # the failure, told in a box of the same title
            *close_and_save(),
            *save_as("kept"),
        ],
        files={"kept.TPZ": tune_file([DO5])}),
]

# How long the Wine runner waits after pressing a key's modifiers before the key itself.
# The program reads the keys' state as it takes each message: were the key down before
# the modifier's message is taken, it would sound for that message too. The Linux
# runners wait instead until the program has read the modifier (wait_until_read).
MODIFIER_SETTLE_S = 0.5

# The key that gives each answer in a message box: Enter takes the default button
# (Yes or OK), the mnemonic letter the others.
ANSWER_KEYS = {"yes": "Return", "ok": "Return", "no": "n"}
