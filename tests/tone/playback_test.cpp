// The tones a tune text plays, and playing a tune file chosen in the Open dialog.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "playback.h"
#include "recording.h"
#include "tone_fixture.h"

namespace tone_test {
namespace {

struct TuneText {
    const char* name;
    std::string text;
    std::vector<Tone> tones;
};

// Test listings show it by its name, not as bytes.
void PrintTo(const TuneText& text, std::ostream* out) { *out << text.name; }

class TuneTextTest : public ToneTest, public testing::WithParamInterface<TuneText> {};

TEST_P(TuneTextTest, PlaysTheRecordsItsStrideMeets) {
    playTuneText(GetParam().text.c_str());
    EXPECT_EQ(tonesPlayed(), GetParam().tones);
}

const std::string header = headerLine;

INSTANTIATE_TEST_SUITE_P(
    Texts, TuneTextTest,
    testing::Values(
        TuneText{"Empty", "", {}},
        TuneText{"HeaderIsSkipped", header + "263,230\n394,230\n", {{263, 230}, {394, 230}}},
        TuneText{"SecondHeaderAfterARecordIsSkipped", header + "263,230\n" + header + "992,230\n",
                 {{263, 230}, {992, 230}}},
        // The second header is read as records, two characters early from then on,
        // so no field gives an audible frequency: each Beep asks for 0 Hz.
        TuneText{"SecondHeaderStraightAfterTheFirstIsReadAsRecords",
                 header + header + "263,230\n394,230\n",
                 {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 3}, {0, 4}}},
        TuneText{"ShortRecordShiftsTheRest", "99,230\n263,230\n394,230\n",
                 {{99, 30}, {63, 30}, {94, 30}}},
        TuneText{"LeadingSpaceOrZero", " 99,230\n099,230\n", {{99, 230}, {99, 230}}},
        TuneText{"FieldsOfAnyDurationAndOtherSeparators", "440;999x880,005\n", {{440, 999}, {880, 5}}},
        TuneText{"LastRecordWithoutLineFeed", "263,230\n394,230", {{263, 230}, {394, 230}}},
        TuneText{"FieldWithoutDigitsReadsAsZero", "abc,230\n263,abc\n", {{0, 230}, {263, 0}}},
        TuneText{"NegativeDurationCountsAsZero", "263,-99\n394,-1\n", {{263, 0}, {394, 0}}},
        TuneText{"CommentWithoutLineFeedEndsTheWalk", "263,230\n// no line end 394,230", {{263, 230}}},
        TuneText{"HeaderAloneAtTheEnd", "263,230\n" + header, {{263, 230}}},
        // Four characters are the shortest fragment whose fields the walk can take.
        TuneText{"FragmentOfFourCharactersPlaysWithoutDuration", "263,230\n394,", {{263, 230}, {394, 0}}},
        TuneText{"FragmentOfThreeCharactersPlaysNothing", "263,230\n394", {{263, 230}}},
        TuneText{"EmptyLineAtTheEnd", "263,230\n\n", {{263, 230}}},
        TuneText{"FragmentWithOneDurationDigitPlays", "263,230\n394,2", {{263, 230}, {394, 2}}},
        TuneText{"SlashAtTheVeryEnd", "263,230\n/", {{263, 230}}}),
    [](const testing::TestParamInfo<TuneText>& info) { return info.param.name; });

class PlaybackTest : public ToneTest {
protected:
    void playFile(const fs::path& path) {
        driver.chooseFile(path.string());
        playTuneFile(&window);
    }
};

TEST_F(PlaybackTest, OpenDialogOffersTuneFilesAndAllFiles) {
    driver.cancelFileDialog();
    playTuneFile(&window);
    ASSERT_EQ(driver.fileDialogs().size(), 1u);
    const posix::FileDialogRequest& dialog = driver.fileDialogs()[0].request;
    EXPECT_FALSE(dialog.save);
    EXPECT_EQ(dialog.owner, window.getHandle());
    EXPECT_EQ(dialog.title, "Play...");
    EXPECT_EQ(dialog.askedDirectory, "C:\\");
    EXPECT_EQ(dialog.flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT));
    ASSERT_EQ(dialog.filters.size(), 2u);
    EXPECT_EQ(dialog.filters[0].description, "Tarnwell Pipalo (*.TPZ)");
    EXPECT_EQ(dialog.filters[0].pattern, "*.TPZ");
    EXPECT_EQ(dialog.filters[1].description, "All Files...");
    EXPECT_EQ(dialog.filters[1].pattern, "*.*");
    EXPECT_TRUE(driver.tones().empty());
    EXPECT_TRUE(driver.messageBoxes().empty());
}

TEST_F(PlaybackTest, FileWrittenByARecordingPlaysItsNotesInOrder) {
    driver.answerMessageBox(IDOK);
    startRecording(&window);
    playNote(NoteId::Do4);
    playNote(NoteId::Sol4);
    driver.answerMessageBox(IDYES);
    driver.chooseFile((folder / "song").string());
    driver.answerMessageBox(IDYES);  // the dialog's question: create it?
    stopRecording(&window);
    const std::vector<Tone> recorded = tonesPlayed();

    playFile(folder / "song.TPZ");
    std::vector<Tone> expected = recorded;
    expected.insert(expected.end(), {{263, 230}, {394, 230}});
    EXPECT_EQ(tonesPlayed(), expected);
}

TEST_F(PlaybackTest, TextEndsAtByte26OrByte255) {
    writeBytes(folder / "stopped.TPZ", "263,230\r\n\x1a" "394,230\r\n");
    playFile(folder / "stopped.TPZ");
    writeBytes(folder / "ended.TPZ", "496,230\r\n\xff" "394,230\r\n");
    playFile(folder / "ended.TPZ");
    EXPECT_EQ(tonesPlayed(), (std::vector<Tone>{{263, 230}, {496, 230}}));
}

TEST_F(PlaybackTest, FileThatCannotBeReadPlaysNothingAndSaysNothing) {
    driver.answerMessageBox(IDYES);  // the dialog's question: create it?
    playFile(folder / "missing.TPZ");
    writeBytes(folder / "empty.TPZ", "");
    playFile(folder / "empty.TPZ");
    EXPECT_TRUE(driver.tones().empty());
    EXPECT_EQ(driver.messageBoxes().size(), 1u);
}

TEST_F(PlaybackTest, PlayingDuringARecordingRecordsNothing) {
    isRecording = true;
    recordingBuffer = header;
    writeBytes(folder / "tune.TPZ", "263,230\r\n");
    playFile(folder / "tune.TPZ");
    EXPECT_EQ(tonesPlayed(), (std::vector<Tone>{{263, 230}}));
    EXPECT_EQ(recordingBuffer, header);
    EXPECT_TRUE(isRecording);
}

}  // namespace
}  // namespace tone_test
