// Beep's tones on ALSA's default device, paced by the clock as well as by the device.
#include "alsa_tone_output.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <thread>
#include <utility>

#include "tone_schedule.h"

namespace posix {

namespace {

constexpr snd_pcm_uframes_t longestBuffer = ToneSamples::sampleRate / 25;  // 40 ms
constexpr snd_pcm_uframes_t periodsPerBuffer = 4;

// What starts a stream: all the delay a key press sees after the program's own work.
// It shows a stream started afresh in a capture, where a tone that follows another has none.
constexpr snd_pcm_uframes_t startSilenceFrames = ToneSamples::sampleRate / 1000;  // 1 ms

// A call returns while its tone still has this much to play, at most the buffer less a period.
// Differs from Windows: Beep returns before its tone has played out, so that the next one
// joins it without a gap even when a caller woken late on a busy machine comes back.
std::chrono::microseconds returnMargin(snd_pcm_uframes_t bufferFrames, snd_pcm_uframes_t periodFrames) {
    constexpr std::chrono::microseconds wanted{20'000};
    const std::chrono::microseconds most{1'000'000 * (bufferFrames - periodFrames) / ToneSamples::sampleRate};
    return std::min(wanted, most);
}

// ALSA prints its own errors on standard error; ours says it once, in one line.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// The ALSA call that failed, with what it was asked for, and ALSA's own reason; empty when it did not fail.
std::string failureOf(int result, const std::string& call) {
    return result < 0 ? call + ": " + snd_strerror(result) : std::string();
}

std::string frames(snd_pcm_uframes_t count) { return std::to_string(count) + " frames"; }

}  // namespace

AlsaToneOutput::AlsaToneOutput(std::string program)
    : program(std::move(program)), schedule(std::make_unique<ToneSchedule>()) {
    snd_lib_error_set_handler(ignoreAlsaError);
    // Opened without blocking: a busy card must not hold up the start of the program.
    const int opened = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (opened < 0) {
        pcm = nullptr;
        giveUp("cannot be opened: " + failureOf(opened, "snd_pcm_open"));
        return;
    }
    if (const std::string failure = configure(); !failure.empty()) giveUp("cannot be set up: " + failure);
}

AlsaToneOutput::~AlsaToneOutput() {
    if (!pcm) return;
    // Lets the end of the last tone play out instead of cutting it off.
    snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
}

std::string AlsaToneOutput::configure() {
    std::string failure;
    const auto failed = [&failure](int result, const std::string& call) {
        failure = failureOf(result, call);
        return !failure.empty();
    };
    snd_pcm_hw_params_t* hardware;
    snd_pcm_hw_params_alloca(&hardware);
    if (failed(snd_pcm_nonblock(pcm, 0), "snd_pcm_nonblock") ||  // writes wait for room
        failed(snd_pcm_hw_params_any(pcm, hardware), "snd_pcm_hw_params_any") ||
        failed(snd_pcm_hw_params_set_access(pcm, hardware, SND_PCM_ACCESS_RW_INTERLEAVED),
               "snd_pcm_hw_params_set_access(interleaved reads and writes)") ||
        failed(snd_pcm_hw_params_set_format(pcm, hardware, SND_PCM_FORMAT_S16),
               "snd_pcm_hw_params_set_format(16-bit samples)") ||
        failed(snd_pcm_hw_params_set_channels(pcm, hardware, 1), "snd_pcm_hw_params_set_channels(1 channel)") ||
        failed(snd_pcm_hw_params_set_rate(pcm, hardware, ToneSamples::sampleRate, 0),
               "snd_pcm_hw_params_set_rate(" + std::to_string(ToneSamples::sampleRate) + " Hz)"))
        return failure;
    // A device whose buffers are all longer is still used, with its shortest one.
    snd_pcm_uframes_t atMost = longestBuffer;
    snd_pcm_hw_params_set_buffer_size_max(pcm, hardware, &atMost);
    snd_pcm_uframes_t bufferFrames = longestBuffer;
    snd_pcm_uframes_t periodFrames = longestBuffer / periodsPerBuffer;
    if (failed(snd_pcm_hw_params_set_buffer_size_near(pcm, hardware, &bufferFrames),
               "snd_pcm_hw_params_set_buffer_size_near(" + frames(longestBuffer) + ")") ||
        failed(snd_pcm_hw_params_set_period_size_near(pcm, hardware, &periodFrames, nullptr),
               "snd_pcm_hw_params_set_period_size_near(" + frames(longestBuffer / periodsPerBuffer) + ")") ||
        failed(snd_pcm_hw_params(pcm, hardware),
               "snd_pcm_hw_params(buffer of " + frames(bufferFrames) + ", period of " + frames(periodFrames) + ")") ||
        failed(snd_pcm_get_params(pcm, &bufferFrames, &periodFrames), "snd_pcm_get_params"))
        return failure;

    snd_pcm_sw_params_t* software;
    snd_pcm_sw_params_alloca(&software);
    snd_pcm_uframes_t boundary;
    if (failed(snd_pcm_sw_params_current(pcm, software), "snd_pcm_sw_params_current") ||
        failed(snd_pcm_sw_params_get_boundary(software, &boundary), "snd_pcm_sw_params_get_boundary") ||
        // The stream starts once its silence is written: see send().
        failed(snd_pcm_sw_params_set_start_threshold(pcm, software, startSilenceFrames),
               "snd_pcm_sw_params_set_start_threshold(" + frames(startSilenceFrames) + ")") ||
        failed(snd_pcm_sw_params_set_avail_min(pcm, software, periodFrames),
               "snd_pcm_sw_params_set_avail_min(" + frames(periodFrames) + ")") ||
        // Between tones the stream runs dry and stops. Zeroing each period once played means that
        // what the card may play past the end before it stops is silence, not an echo of the tone.
        failed(snd_pcm_sw_params_set_silence_threshold(pcm, software, 0),
               "snd_pcm_sw_params_set_silence_threshold(0 frames)") ||
        failed(snd_pcm_sw_params_set_silence_size(pcm, software, boundary),
               "snd_pcm_sw_params_set_silence_size(the boundary, " + frames(boundary) + ")") ||
        failed(snd_pcm_sw_params(pcm, software), "snd_pcm_sw_params"))
        return failure;

    block.resize(bufferFrames);
    *schedule = ToneSchedule(std::chrono::microseconds(1'000'000 * startSilenceFrames / ToneSamples::sampleRate),
                            returnMargin(bufferFrames, periodFrames));
    return {};
}

void AlsaToneOutput::play(unsigned frequency, unsigned milliseconds) {
    ToneSchedule::Slot slot =
        schedule->next(ToneSchedule::Clock::now(), std::chrono::milliseconds(milliseconds));
    if (pcm) {
        if (const std::string failure = send(ToneSamples(frequency, milliseconds), slot.followsPrevious);
            !failure.empty())
            giveUp("failed: " + failure);
    }
    // Devices that take samples faster than they play them, and no device, still give the tone its time.
    std::this_thread::sleep_until(slot.end);
}

std::string AlsaToneOutput::send(const ToneSamples& tone, bool followsPrevious) {
    // A stream starting from empty gets its silence first, which starts it. A tone that follows
    // the previous one arrives while the device still plays that one, and joins it without a gap.
    std::uint64_t silenceDue = followsPrevious ? 0 : startSilenceFrames;
    std::uint64_t sent = 0;
    while (silenceDue > 0 || sent < tone.count()) {
        std::uint64_t length =
            silenceDue > 0 ? silenceDue : std::min<std::uint64_t>(block.size(), tone.count() - sent);
        std::span<std::int16_t> chunk(block.data(), length);
        if (silenceDue > 0)
            std::ranges::fill(chunk, 0);
        else
            tone.render(sent, chunk);
        snd_pcm_sframes_t written = snd_pcm_writei(pcm, chunk.data(), chunk.size());
        if (written < 0) {
            // What cannot be recovered from is the write's failure.
            if (int error = snd_pcm_recover(pcm, static_cast<int>(written), 1); error < 0)
                return failureOf(error, "snd_pcm_writei");
            // After an underrun or a suspend the stream starts from empty again.
            if (written != -EINTR) silenceDue = startSilenceFrames;
        } else if (silenceDue > 0) {
            silenceDue -= static_cast<std::uint64_t>(written);
        } else {
            sent += static_cast<std::uint64_t>(written);
        }
    }
    return {};
}

void AlsaToneOutput::giveUp(const std::string& failure) {
    std::fprintf(stderr, "%s: ALSA's default sound device %s; tones are silent.\n", program.c_str(),
                 failure.c_str());
    if (pcm) snd_pcm_close(pcm);
    pcm = nullptr;
}

}  // namespace posix
