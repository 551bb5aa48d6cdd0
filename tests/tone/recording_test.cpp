// Starting, stopping, saving and resetting a recording: the boxes shown, the
// state after each answer, and the exact bytes of the tune files written.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "recording.h"
#include "tone_fixture.h"

namespace tone_test {
namespace {

constexpr char startedText[] =
    "Recording has started, when you end the recording, \nyou will be asked to select a filename.";
constexpr char alreadyRecordingText[] = "Er loopt al een opname, gelieve deze eerst stop te zetten.";
constexpr char saveQuestion[] = "Would you like to save?";

class RecordingTest : public ToneTest {
protected:
    void start() {
        driver.answerMessageBox(IDOK);
        startRecording(&window);
    }
    // Answers the stop question Yes and gives the dialog a name it has not seen yet.
    void answerSaveAsNew(const fs::path& chosen) {
        driver.answerMessageBox(IDYES);
        driver.chooseFile(chosen.string());
        driver.answerMessageBox(IDYES);  // the dialog's question: create it?
    }
    void stopAndSaveAsNew(const fs::path& chosen) {
        answerSaveAsNew(chosen);
        stopRecording(&window);
    }
};

TEST_F(RecordingTest, StartAddsTheHeaderOnceAndRecordsFromThen) {
    start();
    expectOwnedBox(0, startedText, startedText, MB_ICONINFORMATION);
    EXPECT_TRUE(isRecording);
    EXPECT_EQ(recordingBuffer, headerLine);

    start();
    expectOwnedBox(1, alreadyRecordingText, "Opname loopt.", MB_ICONINFORMATION);
    EXPECT_TRUE(isRecording);
    EXPECT_EQ(recordingBuffer, headerLine);
}

TEST_F(RecordingTest, RecordingRunsOnlyOnceItsStartBoxIsClosed) {
    bool recordingWhileShown = true;
    std::string bufferWhileShown;
    driver.answerMessageBox([&] {
        recordingWhileShown = isRecording;
        bufferWhileShown = recordingBuffer;
        return IDOK;
    });
    startRecording(&window);
    EXPECT_FALSE(recordingWhileShown);
    EXPECT_EQ(bufferWhileShown, headerLine);
    EXPECT_TRUE(isRecording);
}

TEST_F(RecordingTest, StopWhileIdleOnlySaysSo) {
    driver.answerMessageBox(IDOK);
    stopRecording(&window);
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    expectOwnedBox(0, "Program wasn't recording.", "Program wasn't recording.", MB_ICONINFORMATION);
    EXPECT_TRUE(driver.fileDialogs().empty());
    EXPECT_FALSE(isRecording);
}

TEST_F(RecordingTest, StopAnsweredNoGoesOnRecording) {
    start();
    driver.answerMessageBox(IDNO);
    stopRecording(&window);
    expectOwnedBox(1, saveQuestion, saveQuestion, MB_YESNO);
    EXPECT_TRUE(driver.fileDialogs().empty());
    EXPECT_TRUE(isRecording);
    playNote(NoteId::Mi4);
    EXPECT_EQ(recordingBuffer, std::string(headerLine) + "331,230\n");
}

TEST_F(RecordingTest, SaveDialogLeftWithoutANameGoesOnRecording) {
    start();
    driver.answerMessageBox(IDYES);
    driver.cancelFileDialog();
    stopRecording(&window);
    ASSERT_EQ(driver.fileDialogs().size(), 1u);
    const posix::FileDialogRequest& dialog = driver.fileDialogs()[0].request;
    EXPECT_TRUE(dialog.save);
    EXPECT_EQ(dialog.owner, window.getHandle());
    EXPECT_EQ(dialog.title, "Save...");
    EXPECT_EQ(dialog.askedDirectory, "c:\\");
    EXPECT_EQ(dialog.flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT));
    ASSERT_EQ(dialog.filters.size(), 1u);
    EXPECT_EQ(dialog.filters[0].description, "TarnWell Pipalo (*.TPZ)");
    EXPECT_EQ(dialog.filters[0].pattern, "*.TPZ");
    EXPECT_TRUE(isRecording);
    EXPECT_EQ(recordingBuffer, headerLine);

