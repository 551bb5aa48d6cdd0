// Points ALSA's default device, for this process, at a WAV file in a fresh
// temporary folder, at a sound card that does not exist, or at a device that takes
// only two channels, so that setting it up for one fails. The system's own
// ALSA configuration is left out, so what a test sees does not depend on the
// machine's sound setup.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

enum class AlsaDefault { capturedToWav, missingCard, twoChannelsOnly };

class AlsaConfiguration {
public:
    explicit AlsaConfiguration(AlsaDefault device);
    ~AlsaConfiguration();
    AlsaConfiguration(const AlsaConfiguration&) = delete;
    AlsaConfiguration& operator=(const AlsaConfiguration&) = delete;

    struct Capture {
        int sampleRate;
        int channels;
        std::vector<std::int16_t> samples;
    };
    // What reached the device; complete once the output that played it has closed the device.
    Capture capture() const;

private:
    std::filesystem::path folder;
};
