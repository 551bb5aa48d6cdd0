// Menus, minimising, quitting and the two file dialogs of a Window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "temporary_folder.h"
#include "headless/driver.h"
#include "window.h"

namespace {

namespace fs = std::filesystem;

const char filter[] = "Tunes (*.TPZ)\0*.TPZ\0All Files...\0*.*\0";

int enableMessages = 0;
void countEnable(Window*) { ++enableMessages; }

class ShellServicesTest : public testing::Test {
protected:
    ShellServicesTest() : window(GetModuleHandleA(nullptr), 0, 0, "Shell") {
        window.create("Shell", 305, 145, 0);
    }

    headless::Driver driver;
    Window window;
    TemporaryFolder scratch;
    const fs::path folder = scratch.path();
};

TEST_F(ShellServicesTest, MenuIsLoadedFromTheResources) {
    EXPECT_EQ(window.setMenu(300), 0);
    const posix::Menu* menu = driver.menuOf(window.getHandle());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->items.size(), 1u);
    EXPECT_EQ(menu->items[0].text, "&File");
    EXPECT_EQ(menu->items[0].popup.at(0).text, "&Exit\tAlt+F4");
    EXPECT_EQ(menu->items[0].popup.at(0).id, 40002u);
}

TEST_F(ShellServicesTest, MissingMenuLeavesTheWindowWithout) {
    EXPECT_EQ(window.setMenu(999), 0);
    EXPECT_EQ(driver.menuOf(window.getHandle()), nullptr);
}

TEST_F(ShellServicesTest, MinimizeKeepsTheWindowAndSaysItWasVisible) {
    EXPECT_TRUE(window.minimize());
    EXPECT_TRUE(driver.window(window.getHandle()).minimized);
    EXPECT_TRUE(IsWindow(window.getHandle()));
}

TEST_F(ShellServicesTest, SaveDialogIsAskedWithTheCallersTextsAndBothPrompts) {
    const fs::path chosen = folder / "song";
    driver.chooseFile(chosen.string());
    driver.answerMessageBox(IDYES);  // create it
    EXPECT_EQ(window.showSaveDialog("Save...", filter, "c:\\", 0), chosen.string());

    ASSERT_EQ(driver.fileDialogs().size(), 1u);
    const headless::ShownFileDialog& shown = driver.fileDialogs()[0];
    EXPECT_TRUE(shown.request.save);
    EXPECT_TRUE(shown.ownerDisabled);
    EXPECT_EQ(shown.request.owner, window.getHandle());
    EXPECT_EQ(shown.request.title, "Save...");
    ASSERT_EQ(shown.request.filters.size(), 2u);
    EXPECT_EQ(shown.request.filters[1].description, "All Files...");
    EXPECT_EQ(shown.request.filters[1].pattern, "*.*");
    // "c:\" is no directory here, so the dialog opens in the current one.
    EXPECT_EQ(shown.request.initialDirectory, fs::current_path().string());
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    EXPECT_EQ(driver.messageBoxes()[0].text, "song does not exist.\nDo you want to create it?");
    EXPECT_TRUE(driver.window(window.getHandle()).enabled);
}

TEST_F(ShellServicesTest, ExistingFileIsReturnedOnlyAfterTheReplaceQuestion) {
    const fs::path existing = folder / "old.TPZ";
    std::ofstream(existing) << "x";
    driver.chooseFile(existing.string());
    driver.answerMessageBox(IDNO);  // keep it: the dialog stays
    driver.chooseFile(existing.string());
    driver.answerMessageBox(IDYES);
    EXPECT_EQ(window.showSaveDialog("Save...", filter, folder.string(), 0), existing.string());
    EXPECT_EQ(driver.fileDialogs().size(), 2u);
    EXPECT_EQ(driver.fileDialogs()[0].request.initialDirectory, folder.string());
    EXPECT_EQ(driver.messageBoxes()[0].text, "old.TPZ already exists.\nDo you want to replace it?");
}

