// A tune file named on the command line, as a file manager opens one.
#include <fstream>

#include "app.h"
#include "command_line.h"
#include "program.h"
#include "recording.h"

namespace {

class OpenedTuneTest : public ProgramTest {
protected:
    // The command line main makes of `Pipalo path`.
    static std::string commandLineOf(const std::string& path) {
        const char* const argv[] = {"Pipalo", path.c_str()};
        return windowsCommandLine(2, argv);
    }
    // The display draws the main window, as it does once the window shows.
    void paint() {
        then([this] { PostMessageA(mainWindow(), WM_PAINT, 0, 0); });
    }
    std::string writeTune(const std::string& name) {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << "// Read this as frequenty, length in milliseconds\r\n"
                                                 "263,230\r\n394,100\r\n";
        return path;
    }
};

TEST_F(OpenedTuneTest, NamedTunePlaysOnceWhenTheWindowFirstPaints) {
    const std::string path = writeTune("My Tunes \xC3\xA9t\xC3\xA9 \xE9.TPZ");
    then([this] { EXPECT_TRUE(driver.tones().empty()) << "played before the window showed"; });
    paint();
    then([this] { ASSERT_EQ(driver.tones().size(), 2u); });
    paint();
    // Played back, not recorded, even with a recording running.
    driver.answerMessageBox(IDOK);
    press('R', {VK_CONTROL});
    paint();
    choose(IDM_EXIT);
    EXPECT_EQ(runProgram(commandLineOf(path)), 0);
    ASSERT_EQ(driver.tones().size(), 2u);
    EXPECT_EQ(driver.tones()[0].frequency, 263u);
    EXPECT_EQ(driver.tones()[0].milliseconds, 230u);
    EXPECT_EQ(driver.tones()[1].frequency, 394u);
    EXPECT_EQ(driver.tones()[1].milliseconds, 100u);
    EXPECT_EQ(recordingBuffer, "// Read this as frequenty, length in milliseconds\n");
}

// As Play does with a file it cannot read; and with no file named, a painting is only a painting.
TEST_F(OpenedTuneTest, AFileThatCannotBeReadAndNoFileAtAllPlayNothing) {
    for (const std::string& commandLine : {commandLineOf((folder / "missing.TPZ").string()),
                                           commandLineOf(folder.string()), std::string(), std::string("  ")}) {
        paint();
        click("Do");
        choose(IDM_EXIT);
        EXPECT_EQ(runProgram(commandLine), 0);
        EXPECT_EQ(frequencies(), std::vector<unsigned>{263}) << commandLine;
        EXPECT_TRUE(driver.messageBoxes().empty()) << commandLine;
    }
}

// Whatever bytes a Linux path holds reach WinMain quoted so that they read back unchanged.
TEST(CommandLine, EachArgumentReadsBackAsMainWasGivenIt) {
    for (const std::string& argument :
         {std::string("/home/user/tune.TPZ"), std::string("/home/user/My Tunes/a\tb.TPZ"),
          std::string("/tmp/\xC3\xA9\xFF\x01.TPZ"), std::string("say \"hi\".TPZ"), std::string("a\\\"b"),
          std::string("ends in backslashes\\\\"), std::string("trailing\\"), std::string("\\\\server\\share\\x.TPZ"),
          std::string("")}) {
        const char* const argv[] = {"Pipalo", argument.c_str(), "second argument"};
        const std::string commandLine = windowsCommandLine(3, argv);
        EXPECT_EQ(firstArgument(commandLine.c_str()), argument) << commandLine;
    }
    const char* const nameOnly[] = {"Pipalo"};
    EXPECT_EQ(windowsCommandLine(1, nameOnly), "");
}

// As Windows writes them: an association's "%1" quotes the path; a typed one may not be.
TEST(CommandLine, FirstArgumentReadsWindowsCommandLines) {
    EXPECT_EQ(firstArgument("\"C:\\My Tunes\\a.TPZ\""), "C:\\My Tunes\\a.TPZ");
    EXPECT_EQ(firstArgument("  C:\\Tunes\\a.TPZ  other"), "C:\\Tunes\\a.TPZ");
    EXPECT_EQ(firstArgument("C:\\My\" Tunes\"\\a.TPZ"), "C:\\My Tunes\\a.TPZ");
    EXPECT_EQ(firstArgument("\"\\\\server\\share\\a b.TPZ\" x"), "\\\\server\\share\\a b.TPZ");
    EXPECT_EQ(firstArgument(""), "");
}

}  // namespace
