// A tune as the player's own samples in a WAV file, through libsndfile.
#include "wav_export.h"

#include <sndfile.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "alsa_tone_output.h"
#include "output_file.h"
#include "pitch.h"

namespace {

// A WAV file counts its bytes in 32 bits, its header's 36 included.
constexpr std::uint64_t largestWavData = 0xFFFFFFFFull - 36;

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

// One tone after another, with no gap, as the player plays them; a record it does not
// sound takes no time there either. Into a file libsndfile may go back in, to complete
// the header at the end.
std::string writeSamples(const std::vector<TuneRecord>& records, int descriptor) {
    SF_INFO format{};
    format.samplerate = posix::ToneSamples::sampleRate;
    format.channels = 1;
    format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open_fd(descriptor, SFM_WRITE, &format, SF_FALSE);
    if (!file) return sf_strerror(nullptr);
    std::string reason;
    for (const TuneRecord& record : records)
        if (isSounded(record) && !writeTone(file, posix::ToneSamples(record.frequency, record.duration))) {
            reason = sf_strerror(file);
            break;
        }
    if (sf_close(file) != 0 && reason.empty()) reason = "the file could not be completed";
    return reason;
}

}  // namespace

std::string writeWav(const std::vector<TuneRecord>& records, const std::string& path) {
    // Refused before anything is written: a WAV file cannot say so much, and few players
    // read the larger formats that can.
    std::uint64_t samples = 0;
    for (const TuneRecord& record : records)
        if (isSounded(record)) samples += posix::ToneSamples(record.frequency, record.duration).count();
    if (samples * sizeof(std::int16_t) > largestWavData)
        return "the tune is too long for a WAV file, whose samples may take at most 4 GiB";

    // Made whole in a file of its own first, then written where it goes as any output is:
    // a pipe or standard output cannot be gone back in, and a full disk half-way leaves
    // the output as it was.
    const std::unique_ptr<std::FILE, decltype(&std::fclose)> scratch(std::tmpfile(), std::fclose);
    if (!scratch) return std::strerror(errno);
    const int descriptor = fileno(scratch.get());
    if (std::string reason = writeSamples(records, descriptor); !reason.empty()) return reason;
    const off_t size = lseek(descriptor, 0, SEEK_END);
    void* bytes = size > 0 ? mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, descriptor, 0)
                           : MAP_FAILED;
    if (bytes == MAP_FAILED) return std::strerror(errno);
    const std::string reason = writeOutput(path, {static_cast<const char*>(bytes), static_cast<std::size_t>(size)});
    munmap(bytes, static_cast<std::size_t>(size));
    return reason;
}
