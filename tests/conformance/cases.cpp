// What the program relies on of user32, comdlg32 and kernel32's files, checked the same way on the
// Linux subset and on Windows (under Wine). Windows sends many more messages than
// the subset; each case looks only at the ones it names.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "conformance.h"

namespace {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Received> received;
std::vector<UINT> watched;  // the messages the current case writes down

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (std::find(watched.begin(), watched.end(), message) != watched.end())
        received.push_back({window, message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

// Registers the recording class for one case and unregisters it at the case's end.
class RecordingClass {
public:
    explicit RecordingClass(std::vector<UINT> messages) {
        received.clear();
        watched = std::move(messages);
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = recordingProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = name;
        atom = RegisterClassExA(&windowClass);
        CHECK(atom != 0);
    }
    ~RecordingClass() { UnregisterClassA(name, GetModuleHandleA(nullptr)); }
    RecordingClass(const RecordingClass&) = delete;
    RecordingClass& operator=(const RecordingClass&) = delete;

    HWND create(DWORD style = WS_CAPTION, HWND parent = nullptr, int id = 0) const {
        return CreateWindowExA(0, name, "conformance", style, 10, 10, 200, 100, parent,
                               reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)),
                               GetModuleHandleA(nullptr), nullptr);
    }

    static constexpr const char* name = "ConformanceRecorder";

private:
    ATOM atom = 0;
};

std::vector<UINT> messagesOf(HWND window) {
    std::vector<UINT> messages;
    for (const Received& message : received)
        if (message.window == window) messages.push_back(message.message);
    return messages;
}

// Takes and dispatches one message, which must be there already.
MSG takeAndDispatch() {
    MSG message = {};
    CHECK(GetMessageA(&message, nullptr, 0, 0));
    DispatchMessageA(&message);
    return message;
}

// Takes and dispatches messages until one of these kinds; Windows may have others waiting.
MSG takeAndDispatchUntil(std::initializer_list<UINT> kinds) {
    for (;;) {
        const MSG message = takeAndDispatch();
        if (std::find(kinds.begin(), kinds.end(), message.message) != kinds.end() || message.message == WM_QUIT)
            return message;
    }
}

// Takes and dispatches messages until a keyboard message.
MSG takeAndDispatchKey() { return takeAndDispatchUntil({WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP}); }

void sendKey(WORD virtualKey, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    CHECK_EQ(SendInput(1, &input, sizeof input), 1u);
}

}  // namespace

CONFORMANCE_CASE(CreationShowAndDestructionMessagesInOrder) {
    RecordingClass recorder({WM_NCCREATE, WM_CREATE, WM_SHOWWINDOW, WM_DESTROY, WM_NCDESTROY});
    const HWND window = recorder.create();
    CHECK(window != nullptr);
    // Both creation messages reach the procedure before CreateWindowExA returns.
    CHECK(messagesOf(window) == (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));

    received.clear();
    CHECK_EQ(ShowWindow(window, SW_SHOW), FALSE);  // it was hidden
    CHECK(ShowWindow(window, SW_SHOW) != FALSE);
    CHECK(messagesOf(window) == (std::vector<UINT>{WM_SHOWWINDOW}));
    CHECK(!received.empty() && received[0].wParam == TRUE);

    const HWND child = recorder.create(WS_CHILD, window, 7);
    received.clear();
    CHECK(DestroyWindow(window));
    // The parent hears of its end first, its child last; the parent's final message ends it all.
    std::vector<HWND> order;
    std::vector<UINT> messages;
    for (const Received& message : received) {
        order.push_back(message.window);
        messages.push_back(message.message);
    }
    CHECK(order == (std::vector<HWND>{window, child, child, window}));
    CHECK(messages == (std::vector<UINT>{WM_DESTROY, WM_DESTROY, WM_NCDESTROY, WM_NCDESTROY}));
    CHECK(!IsWindow(window));
    CHECK(!IsWindow(child));
}

CONFORMANCE_CASE(ClassRegistrationRules) {
    RecordingClass recorder({});
    WNDCLASSEXA again = {};
    again.cbSize = sizeof again;
    again.lpfnWndProc = DefWindowProcA;
    again.hInstance = GetModuleHandleA(nullptr);
    again.lpszClassName = "CONFORMANCErecorder";  // names compare without case
    CHECK_EQ(RegisterClassExA(&again), 0);
    again.lpszClassName = "ConformanceOther";
    again.cbSize = sizeof again - 1;
    CHECK_EQ(RegisterClassExA(&again), 0);

    const HWND window = recorder.create();
    CHECK(!UnregisterClassA(RecordingClass::name, GetModuleHandleA(nullptr)));
    DestroyWindow(window);
    CHECK(UnregisterClassA(RecordingClass::name, GetModuleHandleA(nullptr)));
    CHECK(!UnregisterClassA(RecordingClass::name, GetModuleHandleA(nullptr)));
}

