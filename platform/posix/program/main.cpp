// The program's start on Linux: the desktop display and the sound card go
// behind the Win32 subset, and then the program's own entry runs, as Windows
// would start it.
#include <cstdio>
#include <memory>
#include <string>

#include "alsa_tone_output.h"
#include "command_line.h"
#include "display.h"
#include "gtk/gtk_display.h"
#include "tone_output.h"

namespace {

// Beep's tones on the sound card.
class SoundCard : public posix::ToneOutput {
public:
    void play(unsigned frequency, unsigned milliseconds) override { alsa.play(frequency, milliseconds); }

private:
    posix::AlsaToneOutput alsa{"Pipalo"};
};

}  // namespace

int main(int argc, char** argv) {
    std::string failure;
    std::unique_ptr<posix::GtkDisplay> display = posix::GtkDisplay::open(failure);
    if (!display) {
        std::fprintf(stderr, "Pipalo: %s.\n", failure.c_str());
        return 1;
    }
    posix::setDisplay(std::move(display));
    posix::setToneOutput(std::make_unique<SoundCard>());

    std::string commandLine = windowsCommandLine(argc, argv);
    const int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);

    // The last tone plays out and the windows go before the process's own teardown.
    posix::setToneOutput(nullptr);
    posix::setDisplay(nullptr);
    return exitCode;
}
