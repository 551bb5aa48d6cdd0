// A tune as the player's own samples in a WAV file, through libsndfile.
#include "wav_export.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <cstdint>

#include "alsa_tone_output.h"
#include "pitch.h"

namespace {

// Writes the tone's samples a block at a time, so that a long tune needs little memory.
bool writeTone(SNDFILE* file, const posix::ToneSamples& tone) {
    std::array<std::int16_t, 4096> block;
    for (std::uint64_t first = 0; first < tone.count(); first += block.size()) {
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), tone.count() - first));
        tone.render(first, std::span(block).first(length));
        if (sf_write_short(file, block.data(), static_cast<sf_count_t>(length)) != static_cast<sf_count_t>(length))
            return false;
    }
    return true;
}

}  // namespace

std::string writeWav(const std::vector<TuneRecord>& records, const std::string& path) {
    SF_INFO format{};
    format.samplerate = posix::ToneSamples::sampleRate;
    format.channels = 1;
    format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    errno = 0;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &format);
    // libsndfile's own text for a failure to open wraps the system's reason.
    if (!file) return errno ? std::strerror(errno) : sf_strerror(nullptr);
    std::string reason;
    // One tone after another, with no gap, as the player plays them; a record it does not
    // sound takes no time there either.
    for (const TuneRecord& record : records)
        if (isSounded(record) && !writeTone(file, posix::ToneSamples(record.frequency, record.duration))) {
            reason = sf_strerror(file);
            break;
        }
    if (sf_close(file) != 0 && reason.empty()) reason = "the file could not be completed";
    return reason;
}
