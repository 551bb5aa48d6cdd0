// Beep's tones on ALSA's default device. The device is opened once and kept
// open for the life of the program, so tones follow each other without a gap
// and a capture of the whole run holds every tone. Each tone is paced by the
// clock as well, so it takes its time even on a device that takes samples
// faster than it plays them; with no usable device at all it takes its full time.
//
// Differs from Windows: a tone's call returns 20 ms before the tone has played
// out on the device, so that the next one joins it without a gap even when the
// caller comes back late on a busy machine.
#pragma once

#include "internal.h"

#include <cstdint>
#include <vector>

#include "alsa/tone_samples.h"
#include "alsa/tone_schedule.h"
#include "tone_output.h"

typedef struct _snd_pcm snd_pcm_t;  // as <alsa/pcm.h> declares it

namespace posix {

class AlsaToneOutput : public ToneOutput {
public:
    AlsaToneOutput();
    ~AlsaToneOutput() override;
    AlsaToneOutput(const AlsaToneOutput&) = delete;
    AlsaToneOutput& operator=(const AlsaToneOutput&) = delete;

    void play(unsigned frequency, unsigned milliseconds) override;

private:
    int configure();
    int send(const ToneSamples& tone, bool followsPrevious);
    void giveUp(const char* failure, int error);

    snd_pcm_t* pcm = nullptr;
    // One device buffer: what is written at a time.
    std::vector<std::int16_t> block;
    ToneSchedule schedule;
};

}  // namespace posix
