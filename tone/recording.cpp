// Starting, stopping, saving and resetting a recording, and its messages.
#include "recording.h"

#include <algorithm>
#include <cctype>

#include "notes.h"
#include "replace_question.h"
#include "tune_file.h"
#include "tune_text.h"

namespace {

constexpr char tuneExtension[] = ".TPZ";
constexpr char saveTitle[] = "Save...";
// One entry: its description and pattern, each ending with a NUL, then the NUL that ends the list.
constexpr char saveFilter[] = "TarnWell Pipalo (*.TPZ)\0*.TPZ\0";
static_assert(sizeof saveFilter == 31);
constexpr char saveInitialDirectory[] = "c:\\";

constexpr char alreadyRecordingText[] = "Er loopt al een opname, gelieve deze eerst stop te zetten.";
constexpr char alreadyRecordingCaption[] = "Opname loopt.";
constexpr char startedText[] =
    "Recording has started, when you end the recording, \nyou will be asked to select a filename.";
constexpr char notRecordingText[] = "Program wasn't recording.";
constexpr char saveQuestionText[] = "Would you like to save?";
constexpr char resetRefusedText[] = "Opname kan enkel gereset worden als hij loopt.";
constexpr char resetRefusedCaption[] = "Reset kan niet...";

int showBox(Window* owner, const std::string& text, const char* caption, UINT style) {
    return MessageBoxA(owner->getHandle(), text.c_str(), caption, style);
}

bool endsWithTuneExtension(const std::string& path) {
    const std::string extension = tuneExtension;
    return path.size() >= extension.size() &&
           std::equal(extension.begin(), extension.end(), path.end() - extension.size(),
                      [](char wanted, char actual) {
                          return wanted == std::toupper(static_cast<unsigned char>(actual));
                      });
}

// The path the tune goes to, or empty text when the user keeps an existing file. A name
// that already ends in the extension was chosen as it is, and the dialog asked before
// replacing it; a name the extension was added to was not asked about yet.
std::string tunePathFor(Window* window, const std::string& chosen) {
    if (endsWithTuneExtension(chosen)) return chosen;
    const std::string path = chosen + tuneExtension;
    if (fileExists(path) && showBox(window, replaceQuestion(path), saveTitle, replaceQuestionStyle) != IDYES)
        return {};
    return path;
}

}  // namespace

void startRecording(Window* window) {
    if (isRecording) {
        showBox(window, alreadyRecordingText, alreadyRecordingCaption, MB_ICONINFORMATION);
        return;
    }
    recordingBuffer += headerLine;
    showBox(window, startedText, startedText, MB_ICONINFORMATION);
    isRecording = true;
}

void stopRecording(Window* window) {
    if (!isRecording) {
        showBox(window, notRecordingText, notRecordingText, MB_ICONINFORMATION);
        return;
    }
    if (showBox(window, saveQuestionText, saveQuestionText, MB_YESNO) != IDNO) saveRecording(window);
}

bool saveRecording(Window* window) {
    std::string path;
    // A No to replacing a file leads back to the dialog, as Windows' own question does; the user
    // who then leaves it still meant to save, so nothing was saved is what the caller hears.
    for (bool replaceDeclined = false; path.empty(); replaceDeclined = true) {
        const std::string chosen = window->showSaveDialog(saveTitle, saveFilter, saveInitialDirectory, 0);
        if (chosen.empty()) return !replaceDeclined;
        path = tunePathFor(window, chosen);
    }
    isRecording = false;
    const std::string failure = writeTuneFile(path, recordingBuffer);
    if (failure.empty()) return true;
    // Nothing is lost: the recording goes on, so the user can stop and save again.
    isRecording = true;
    showBox(window, "The tune could not be saved as " + path + "\n" + failure, saveTitle,
            MB_ICONINFORMATION);
    return false;
}

void resetRecording(Window*) {
    if (!isRecording) {
        MessageBoxA(nullptr, resetRefusedText, resetRefusedCaption, MB_ICONINFORMATION);
        return;
    }
    recordingBuffer.clear();
}
