// Tones on ALSA's default device: the ALSA output's public face, for the
// subset's Beep and for programs that play tones without a window. The device
// is opened once and kept open for the life of the output, so tones follow each
// other without a gap and a capture of the whole run holds every tone. Each tone
// is paced by the clock as well, so it takes its time even on a device that
// takes samples faster than it plays them; with no usable device at all it
// takes its full time. A tone's call returns 20 ms before the tone has played
// out on the device (see alsa_tone_output.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "beep_range.h"
#include "tone_samples.h"

typedef struct _snd_pcm snd_pcm_t;  // as <alsa/pcm.h> declares it

namespace posix {

class ToneSchedule;

class AlsaToneOutput {
public:
    // `program` starts the one line on standard error that says the device cannot be used.
    explicit AlsaToneOutput(std::string program);
    ~AlsaToneOutput();
    AlsaToneOutput(const AlsaToneOutput&) = delete;
    AlsaToneOutput& operator=(const AlsaToneOutput&) = delete;

    // Plays a tone of Beep's range and returns when it has ended.
    void play(unsigned frequency, unsigned milliseconds);

private:
    // Each returns the ALSA call that failed and ALSA's reason, or empty text.
    std::string configure();
    std::string send(const ToneSamples& tone, bool followsPrevious);
    // Says so in one line, naming the call, and plays on in silence.
    void giveUp(const std::string& failure);

    std::string program;
    snd_pcm_t* pcm = nullptr;
    // One device buffer: what is written at a time.
    std::vector<std::int16_t> block;
    std::unique_ptr<ToneSchedule> schedule;
};

}  // namespace posix