CONFORMANCE_CASE(PostedWaitSentDoesNotAndTheQuitComesLast) {
    RecordingClass recorder({WM_USER + 1, WM_USER + 2, WM_USER + 3});
    const HWND window = recorder.create();
    PostQuitMessage(3);
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(window, WM_USER + 2, 0, 0);
    SendMessageA(window, WM_USER + 3, 0, 0);
    CHECK(messagesOf(window) == (std::vector<UINT>{WM_USER + 3}));

    MSG message = {};
    CHECK(GetMessageA(&message, nullptr, 0, 0));
    CHECK_EQ(message.message, static_cast<UINT>(WM_USER + 1));
    CHECK_EQ(received.size(), 1u);  // taking a message does not dispatch it
    DispatchMessageA(&message);
    CHECK_EQ(takeAndDispatch().message, static_cast<UINT>(WM_USER + 2));

    CHECK(!GetMessageA(&message, nullptr, 0, 0));
    CHECK_EQ(message.message, static_cast<UINT>(WM_QUIT));
    CHECK_EQ(message.wParam, 3u);
    CHECK(message.hwnd == nullptr);
    DispatchMessageA(&message);  // reaches no window
    CHECK(messagesOf(window) == (std::vector<UINT>{WM_USER + 3, WM_USER + 1, WM_USER + 2}));
    DestroyWindow(window);
}

// Input is kept apart from posted messages: the quit request comes once no posted message
// waits, before keys that went down earlier, and they still come after it.
CONFORMANCE_CASE(QuitComesAfterPostedMessagesAndBeforeInput) {
    RecordingClass recorder({WM_KEYDOWN, WM_KEYUP, WM_USER});
    const HWND window = recorder.create(WS_CAPTION | WS_VISIBLE);
    SetForegroundWindow(window);
    SetFocus(window);
    sendKey('A', false);
    sendKey('A', true);
    PostMessageA(window, WM_USER, 0, 0);
    PostQuitMessage(5);
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0)) DispatchMessageA(&message);
    CHECK_EQ(message.wParam, 5u);
    CHECK(messagesOf(window) == (std::vector<UINT>{WM_USER}));
    takeAndDispatchUntil({WM_KEYUP});
    CHECK(messagesOf(window) == (std::vector<UINT>{WM_USER, WM_KEYDOWN, WM_KEYUP}));
    DestroyWindow(window);
}

CONFORMANCE_CASE(DefaultProcedureClosesWindows) {
    RecordingClass recorder({WM_CLOSE, WM_DESTROY});
    const HWND closed = recorder.create();
    SendMessageA(closed, WM_CLOSE, 0, 0);
    CHECK(!IsWindow(closed));

    const HWND closeBox = recorder.create();
    received.clear();
    SendMessageA(closeBox, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK(messagesOf(closeBox) == (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    CHECK(!IsWindow(closeBox));

    // Alt+F4: the default procedure posts the close command, which closes the window.
    const HWND altF4 = recorder.create();
    PostMessageA(altF4, WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));
    CHECK_EQ(takeAndDispatch().message, static_cast<UINT>(WM_SYSKEYDOWN));
    CHECK(IsWindow(altF4));
    const MSG command = takeAndDispatch();
    CHECK_EQ(command.message, static_cast<UINT>(WM_SYSCOMMAND));
    CHECK_EQ(command.wParam & 0xFFF0, static_cast<WPARAM>(SC_CLOSE));
    CHECK(!IsWindow(altF4));
}

// Alt with a menu item's letter reaches the window as SC_KEYMENU and chooses the item; a
// disabled window, held by a modal box, carries out no system command: its menu, its close box.
CONFORMANCE_CASE(DisabledWindowsMenuAndCloseBoxDoNothing) {
    RecordingClass recorder({WM_COMMAND});
    const HWND window = recorder.create(WS_CAPTION | WS_VISIBLE);
    const HMENU menu = CreateMenu();
    CHECK(AppendMenuA(menu, MF_STRING, 100, "&Go"));
    CHECK(SetMenu(window, menu));

    EnableWindow(window, FALSE);
    SendMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 'g');
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK(IsWindow(window));
    PostMessageA(window, WM_USER, 0, 0);
    takeAndDispatchUntil({WM_USER});
    CHECK(received.empty());

    EnableWindow(window, TRUE);
    SendMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 'g');
    PostMessageA(window, WM_USER, 0, 0);
    takeAndDispatchUntil({WM_USER});
    CHECK_EQ(received.size(), 1u);
    CHECK(!received.empty() && received[0].wParam == MAKEWPARAM(100, 0) && received[0].lParam == 0);
    DestroyWindow(window);
}

