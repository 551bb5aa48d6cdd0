// Runs the whole program from WinMain on the headless platform, under a script
// of user actions.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "notes.h"
#include "resource_ids.h"
#include "temporary_folder.h"
#include "headless/driver.h"

class ProgramTest : public testing::Test {
protected:
    static constexpr const char* mainTitle = "Pipalo 4 - TarnWell Dev.";

    ProgramTest() {
        isRecording = false;
        recordingBuffer.clear();
    }

    int runProgram(std::string commandLine = "") {
        return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);
    }

    HWND mainWindow() const { return driver.findTopLevel(mainTitle); }
    HWND aboutWindow() const { return driver.findTopLevel("About..."); }
    HWND button(const std::string& label) const { return driver.findControl(mainWindow(), label); }

    // A user action, once the program waits for input.
    void then(std::function<void()> action) { driver.then(std::move(action)); }

    // Presses a key as a person does: the modifiers go down first, then the key, each
    // its own event, and the key is down while the program takes its message.
    void press(int virtualKey, std::vector<int> modifiers = {}) {
        withModifiers(modifiers, [this, virtualKey] {
            then([this, virtualKey] { driver.holdKey(virtualKey); });
            then([this, virtualKey] { driver.releaseKey(virtualKey); });
        });
    }

    void click(const std::string& label, std::vector<int> modifiers = {}) {
        withModifiers(modifiers, [this, label] { then([this, label] { driver.click(button(label)); }); });
    }

    void withModifiers(const std::vector<int>& modifiers, const std::function<void()>& actions) {
        for (int modifier : modifiers) then([this, modifier] { driver.holdKey(modifier); });
        actions();
        for (int modifier : modifiers) then([this, modifier] { driver.releaseKey(modifier); });
    }

    void choose(UINT commandId) {
        then([this, commandId] { driver.chooseMenuItem(mainWindow(), commandId); });
    }

    void closeMainWindow() {
        then([this] { driver.pressCloseBox(mainWindow()); });
    }

    std::vector<unsigned> frequencies() const {
        std::vector<unsigned> result;
        for (const headless::PlayedTone& tone : driver.tones()) result.push_back(tone.frequency);
        return result;
    }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> result;
        for (const headless::ShownMessageBox& box : driver.messageBoxes()) result.push_back(box.text);
        return result;
    }

    headless::Driver driver;
    TemporaryFolder scratch;
    const std::filesystem::path folder = scratch.path();
};
