// Measures the ALSA tone output on ALSA's file device: how long each tone is
// in the capture and on the clock, the gaps between tones, and the CPU used
// while the program idles between tones.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "alsa/alsa_tone_output.h"
#include "alsa_configuration.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Tone {
    unsigned frequency;
    unsigned milliseconds;
};

struct Played {
    Tone tone;
    Clock::time_point asked, returned;
};

double millisecondsOf(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Played play(posix::AlsaToneOutput& output, Tone tone) {
    Clock::time_point asked = Clock::now();
    output.play(tone.frequency, tone.milliseconds);
    return {tone, asked, Clock::now()};
}

std::vector<std::int16_t> samplesOf(Tone tone) {
    posix::ToneSamples samples(tone.frequency, tone.milliseconds);
    std::vector<std::int16_t> rendered(samples.count());
    samples.render(0, rendered);
    return rendered;
}

// Where each tone starts in the capture, found sample for sample in order; -1 for a tone not there whole.
std::vector<long> startsInCapture(const std::vector<std::int16_t>& captured, const std::vector<Played>& played) {
    std::vector<long> starts;
    auto searchFrom = captured.begin();
    for (const Played& each : played) {
        std::vector<std::int16_t> expected = samplesOf(each.tone);
        auto found = std::search(searchFrom, captured.end(), expected.begin(), expected.end());
        starts.push_back(found == captured.end() ? -1 : found - captured.begin());
        if (found != captured.end()) searchFrom = found + static_cast<long>(expected.size());
    }
    return starts;
}

void reportCallTimes(const char* title, const std::vector<Played>& played) {
    double least = 1e9, most = -1e9, total = 0;
    for (const Played& each : played) {
        double over = millisecondsOf(each.returned - each.asked) - each.tone.milliseconds;
        least = std::min(least, over);
        most = std::max(most, over);
        total += over;
    }
    std::printf("%s: wall time per call minus the tone's length: min %+.3f ms, mean %+.3f ms, max %+.3f ms\n", title,
                least, total / static_cast<double>(played.size()), most);
}

}  // namespace

int main() {
    AlsaConfiguration alsa(AlsaDefault::capturedToWav);
    const std::vector<Tone> octave = {{262, 230}, {277, 230}, {294, 230}, {311, 230}, {330, 230}, {349, 230},
                                      {370, 230}, {392, 230}, {415, 230}, {440, 230}, {466, 230}, {494, 230}};
    constexpr auto idlePause = 2s;
    constexpr auto shortPause = 50ms;

    std::vector<Played> consecutive, afterPauses;
    double playingCpu, idleCpu;
    {
        posix::AlsaToneOutput output;
        double cpuBefore = cpuSeconds();
        for (Tone tone : octave) consecutive.push_back(play(output, tone));
        playingCpu = cpuSeconds() - cpuBefore;

        cpuBefore = cpuSeconds();
        std::this_thread::sleep_for(idlePause);
        idleCpu = cpuSeconds() - cpuBefore;

        for (Tone tone : {Tone{523, 230}, Tone{587, 100}, Tone{659, 30}}) {
            afterPauses.push_back(play(output, tone));
            std::this_thread::sleep_for(shortPause);
        }
    }

    std::vector<Played> all = consecutive;
    all.insert(all.end(), afterPauses.begin(), afterPauses.end());
    AlsaConfiguration::Capture capture = alsa.capture();
    std::vector<long> starts = startsInCapture(capture.samples, all);

    std::printf("capture: %zu samples at %d Hz, %d channel(s)\n", capture.samples.size(), capture.sampleRate,
                capture.channels);
    long whole = std::ranges::count_if(starts, [](long start) { return start >= 0; });
    std::printf("tones found whole, sample for sample: %ld of %zu\n", whole, all.size());
    if (whole == static_cast<long>(all.size())) {
        std::printf("silence before the first tone: %ld samples\n", starts.front());
        for (std::size_t i = 0; i + 1 < all.size(); ++i) {
            long end = starts[i] + static_cast<long>(samplesOf(all[i].tone).size());
            std::printf("  tone %2zu: %3u Hz, %3u ms = %5zu samples; silence before the next: %ld samples\n", i + 1,
                        all[i].tone.frequency, all[i].tone.milliseconds, samplesOf(all[i].tone).size(),
                        starts[i + 1] - end);
        }
    }

    reportCallTimes("consecutive tones", consecutive);
    reportCallTimes("tones after a pause", afterPauses);
    unsigned octaveLength = 0;
    for (Tone tone : octave) octaveLength += tone.milliseconds;
    std::printf("consecutive tones: wall time of the run minus the sum of their lengths: %+.3f ms over %u ms\n",
                millisecondsOf(consecutive.back().returned - consecutive.front().asked) - octaveLength, octaveLength);
    std::printf("consecutive tones: caller's time between one return and the next call: max %.3f ms\n",
                [&] {
                    double most = 0;
                    for (std::size_t i = 1; i < consecutive.size(); ++i)
                        most = std::max(most, millisecondsOf(consecutive[i].asked - consecutive[i - 1].returned));
                    return most;
                }());
    std::printf("CPU while playing: %.3f ms over %u ms of tones\n", playingCpu * 1e3, octaveLength);
    std::printf("CPU while idle between tones: %.3f ms over %.0f ms\n", idleCpu * 1e3,
                millisecondsOf(std::chrono::duration_cast<Clock::duration>(idlePause)));
    return whole == static_cast<long>(all.size()) ? 0 : 1;
}