    start();
    expectOwnedBox(2, alreadyRecordingText, "Opname loopt.", MB_ICONINFORMATION);
    EXPECT_EQ(entriesIn(folder), 0);
}

struct SavedRecording {
    const char* name;
    bool resetAfterStart;
    std::vector<NoteId> notes;
    std::string bytes;
    std::size_t size;
};

// Test listings show each case by its name, not as bytes.
void PrintTo(const SavedRecording& recording, std::ostream* out) { *out << recording.name; }

class SavedRecordingTest : public RecordingTest, public testing::WithParamInterface<SavedRecording> {};

TEST_P(SavedRecordingTest, FileHoldsTheWholeBufferWithCarriageReturns) {
    const SavedRecording& recording = GetParam();
    start();
    if (recording.resetAfterStart) resetRecording(&window);
    for (NoteId note : recording.notes) playNote(note);
    const std::string buffer = recordingBuffer;
    stopAndSaveAsNew(folder / "song");

    const std::string written = fileBytes(folder / "song.TPZ");
    EXPECT_EQ(written, recording.bytes);
    EXPECT_EQ(written.size(), recording.size);
    EXPECT_EQ(entriesIn(folder), 1);
    EXPECT_FALSE(isRecording);
    EXPECT_EQ(recordingBuffer, buffer);
    // Start, stop question, the dialog's create question: nothing more.
    EXPECT_EQ(driver.messageBoxes().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, SavedRecordingTest,
    testing::Values(
        SavedRecording{"OneNote", false, {NoteId::Do4}, std::string(headerLineOnDisk) + "263,230\r\n", 60},
        SavedRecording{"TwoNotes", false, {NoteId::Do4, NoteId::Sol4},
                       std::string(headerLineOnDisk) + "263,230\r\n394,230\r\n", 69},
        SavedRecording{"NoNotes", false, {}, headerLineOnDisk, 51},
        SavedRecording{"ResetAfterStart", true, {NoteId::Si4}, "496,230\r\n", 9}),
    [](const testing::TestParamInfo<SavedRecording>& info) { return info.param.name; });

TEST_F(RecordingTest, SecondRecordingOfARunSavesTheFirstOneToo) {
    start();
    playNote(NoteId::Do4);
    stopAndSaveAsNew(folder / "first");
    start();
    playNote(NoteId::Sol4);
    stopAndSaveAsNew(folder / "second");
    EXPECT_EQ(fileBytes(folder / "first.TPZ"), std::string(headerLineOnDisk) + "263,230\r\n");
    EXPECT_EQ(fileBytes(folder / "second.TPZ"),
              std::string(headerLineOnDisk) + "263,230\r\n" + headerLineOnDisk + "394,230\r\n");
}

TEST_F(RecordingTest, ResetWhileIdleKeepsTheBufferAndTellsWithoutOwner) {
    start();
    playNote(NoteId::Do4);
    stopAndSaveAsNew(folder / "first");
    driver.answerMessageBox(IDOK);
    resetRecording(&window);
    const headless::ShownMessageBox& box = driver.messageBoxes().back();
    EXPECT_EQ(box.text, "Opname kan enkel gereset worden als hij loopt.");
    EXPECT_EQ(box.caption, "Reset kan niet...");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_FALSE(isRecording);

    start();
    playNote(NoteId::Fa5);
    stopAndSaveAsNew(folder / "second");
    EXPECT_EQ(fileBytes(folder / "second.TPZ"),
              std::string(headerLineOnDisk) + "263,230\r\n" + headerLineOnDisk + "702,230\r\n");
}

// The extension is added unless the name ends in it, in any case; the dialog
// itself asked before a name it returned is replaced.
struct ChosenName {
    const char* chosen;
    const char* written;
};

void PrintTo(const ChosenName& name, std::ostream* out) {
    *out << '"' << name.chosen << "\" written as \"" << name.written << '"';
}

class ChosenNameTest : public RecordingTest, public testing::WithParamInterface<ChosenName> {};

TEST_P(ChosenNameTest, GetsTheExtensionUnlessItEndsInIt) {
    start();
    playNote(NoteId::Re5);
    stopAndSaveAsNew(folder / GetParam().chosen);
    EXPECT_EQ(fileBytes(folder / GetParam().written), std::string(headerLineOnDisk) + "590,230\r\n");
    EXPECT_EQ(entriesIn(folder), 1);
}

INSTANTIATE_TEST_SUITE_P(Names, ChosenNameTest,
                         testing::Values(ChosenName{"song", "song.TPZ"}, ChosenName{"song.TPZ", "song.TPZ"},
                                         ChosenName{"song.tpz", "song.tpz"},
                                         ChosenName{"song.TpZ", "song.TpZ"},
                                         ChosenName{"songTPZ", "songTPZ.TPZ"},
                                         ChosenName{"song.TPZ.txt", "song.TPZ.txt.TPZ"},
                                         ChosenName{"song.TP", "song.TP.TPZ"}));

TEST_F(RecordingTest, ExistingFileChosenWithItsExtensionIsReplacedAfterTheDialogsQuestionOnly) {
    writeBytes(folder / "song.TPZ", std::string(500, 'x'));
    start();
    playNote(NoteId::Do4);
    driver.answerMessageBox(IDYES);
    driver.chooseFile((folder / "song.TPZ").string());
    driver.answerMessageBox(IDYES);  // the dialog's question: replace it?
    stopRecording(&window);
    EXPECT_EQ(fileBytes(folder / "song.TPZ"), std::string(headerLineOnDisk) + "263,230\r\n");
    EXPECT_EQ(driver.messageBoxes().size(), 3u);
    EXPECT_FALSE(isRecording);
}

TEST_F(RecordingTest, FileTheExtensionNamesIsReplacedOnlyWhenTheUserSaysYes) {
    const fs::path existing = folder / "song.TPZ";
    writeBytes(existing, "old");
    const std::string question = existing.string() + " already exists.\nDo you want to replace it?";
    start();
    playNote(NoteId::Do4);
    const std::string buffer = recordingBuffer;

    // No leads back to the dialog; leaving it saves nothing.
    answerSaveAsNew(folder / "song");
    driver.answerMessageBox(IDNO);
    driver.cancelFileDialog();
    stopRecording(&window);
    expectOwnedBox(3, question, "Save...", MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(driver.fileDialogs().size(), 2u);
    EXPECT_EQ(fileBytes(existing), "old");
    EXPECT_TRUE(isRecording);
    EXPECT_EQ(recordingBuffer, buffer);

    answerSaveAsNew(folder / "song");
    driver.answerMessageBox(IDYES);
    stopRecording(&window);
    expectOwnedBox(6, question, "Save...", MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(fileBytes(existing), std::string(headerLineOnDisk) + "263,230\r\n");
    EXPECT_FALSE(isRecording);
}

TEST_F(RecordingTest, FileThatCannotBeWrittenIsReportedAndTheRecordingGoesOn) {
    start();
    playNote(NoteId::Do4);
    const std::string buffer = recordingBuffer;
    const std::string tooLong(300, 'n');
    answerSaveAsNew(folder / tooLong);
    driver.answerMessageBox(IDOK);
    stopRecording(&window);
    expectOwnedBox(3,
                   "The tune could not be saved as " + (folder / tooLong).string() + ".TPZ" +
                       "\nFile name too long",
                   "Save...", MB_ICONINFORMATION);
    EXPECT_TRUE(isRecording);
    EXPECT_EQ(recordingBuffer, buffer);

    playNote(NoteId::Sol4);
    stopAndSaveAsNew(folder / "song");
    EXPECT_EQ(fileBytes(folder / "song.TPZ"), std::string(headerLineOnDisk) + "263,230\r\n394,230\r\n");
    EXPECT_FALSE(isRecording);
}

TEST_F(RecordingTest, DirectoryInTheWayIsReportedAndLeftAsItWas) {
    const fs::path directory = folder / "song.TPZ";
    fs::create_directory(directory);
    start();
    answerSaveAsNew(folder / "song");
    driver.answerMessageBox(IDYES);  // replace "song.TPZ"?
    driver.answerMessageBox(IDOK);
    stopRecording(&window);
    expectOwnedBox(4, "The tune could not be saved as " + directory.string() + "\nIs a directory", "Save...",
                   MB_ICONINFORMATION);
    EXPECT_TRUE(isRecording);
    EXPECT_TRUE(fs::is_directory(directory));
    EXPECT_EQ(entriesIn(folder), 1);
}

}  // namespace
}  // namespace tone_test
