// Construction, creation, the key pass of the message loop and the end of a Window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "headless/driver.h"
#include "window.h"

namespace {

std::vector<std::string> calls;

void record(const std::string& call, Window* window) {
    calls.push_back(call + (window == currentWindow ? "" : "@other"));
}
void onF1(Window* window) { record("F1", window); }
void onF2(Window* window) { record("F2", window); }
void onF1Again(Window* window) { record("F1 again", window); }
void registerF3(Window* window) {
    record("register F3", window);
    window->addKeyHandler(VK_F3, onF2);
}
void onCreateMessage(Window* window) { record("create", window); }
void onSecondCreateMessage(Window* window) { record("second's create", window); }
void onClose(Window* window) { record("close", window); }

class WindowTest : public testing::Test {
protected:
    void SetUp() override { calls.clear(); }
    headless::Driver driver;
    HINSTANCE instance = GetModuleHandleA(nullptr);
};

TEST_F(WindowTest, RegistersItsClassAndRefusesASecondOneOfTheSameName) {
    Window first(instance, 0, 0, "Twice");
    EXPECT_EQ(windowRegistry.size(), 1u);
    try {
        Window second(instance, 0, 0, "twice");
        FAIL() << "a second class of the same name was registered";
    } catch (char* message) {
        EXPECT_STREQ(message, "We kunnen de windowclasse niet registreren.");
    }
    EXPECT_EQ(windowRegistry.size(), 1u);
}

TEST_F(WindowTest, ClassCanBeRegisteredAgainOnceItsWindowHasEnded) {
    {
        Window first(instance, 0, 0, "Again");
        first.create("First", 200, 100, 0);
    }
    EXPECT_TRUE(windowRegistry.empty());
    Window second(instance, 0, 0, "Again");
    EXPECT_EQ(windowRegistry.size(), 1u);
}

TEST_F(WindowTest, SecondDestroyLeavesTheClassToItsNewOwner) {
    Window first(instance, 0, 0, "Twice");
    first.create("First", 100, 100, 0);
    EXPECT_EQ(first.addLabel("Label", 0, 0, 10, 10), 0);
    first.destroy();
    EXPECT_EQ(first.setLabelBitmap(0, 1), nullptr) << "its labels ended with it";
    Window second(instance, 0, 0, "Twice");
    first.destroy();
    EXPECT_EQ(windowRegistry, (std::vector<Window*>{&second}));
    EXPECT_THROW(Window(instance, 0, 0, "Twice"), char*) << "the class is still registered";
}

TEST_F(WindowTest, CreatesAVisibleOverlappedWindowWithTheStoredTitleAndSize) {
    Window window(instance, 0, 0, "Created");
    EXPECT_EQ(window.getHandle(), nullptr);
    window.setTitle("Shown title");
    window.setSize(305, 145);
    const HWND handle = window.create(0);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(window.getHandle(), handle);
    const posix::WindowRecord& record = driver.window(handle);
    EXPECT_EQ(record.text, "Shown title");
    EXPECT_EQ(record.width, 305);
    EXPECT_EQ(record.height, 145);
    EXPECT_EQ(record.style, 0x10CE0000u);
    EXPECT_EQ(record.className, "Created");

    window.setTitle("Later title");
    EXPECT_EQ(driver.window(handle).text, "Shown title");
}

TEST_F(WindowTest, ClassIconsComeFromTheResourcesOrTheSystem) {
    Window own(instance, 302, 302, "OwnIcons");
    own.create("Own", 100, 100, 0);
    EXPECT_NE(driver.window(own.getHandle()).icon, nullptr);
    EXPECT_EQ(driver.window(own.getHandle()).icon, LoadIconA(instance, MAKEINTRESOURCEA(302)));
    EXPECT_EQ(driver.window(own.getHandle()).smallIcon, LoadIconA(instance, MAKEINTRESOURCEA(302)));
    Window missing(instance, 998, 999, "MissingIcons");
    missing.create("Missing", 100, 100, 0);
    EXPECT_EQ(driver.window(missing.getHandle()).icon, nullptr) << "no such icon: none of its own";
    EXPECT_EQ(driver.window(missing.getHandle()).smallIcon, nullptr);
    Window system(instance, 0, 0, "SystemIcons");
    system.create("System", 100, 100, 0);
    EXPECT_EQ(driver.window(system.getHandle()).icon, LoadIconA(nullptr, IDI_APPLICATION));
}

TEST_F(WindowTest, StyleMaskFlipsTheDefaultBits) {
    Window window(instance, 0, 0, "Styled");
    window.create("Styled", 100, 100, WS_MAXIMIZEBOX | WS_THICKFRAME);
    EXPECT_EQ(driver.window(window.getHandle()).style,
              (0x10CE0000u | WS_MAXIMIZEBOX) & ~static_cast<DWORD>(WS_THICKFRAME));
}

TEST_F(WindowTest, CutsTitlesAndClassNamesAt63Characters) {
    const std::string longName(80, 'n');
    Window window(instance, 0, 0, longName.c_str());
    window.create(std::string(100, 't').c_str(), 100, 100, 0);
    EXPECT_EQ(driver.window(window.getHandle()).className, std::string(63, 'n'));
    EXPECT_EQ(driver.window(window.getHandle()).text, std::string(63, 't'));
}

TEST_F(WindowTest, FailedCreationLeavesTheHandleNull) {
    Window window(instance, 0, 0, "Failing");
    driver.failNextCreation("Failing");
    EXPECT_EQ(window.create("Failing", 100, 100, 0), 0);
    EXPECT_EQ(window.getHandle(), nullptr);
}

TEST_F(WindowTest, CreationMessagesReachTheFirstRegisteredWindow) {
    Window main(instance, 0, 0, "Main");
    main.addMessageHandler(WM_CREATE, onCreateMessage);
    main.create("Main", 100, 100, 0);
    Window second(instance, 0, 0, "Second");
    second.addMessageHandler(WM_CREATE, onSecondCreateMessage);
    second.create("Second", 100, 100, 0);
    // Both WM_CREATE messages ran the first Window's handler, while it was current.
    EXPECT_EQ(calls, (std::vector<std::string>{"create", "create"}));
}

TEST_F(WindowTest, KeyPassFollowsEveryMessageInRegistrationOrder) {
    Window window(instance, 0, 0, "Keys");
    window.create("Keys", 100, 100, 0);
    window.addKeyHandler(VK_F2, onF2);
    window.addKeyHandler(VK_F1, onF1);
    window.addKeyHandler(VK_F1, onF1Again);
    driver.holdKey(VK_F1);
    driver.holdKey(VK_F2);
    driver.moveMouse(window.getHandle());
    driver.then([&] { window.quit(); });
    EXPECT_EQ(window.run(), 0);
    // Four messages (the three posted and the WM_KEYF1 that taking F1's key-down posts),
    // each followed by one pass over the keys in their order; the keys are read as they
    // are at the pass, so the first pass already sees both.
    const std::vector<std::string> pass = {"F2", "F1", "F1 again"};
    std::vector<std::string> expected;
    for (int message = 0; message < 4; ++message) expected.insert(expected.end(), pass.begin(), pass.end());
    EXPECT_EQ(calls, expected);
}

TEST_F(WindowTest, KeyPassSeesKeysAddedDuringThePass) {
    Window window(instance, 0, 0, "Growing");
    window.create("Growing", 100, 100, 0);
    window.addKeyHandler(VK_F1, registerF3);
    driver.holdKey(VK_F3);
    driver.holdKey(VK_F1);
    driver.then([&] { window.quit(); });
    window.run();
    // A key registered during a pass is polled in that same pass. F1's WM_KEYF1 makes a third pass.
    EXPECT_EQ(calls, (std::vector<std::string>{"register F3", "F2", "register F3", "F2", "F2",
                                               "register F3", "F2", "F2", "F2"}));
}

// Pressed and released since the last query: only the key state's low bit is set.
TEST_F(WindowTest, ReleasedKeyIsNotDown) {
    Window window(instance, 0, 0, "Released");
    window.create("Released", 100, 100, 0);
    driver.holdKey(VK_SHIFT);
    EXPECT_TRUE(window.isKeyDown(VK_SHIFT));
    driver.releaseKey(VK_SHIFT);
    driver.holdKey(VK_SHIFT);
    driver.releaseKey(VK_SHIFT);
    driver.then([&] { window.quit(); });
    window.run();
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 1) << "pressed since the last call";
    driver.holdKey(VK_SHIFT);
    driver.releaseKey(VK_SHIFT);
    driver.then([&] { window.quit(); });
    window.run();
    EXPECT_FALSE(window.isKeyDown(VK_SHIFT));
}