CONFORMANCE_CASE(PostedF1AsksNoHelpAndKeyF1AsksForIt) {
    RecordingClass recorder({WM_KEYDOWN, WM_KEYF1, WM_HELP});
    const HWND window = recorder.create();
    const HWND control = recorder.create(WS_CHILD, window, 9);
    // Only F1 taken from the keyboard posts WM_KEYF1; a posted key-down is just a message.
    PostMessageA(window, WM_KEYDOWN, VK_F1, 1);
    PostMessageA(window, WM_USER, 0, 0);
    CHECK_EQ(takeAndDispatch().message, static_cast<UINT>(WM_KEYDOWN));
    CHECK_EQ(takeAndDispatch().message, static_cast<UINT>(WM_USER));

    // The default procedure answers WM_KEYF1 with WM_HELP to the window itself, and a
    // control's WM_HELP goes on to its parent.
    received.clear();
    SendMessageA(control, WM_KEYF1, 0, 0);
    CHECK(messagesOf(control) == (std::vector<UINT>{WM_KEYF1, WM_HELP}));
    CHECK(messagesOf(window) == (std::vector<UINT>{WM_HELP}));
    DestroyWindow(window);
}

CONFORMANCE_CASE(F1FromTheKeyboardIsHeldAndPostsKeyF1) {
    RecordingClass recorder({WM_KEYF1, WM_HELP});
    const HWND window = recorder.create(WS_CAPTION | WS_VISIBLE);
    SetForegroundWindow(window);
    SetFocus(window);
    sendKey(VK_F1, false);
    const MSG down = takeAndDispatchUntil({WM_KEYDOWN});
    if (conformance::underWine())
        conformance::skip("F1's key state: Wine takes it from the X server, where no key went down");
    else
        CHECK((GetAsyncKeyState(VK_F1) & 0x8000) != 0);
    CHECK(down.hwnd == window);
    CHECK_EQ(down.wParam, static_cast<WPARAM>(VK_F1));
    // Taking it posted WM_KEYF1, which the default procedure turned into WM_HELP.
    const MSG help = takeAndDispatchUntil({WM_KEYF1});
    CHECK(help.hwnd == window);
    CHECK(messagesOf(window) == (std::vector<UINT>{WM_KEYF1, WM_HELP}));

    sendKey(VK_F1, true);
    CHECK_EQ(takeAndDispatchUntil({WM_KEYUP}).wParam, static_cast<WPARAM>(VK_F1));
    CHECK_EQ(GetAsyncKeyState(VK_F1) & 0x8000, 0);
    CHECK(messagesOf(window) == (std::vector<UINT>{WM_KEYF1, WM_HELP}));  // no help for a key-up
    DestroyWindow(window);
}

CONFORMANCE_CASE(AltMakesSystemKeysButNotWithCtrl) {
    RecordingClass recorder({});
    const HWND window = recorder.create(WS_CAPTION | WS_VISIBLE);
    SetForegroundWindow(window);
    SetFocus(window);
    const LPARAM altContext = LPARAM{1} << 29;
    struct Stroke {
        WORD virtualKey;
        bool up;
        UINT message;
    };
    // Alt, then Ctrl with Alt, as AltGr holds them, then Ctrl let go while Alt is still
    // held: every message says Alt is down.
    const Stroke strokes[] = {
        {VK_MENU, false, WM_SYSKEYDOWN}, {'Q', false, WM_SYSKEYDOWN}, {'Q', true, WM_SYSKEYUP},
        {VK_CONTROL, false, WM_KEYDOWN}, {'Q', false, WM_KEYDOWN},    {'Q', true, WM_KEYUP},
        {VK_CONTROL, true, WM_SYSKEYUP},
    };
    for (const Stroke& stroke : strokes) {
        sendKey(stroke.virtualKey, stroke.up);
        const MSG message = takeAndDispatchKey();
        CHECK_EQ(message.wParam, static_cast<WPARAM>(stroke.virtualKey));
        CHECK_EQ(message.message, stroke.message);
        CHECK_EQ(message.lParam & altContext, altContext);
    }
    sendKey(VK_MENU, true);
    const MSG altUp = takeAndDispatchKey();
    CHECK_EQ(altUp.wParam, static_cast<WPARAM>(VK_MENU));
    CHECK_EQ(altUp.lParam & altContext, 0);
    DestroyWindow(window);
}

