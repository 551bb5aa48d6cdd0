// A tune file named on the command line, as a file manager opens one: played once the window shows.
#include "app.h"
#include "playback.h"

namespace {

// Waits for the main window's first painting.
std::string tuneToPlay;

void playNamedTune(Window* window) {
    if (tuneToPlay.empty()) return;
    const std::string path = std::move(tuneToPlay);
    tuneToPlay.clear();
    // Playback holds the loop: the buttons are painted now, or they would stay blank until it ends.
    UpdateWindow(window->getHandle());
    playTuneFileAt(path);
}

}  // namespace

// The runtime's reading of an argument: quotes group, and backslashes are literal
// unless they come before a quote.
std::string firstArgument(const char* commandLine) {
    const char* at = commandLine;
    while (*at == ' ' || *at == '\t') ++at;
    std::string argument;
    bool quoted = false;
    while (*at && (quoted || (*at != ' ' && *at != '\t'))) {
        if (*at == '"') {
            quoted = !quoted;
            ++at;
        } else if (*at == '\\') {
            std::size_t backslashes = 0;
            for (; *at == '\\'; ++at) ++backslashes;
            const bool beforeQuote = *at == '"';
            argument.append(beforeQuote ? backslashes / 2 : backslashes, '\\');
            if (beforeQuote && backslashes % 2 == 1) argument += *at++;
        } else {
            argument += *at++;
        }
    }
    return argument;
}

void playTuneOnceShown(Window& window, const char* commandLine) {
    tuneToPlay = firstArgument(commandLine);
    if (!tuneToPlay.empty()) window.addMessageHandler(WM_PAINT, playNamedTune);
}
