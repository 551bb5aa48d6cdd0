// Feeds arbitrary bytes through a tune file: read as text, played with Beep, listed
// as pipalo-tune lists it, then written and read again. Every tone must be one that a three-character field can
// give, and the text must come back from its own file unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "playback.h"
#include "tone_output.h"
#include "tune_file.h"
#include "tune_listing.h"
#include "tune_text.h"

namespace {

namespace fs = std::filesystem;

constexpr unsigned largestField = 999;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "tune text fuzz: %s\n", what);
    std::abort();
}

class CheckedTones : public posix::ToneOutput {
public:
    void play(unsigned frequency, unsigned milliseconds) override {
        require(frequency <= largestField, "a frequency wider than its field");
        require(milliseconds <= largestField, "a duration wider than its field");
        ++played;
    }
    std::size_t played = 0;
};

// One directory for the whole run, removed when the process ends.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (fs::temp_directory_path() / "pipalo-tune-fuzz-XXXXXX").string();
        require(mkdtemp(pattern.data()) != nullptr, "no scratch directory");
        path = pattern;
    }
    ~ScratchDirectory() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    fs::path path;
};

void writeBytes(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    require(file != nullptr, "the input file cannot be created");
    require(std::fwrite(data, 1, size, file) == size, "the input file cannot be written");
    require(std::fclose(file) == 0, "the input file cannot be closed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchDirectory scratch;
    auto output = std::make_unique<CheckedTones>();
    const CheckedTones& tones = *output;
    posix::setToneOutput(std::move(output));

    const fs::path input = scratch.path / "input.TPZ";
    writeBytes(input, data, size);
    const std::string text = readTuneFile(input.string());
    require(text.size() <= size, "the text is longer than its file");
    require(text.find('\x1a') == std::string::npos, "a byte 26 inside the text");
    require(text.find('\xff') == std::string::npos, "a byte 255 inside the text");

    playTuneText(text.c_str());
    require(tones.played * recordStride < text.size() + recordStride, "more tones than records");

    const std::vector<TuneRecord> records = tuneRecords(text.c_str());
    require(records.size() >= tones.played, "fewer records than tones");
    const std::string listing = tuneListing(records);
    require(static_cast<std::size_t>(std::count(listing.begin(), listing.end(), '\n')) == records.size() + 1,
            "a listing that is not one line per record and a total");

    const fs::path copy = scratch.path / "copy.TPZ";
    require(writeTuneFile(copy.string(), text).empty(), "the text cannot be written");
    require(readTuneFile(copy.string()) == text, "the text changed on its way through a file");
    return 0;
}