// Never a folder, nor a name in a folder that is not there; the owner stays disabled throughout.
TEST_F(ShellServicesTest, FolderOpensInTheDialogAndAMissingOneIsRefused) {
    enableMessages = 0;
    window.addMessageHandler(WM_ENABLE, countEnable);
    fs::create_directory(folder / "inner");
    const fs::path tune = folder / "inner" / "tune.TPZ";
    std::ofstream(tune) << "263,230\n";
    driver.chooseFile((folder / "inner").string());
    driver.chooseFile((folder / "missing" / "tune.TPZ").string());
    driver.answerMessageBox(IDOK);
    driver.chooseFile(tune.string());
    EXPECT_EQ(window.showOpenDialog("Play...", filter, folder.string(), 0), tune.string());
    ASSERT_EQ(driver.fileDialogs().size(), 3u);
    EXPECT_EQ(driver.fileDialogs()[1].request.initialDirectory, (folder / "inner").string());
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    EXPECT_EQ(driver.messageBoxes()[0].text,
              (folder / "missing").string() + "\nPath does not exist.\nCheck the path and try again.");
    EXPECT_EQ(enableMessages, 2) << "disabled once, enabled once";

    driver.chooseFile((folder / "inner").string() + "/");
    driver.cancelFileDialog();
    EXPECT_EQ(window.showSaveDialog("Save...", filter, folder.string(), 0), "");
    EXPECT_EQ(driver.fileDialogs().back().request.initialDirectory, (folder / "inner").string() + "/");
    EXPECT_EQ(driver.messageBoxes().size(), 1u) << "a folder is no file to replace";
}

// A bare or relative name in the folder shown, a full path as it stands, "~" the home folder.
TEST_F(ShellServicesTest, TypedNamesAreTakenAsTheUserMeansThem) {
    fs::create_directories(folder / "home" / "Music");
    fs::create_directory(folder / "shown");
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome ? savedHome : "";
    setenv("HOME", (folder / "home").c_str(), 1);
    const auto saveTyping = [this](const std::string& typed) {
        driver.chooseFile(typed);
        driver.answerMessageBox(IDYES);  // create it
        return window.showSaveDialog("Save...", filter, (folder / "shown").string(), 0);
    };
    EXPECT_EQ(saveTyping("song"), (folder / "shown" / "song").string());
    EXPECT_EQ(saveTyping("../song"), (folder / "shown").string() + "/../song");
    EXPECT_EQ(saveTyping((folder / "other").string()), (folder / "other").string());
    EXPECT_EQ(saveTyping("~/Music/song"), (folder / "home" / "Music" / "song").string());
    EXPECT_EQ(saveTyping("~song"), (folder / "shown" / "~song").string()) << "no other user's home";
    // "~" is a folder: the dialog opens there.
    driver.chooseFile("~");
    driver.chooseFile("song");
    driver.answerMessageBox(IDYES);
    EXPECT_EQ(window.showSaveDialog("Save...", filter, (folder / "shown").string(), 0),
              (folder / "home" / "song").string());
    EXPECT_EQ(driver.fileDialogs().back().request.initialDirectory, (folder / "home").string());
    if (savedHome)
        setenv("HOME", home.c_str(), 1);
    else
        unsetenv("HOME");
}

TEST_F(ShellServicesTest, QuitDuringTheQuestionEndsTheDialog) {
    const fs::path existing = folder / "old.TPZ";
    std::ofstream(existing) << "x";
    driver.chooseFile(existing.string());
    driver.answerMessageBox([] {
        PostQuitMessage(0);
        return 0;
    });
    EXPECT_EQ(window.showSaveDialog("Save...", filter, folder.string(), 0), "");
    EXPECT_EQ(driver.fileDialogs().size(), 1u) << "the chooser is not shown again";
    MSG message;
    EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0)) << "the quit is left for the loop outside";
}

TEST_F(ShellServicesTest, CancelledDialogsGiveEmptyText) {
    driver.cancelFileDialog();
    EXPECT_EQ(window.showSaveDialog("Save...", filter, "", 0), "");
    driver.cancelFileDialog();
    EXPECT_EQ(window.showOpenDialog("Play...", filter, "C:\\", 0), "");
}

TEST_F(ShellServicesTest, OpenDialogGivesTheFullPathOfAnExistingFile) {
    const fs::path tune = folder / "tune.TPZ";
    std::ofstream(tune) << "263,230\n";
    driver.chooseFile(tune.string());
    EXPECT_EQ(window.showOpenDialog("Play...", filter, "C:\\", 0), tune.string());
    EXPECT_FALSE(driver.fileDialogs()[0].request.save);
    EXPECT_TRUE(driver.messageBoxes().empty());
}

TEST_F(ShellServicesTest, PathLongerThanTheBufferFailsTheDialog) {
    const std::string longName = (folder / std::string(600, 'a')).string();
    driver.chooseFile(longName);
    driver.answerMessageBox(IDYES);
    EXPECT_EQ(window.showOpenDialog("Play...", filter, "", 0), "");  // 512 characters
    driver.chooseFile(longName);
    driver.answerMessageBox(IDYES);
    EXPECT_EQ(window.showSaveDialog("Save...", filter, "", 0), longName);  // 1024 characters
}

}  // namespace
