// Measures the ALSA tone output on ALSA's file device: how long each tone is
// in the capture and on the clock, the gaps between tones, and the CPU used
// while playing and while the program idles between tones.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "alsa_tone_output.h"
#include "alsa_configuration.h"
#include "tone_search.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Call {
    Tone tone;
    Clock::time_point asked, returned;
};

double millisecondsOf(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double cpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

Call play(posix::AlsaToneOutput& output, Tone tone) {
    Clock::time_point asked = Clock::now();
    output.play(tone.frequency, tone.milliseconds);
    return {tone, asked, Clock::now()};
}

void reportCallTimes(const char* title, const std::vector<Call>& calls) {
    double least = 1e9, most = -1e9, total = 0;
    for (const Call& call : calls) {
        double over = millisecondsOf(call.returned - call.asked) - call.tone.milliseconds;
        least = std::min(least, over);
        most = std::max(most, over);
        total += over;
    }
    std::printf("%s: wall time per call minus the tone's length: min %+.3f ms, mean %+.3f ms, max %+.3f ms\n",
                title, least, total / static_cast<double>(calls.size()), most);
}

// The capture holds what was written; on a sound card that is what is heard, in the same order.
bool reportCapture(const AlsaConfiguration::Capture& capture, const std::vector<Tone>& tones) {
    std::printf("capture: %zu samples at %d Hz, %d channel(s)\n", capture.samples.size(), capture.sampleRate,
                capture.channels);
    std::vector<std::optional<std::size_t>> starts = findInOrder(capture.samples, tones);
    long whole = std::ranges::count_if(starts, [](auto start) { return start.has_value(); });
    std::printf("tones found whole, sample for sample: %ld of %zu\n", whole, tones.size());
    if (whole != static_cast<long>(tones.size())) return false;
    std::printf("silence before the first tone: %zu samples\n", *starts.front());
    for (std::size_t i = 0; i < tones.size(); ++i) {
        std::size_t length = samplesOf(tones[i]).size();
        std::printf("  tone %2zu: %3u Hz, %3u ms = %5zu samples", i + 1, tones[i].frequency,
                    tones[i].milliseconds, length);
        if (i + 1 < tones.size())
            std::printf("; silence before the next: %zu samples", *starts[i + 1] - *starts[i] - length);
        std::printf("\n");
    }
    return true;
}

}  // namespace

int main() {
    AlsaConfiguration alsa(AlsaDefault::capturedToWav);
    const std::vector<Tone> octave = {{262, 230}, {277, 230}, {294, 230}, {311, 230}, {330, 230}, {349, 230},
                                      {370, 230}, {392, 230}, {415, 230}, {440, 230}, {466, 230}, {494, 230}};
    const std::vector<Tone> pausedTones = {{523, 230}, {587, 100}, {659, 30}};
    constexpr auto idlePause = 2s;
    constexpr auto shortPause = 50ms;

    std::vector<Call> consecutive, afterPauses;
    double playingCpu, idleCpu;
    {
        posix::AlsaToneOutput output("Pipalo");
        double cpuBefore = cpuMilliseconds();
        for (Tone tone : octave) consecutive.push_back(play(output, tone));
        playingCpu = cpuMilliseconds() - cpuBefore;

        cpuBefore = cpuMilliseconds();
        std::this_thread::sleep_for(idlePause);
        idleCpu = cpuMilliseconds() - cpuBefore;

        for (Tone tone : pausedTones) {
            afterPauses.push_back(play(output, tone));
            std::this_thread::sleep_for(shortPause);
        }
    }

    std::vector<Tone> all = octave;
    all.insert(all.end(), pausedTones.begin(), pausedTones.end());
    bool allWhole = reportCapture(alsa.capture(), all);

    reportCallTimes("consecutive tones", consecutive);
    reportCallTimes("tones after a pause", afterPauses);
    unsigned octaveLength = 0;
    for (Tone tone : octave) octaveLength += tone.milliseconds;
    std::printf(
        "consecutive tones: wall time of the run minus the sum of their lengths: %+.3f ms over %u ms\n",
        millisecondsOf(consecutive.back().returned - consecutive.front().asked) - octaveLength, octaveLength);
    double longestBetween = 0;
    for (std::size_t i = 1; i < consecutive.size(); ++i)
        longestBetween =
            std::max(longestBetween, millisecondsOf(consecutive[i].asked - consecutive[i - 1].returned));
    std::printf("consecutive tones: caller's time between one return and the next call: max %.3f ms\n",
                longestBetween);
    std::printf("CPU while playing: %.3f ms over %u ms of tones\n", playingCpu, octaveLength);
    std::printf("CPU while idle between tones: %.3f ms over %.0f ms\n", idleCpu,
                millisecondsOf(Clock::duration(idlePause)));
    return allWhole ? 0 : 1;
}