// Another registered window stays, so no quit follows the destruction: run ends on the close.
TEST_F(WindowTest, PostedCloseEndsTheLoopAfterItsKeyPass) {
    Window other(instance, 0, 0, "Staying");
    other.create("Staying", 100, 100, 0);
    Window window(instance, 0, 0, "Closing");
    window.create("Closing", 100, 100, 0);
    window.addMessageHandler(WM_CLOSE, onClose);
    window.addKeyHandler(VK_F1, onF1);
    driver.holdKey(VK_F1);
    driver.then([&] { PostMessageA(window.getHandle(), WM_CLOSE, 0, 0); });
    EXPECT_EQ(window.run(), 0);
    // F1's key-down and the WM_KEYF1 it posts, then the close; the last pass comes after
    // the window's end, when the remaining Window is current.
    EXPECT_EQ(calls, (std::vector<std::string>{"F1", "F1", "close", "F1@other"}));
    EXPECT_FALSE(IsWindow(window.getHandle()));
}

TEST_F(WindowTest, QuitEndsOnlyTheInnermostLoopAndReachesNoHandler) {
    Window outer(instance, 0, 0, "Outer");
    outer.create("Outer", 100, 100, 0);
    outer.addMessageHandler(WM_QUIT, onClose);
    Window inner(instance, 0, 0, "Inner");
    inner.create("Inner", 100, 100, 0);
    driver.then([&] {
        inner.quit();
        driver.then([&] { PostQuitMessage(7); });
        EXPECT_EQ(inner.run(), 0);
        record("inner ended", &outer);
    });
    EXPECT_EQ(outer.run(), 7);
    EXPECT_EQ(calls, (std::vector<std::string>{"inner ended"}));
}

