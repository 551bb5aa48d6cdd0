// Recording, saving, playing back and closing, as a user does them.
#include "program.h"

namespace {

const std::string header = "// Read this as frequenty, length in milliseconds\r\n";
const std::string closeQuestion = "The program is recording, would you like to save?";
const std::string startedText =
    "Recording has started, when you end the recording, \nyou will be asked to select a filename.";

class RecordingScenarioTest : public ProgramTest {
protected:
    // Ctrl+R and the box that says the recording has started.
    void startRecording() {
        driver.answerMessageBox(IDOK);
        press('R', {VK_CONTROL});
    }
    // Answers the Save dialog with a new name and its create question.
    void saveAs(const std::string& name) {
        driver.chooseFile((folder / name).string());
        driver.answerMessageBox(IDYES);
    }
};

TEST_F(RecordingScenarioTest, RecordingMadeWithKeysAndAButtonIsSavedByteForByte) {
    startRecording();
    // F1 sounds twice, as on Windows: taking its key-down posts WM_KEYF1, and the key
    // pass after that message finds F1 still held.
    press(VK_F1);
    click("Sol");
    driver.answerMessageBox(IDYES);  // would you like to save?
    // The Save dialog holds the window: its Record menu, tried meanwhile, does nothing.
    driver.chooseFile([this] {
        for (UINT command : {IDM_RESET_RECORDING, IDM_START_RECORDING, IDM_STOP_RECORDING})
            driver.chooseMenuItem(mainWindow(), command);
        return (folder / "song").string();
    });
    driver.answerMessageBox(IDYES);  // create it
    press('S', {VK_CONTROL});
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);

    EXPECT_EQ(fileBytes(folder / "song.TPZ"), header + "263,230\r\n263,230\r\n394,230\r\n");
    EXPECT_EQ(fileBytes(folder / "song.TPZ").size(), 78u);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{startedText, "Would you like to save?",
                                                    "song does not exist.\nDo you want to create it?"}));
    EXPECT_EQ(driver.fileDialogs().at(0).request.title, "Save...");
}

TEST_F(RecordingScenarioTest, CtrlRHeldOverTwoPassesFindsTheRecordingRunning) {
    driver.answerMessageBox(IDOK);
    driver.answerMessageBox(IDOK);
    then([this] {
        driver.holdKey(VK_CONTROL);
        driver.holdKey('R');
    });
    then([this] {
        driver.releaseKey('R');
        driver.releaseKey(VK_CONTROL);
    });
    closeMainWindow();
    driver.answerMessageBox(IDNO);  // closing while recording: do not save
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{
                              startedText, "Er loopt al een opname, gelieve deze eerst stop te zetten.",
                              closeQuestion}));
    EXPECT_EQ(driver.messageBoxes()[1].caption, "Opname loopt.");
}

TEST_F(RecordingScenarioTest, SavedTunePlaysBackTheSameTones) {
    startRecording();
    press(VK_F1);
    click("Sol");
    press(VK_NUMPAD0 + 9);
    driver.answerMessageBox(IDYES);
    saveAs("tune");
    choose(IDM_STOP_RECORDING);
    then([this] { driver.chooseFile((folder / "tune.TPZ").string()); });
    press('P', {VK_CONTROL});
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    const std::vector<unsigned> played = {263, 263, 394, 662};
    std::vector<unsigned> expected = played;
    expected.insert(expected.end(), played.begin(), played.end());
    EXPECT_EQ(frequencies(), expected);
    EXPECT_EQ(driver.fileDialogs().at(1).request.title, "Play...");
}

