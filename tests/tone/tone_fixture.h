// A main window on the headless platform, a clean recording state and a fresh
// directory for the tune files of one test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "notes.h"
#include "temporary_folder.h"
#include "headless/driver.h"
#include "window.h"

namespace tone_test {

namespace fs = std::filesystem;

constexpr char headerLine[] = "// Read this as frequenty, length in milliseconds\n";
constexpr char headerLineOnDisk[] = "// Read this as frequenty, length in milliseconds\r\n";

using Tone = std::pair<unsigned, unsigned>;  // frequency, milliseconds

inline std::ptrdiff_t entriesIn(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

inline void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class ToneTest : public testing::Test {
protected:
    ToneTest() : window(GetModuleHandleA(nullptr), 0, 0, "ToneTest") {
        window.create("Pipalo", 305, 145, 0);
    }
    void SetUp() override {
        isRecording = false;
        recordingBuffer.clear();
    }

    // Every Beep call, those that sound nothing too.
    std::vector<Tone> tonesPlayed() const {
        std::vector<Tone> tones;
        for (const headless::BeepCall& call : driver.beepCalls()) tones.emplace_back(call.frequency, call.duration);
        return tones;
    }

    // A box owned by the main window, which it held disabled while shown.
    void expectOwnedBox(std::size_t index, const std::string& text, const std::string& caption,
                        UINT style) const {
        ASSERT_LT(index, driver.messageBoxes().size());
        const headless::ShownMessageBox& box = driver.messageBoxes()[index];
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.style, style);
        EXPECT_EQ(box.owner, window.getHandle());
        EXPECT_TRUE(box.ownerDisabled);
    }

    headless::Driver driver;
    Window window;
    TemporaryFolder scratch;
    const fs::path folder = scratch.path();
};

}  // namespace tone_test
