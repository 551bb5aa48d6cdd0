// ALSA configurations written for one test, and the WAV capture read back.
#include "alsa_configuration.h"

#include <sndfile.h>
#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <string>

namespace {

std::filesystem::path makeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pipalo-alsa-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

std::filesystem::path wavPath(const std::filesystem::path& folder) {
    return folder / "capture.wav";
}

}  // namespace

AlsaConfiguration::AlsaConfiguration(AlsaDefault device) : folder(makeTemporaryFolder()) {
    std::filesystem::path configuration = folder / "asound.conf";
    std::ofstream text(configuration);
    if (device == AlsaDefault::capturedToWav)
        text << "pcm.!default { type file slave.pcm { type null } file \"" << wavPath(folder).string()
             << "\" format \"wav\" perm 0644 }\n";
    else if (device == AlsaDefault::missingCard)
        text << "pcm.!default { type hw card 31 }\n";
    else
        text << "pcm.!default { type multi slaves.a { pcm { type null } channels 2 }"
                " bindings.0 { slave a channel 0 } bindings.1 { slave a channel 1 } }\n";
    setenv("ALSA_CONFIG_PATH", configuration.c_str(), 1);
}

AlsaConfiguration::~AlsaConfiguration() {
    unsetenv("ALSA_CONFIG_PATH");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

AlsaConfiguration::Capture AlsaConfiguration::capture() const {
    SF_INFO format{};
    SNDFILE* file = sf_open(wavPath(folder).c_str(), SFM_READ, &format);
    if (!file) throw std::runtime_error(std::string("the capture cannot be read: ") + sf_strerror(nullptr));
    Capture capture{format.samplerate, format.channels,
                    std::vector<std::int16_t>(static_cast<std::size_t>(format.frames * format.channels))};
    sf_count_t read =
        sf_read_short(file, capture.samples.data(), static_cast<sf_count_t>(capture.samples.size()));
    sf_close(file);
    capture.samples.resize(static_cast<std::size_t>(read));
    return capture;
}