TEST_F(RecordingScenarioTest, ClosingWhileRecordingAsksAndSavesOnYes) {
    startRecording();
    press(VK_F7);
    closeMainWindow();
    driver.answerMessageBox(IDYES);
    saveAs("closing");
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(fileBytes(folder / "closing.TPZ"), header + "496,230\r\n");
    EXPECT_EQ(driver.messageBoxes().at(1).text, closeQuestion);
    EXPECT_EQ(driver.messageBoxes().at(1).caption, closeQuestion);
    EXPECT_EQ(driver.messageBoxes().at(1).style, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(driver.messageBoxes().at(1).owner, driver.messageBoxes().at(0).owner);
    EXPECT_TRUE(driver.topLevelWindows().empty());
}

TEST_F(RecordingScenarioTest, ClosingWhileRecordingEndsAfterACancelledSaveDialog) {
    startRecording();
    closeMainWindow();
    driver.answerMessageBox(IDYES);
    driver.cancelFileDialog();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_TRUE(driver.topLevelWindows().empty());
}

// By its close box, or by a WM_CLOSE another program posts, as taskkill does.
class ClosingTest : public RecordingScenarioTest, public testing::WithParamInterface<bool> {
protected:
    void closeByBoxOrQueue() {
        if (GetParam()) then([this] { PostMessageA(mainWindow(), WM_CLOSE, 0, 0); });
        else closeMainWindow();
    }
};

INSTANTIATE_TEST_SUITE_P(Ways, ClosingTest, testing::Bool(), [](const testing::TestParamInfo<bool>& way) {
    return way.param ? "PostedWmClose" : "CloseBox";
});

TEST_P(ClosingTest, KeepsTheWindowAndTheRecordingWhenTheSaveFails) {
    std::ofstream(folder / "taken") << "";
    std::filesystem::create_directory(folder / "taken.TPZ");
    startRecording();
    press(VK_F7);
    closeByBoxOrQueue();
    driver.answerMessageBox(IDYES);
    driver.chooseFile((folder / "taken").string());
    driver.answerMessageBox(IDYES);  // replace "taken"
    driver.answerMessageBox(IDYES);  // replace "taken.TPZ", a folder
    driver.answerMessageBox(IDOK);   // could not be saved
    then([this] { EXPECT_NE(mainWindow(), nullptr) << "the window stays open"; });
    closeMainWindow();
    driver.answerMessageBox(IDNO);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(boxTexts().at(4).rfind("The tune could not be saved as ", 0), 0u);
    EXPECT_EQ(boxTexts().back(), closeQuestion);
    EXPECT_EQ(boxTexts().size(), 6u);
    EXPECT_TRUE(isRecording);
    EXPECT_EQ(recordingBuffer, "// Read this as frequenty, length in milliseconds\n496,230\n");
}

// The user meant to save: a No to replacing a file, then the dialog left, keeps everything.
TEST_F(RecordingScenarioTest, ClosingKeepsTheRecordingWhenTheDialogIsLeftAfterANoToReplacing) {
    std::ofstream(folder / "song.TPZ") << "old";
    startRecording();
    closeMainWindow();
    driver.answerMessageBox(IDYES);
    saveAs("song");
    driver.answerMessageBox(IDNO);  // replace "song.TPZ"? Back to the dialog.
    driver.cancelFileDialog();
    then([this] { EXPECT_NE(mainWindow(), nullptr) << "the window stays open"; });
    closeMainWindow();
    driver.answerMessageBox(IDNO);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(fileBytes(folder / "song.TPZ"), "old");
    EXPECT_EQ(driver.fileDialogs().size(), 2u);
    EXPECT_EQ(boxTexts().size(), 5u);
    EXPECT_TRUE(isRecording);
}

TEST_F(RecordingScenarioTest, ClosingWithoutARecordingAsksNothing) {
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(driver.messageBoxes().empty());
}

TEST_F(RecordingScenarioTest, ExitDuringARecordingAsksNothingAndSavesNothing) {
    startRecording();
    press(VK_F1);
    choose(IDM_EXIT);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(driver.messageBoxes().size(), 1u);
    EXPECT_TRUE(driver.fileDialogs().empty());
}

}  // namespace