TEST_F(WindowTest, OnlyTheRunningWindowsKeysArePolled) {
    Window outer(instance, 0, 0, "Outer");
    outer.create("Outer", 100, 100, 0);
    outer.addKeyHandler(VK_F1, onF1);
    Window inner(instance, 0, 0, "Inner");
    inner.create("Inner", 100, 100, 0);
    inner.addKeyHandler(VK_F2, onF2);
    driver.holdKey(VK_F1);
    driver.holdKey(VK_F2);
    driver.then([&] {
        driver.moveMouse(outer.getHandle());
        driver.then([&] { inner.quit(); });
        inner.run();
        outer.quit();
    });
    outer.run();
    // The outer loop polls only F1, once for each key message and once for the WM_KEYF1
    // that F1's key-down posts; the nested loop polls only
    // F2, for the mouse message. Each callback gets the Window whose loop runs, not the
    // one the message was for.
    EXPECT_EQ(calls, (std::vector<std::string>{"F1@other", "F1@other", "F1@other", "F2@other"}));
}

TEST_F(WindowTest, DestroyingTheLastWindowEndsTheLoopButNotAnyOther) {
    Window main(instance, 0, 0, "Main");
    main.create("Main", 100, 100, 0);
    Window second(instance, 0, 0, "Second");
    second.create("Second", 100, 100, 0);
    driver.then([&] {
        DestroyWindow(second.getHandle());
        EXPECT_EQ(windowRegistry, (std::vector<Window*>{&main}));
        driver.then([&] { driver.pressCloseBox(main.getHandle()); });
    });
    EXPECT_EQ(main.run(), 0);
    EXPECT_TRUE(windowRegistry.empty());
    EXPECT_NE(main.getHandle(), nullptr);
}

TEST_F(WindowTest, AWindowEndingWhileItsWindowIsOpenTakesTheWindowAlong) {
    HWND left = nullptr;
    Window main(instance, 0, 0, "Main");
    main.create("Main", 100, 100, 0);
    {
        Window about(instance, 0, 0, "About");
        about.create("About...", 100, 100, 0);
        left = about.getHandle();
    }
    EXPECT_FALSE(IsWindow(left));
    EXPECT_EQ(windowRegistry, (std::vector<Window*>{&main}));
    // Its class is free again.
    Window again(instance, 0, 0, "About");
    EXPECT_EQ(windowRegistry.size(), 2u);
}

TEST_F(WindowTest, CapacityOfPolledKeysIsEnforced) {
    Window window(instance, 0, 0, "Full");
    window.create("Full", 100, 100, 0);
    for (int key = 0; key < 32; ++key) window.addKeyHandler(0x41 + key % 26, onF2);
    window.addKeyHandler(VK_F1, onF1);
    driver.holdKey(VK_F1);
    driver.then([&] { window.quit(); });
    window.run();
    EXPECT_TRUE(calls.empty());
}

}  // namespace
