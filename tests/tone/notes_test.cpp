// The note a white key gives under the modifier keys, and what playing a note records.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "notes.h"
#include "tone_output.h"
#include "tone_fixture.h"

namespace tone_test {
namespace {

struct WhiteKey {
    const char* name;
    Callback press;
    unsigned plain, withCtrl, withShift, withCtrlAndShift;  // Hz
};

const WhiteKey whiteKeys[] = {
    {"Do", pressDo, 263, 278, 526, 557},
    {"Re", pressRe, 295, 313, 590, 625},
    {"Mi", pressMi, 331, 331, 662, 662},
    {"Fa", pressFa, 351, 372, 702, 743},
    {"Sol", pressSol, 394, 417, 788, 834},
    {"La", pressLa, 442, 468, 884, 937},
    {"Si", pressSi, 496, 496, 992, 992},
};

class NotesTest : public ToneTest {};

TEST_F(NotesTest, WhiteKeyPlaysTheNoteItsModifiersChoose) {
    for (const WhiteKey& key : whiteKeys) {
        SCOPED_TRACE(key.name);
        const std::vector<Tone> before = tonesPlayed();
        key.press(&window);
        driver.holdKey(VK_CONTROL);
        key.press(&window);
        driver.holdKey(VK_SHIFT);
        key.press(&window);
        driver.releaseKey(VK_CONTROL);
        key.press(&window);
        driver.releaseKey(VK_SHIFT);

        std::vector<Tone> expected = before;
        for (unsigned frequency : {key.plain, key.withCtrl, key.withCtrlAndShift, key.withShift})
            expected.emplace_back(frequency, 230);
        EXPECT_EQ(tonesPlayed(), expected);
    }
}

struct KeyQuestions {
    const char* name;
    std::vector<int> held;
    Callback press;
    std::vector<int> asked;
};

TEST_F(NotesTest, EachTestAsksTheKeysAfreshCtrlFirstAndShiftWithItOnlyWhileCtrlIsDown) {
    const KeyQuestions cases[] = {
        {"Do", {}, pressDo, {VK_CONTROL, VK_CONTROL, VK_SHIFT}},
        {"Do with Ctrl", {VK_CONTROL}, pressDo, {VK_CONTROL, VK_SHIFT, VK_CONTROL}},
        {"Do with Ctrl and Shift", {VK_CONTROL, VK_SHIFT}, pressDo, {VK_CONTROL, VK_SHIFT}},
        {"Do with Shift", {VK_SHIFT}, pressDo, {VK_CONTROL, VK_CONTROL, VK_SHIFT}},
        {"Mi with Ctrl and Shift", {VK_CONTROL, VK_SHIFT}, pressMi, {VK_SHIFT}},
        {"Si with Ctrl", {VK_CONTROL}, pressSi, {VK_SHIFT}},
    };
    for (const KeyQuestions& question : cases) {
        SCOPED_TRACE(question.name);
        for (int key : question.held) driver.holdKey(key);
        const std::size_t askedBefore = driver.askedKeys().size();
        question.press(&window);
        const std::vector<int> asked(driver.askedKeys().begin() + askedBefore, driver.askedKeys().end());
        EXPECT_EQ(asked, question.asked);
        for (int key : question.held) driver.releaseKey(key);
    }
}

TEST_F(NotesTest, BoundNoteHandlerIgnoresTheModifiers) {
    driver.holdKey(VK_CONTROL);
    driver.holdKey(VK_SHIFT);
    noteHandler<NoteId::DoSharp4>(&window);
    noteHandler<NoteId::Si5>(&window);
    EXPECT_EQ(tonesPlayed(), (std::vector<Tone>{{278, 230}, {992, 230}}));
}

TEST_F(NotesTest, NothingIsRecordedWhileIdle) {
    playNote(NoteId::La4);
    EXPECT_EQ(tonesPlayed(), (std::vector<Tone>{{442, 230}}));
    EXPECT_EQ(recordingBuffer, "");
}

TEST_F(NotesTest, EveryNoteRecordsTheFrequencyItPlayed) {
    isRecording = true;
    recordingBuffer = "kept";
    std::string expected = "kept";
    for (int row = 0; row < 24; ++row) {
        const NoteId note = static_cast<NoteId>(row);
        const std::size_t tonesBefore = driver.tones().size();
        playNote(note);
        ASSERT_EQ(driver.tones().size(), tonesBefore + 1);
        const unsigned played = driver.tones().back().frequency;
        EXPECT_EQ(played, noteFrequency(note));
        expected += std::to_string(played) + ",230\n";
    }
    EXPECT_EQ(recordingBuffer.size(), 4u + 24 * 8);
    EXPECT_EQ(recordingBuffer, expected);
}

// The tone output of a test that notes the recording as each tone sounds.
class BufferAtEachTone : public posix::ToneOutput {
public:
    explicit BufferAtEachTone(std::vector<std::string>& seen) : seen(seen) {}
    void play(unsigned, unsigned) override { seen.push_back(recordingBuffer); }

private:
    std::vector<std::string>& seen;
};

TEST_F(NotesTest, RecordsFollowEachOtherInPlayingOrderEachOnceItSounded) {
    std::vector<std::string> seen;
    posix::setToneOutput(std::make_unique<BufferAtEachTone>(seen));
    isRecording = true;
    playNote(NoteId::Do4);
    playNote(NoteId::Si5);
    EXPECT_EQ(recordingBuffer, "263,230\n992,230\n");
    EXPECT_EQ(seen, (std::vector<std::string>{"", "263,230\n"}));
}

}  // namespace
}  // namespace tone_test
