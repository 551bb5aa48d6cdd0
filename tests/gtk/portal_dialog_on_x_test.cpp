// The portal's file chooser, run by a portal of the test's own on a session bus of the
// test's own (ctest runs this under dbus-run-session and xvfb-run): one that stops, one
// that never answers while its owner is closed, one that answers with a file not local, one
// that answers the program's call only after the program has quit.
// Google Test first: X's headers define names such as None and Bool as macros.
#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "gtk/file_choosers.h"
#include "gtk/gtk_display.h"

namespace {

const char* python = nullptr;
const char* portalScript = nullptr;

class FakePortal {
public:
    explicit FakePortal(const char* mode) {
        int output[2];
        if (pipe(output) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(output[1], STDOUT_FILENO);
            execl(python, python, portalScript, mode, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(output[1]);
        lines = output[0];
        // Its first line, once it owns the portal's name.
        said = nextLine();
        owned = said == "ready";
    }
    ~FakePortal() {
        if (lines >= 0) close(lines);
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    // The next line it prints; empty when none comes within some 20 s.
    std::string nextLine() {
        std::string line;
        pollfd waiting{lines, POLLIN, 0};
        for (char letter = 0; poll(&waiting, 1, 20000) == 1 && read(lines, &letter, 1) == 1 && letter != '\n';)
            line += letter;
        return line;
    }
    void signal(int number) const {
        if (pid > 0) kill(pid, number);
    }
    bool owned = false;
    std::string said;  // the first line it printed

private:
    pid_t pid = -1;
    int lines = -1;
};

constexpr int givingUp = 400;  // ticks, some 20 s

struct Watch {
    std::string boxText;     // of the first message box shown, which is then answered
    bool closeOwner = false;  // presses the owner's close box once the dialog is open
    int quitAt = givingUp;    // the tick the program quits at
    HWND owner = nullptr;
    int ticks = 0;
};

// Looks on, from inside the dialog's loop, as the user would; after some 20 s it ends the
// loop with a quit, so that a dialog that never ends fails the test instead of hanging it.
gboolean lookOn(gpointer data) {
    auto& watch = *static_cast<Watch*>(data);
    if (++watch.ticks == watch.quitAt) {
        PostQuitMessage(0);
        return G_SOURCE_REMOVE;
    }
    if (watch.closeOwner && watch.ticks == 10) {
        auto& display = static_cast<posix::GtkDisplay&>(posix::display());
        gtk_window_close(display.gtkWindowOf(watch.owner));
    }
    GList* windows = gtk_window_list_toplevels();
    for (GList* window = windows; window; window = window->next)
        if (GTK_IS_MESSAGE_DIALOG(window->data) && gtk_widget_get_mapped(GTK_WIDGET(window->data))) {
            gchar* text = nullptr;
            g_object_get(window->data, "text", &text, nullptr);
            if (watch.boxText.empty()) watch.boxText = text ? text : "";
            g_free(text);
            gtk_dialog_response(GTK_DIALOG(window->data), IDOK);
        }
    g_list_free(windows);
    return G_SOURCE_CONTINUE;
}

class PortalDialogOnX : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string failure;
        std::unique_ptr<posix::GtkDisplay> display = posix::GtkDisplay::open(failure);
        ASSERT_TRUE(display) << failure;
        posix::setDisplay(std::move(display));
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "PortalOwner";
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
    }
    void SetUp() override {
        owner = CreateWindowExA(0, "PortalOwner", "Owner", WS_CAPTION | WS_VISIBLE, 0, 0, 300, 150,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override { DestroyWindow(owner); }

    // Runs the Save dialog as the program does; whether it returned a name.
    bool save(Watch& watch) {
        watch.owner = owner;
        const guint looking = g_timeout_add(50, lookOn, &watch);
        char file[260] = "";
        OPENFILENAMEA dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = owner;
        dialog.lpstrFilter = "TarnWell Pipalo (*.TPZ)\0*.TPZ\0";
        dialog.lpstrFile = file;
        dialog.nMaxFile = sizeof file;
        dialog.lpstrTitle = "Save...";
        const bool chosen = GetSaveFileNameA(&dialog);
        if (watch.ticks < watch.quitAt) g_source_remove(looking);
        EXPECT_LT(watch.ticks, givingUp) << "the dialog did not end";
        return chosen;
    }

    HWND owner = nullptr;
};

TEST_F(PortalDialogOnX, PortalThatStopsEndsTheDialogAsCancelledWithABoxSayingSo) {
    FakePortal portal("stop");
    ASSERT_TRUE(portal.owned) << portal.said;
    Watch watch;
    EXPECT_FALSE(save(watch));
    EXPECT_EQ(watch.boxText, "The desktop's file chooser stopped before it answered: nothing was saved or opened.");
}

TEST_F(PortalDialogOnX, ClosingTheOwnerEndsADialogThePortalNeverAnswers) {
    FakePortal portal("silent");
    ASSERT_TRUE(portal.owned) << portal.said;
    Watch watch;
    watch.closeOwner = true;
    EXPECT_FALSE(save(watch));
    EXPECT_EQ(watch.boxText, "");
    EXPECT_TRUE(IsWindow(owner)) << "the close ends the dialog only";
}

// The portal's object for the dialog is there only once it has answered the call, and it may
// not be the one foreseen: a program that quits before closes that one, as it ends.
TEST_F(PortalDialogOnX, DialogOfAProgramThatQuitsBeforeThePortalAnsweredIsClosed) {
    FakePortal portal("late");
    ASSERT_TRUE(portal.owned) << portal.said;
    Watch watch;
    watch.quitAt = 2;
    EXPECT_FALSE(save(watch));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) DispatchMessageA(&message);  // the quit, posted again
    portal.signal(SIGUSR1);
    posix::finishChoosers();
    const std::string closed = portal.nextLine();
    EXPECT_EQ(closed.rfind("closed /org/freedesktop/portal/desktop/request/", 0), 0u) << closed;
    EXPECT_TRUE(closed.ends_with("_late")) << closed;
}

TEST_F(PortalDialogOnX, AnswerThatIsNotALocalFileIsACancelWithABoxSayingSo) {
    FakePortal portal("remote");
    ASSERT_TRUE(portal.owned) << portal.said;
    Watch watch;
    EXPECT_FALSE(save(watch));
    EXPECT_EQ(watch.boxText, "Only local files can be saved and opened, not sftp://host/home/u/song.TPZ.");
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PYTHON FAKE_PORTAL_SCRIPT\n", argv[0]);
        return 2;
    }
    python = argv[1];
    portalScript = argv[2];
    return RUN_ALL_TESTS();
}