CONFORMANCE_CASE(ButtonClicksThroughItsParentOnlyWhenReleasedOverIt) {
    RecordingClass recorder({WM_COMMAND});
    const HWND window = recorder.create(WS_CAPTION | WS_VISIBLE);
    const HWND button = CreateWindowExA(0, "Button", "Press", WS_CHILD | WS_VISIBLE, 10, 10, 40, 20,
                                        window, reinterpret_cast<HMENU>(42),
                                        GetModuleHandleA(nullptr), nullptr);
    SendMessageA(button, BM_CLICK, 0, 0);
    CHECK_EQ(received.size(), 1u);
    if (!received.empty()) {
        CHECK_EQ(received[0].wParam, MAKEWPARAM(42, BN_CLICKED));
        CHECK(received[0].lParam == reinterpret_cast<LPARAM>(button));
    }

    received.clear();
    SendMessageA(button, WM_LBUTTONDOWN, 1, MAKELPARAM(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(100, 5));  // away from it
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));    // no longer pressed
    CHECK(received.empty());
    SendMessageA(button, WM_LBUTTONDOWN, 1, MAKELPARAM(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
    CHECK_EQ(received.size(), 1u);
    DestroyWindow(window);
}

CONFORMANCE_CASE(DialogMessagesMoveTheFocusInTabOrderAndEnterPressesIt) {
    RecordingClass recorder({WM_COMMAND});
    const HWND window = recorder.create(WS_CAPTION | WS_VISIBLE);
    std::vector<HWND> buttons;
    for (int index = 0; index < 3; ++index)
        buttons.push_back(CreateWindowExA(0, "Button", "b", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                          10 + 50 * index, 10, 40, 20, window,
                                          reinterpret_cast<HMENU>(static_cast<std::intptr_t>(index + 1)),
                                          GetModuleHandleA(nullptr), nullptr));
    SetForegroundWindow(window);
    SetFocus(buttons[0]);
    for (int step = 1; step <= 3; ++step) {
        MSG tab = {};
        tab.hwnd = buttons[(step - 1) % 3];
        tab.message = WM_KEYDOWN;
        tab.wParam = VK_TAB;
        tab.lParam = 1;
        CHECK(IsDialogMessageA(window, &tab));
        // SetFocus tells where the focus was: Tab moved it to the next button, round again.
        CHECK(SetFocus(buttons[step % 3]) == buttons[step % 3]);
    }
    // Enter on the button Tab moved to sends that button's command, not OK's.
    MSG key = {};
    key.hwnd = buttons[0];
    key.message = WM_KEYDOWN;
    key.wParam = VK_TAB;
    key.lParam = 1;
    CHECK(IsDialogMessageA(window, &key));
    key.hwnd = buttons[1];
    key.wParam = VK_RETURN;
    received.clear();
    CHECK(IsDialogMessageA(window, &key));
    CHECK_EQ(received.size(), 1u);
    CHECK(!received.empty() && received[0].wParam == MAKEWPARAM(2, BN_CLICKED) &&
          received[0].lParam == reinterpret_cast<LPARAM>(buttons[1]));
    DestroyWindow(window);
}

CONFORMANCE_CASE(FileDialogRefusesAnUnknownRecordSize) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = 12;
    CHECK(!GetSaveFileNameA(&dialog));
    CHECK_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    CHECK(!GetOpenFileNameA(&dialog));
    CHECK_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
}

// What a save relies on: a file opened always says whether it was there, its kind and
// its number of names, and a rewrite in place cut to length at the end.
CONFORMANCE_CASE(FileRewrittenInPlaceIsCutToLengthOnlyAtTheEnd) {
    const char* const name = "conformance file.tmp";
    DeleteFileA(name);
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    CHECK_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    DWORD count = 0;
    CHECK(WriteFile(file, "abcdef", 6, &count, nullptr) && count == 6);
    CloseHandle(file);
    CHECK(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr) ==
          INVALID_HANDLE_VALUE);
    CHECK_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CHECK_EQ(GetFileType(file), static_cast<DWORD>(FILE_TYPE_DISK));
    BY_HANDLE_FILE_INFORMATION information = {};
    CHECK(GetFileInformationByHandle(file, &information));
    CHECK_EQ(information.nNumberOfLinks, static_cast<DWORD>(1));
    CHECK_EQ(information.nFileSizeLow, static_cast<DWORD>(6));
    char bytes[8] = {};
    CHECK(ReadFile(file, bytes, 3, &count, nullptr) && count == 3 && std::string(bytes) == "abc");
    CHECK_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), static_cast<DWORD>(0));
    CHECK(WriteFile(file, "xy", 2, &count, nullptr) && count == 2);
    CHECK(GetFileInformationByHandle(file, &information));
    CHECK_EQ(information.nFileSizeLow, static_cast<DWORD>(6));
    CHECK(SetEndOfFile(file));
    CHECK(GetFileInformationByHandle(file, &information));
    CHECK_EQ(information.nFileSizeLow, static_cast<DWORD>(2));
    CloseHandle(file);

    CHECK(DeleteFileA(name));
    CHECK_EQ(GetFileAttributesA(name), static_cast<DWORD>(INVALID_FILE_ATTRIBUTES));
}
